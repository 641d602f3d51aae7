#include "retrieve/retrieve.h"

namespace kvx {

void Retrieve(WindowState&, Controls&, Platform&) {}

}  // namespace kvx

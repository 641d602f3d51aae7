#include "search/explore.h"

namespace kvx {

void Explore(WindowState&, Controls&, Platform&) {}

}  // namespace kvx

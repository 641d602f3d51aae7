#include "search/comb_through.h"

namespace kvx {

void CombThrough(WindowState&, Controls&, Platform&) {}

}  // namespace kvx

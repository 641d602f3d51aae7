#include "tests/support/file_size_limit.h"

namespace kvx::testing {

// Windows has no per-process file-size limit.
void LimitFileSize(std::int64_t /*bytes*/) {}

}  // namespace kvx::testing

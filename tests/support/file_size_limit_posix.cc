#include <sys/resource.h>

#include <algorithm>

#include "tests/support/file_size_limit.h"

namespace kvx::testing {

void LimitFileSize(std::int64_t bytes) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
  // The soft limit only, never above the hard one: a test may still lower it.
  limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, static_cast<rlim_t>(bytes));
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

}  // namespace kvx::testing

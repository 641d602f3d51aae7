#include "platform/local_time.h"

#include <ctime>

namespace kvx {

// std::localtime's one shared result is safe here: every action runs on the
// one thread that calls this.
LocalTime LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  if (local == nullptr) return {};
  return {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday,
          local->tm_hour,        local->tm_min,     local->tm_sec};
}

}  // namespace kvx

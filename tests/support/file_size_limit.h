// A cap on every file a test program writes, so a runaway write fails its
// test within seconds instead of filling the disk. With the file-size signal
// ignored (IgnoreFileSizeSignal), a write past the cap fails with EFBIG.
#pragma once

#include <cstdint>

namespace kvx::testing {

// Far above the largest file any test writes (a few MiB).
constexpr std::int64_t kTestFileSizeLimit = std::int64_t{64} << 20;

// Limits each file this process and its children write to `bytes`. A system
// without such a limit (Windows) goes unlimited.
void LimitFileSize(std::int64_t bytes);

}  // namespace kvx::testing

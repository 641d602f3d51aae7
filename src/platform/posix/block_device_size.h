// The length of a block device, which fstat gives as 0. Every system asks its
// own way, so the POSIX volume leaves the question to one small file per
// system (Linux: platform/linux).
#pragma once

#include <cstdint>

namespace kvx {

// The byte length of the block device open as `fd`, or -1 when the system
// cannot tell.
std::int64_t BlockDeviceSize(int fd);

}  // namespace kvx

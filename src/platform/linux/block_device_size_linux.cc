#include <linux/fs.h>
#include <stddef.h>  // BLKGETSIZE64 names size_t
#include <sys/ioctl.h>

#include "platform/posix/block_device_size.h"

namespace kvx {

std::int64_t BlockDeviceSize(int fd) {
  std::uint64_t device_bytes = 0;
  if (::ioctl(fd, BLKGETSIZE64, &device_bytes) != 0) return -1;
  return static_cast<std::int64_t>(device_bytes);
}

}  // namespace kvx

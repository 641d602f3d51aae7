#include "bench/plain_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/io_buffer.h"

namespace kvx::bench {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;

bool WriteAll(int fd, const std::byte* bytes, std::size_t count) {
  while (count > 0) {
    ssize_t put = ::write(fd, bytes, count);
    if (put <= 0) return false;
    bytes += put;
    count -= static_cast<std::size_t>(put);
  }
  return true;
}

bool CopyRange(int source, const BenchFile& range, int target, IoBuffer& buffer) {
  std::int64_t done = 0;
  while (done < range.length) {
    std::size_t wanted = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), range.length - done));
    ssize_t got = ::pread(source, buffer.data(), wanted, range.offset + done);
    if (got <= 0) break;  // the image ends: copy what it holds, as a retrieval does
    if (!WriteAll(target, buffer.data(), static_cast<std::size_t>(got))) return false;
    done += got;
  }
  return true;
}

}  // namespace

std::int64_t ReadSequentially(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  IoBuffer buffer(kChunk);
  std::int64_t total = 0;
  for (;;) {
    ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got <= 0) break;
    total += got;
  }
  ::close(fd);
  return total;
}

std::string CopyRanges(const std::string& source, const std::vector<BenchFile>& ranges,
                       const std::string& directory) {
  int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return "cannot open " + source;
  IoBuffer buffer(kChunk);
  std::string error;
  for (std::size_t i = ranges.size(); i-- > 0 && error.empty();) {
    std::string path = directory + "/copy" + std::to_string(i);
    int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
      error = "cannot create " + path;
      break;
    }
    if (!CopyRange(in, ranges[i], out, buffer)) error = "cannot write " + path;
    ::close(out);
  }
  ::close(in);
  return error;
}

}  // namespace kvx::bench

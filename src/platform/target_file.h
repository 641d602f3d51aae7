// A recovered file being written into the target directory.
//
// Created only when no file of that name existed (see Platform::CreateNewFile),
// so writing to it never harms anything that was there before. Closed when the
// object is destroyed.
#pragma once

#include <cstddef>
#include <span>

namespace kvx {

class TargetFile {
 public:
  virtual ~TargetFile() = default;

  // Writes all of `bytes`; false when the system accepted fewer (full disk,
  // file-size limit, device error). What was written stays written.
  virtual bool Write(std::span<const std::byte> bytes) = 0;
};

}  // namespace kvx

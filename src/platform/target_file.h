// A recovered file being written into the target directory.
//
// Created only when no file of that name existed (see Platform::CreateNewFile),
// so writing to it never harms anything that was there before. Closed when the
// object is destroyed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/status.h"

namespace kvx {

class TargetFile {
 public:
  virtual ~TargetFile() = default;

  // Writes all of `bytes`; not OK when the system accepted fewer (full disk,
  // file-size limit, device error). What was written stays written.
  virtual Status Write(std::span<const std::byte> bytes) = 0;

  // Writes all of `bytes` over the file's bytes from `offset` on, as an image
  // is mended where a second read succeeded; not OK as for Write. The next
  // Write still appends at the file's end.
  // REQUIRES: 0 <= offset, and offset + bytes.size() <= the file's length.
  virtual Status WriteAt(std::int64_t offset, std::span<const std::byte> bytes) = 0;

  // Makes what was written so far durable: OK once the system has put it
  // on the disk, so that a record of it (a map) may be written next.
  virtual Status Sync() = 0;

  // Starts putting what was written so far on the disk and returns without
  // waiting, so that the disk writes while the caller reads on and the next
  // Sync has little left to wait for. Where the system offers no such call,
  // nothing happens.
  virtual void StartSync() {}
};

}  // namespace kvx

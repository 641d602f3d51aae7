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

  // Writes all of `bytes`; false when the system accepted fewer (full disk,
  // file-size limit, device error). What was written stays written.
  virtual bool Write(std::span<const std::byte> bytes) = 0;

  // Writes all of `bytes` over the file's bytes from `offset` on, as an image
  // is mended where a second read succeeded; false as for Write. The next
  // Write still appends at the file's end.
  // REQUIRES: 0 <= offset, and offset + bytes.size() <= the file's length.
  virtual bool WriteAt(std::int64_t offset, std::span<const std::byte> bytes) = 0;

  // Makes what was written so far durable: true once the system has put it
  // on the disk, so that a record of it (a map) may be written next.
  virtual bool Sync() = 0;

  // Starts putting what was written so far on the disk and returns without
  // waiting, so that the disk writes while the caller reads on and the next
  // Sync has little left to wait for. Where the system offers no such call,
  // nothing happens.
  virtual void StartSync() {}

  // Why the last Write, WriteAt or Sync that returned false failed.
  virtual Status WriteStatus() const { return Status(); }
};

}  // namespace kvx

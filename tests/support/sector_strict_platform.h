// A MemoryPlatform whose cards are as strict as a raw volume on Windows
// (\\.\E:): a read whose offset or length is not a whole number of 512-byte
// sectors fails outright and delivers nothing. Otherwise a read behaves as on
// the plain in-memory card, short at the card's end or at its fault.
#pragma once

#include <memory>
#include <string>

#include "tests/support/memory_platform.h"

namespace kvx::testing {

class SectorStrictPlatform : public MemoryPlatform {
 public:
  static constexpr std::int64_t kSectorSize = 512;

  // False: the cards are the plain, lenient ones.
  bool strict = true;
  // Reads refused for their offset or length.
  int refused_reads = 0;

  Result<std::unique_ptr<Volume>> OpenVolume(const std::string& letter) override {
    Result<std::unique_ptr<Volume>> volume = MemoryPlatform::OpenVolume(letter);
    if (!volume || !strict) return volume;
    return std::make_unique<StrictVolume>(std::move(volume).value(), refused_reads);
  }

 private:
  struct StrictVolume final : Volume {
    StrictVolume(std::unique_ptr<Volume> inner, int& refused) : inner(std::move(inner)), refused(refused) {}
    ReadResult Read(std::int64_t offset, std::span<std::byte> buffer) override {
      auto length = static_cast<std::int64_t>(buffer.size());
      if (offset % kSectorSize != 0 || length % kSectorSize != 0) {
        ++refused;
        return {};
      }
      return {inner->Read(offset, buffer).delivered, Status()};
    }
    std::int64_t Size() const override { return inner->Size(); }
    std::unique_ptr<Volume> inner;
    int& refused;
  };
};

}  // namespace kvx::testing

// A Platform that changes how a MemoryPlatform's cards answer a read that does
// not come back whole, to stand for devices that behave differently:
//  - kPrefix: as MemoryPlatform does, the bytes before a fault are delivered;
//  - kWholeReadFails: a read that touches a fault delivers nothing at all, as
//    a raw volume may fail one large read over a single bad sector;
//  - kCapped: no read delivers more than `cap` bytes, faults as in kPrefix.
// The end of the card still cuts every read short as usual. Header-only.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "tests/support/memory_platform.h"

namespace kvx::testing {

enum class ReadBehaviour { kPrefix, kWholeReadFails, kCapped };

class ReadBehaviourPlatform : public Platform {
 public:
  ReadBehaviourPlatform(MemoryPlatform& inner, ReadBehaviour behaviour, std::size_t cap = 65536)
      : inner_(inner), behaviour_(behaviour), cap_(cap) {}

  std::unique_ptr<Volume> OpenVolume(const std::string& letter) override {
    std::unique_ptr<Volume> volume = inner_.OpenVolume(letter);
    if (!volume) return nullptr;
    return std::make_unique<BehavingVolume>(std::move(volume), inner_.CardOf(letter), behaviour_,
                                            cap_);
  }
  bool FileExists(const std::string& path) override { return inner_.FileExists(path); }
  std::unique_ptr<TargetFile> CreateNewFile(const std::string& path) override {
    return inner_.CreateNewFile(path);
  }

 private:
  class BehavingVolume final : public Volume {
   public:
    BehavingVolume(std::unique_ptr<Volume> inner, const Card& card, ReadBehaviour behaviour,
                   std::size_t cap)
        : inner_(std::move(inner)), card_(card), behaviour_(behaviour), cap_(cap) {}

    std::size_t Read(std::int64_t offset, std::span<std::byte> buffer) override {
      if (behaviour_ == ReadBehaviour::kCapped)
        buffer = buffer.first(std::min(buffer.size(), cap_));
      std::size_t delivered = inner_->Read(offset, buffer);
      if (behaviour_ == ReadBehaviour::kWholeReadFails) {
        auto size = static_cast<std::int64_t>(card_.bytes.size());
        std::int64_t end = std::min(offset + static_cast<std::int64_t>(buffer.size()), size);
        bool touches_fault = offset < card_.fault.to && end > card_.fault.from;
        if (touches_fault) return 0;
      }
      return delivered;
    }

   private:
    std::unique_ptr<Volume> inner_;
    const Card& card_;
    ReadBehaviour behaviour_;
    std::size_t cap_;
  };

  MemoryPlatform& inner_;
  ReadBehaviour behaviour_;
  std::size_t cap_;
};

}  // namespace kvx::testing

// A MemoryPlatform whose cards can also fail, as a whole, any read that
// touches their fault, as a raw volume may fail one large read over a single
// bad sector. Otherwise a read delivers the bytes before the fault.
#pragma once

#include <algorithm>
#include <memory>
#include <string>

#include "tests/support/memory_platform.h"

namespace kvx::testing {

class ReadBehaviourPlatform : public MemoryPlatform {
 public:
  bool whole_read_fails = false;

  Result<std::unique_ptr<Volume>> OpenVolume(const std::string& letter) override {
    Result<std::unique_ptr<Volume>> volume = MemoryPlatform::OpenVolume(letter);
    if (!volume || !whole_read_fails) return volume;
    return std::make_unique<FailingVolume>(std::move(volume).value(), CardOf(letter));
  }

 private:
  struct FailingVolume final : Volume {
    FailingVolume(std::unique_ptr<Volume> inner, const Card& card)
        : inner(std::move(inner)), card(card) {}
    ReadResult Read(std::int64_t offset, std::span<std::byte> buffer) override {
      std::size_t delivered = inner->Read(offset, buffer).delivered;
      auto end = std::min<std::int64_t>(offset + static_cast<std::int64_t>(buffer.size()),
                                        static_cast<std::int64_t>(card.bytes.size()));
      return {offset < card.fault.to && end > card.fault.from ? 0 : delivered, Status()};
    }
    std::unique_ptr<Volume> inner;
    const Card& card;
  };
};

}  // namespace kvx::testing

#include "retrieve/card_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "tests/retrieve/retrieve_test_support.h"
#include "tests/support/memory_platform.h"

namespace kvx::testing {
namespace {

constexpr std::int64_t kMiB = std::int64_t{1} << 20;

// The copy as it would run one sector at a time: every read asks for 512
// bytes; a short one writes what it delivered, within the count, and ends.
std::vector<std::byte> SectorBySectorCopy(Volume& volume, std::int64_t offset, std::int64_t count) {
  std::vector<std::byte> out;
  std::array<std::byte, 512> sector{};
  for (std::int64_t remaining = count; remaining > 0; remaining -= 512, offset += 512) {
    auto got = static_cast<std::int64_t>(volume.Read(offset, sector));
    std::int64_t take = std::min(got, remaining);
    out.insert(out.end(), sector.begin(), sector.begin() + take);
    if (got < 512) break;
  }
  return out;
}

struct CopyCase {
  const char* what;
  std::int64_t card_length;
  std::int64_t offset;
  std::int64_t count;
  ReadFault fault;
  std::int64_t chunk;
};

void PrintTo(const CopyCase& c, std::ostream* os) { *os << c.what; }

class CardCopyTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CardCopyTest, LargeReadsGiveExactlyTheBytesOfASectorBySectorCopy) {
  const CopyCase& c = GetParam();
  MemoryPlatform platform;
  Card& card_bytes = platform.Insert("E", PatternBytes(c.card_length));
  card_bytes.fault = c.fault;
  auto reference_volume = platform.OpenVolume("E");
  std::vector<std::byte> expected = SectorBySectorCopy(*reference_volume, c.offset, c.count);
  card_bytes.reads.clear();

  CardVolume card;
  card.VolumeHandle = platform.OpenVolume("E");
  auto target = platform.CreateNewFile("out");
  std::vector<std::byte> buffer(static_cast<std::size_t>(c.chunk), std::byte{0xEE});
  std::vector<std::int64_t> progress;
  CopyResult result = CopyFromCard(card, c.offset, c.count, *target, buffer,
                                   [&](std::int64_t done) { progress.push_back(done); });

  EXPECT_EQ(result, CopyResult::kCopied);
  EXPECT_EQ(platform.files["out"], expected) << c.what;
  EXPECT_LE(progress.size(), card_bytes.reads.size());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  if (c.count > 0) {
    EXPECT_EQ(progress.back(), c.count);
  }
  for (const auto& [offset, size] : card_bytes.reads) {
    EXPECT_EQ(size % 512, 0u) << "every read asks for whole sectors";
    EXPECT_LE(size, static_cast<std::size_t>(c.chunk));
  }
}

constexpr ReadFault kNoFault{};

ReadFault FaultAt(std::int64_t from, std::int64_t length = 512) { return {from, from + length}; }

INSTANTIATE_TEST_SUITE_P(
    Cases, CardCopyTest,
    ::testing::Values(
        CopyCase{"whole sectors", 65536, 1024, 20480, kNoFault, 4096},
        CopyCase{"a partial last sector", 65536, 1024, 20000, kNoFault, 4096},
        CopyCase{"one byte", 65536, 512, 1, kNoFault, 4096},
        CopyCase{"nothing", 65536, 512, 0, kNoFault, 4096},
        CopyCase{"a negative count", 65536, 512, -7, kNoFault, 4096},
        CopyCase{"a negative offset", 65536, -512, 2048, kNoFault, 4096},
        CopyCase{"past the end of a card that ends mid-sector", 50300, 1536, 1879048191, kNoFault,
                 4096},
        CopyCase{"a card that ends inside the count's last sector", 50300, 49152, 1200, kNoFault,
                 4096},
        CopyCase{"a fault mid-sector in the second chunk", 65536, 1024, 30000,
                 FaultAt(1024 + 4096 + 700), 4096},
        CopyCase{"a fault at the first byte", 65536, 1024, 30000, FaultAt(1024), 4096},
        CopyCase{"a fault on a sector boundary", 65536, 1024, 30000, FaultAt(1024 + 2048), 4096},
        CopyCase{"a one-byte fault in the last sector", 65536, 1024, 1000, FaultAt(1024 + 900, 1),
                 4096},
        CopyCase{"a fault just past the count", 65536, 1024, 1000, FaultAt(1024 + 1024), 4096},
        CopyCase{"sector-sized chunks", 50300, 1024, 1879048191, FaultAt(30000), 512},
        CopyCase{"megabyte chunks across a fault", 4 * kMiB, 512, 3 * kMiB + 123,
                 FaultAt(512 + kMiB + kMiB / 2 + 77), kMiB},
        CopyCase{"megabyte chunks to the card's end", 3 * kMiB + 300, 512, 1879048191, kNoFault,
                 kMiB}),
    [](const auto& info) { return SentenceName(info.param.what); });

TEST(CardCopyTest, ALargeFileIsReadInLargeChunks) {
  MemoryPlatform platform;
  Card& card_bytes = platform.Insert("E", PatternBytes(4 * kMiB));
  CardVolume card;
  card.VolumeHandle = platform.OpenVolume("E");
  auto target = platform.CreateNewFile("out");
  std::vector<std::byte> buffer(static_cast<std::size_t>(kMiB));
  ASSERT_EQ(CopyFromCard(card, 0, 3 * kMiB + 1, *target, buffer, [](std::int64_t) {}),
            CopyResult::kCopied);
  EXPECT_EQ(card_bytes.reads.size(), 4u);
  EXPECT_EQ(platform.files["out"].size(), static_cast<std::size_t>(3 * kMiB + 1));
}

TEST(CardCopyTest, AFailedWriteStopsTheCopyAndKeepsWhatWasWritten) {
  MemoryPlatform platform;
  platform.Insert("E", PatternBytes(65536));
  platform.write_limit = 3000;
  CardVolume card;
  card.VolumeHandle = platform.OpenVolume("E");
  auto target = platform.CreateNewFile("out");
  std::vector<std::byte> buffer(4096);
  int chunks = 0;
  EXPECT_EQ(CopyFromCard(card, 1024, 20000, *target, buffer, [&](std::int64_t) { ++chunks; }),
            CopyResult::kWriteFailed);
  EXPECT_EQ(chunks, 0);
  EXPECT_EQ(platform.files["out"], CardSlice(PatternBytes(65536), 1024, 3000));
}

}  // namespace
}  // namespace kvx::testing

#include "card/windowed_block_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include "tests/support/memory_platform.h"
#include "tests/support/read_behaviour_platform.h"

namespace kvx::testing {
namespace {

constexpr std::size_t kBlock = 1536;

struct ReaderCase {
  const char* name;
  std::int64_t card_length;
  std::size_t payload;
  ReadFault fault;
};

class WindowedBlockReaderTest
    : public ::testing::TestWithParam<std::tuple<ReaderCase, ReadBehaviour>> {
 protected:
  const ReaderCase& Case() const { return std::get<0>(GetParam()); }

  void SetUp() override {
    std::vector<std::byte> bytes(static_cast<std::size_t>(Case().card_length));
    std::mt19937 rng(7);
    for (auto& b : bytes) b = std::byte(rng() & 0xFF);
    memory_.Insert("E", bytes).fault = Case().fault;
    windowed_.VolumeHandle = platform_.OpenVolume("E");
    direct_.VolumeHandle = platform_.OpenVolume("E");
  }

  // One positioned read of a block, as a step-by-step scan makes it.
  std::vector<std::byte> Direct(std::int64_t offset) {
    std::vector<std::byte> block(kBlock);
    if (ReadCard(direct_, offset, block) != kBlock) return {};
    return block;
  }

  MemoryPlatform memory_;
  ReadBehaviourPlatform platform_{memory_, std::get<1>(GetParam()), 3000};
  CardVolume windowed_, direct_;
};

TEST_P(WindowedBlockReaderTest, RisingOffsetsAnswerAsOneReadPerBlockWould) {
  WindowedBlockReader reader(windowed_, kBlock, Case().payload);
  for (std::int64_t offset = 0; offset < Case().card_length + 2048; offset += 512) {
    std::span<const std::byte> got = reader.BlockAt(offset);
    std::vector<std::byte> want = Direct(offset);
    ASSERT_EQ(std::vector<std::byte>(got.begin(), got.end()), want) << "at " << offset;
  }
}

TEST_P(WindowedBlockReaderTest, AnyOrderAnswersAsOneReadPerBlockWould) {
  WindowedBlockReader reader(windowed_, kBlock, Case().payload);
  std::mt19937 rng(11);
  std::int64_t sectors = Case().card_length / 512 + 4;
  for (int n = 0; n < 400; ++n) {
    std::int64_t offset = static_cast<std::int64_t>(rng() % sectors) * 512;
    std::span<const std::byte> got = reader.BlockAt(offset);
    std::vector<std::byte> want = Direct(offset);
    ASSERT_EQ(std::vector<std::byte>(got.begin(), got.end()), want) << "at " << offset;
  }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<ReaderCase, ReadBehaviour>>& info) {
  static const char* const kBehaviours[] = {"Prefix", "WholeReadFails", "Capped"};
  return std::string(std::get<0>(info.param).name) +
         kBehaviours[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(
    Cards, WindowedBlockReaderTest,
    ::testing::Combine(::testing::Values(ReaderCase{"Clean", 100000, 4096, {}},
                                         ReaderCase{"RaggedEnd", 100000 + 333, 4096, {}},
                                         ReaderCase{"SmallerThanABlock", 1000, 4096, {}},
                                         ReaderCase{"OneSectorWindows", 20000, 512, {}},
                                         ReaderCase{"FaultInside", 100000, 8192, {50000, 50001}},
                                         ReaderCase{
                                             "FaultAcrossWindows", 100000, 4096, {8000, 30000}},
                                         ReaderCase{"FaultToTheEnd", 100000, 4096, {61440}},
                                         ReaderCase{"FaultAtZero", 100000, 4096, {0, 1}}),
                       ::testing::Values(ReadBehaviour::kPrefix, ReadBehaviour::kWholeReadFails,
                                         ReadBehaviour::kCapped)),
    CaseName);

TEST(WindowedBlockReaderReadsTest, CleanCardIsReadOnceInOverlappingWindows) {
  MemoryPlatform platform;
  Card& card = platform.Insert("E", std::vector<std::byte>(64 * 512));
  CardVolume volume;
  volume.VolumeHandle = platform.OpenVolume("E");
  WindowedBlockReader reader(volume, kBlock, 8 * 512);
  std::int64_t offset = 0;
  while (!reader.BlockAt(offset).empty()) offset += 512;
  EXPECT_EQ(offset, 62 * 512);  // the first block that is not whole
  // Windows of 8 sectors plus the 2-sector overhang at 0, 8, ... 56 sectors,
  // then one block read that comes up short.
  std::vector<std::pair<std::int64_t, std::size_t>> expected;
  for (std::int64_t at = 0; at < 64 * 512; at += 8 * 512) expected.emplace_back(at, 10 * 512);
  expected.emplace_back(62 * 512, kBlock);
  EXPECT_EQ(card.reads, expected);
  EXPECT_EQ(reader.windows_read(), 8);
  EXPECT_EQ(reader.reached(), 64 * 512);
}

TEST(WindowedBlockReaderReadsTest, AfterAShortWindowReadsBlocksOneByOneOnlyToItsEnd) {
  MemoryPlatform platform;
  Card& card = platform.Insert("E", std::vector<std::byte>(64 * 512));
  card.fault = ReadFault{5 * 512, 6 * 512};  // sector 5 cannot be read
  CardVolume volume;
  volume.VolumeHandle = platform.OpenVolume("E");
  WindowedBlockReader reader(volume, kBlock, 8 * 512);
  std::vector<bool> whole;
  for (std::int64_t at = 0; at < 20 * 512; at += 512) whole.push_back(!reader.BlockAt(at).empty());
  EXPECT_EQ(whole, (std::vector<bool>{true, true, true, false, false, false, true, true,  // 0-7
                                      true, true, true, true,  true,  true,  true, true,  // 8-15
                                      true, true, true, true}));
  std::vector<std::pair<std::int64_t, std::size_t>> expected = {{0, 10 * 512}};
  for (std::int64_t at = 3; at < 8; ++at) expected.emplace_back(at * 512, kBlock);
  expected.emplace_back(8 * 512, 10 * 512);
  expected.emplace_back(16 * 512, 10 * 512);
  EXPECT_EQ(card.reads, expected);
}

}  // namespace
}  // namespace kvx::testing

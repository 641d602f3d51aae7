// The comb reads rising offsets through a large window; these cases cover the
// rest of the reader's promise: small windows, offsets in any order, and blocks
// past a fault, each answered as one positioned read of the block would be.
#include "card/windowed_block_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "tests/support/read_behaviour_platform.h"

namespace kvx::testing {
namespace {

// Card length, window payload, fault; whether a read touching it fails whole.
using ReaderCase = std::tuple<std::int64_t, std::size_t, ReadFault, bool>;

class WindowedBlockReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(WindowedBlockReaderTest, AnswersAsOneReadPerBlockWould) {
  auto [length, payload, fault, whole_read_fails] = GetParam();
  ReadBehaviourPlatform platform;
  platform.whole_read_fails = whole_read_fails;
  std::vector<std::byte> bytes(static_cast<std::size_t>(length));
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::byte((i * 7 + i / 512) & 0xFF);
  platform.Insert("E", std::move(bytes)).fault = fault;
  CardVolume windowed, direct;
  windowed.VolumeHandle = platform.OpenVolume("E").value_or(nullptr);
  direct.VolumeHandle = platform.OpenVolume("E").value_or(nullptr);
  WindowedBlockReader reader(windowed, 1536, payload);
  const std::int64_t sectors = length / 512 + 4;
  std::mt19937 rng(7);
  for (std::int64_t n = 0; n < sectors + 400; ++n) {  // rising, then in any order
    std::int64_t offset = 512 * (n < sectors ? n : static_cast<std::int64_t>(rng() % sectors));
    std::vector<std::byte> want(1536);
    if (ReadCard(direct, offset, want) != want.size()) want.clear();
    std::span<const std::byte> got = reader.BlockAt(offset);
    ASSERT_EQ(std::vector<std::byte>(got.begin(), got.end()), want) << "at " << offset;
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cards, WindowedBlockReaderTest, ::testing::Combine(
    ::testing::Values(1000, 20000, 100000 + 333), ::testing::Values(512, 4096),
    ::testing::Values(ReadFault{}, ReadFault{0, 1}, ReadFault{8000, 8001}, ReadFault{8000, 30000},
                      ReadFault{61440}),
    ::testing::Bool()));
// clang-format on

}  // namespace
}  // namespace kvx::testing

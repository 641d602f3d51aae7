#include "card/file_header.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <utility>

namespace kvx {
namespace {

using Block = std::array<std::byte, kFileHeaderSize>;

// A header of body length `field`, with `changes` made to its bytes after.
Block Header(std::uint32_t field, std::initializer_list<std::pair<std::size_t, int>> changes = {}) {
  Block block{};
  for (auto [at, value] : {std::pair<std::size_t, int>{7, 0x06}, {1534, 0x01}, {1535, 0x80}})
    block[at] = std::byte(value);
  for (int i = 0; i < 4; ++i) block[8 + i] = std::byte((field >> (8 * i)) & 0xFF);
  for (auto [at, value] : changes) block[at] = std::byte(value);
  return block;
}

struct HeaderCase {
  const char* why;
  Block block;
  std::int64_t length;  // 0: no header
  bool region_marker = true;
};

class FileHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(FileHeaderTest, IsKnownByItsBytesAndGivesItsLengthReadUnsigned) {
  const HeaderCase& c = GetParam();
  ASSERT_EQ(IsFileHeader(c.block), c.length > 0) << c.why;
  EXPECT_EQ(c.length > 0 ? FileHeaderLength(c.block) : 0, c.length) << c.why;
  EXPECT_EQ(HasRegionMarker(c.block), c.region_marker) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, FileHeaderTest,
    ::testing::Values(HeaderCase{"no body", Header(0), 1536},
                      HeaderCase{"256000 bytes", Header(256000), 257536},
                      HeaderCase{"top bit set", Header(0x80000000u), 2147485184},
                      HeaderCase{"largest", Header(0xFFFFFFFFu), 4294968831},
                      HeaderCase{"bytes 6..7 swapped", Header(0, {{6, 0x06}, {7, 0x00}}), 0},
                      HeaderCase{"byte 7 is 4", Header(0, {{7, 0x04}}), 0},
                      HeaderCase{"end bytes swapped", Header(0, {{1534, 0x80}, {1535, 0x01}}), 0,
                                 false},
                      HeaderCase{"byte 1535 is 0", Header(0, {{1535, 0x00}}), 0, false},
                      HeaderCase{"all zero", Block{}, 0, false}));

}  // namespace
}  // namespace kvx

#include "card/file_header.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <utility>

namespace kvx {
namespace {

using Block = std::array<std::byte, kFileHeaderSize>;

Block MakeBlock(std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes) {
  Block block{};
  for (auto [at, value] : bytes) block[at] = std::byte(value);
  return block;
}

Block Header(std::uint8_t b8, std::uint8_t b9, std::uint8_t b10, std::uint8_t b11) {
  return MakeBlock({{6, 0x00}, {7, 0x06}, {8, b8}, {9, b9}, {10, b10}, {11, b11},
                    {1534, 0x01}, {1535, 0x80}});
}

struct LengthCase {
  std::array<std::uint8_t, 4> field;
  std::int64_t length;
};

class FileHeaderLengthTest : public ::testing::TestWithParam<LengthCase> {};

TEST_P(FileHeaderLengthTest, IsFieldReadUnsignedPlusHeader) {
  auto [f, length] = GetParam();
  Block block = Header(f[0], f[1], f[2], f[3]);
  ASSERT_TRUE(IsFileHeader(block));
  EXPECT_EQ(FileHeaderLength(block), length);
}

INSTANTIATE_TEST_SUITE_P(Fields, FileHeaderLengthTest,
                         ::testing::Values(LengthCase{{0, 0, 0, 0}, 1536},
                                           LengthCase{{0x00, 0xE8, 0x03, 0x00}, 257536},
                                           LengthCase{{0x00, 0x00, 0x00, 0x80}, 2147485184},
                                           LengthCase{{0xFF, 0xFF, 0xFF, 0xFF}, 4294968831}));

struct NearMissCase {
  const char* why;
  Block block;
  bool region_marker;
};

class HeaderNearMissTest : public ::testing::TestWithParam<NearMissCase> {};

TEST_P(HeaderNearMissTest, IsNoHeader) {
  EXPECT_FALSE(IsFileHeader(GetParam().block)) << GetParam().why;
  EXPECT_EQ(HasRegionMarker(GetParam().block), GetParam().region_marker) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, HeaderNearMissTest,
    ::testing::Values(
        NearMissCase{"bytes 6..7 swapped", MakeBlock({{6, 0x06}, {7, 0x00}, {1534, 0x01}, {1535, 0x80}}), true},
        NearMissCase{"byte 7 is 4", MakeBlock({{6, 0x00}, {7, 0x04}, {1534, 0x01}, {1535, 0x80}}), true},
        NearMissCase{"end bytes swapped", MakeBlock({{6, 0x00}, {7, 0x06}, {1534, 0x80}, {1535, 0x01}}), false},
        NearMissCase{"byte 1535 is 0", MakeBlock({{6, 0x00}, {7, 0x06}, {1534, 0x01}}), false},
        NearMissCase{"all zero", MakeBlock({}), false}));

}  // namespace
}  // namespace kvx

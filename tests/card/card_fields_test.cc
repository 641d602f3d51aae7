// The card's fixed fields decoded: the boot sector's generation, the name
// bytes' UTF-8, a file header's marks and length.
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "card/boot_sector.h"
#include "card/code_page.h"
#include "card/file_header.h"

namespace kvx {
namespace {

struct RecognitionCase {
  const char* name;
  std::int64_t fats;
  std::int64_t root_entries;
  int generation;
};

class RecognitionTest : public ::testing::TestWithParam<RecognitionCase> {};

TEST_P(RecognitionTest, NameTableCountAndRootEntriesMustAllMatch) {
  const RecognitionCase& c = GetParam();
  BootSectorFields fields{c.name, 64, c.fats, c.root_entries};
  EXPECT_EQ(CardGenerationOf(fields), c.generation);
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, RecognitionTest,
    ::testing::Values(RecognitionCase{"ZENTOXC1", 1, 512, 1}, RecognitionCase{"ZENTOXC2", 1, 512, 2},
                      RecognitionCase{"ZENTOXC0", 2, 512, 0}, RecognitionCase{"ZENTOXC2", 2, 512, -1},
                      RecognitionCase{"ZENTOXC0", 1, 512, -1}, RecognitionCase{"zentoxc2", 1, 512, -1},
                      RecognitionCase{"ZENTOXC2", 1, 511, -1}, RecognitionCase{"ZENTOXC3", 1, 512, -1},
                      // Read unsigned: 0x8200 is 33280, not a negative 512 look-alike.
                      RecognitionCase{"ZENTOXC2", 1, 33280, -1}));

struct Utf8Case {
  std::string_view text;
  std::size_t length;
};

class ValidUtf8LengthTest : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(ValidUtf8LengthTest, CountsOnlyWholeShortestFormSequences) {
  EXPECT_EQ(ValidUtf8Length(GetParam().text, 0), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, ValidUtf8LengthTest,
    ::testing::Values(Utf8Case{"A", 1}, Utf8Case{std::string_view("\0", 1), 1},
                      Utf8Case{"\xC3\xA9", 2}, Utf8Case{"\xE2\x82\xAC", 3},
                      Utf8Case{"\xF4\x8F\xBF\xBF", 4},
                      // Overlong leads, leads past U+10FFFF, stray and broken sequences.
                      Utf8Case{"\xC0\x80", 0}, Utf8Case{"\xC1\xBF", 0}, Utf8Case{"\xF5\x80\x80\x80", 0},
                      Utf8Case{"\xFF", 0}, Utf8Case{"\x80", 0}, Utf8Case{"\xE2\x82", 0},
                      Utf8Case{"\xC3" "A", 0}, Utf8Case{"\xF0\x9F\x98" "A", 0},
                      // Overlong 3- and 4-byte forms, a surrogate, past U+10FFFF; the
                      // edges next to them.
                      Utf8Case{"\xE0\x80\xAF", 0}, Utf8Case{"\xF0\x80\x80\xAF", 0},
                      Utf8Case{"\xED\xA0\x80", 0}, Utf8Case{"\xF4\x90\x80\x80", 0},
                      Utf8Case{"\xE0\xA0\x80", 3}, Utf8Case{"\xED\x9F\xBF", 3},
                      Utf8Case{"\xF0\x90\x80\x80", 4}));

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

#include "search/comb_through.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "card/file_header.h"
#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

using Layout = CardImage::Layout;

std::string Line(int i, std::int64_t size, std::int64_t at) {
  std::string name = "FOUND" + std::to_string(i) + ".KVX";
  return name + std::string(20 - name.size(), ' ') + " Size: " + std::to_string(size) + " @" +
         std::to_string(at);
}

// Only the eight bytes a header is known by (6..11, 1534, 1535), so headers
// one sector apart can overlap without overwriting each other's.
void MarkHeader(CardImage& image, std::int64_t offset, std::uint32_t body_length) {
  image.SetByte(offset + 6, 0x00);
  image.SetByte(offset + 7, 0x06);
  for (int i = 0; i < 4; ++i) image.SetByte(offset + 8 + i, (body_length >> (8 * i)) & 0xFF);
  image.SetByte(offset + 1534, 0x01);
  image.SetByte(offset + 1535, 0x80);
}

struct FindCase {
  const char* name;
  std::vector<std::pair<std::int64_t, std::uint32_t>> headers;  // offset, body length
  std::vector<std::int64_t> found;
};

class CombFindTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(CombFindTest, ListsEveryHeaderAtASectorBoundaryFrom80896) {
  ActionHarness h;
  CardImage image(Layout::kG2, 3 << 20);
  image.SetSectorsPerFat(1);  // the scan still runs to the card's end
  std::map<std::int64_t, std::uint32_t> bodies(GetParam().headers.begin(),
                                               GetParam().headers.end());
  for (auto [at, body] : bodies) MarkHeader(image, at, body);
  h.InsertCard(image);
  CombThrough(*h.state, h.controls, h.platform);
  std::vector<std::string> lines;
  for (std::int64_t at : GetParam().found)
    lines.push_back(Line(static_cast<int>(lines.size()), bodies[at] + 1536, at));
  EXPECT_EQ(h.controls.lines, lines);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Images, CombFindTest, ::testing::Values(
    FindCase{"WorkedExample", {{80384, 0}, {80896, 10000}}, {80896}},
    FindCase{"Overlapping", {{100352, 0}, {100864, 1}, {101376, 2}}, {100352, 100864, 101376}},
    FindCase{"InsideABody", {{102400, 100000}, {110592, 50}}, {102400, 110592}},
    FindCase{"OffASectorBoundary", {{102656, 0}}, {}},
    // The first window holds the blocks from 80896 to 1129472 - 512.
    FindCase{"AcrossTheFirstWindowsEnd", {{1128448, 0}, {1128960, 0}, {1129472, 0}, {1129984, 0}},
             {1128448, 1128960, 1129472, 1129984}},
    FindCase{"LastWholeBlock", {{(3 << 20) - 1536, 0}, {(3 << 20) - 1024, 0}}, {(3 << 20) - 1536}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(CombThroughTest, StopsAt2048FilesAndLeavesRecord2048Alone) {
  ActionHarness h;
  CardImage image(Layout::kG1, 80896 + 2100 * 512 + 1536);
  for (int k = 0; k < 2100; ++k) MarkHeader(image, 80896 + 512 * k, 0);
  h.InsertCard(image);
  CombThrough(*h.state, h.controls, h.platform);
  ASSERT_EQ(h.controls.lines.size(), 2048u);
  EXPECT_EQ(h.controls.lines[2047], Line(2047, 1536, 80896 + 2047 * 512));
  EXPECT_EQ(h.state->FoundFiles.Record(2048)->FileName, "") << "record 2048 is never written";
  EXPECT_EQ(h.controls.label3, "2048 KVX File(s) found");
}

// The card is read once, in large whole-sector reads, with progress at most
// once a read.
TEST(CombThroughTest, ReadsTheCardOnceInLargeReads) {
  ActionHarness h;
  Card& card = h.InsertCard(CardImage(Layout::kG1, (5 << 20) + 700));
  CombThrough(*h.state, h.controls, h.platform);
  for (auto [offset, size] : card.reads)
    EXPECT_TRUE(offset % 512 == 0 && size % 512 == 0 && size <= (1u << 20) + 1024);
  EXPECT_LE(card.reads.size(), 1u + 6u + 3u);  // boot sector, windows, the end's blocks
  EXPECT_LE(h.controls.progress.size(), 6u);
  EXPECT_EQ(h.controls.progress.back().first, (5 << 20) + 700);
}

}  // namespace
}  // namespace kvx::testing

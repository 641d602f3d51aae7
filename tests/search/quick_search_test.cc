#include "search/quick_search.h"

#include <gtest/gtest.h>

#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

using Layout = CardImage::Layout;

std::string Pad(std::string name) {
  name.resize(20, ' ');
  return name;
}

struct QuickSearchRun : ActionHarness {
  void Run(const CardImage& image) {
    InsertCard(image);
    QuickSearch(*state, controls, platform);
  }
};

// The listing of a 2G card is compared whole by the end-to-end runs; here
// what the demo card lacks: a cluster field of two bytes and a deleted entry.
TEST(QuickSearchTest, TwoGCardReadsBothClusterBytesAndListsDeletedEntries) {
  CardImage image(Layout::kG2, 4 << 20);
  image.AddEntry("LOG.KV", 265, 10000, /*deleted=*/true);
  QuickSearchRun h;
  h.Run(image);
  EXPECT_EQ(h.controls.lines, std::vector<std::string>{Pad("DOG     .KV ") + " Size: 10000 @8759296"});
  EXPECT_EQ(h.controls.label1, "1 KVX File Entries (2G) found");
}

TEST(QuickSearchTest, OneGCardListsEverySecondSlotOnly) {
  CardImage image(Layout::kG1, 4 << 20);
  for (int slot : {2, 3, 4}) image.SetEntry(slot, "FILE000" + std::to_string(slot) + ".KVX", 5, 100);
  QuickSearchRun h;
  h.Run(image);
  ASSERT_EQ(h.controls.lines.size(), 2u);
  EXPECT_EQ(h.controls.lines[0], Pad("DILE0002.KVX") + " Size: 100 @178688");
  EXPECT_EQ(h.controls.lines[1], Pad("DILE0004.KVX") + " Size: 100 @178688");
  EXPECT_EQ(h.controls.label1, "2 KVX File Entries (1G) found");
  EXPECT_EQ(h.platform.open_volumes(), 1) << "no data region: the card stays open";
}

struct SizeCase {
  const char* what;
  Layout layout;
  std::uint32_t dir_size;
  std::optional<std::uint32_t> header_body;  // a header at the entry's cluster
  std::string line_tail;
};

class QuickSearchSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(QuickSearchSizeTest, ShowsOneOrBothSizes) {
  const SizeCase& c = GetParam();
  CardImage image(c.layout, 4 << 20);
  image.SetSectorsPerCluster(8);
  image.AddEntry("XA.KVX", 3, c.dir_size);
  if (c.header_body) image.PlaceHeader(image.ClusterOffset(3), *c.header_body);
  QuickSearchRun h;
  h.Run(image);
  ASSERT_EQ(h.controls.lines.size(), 1u) << c.what;
  std::int64_t offset = image.ClusterOffset(3);
  EXPECT_EQ(h.controls.lines[0], Pad("DA      .KVX") + c.line_tail + std::to_string(offset)) << c.what;
  EXPECT_EQ(h.controls.size_options_visible, c.line_tail.find("SizeH") != std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, QuickSearchSizeTest,
    ::testing::Values(
        SizeCase{"size 0, 2G", Layout::kG2, 0, std::nullopt, " Size: 0 @"},
        SizeCase{"size 0, 1G", Layout::kG1, 0, std::nullopt, " Size: 1879048191 @"},
        SizeCase{"size 0 with header, 1G", Layout::kG1, 0, 0, " SizeH: 1536 or SizeF: 1879048191 @"},
        // Read unsigned: the top bit set is a large size, not a negative one.
        SizeCase{"size 2^31, 1G", Layout::kG1, 0x80000000u, std::nullopt, " Size: 2147483648 @"},
        SizeCase{"largest header", Layout::kG2, 7, 0xFFFFFFFFu, " SizeH: 4294968831 or SizeF: 7 @"}));

TEST(QuickSearchTest, OptionsStayVisibleForTheRestOfTheSearchOnceSizesDiffered) {
  CardImage image(Layout::kG2, 4 << 20);
  image.AddEntry("A.KVX", 3, 100);
  image.PlaceHeader(image.ClusterOffset(3), 0);
  image.AddEntry("XB.KVX", 4, 100);
  QuickSearchRun h;
  h.Run(image);
  EXPECT_TRUE(h.controls.size_options_visible);
  EXPECT_TRUE(h.state->SizesDiffer);

  CardImage plain(Layout::kG2, 4 << 20);
  plain.AddEntry("C.KVX", 3, 100);
  h.Run(plain);
  EXPECT_FALSE(h.controls.size_options_visible) << "a new search starts with sizes agreeing";
}

TEST(QuickSearchTest, ClusterZeroReadsTheHeaderBeforeTheDataRegion) {
  CardImage image(Layout::kG2, 4 << 20);
  image.AddEntry("XZ.KVX", 0, 5);
  QuickSearchRun h;
  h.Run(image);
  EXPECT_EQ(h.controls.lines[0], Pad("DZ      .KVX") + " Size: 5 @75776");
  EXPECT_EQ(h.platform.CardOf("E").reads.at(3), (std::pair<std::int64_t, std::size_t>{75776, 1536}));
}

TEST(QuickSearchTest, EntryBlockCutShortListsNoStaleEntries) {
  CardImage image(Layout::kG2, 124928 + 96);  // slots 0 to 2 only
  image.AddEntry("ONLY.KVX", 3, 1);
  QuickSearchRun h;
  h.Run(image);
  EXPECT_EQ(h.controls.lines, (std::vector<std::string>{Pad("DNLY    .KVX") + " Size: 1 @174080"}));
  EXPECT_TRUE(h.controls.retrieve_enabled);
}

TEST(QuickSearchTest, FullBlocksStopAtTheirEnd) {
  for (auto [layout, count] : {std::pair{Layout::kG2, 510}, std::pair{Layout::kG1, 255}}) {
    CardImage image(layout, 4 << 20);
    for (int slot = 2; slot < 512; ++slot) image.SetEntry(slot, "F.KVX", 2, 1);
    QuickSearchRun h;
    h.Run(image);
    EXPECT_EQ(h.controls.LineCount(), count);
  }
}

TEST(QuickSearchTest, HighNameBytesShowAsTheirCodePageCharacters) {
  CardImage image(Layout::kG2, 4 << 20);
  image.SetEntry(2, std::string("\xC4" "BC\x80" "    KVX", 11), 3, 1, /*deleted=*/true);
  QuickSearchRun h;
  h.Run(image);
  EXPECT_EQ(h.controls.lines[0], "DBC\xE2\x82\xAC    .KVX         Size: 1 @174080");
}

struct EndCase {
  const char* what;
  std::function<void(CardImage&)> change;
  std::int64_t length;
  const char* label1;
  const char* label3;
  bool card_open;
};

class QuickSearchEndTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(QuickSearchEndTest, EndsWithItsMessages) {
  const EndCase& c = GetParam();
  CardImage image(Layout::kG2, c.length);
  c.change(image);
  QuickSearchRun h;
  h.controls.label1 = h.controls.label3 = "earlier";
  h.controls.lines = {"old line"};
  h.controls.retrieve_enabled = true;
  h.Run(image);
  EXPECT_EQ(h.controls.label1, c.label1) << c.what;
  EXPECT_EQ(h.controls.label3, c.label3) << c.what;
  EXPECT_TRUE(h.controls.lines.empty()) << c.what;
  EXPECT_FALSE(h.controls.retrieve_enabled) << c.what;
  EXPECT_EQ(h.platform.open_volumes(), c.card_open ? 1 : 0) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cards, QuickSearchEndTest,
    ::testing::Values(
        EndCase{"empty directory", [](CardImage&) {}, 4 << 20, "No KVX File Entry",
                "KVX Data Region not found, there is nothing to recover", true},
        EndCase{"empty directory, region found",
                [](CardImage& i) { i.PlaceHeader(i.DataRegionOffset(), 0); }, 4 << 20,
                "No KVX File Entry", "KVX Data Region (2G) found", false}));

}  // namespace
}  // namespace kvx::testing

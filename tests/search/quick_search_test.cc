#include "search/quick_search.h"

#include <gtest/gtest.h>

#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

using Layout = CardImage::Layout;
using Strings = std::vector<std::string>;

std::string Pad(std::string_view name) { return PaddedFileName(name); }

struct QuickSearchRun : ActionHarness {
  void Run(const CardImage& image) {
    InsertCard(image);
    QuickSearch(*state, controls, platform);
  }
};

constexpr char kNoRegion[] = "KVX Data Region not found, there is nothing to recover";

// A search over an earlier one's list: the lines it lists, its labels, and
// the card left open while no data region was found.
struct ListCase {
  const char* name;
  Layout layout;
  std::function<void(CardImage&)> change;
  Strings lines;
  std::string label1;
  std::string label3 = kNoRegion;
  std::int64_t length = 4 << 20;
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

class QuickSearchListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(QuickSearchListTest, ListsTheEntriesAndEndsWithItsLabels) {
  const ListCase& c = GetParam();
  CardImage image(c.layout, c.length);
  c.change(image);
  QuickSearchRun h;
  h.controls.label1 = h.controls.label3 = "earlier";
  h.controls.lines = {"old line"};
  h.controls.retrieve_enabled = true;
  h.Run(image);
  EXPECT_EQ(h.controls.lines, c.lines);
  EXPECT_EQ(std::tuple(h.controls.label1, h.controls.label3), std::tuple(c.label1, c.label3));
  EXPECT_EQ(h.controls.retrieve_enabled, !c.lines.empty());
  EXPECT_EQ(h.platform.open_volumes(), c.label3.starts_with("KVX Data Region (") ? 0 : 1);
}

void FillBothBlocks(CardImage& i) {
  for (int slot = 2; slot < 512; ++slot) i.SetEntry(slot, "F.KVX", 2, 1);
}
const std::string kOneEntry2G = "1 KVX File Entries (2G) found";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cards, QuickSearchListTest, ::testing::Values(
    // The listing of a 2G card is compared whole by the end-to-end runs; here
    // what the demo card lacks: a cluster field of two bytes and a deleted entry.
    ListCase{"TwoGReadsBothClusterBytesAndListsDeletedEntries", Layout::kG2,
             [](CardImage& i) { i.AddEntry("LOG.KV", 265, 10000, /*deleted=*/true); },
             {Pad("DOG     .KV ") + " Size: 10000 @8759296"}, kOneEntry2G},
    ListCase{"OneGListsEverySecondSlotOnly", Layout::kG1, [](CardImage& i) {
               for (int slot : {2, 3, 4}) i.SetEntry(slot, "FILE000" + std::to_string(slot), 5, 1);
             }, {Pad("DILE0002.") + " Size: 1 @178688", Pad("DILE0004.") + " Size: 1 @178688"},
             "2 KVX File Entries (1G) found"},
    // Cluster 0 lies before the data region; its header is read there.
    ListCase{"ClusterZeroReadsTheHeaderBeforeTheDataRegion", Layout::kG2,
             [](CardImage& i) { i.AddEntry("XZ.KVX", 0, 5), i.PlaceHeader(75776, 0); },
             {Pad("DZ      .KVX") + " SizeH: 1536 or SizeF: 5 @75776"}, kOneEntry2G},
    ListCase{"EntryBlockCutShortListsNoStaleEntries", Layout::kG2,  // slots 0 to 2 only
             [](CardImage& i) { i.AddEntry("ONLY.KVX", 3, 1); },
             {Pad("DNLY    .KVX") + " Size: 1 @174080"}, "Trouble reading KVX data region", "earlier",
             124928 + 96},
    ListCase{"HighNameBytesShowAsTheirCodePageCharacters", Layout::kG2,
             [](CardImage& i) { i.SetEntry(2, "\xC4" "BC\x80    KVX", 3, 1, /*deleted=*/true); },
             {"DBC\xE2\x82\xAC    .KVX         Size: 1 @174080"}, kOneEntry2G},
    ListCase{"AFull2GBlockStopsAtItsEnd", Layout::kG2, FillBothBlocks,
             Strings(510, Pad("D       .KVX") + " Size: 1 @141312"), "510 KVX File Entries (2G) found"},
    ListCase{"AFull1GBlockStopsAtItsEnd", Layout::kG1, FillBothBlocks,
             Strings(255, Pad("D       .KVX") + " Size: 1 @80384"), "255 KVX File Entries (1G) found"},
    ListCase{"EmptyDirectory", Layout::kG2, [](CardImage&) {}, {}, "No KVX File Entry"},
    ListCase{"EmptyDirectoryRegionFound", Layout::kG2,
             [](CardImage& i) { i.PlaceHeader(i.DataRegionOffset(), 0); }, {}, "No KVX File Entry",
             "KVX Data Region (2G) found"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

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
  EXPECT_EQ(h.controls.lines[0], Pad("DA      .KVX") + c.line_tail + std::to_string(offset))
      << c.what;
  EXPECT_EQ(h.controls.size_options_visible, c.line_tail.find("SizeH") != std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, QuickSearchSizeTest,
    ::testing::Values(SizeCase{"size 0, 2G", Layout::kG2, 0, std::nullopt, " Size: 0 @"},
                      SizeCase{"size 0, 1G", Layout::kG1, 0, std::nullopt, " Size: 1879048191 @"},
                      SizeCase{"size 0 with header, 1G", Layout::kG1, 0, 0,
                               " SizeH: 1536 or SizeF: 1879048191 @"},
                      // Read unsigned: the top bit set is a large size, not a negative one.
                      SizeCase{"size 2^31, 1G", Layout::kG1, 0x80000000u, std::nullopt,
                               " Size: 2147483648 @"},
                      SizeCase{"largest header", Layout::kG2, 7, 0xFFFFFFFFu,
                               " SizeH: 4294968831 or SizeF: 7 @"}));

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

}  // namespace
}  // namespace kvx::testing

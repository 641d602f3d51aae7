// The searches. Where the header searches, Explore and Comb Through, find
// headers and what they list; asked to stop at a chosen read, run to their
// end, or ended by a read failure, what they keep, how far they report and the
// one outcome each reports. Then what Quick Search lists from the entry blocks.
// Last, every read a search makes, made to fail in turn: a fault on the first
// and on the last byte of each read of a clean run. Every read is of whole
// sectors. Whatever read fails, the search ends as its failure rules say for
// that read: the prologue's, a probe's, a header read's or the walk's and
// scan's; a fault never adds, changes or reorders a line other than the one
// whose read failed.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "search/captions.h"
#include "search/comb_through.h"
#include "search/explore.h"
#include "search/quick_search.h"
#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

using Layout = CardImage::Layout;
using Bytes = std::vector<std::byte>;
using Offsets = std::vector<std::int64_t>;
constexpr std::int64_t kCluster = 32768;  // 64 sectors, as CardImage makes it
constexpr std::int64_t kA = 113152;       // the 1G data region's second cluster

// A line the search lists for file `i`, named after `stem`.
std::string Line(const char* stem, int i, std::int64_t size, std::int64_t at) {
  std::string name = stem + std::to_string(i) + ".KVX";
  return PaddedFileName(name) + " Size: " + std::to_string(size) + " @" + std::to_string(at);
}

// The walk's reads on a 1G card: those after the boot sector and the data-region probe.
Offsets WalkReads(const Card& card) {
  Offsets offsets;
  for (std::size_t i = 2; i < card.reads.size(); ++i) {
    EXPECT_EQ(card.reads[i].second, 1536u);
    offsets.push_back(card.reads[i].first);
  }
  return offsets;
}

// Cards of the 1G layout.
struct WalkCase {
  const char* name;
  std::vector<std::pair<std::int64_t, std::int64_t>> files;  // offset, body length
  Offsets reads;  // the walk's reads; the first ones found the files
  Offsets sizes;  // of the files found
  int sectors_per_cluster = 64;
};

class ExploreWalkTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(ExploreWalkTest, WalksFromHeaderToHeaderOnClusterBoundaries) {
  const WalkCase& c = GetParam();
  ActionHarness h;
  CardImage image(Layout::kG1, 2 << 20);
  image.PlaceHeader(image.DataRegionOffset(), 0);  // the region marker
  image.SetSectorsPerCluster(c.sectors_per_cluster);
  for (auto [at, body] : c.files) image.PlaceFile(at, static_cast<std::uint32_t>(body));
  Card& card = h.InsertCard(image);
  h.controls.retrieve_enabled = c.sizes.empty();
  Explore(*h.state, h.controls, h.platform);
  std::vector<std::string> lines;
  for (int i = 0; i < static_cast<int>(c.sizes.size()); ++i)
    lines.push_back(Line("RECOVER", i, c.sizes[i], c.reads[i]));
  EXPECT_EQ(h.controls.lines, lines);
  EXPECT_EQ(WalkReads(card), c.reads);
  EXPECT_EQ(std::tuple(h.state->FoundFiles.FoundCount(), h.controls.retrieve_enabled,
                       h.platform.open_volumes()),
            std::tuple(std::ssize(lines), !lines.empty(), 0));
}

constexpr std::int64_t kA1 = kA + kCluster, kA2 = kA + 2 * kCluster, kA3 = kA + 3 * kCluster;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cards, ExploreWalkTest, ::testing::Values(
    WalkCase{"WorkedExample", {{kA, 256000}}, {kA, 375296}, {257536}},
    WalkCase{"ExactMultiple", {{kA, 31232}, {kA1, 0}}, {kA, kA1, kA2}, {32768, 1536}},
    WalkCase{"OneByteOver", {{kA, 31233}, {kA2, 0}}, {kA, kA2, kA3}, {32769, 1536}},
    // The first cluster's header does not stand for the second's.
    WalkCase{"NoHeaderAtTheSecondCluster", {{kA1, 0}}, {kA}, {}},
    // 64-bit lengths and offsets: the next block is 131073 clusters on, past the end.
    WalkCase{"LargestLengthField", {{kA, 0xFFFFFFFF}}, {kA, kA + 131073 * kCluster}, {4294968831}},
    // No cluster size: the walk starts at the region itself and ends after one file.
    WalkCase{"ClusterSizeZero", {{80384, 5000}}, {80384}, {6536}, 0}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(ExploreTest, ListsAtMost512FilesAndNeverReadsThe513th) {
  ActionHarness h;
  CardImage image(Layout::kG1, 80384 + 520 * 2048);
  image.SetSectorsPerCluster(4);  // 2048-byte clusters
  for (int i = 0; i <= 513; ++i) image.PlaceHeader(80384 + i * 2048, 0);
  Card& card = h.InsertCard(image);
  Explore(*h.state, h.controls, h.platform);
  ASSERT_EQ(h.controls.lines.size(), 512u);
  EXPECT_EQ(h.controls.lines[511], Line("RECOVER", 511, 1536, 80384 + 512 * 2048));
  EXPECT_EQ(WalkReads(card).size(), 512u);
}

TEST(FoundFileListTest, AFullTableRefusesTheNextFileAndShowsNothingOfIt) {
  ActionHarness h;
  FoundFileList& list = h.state->FoundFiles;
  for (int i = 0; i < FoundFileList::kCapacity; ++i) ASSERT_TRUE(list.Add({}, h.controls));
  EXPECT_FALSE(list.Add({.FileName = "PAST"}, h.controls));
  EXPECT_EQ(list.FoundCount(), FoundFileList::kCapacity);
  EXPECT_EQ(h.controls.lines.size(), static_cast<std::size_t>(FoundFileList::kCapacity));
  EXPECT_EQ(list.Record(FoundFileList::kCapacity), nullptr);
}

// Both header searches: how each early end leaves the window and the state.
struct EarlyEndCase {
  const char* name;
  void (*action)(WindowState&, Controls&, Platform&);
  std::function<void(ActionHarness&)> setup;
  std::string label1, label3;
  bool card_opened;  // the list is emptied once the card is open
};

class EarlyEndTest : public ::testing::TestWithParam<EarlyEndCase> {};

TEST_P(EarlyEndTest, EndsWithTheLabelsAndStateOfItsFailure) {
  const EarlyEndCase& c = GetParam();
  ActionHarness h;
  h.controls.label1 = h.controls.label3 = "old";
  h.controls.retrieve_enabled = h.controls.size_options_visible = true;
  h.state->SizeMode = SizeChoice::kByFat;
  for (int i = 0; i < 7; ++i) h.state->FoundFiles.Add({}, h.controls);  // an earlier search's
  c.setup(h);
  c.action(*h.state, h.controls, h.platform);
  EXPECT_EQ(std::tuple(h.controls.label1, h.controls.label3), std::tuple(c.label1, c.label3));
  EXPECT_EQ(std::tuple(h.controls.LineCount(), h.state->FoundFiles.FoundCount(),
                       h.platform.open_volumes()),
            c.card_opened ? std::tuple(0, 0, 1) : std::tuple(7, 7, 0));
  // Command2 as it was, the options hidden, SizeMode by header and the pointer back.
  EXPECT_EQ(std::tuple(h.controls.retrieve_enabled, h.controls.size_options_visible,
                       h.state->SizeMode, h.controls.busy, h.controls.busy_changes),
            std::tuple(true, false, SizeChoice::kByHeader, false, 2));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Failures, EarlyEndTest, ::testing::Values(
    EarlyEndCase{"ExploreCantOpen", Explore, [](ActionHarness& h) { h.controls.text1 = "F"; },
                 "Skipepd DIR region", "", false},
    EarlyEndCase{"ExploreDataRegionNotFound", Explore,
                 [](ActionHarness& h) { h.InsertCard(CardImage(Layout::kG1, 1 << 20)); },
                 "Skipepd DIR region", "KVX Data Region not found, there is nothing to recover",
                 true},
    EarlyEndCase{"CombLetterTooLow", CombThrough, [](ActionHarness& h) { h.controls.text1 = "c"; },
                 "Skipped DIR region", "", false}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

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
    lines.push_back(Line("FOUND", static_cast<int>(lines.size()), bodies[at] + 1536, at));
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
  EXPECT_EQ(h.controls.lines[2047], Line("FOUND", 2047, 1536, 80896 + 2047 * 512));
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

constexpr std::int64_t kExploreCard = 1 << 20;
constexpr std::int64_t kB = 174080;  // the 2G data region's second cluster

using Progress = std::vector<std::pair<std::int64_t, std::int64_t>>;

struct StopCase {
  const char* name;
  int stop_at_ask;  // -1: never
  int listed;
  Outcome outcome;
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

// Runs `search` on `image`, asked to stop as the case says: it keeps what it
// listed, ends with one outcome and nothing busy or open. Returns its progress.
Progress RunStopped(void (*search)(WindowState&, Controls&, Platform&), const CardImage& image,
                    const StopCase& c) {
  ActionHarness h;
  h.InsertCard(image);
  h.controls.stop_at_ask = c.stop_at_ask;
  search(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.state->FoundFiles.FoundCount(), c.listed);
  EXPECT_EQ(h.controls.label3,
            c.listed ? std::to_string(c.listed) + " KVX File(s) found" : "No KVX Files found");
  EXPECT_EQ(std::tuple(h.controls.busy, h.platform.open_volumes()), std::tuple(false, 0));
  EXPECT_EQ(h.controls.outcomes, std::vector<Outcome>{c.outcome});
  return h.controls.progress;
}

class ExploreStopTest : public ::testing::TestWithParam<StopCase> {};

// Four files, one cluster each, from the data region's second cluster on.
TEST_P(ExploreStopTest, KeepsWhatItListedAndEndsAsAtTheCardsEnd) {
  const StopCase& c = GetParam();
  CardImage image(Layout::kG2, kExploreCard);
  image.PlaceHeader(image.DataRegionOffset(), 0);  // the region marker
  for (int i = 0; i < 4; ++i)
    image.PlaceFile(kB + i * kCluster, 30000, static_cast<std::uint8_t>(i));
  // One report per header read, at the header's offset, of the card's size. A
  // stopped walk reads no header past its last find; a whole one reads the
  // one where none stands.
  Progress progress;
  for (int i = 0; i < (c.stop_at_ask >= 0 ? c.listed : c.listed + 1); ++i)
    progress.emplace_back(kB + i * kCluster, kExploreCard);
  EXPECT_EQ(RunStopped(Explore, image, c), progress);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Asks, ExploreStopTest, ::testing::Values(
    StopCase{"AtTheFirstAsk", 0, 1, {Outcome::kStopped, "Explore stopped at 19 %: 1 file listed"}},
    StopCase{"AtTheThirdAsk", 2, 3, {Outcome::kStopped, "Explore stopped at 25 %: 3 files listed"}},
    StopCase{"Never", -1, 4, {Outcome::kDone, "Explore: 4 files listed"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Headers at 200 KiB, 1.5 MiB and 3 MiB of a 4 MiB card; Comb Through reads
// windows of 1 MiB from 80896 and asks after each.
constexpr std::int64_t kCombCard = 4 << 20;
CardImage CombCard() {
  CardImage image(Layout::kG2, kCombCard);
  for (std::int64_t at : {200 << 10, 3 << 19, 3 << 20}) image.PlaceFile(at, 1000);
  return image;
}

class CombStopTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(CombStopTest, KeepsWhatItListedAndReportsEachWindow) {
  const Progress progress = RunStopped(CombThrough, CombCard(), GetParam());
  for (auto [done, total] : progress) EXPECT_EQ(total, kCombCard);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  if (GetParam().stop_at_ask >= 0)
    EXPECT_EQ(std::ssize(progress), GetParam().stop_at_ask + 1);
  else
    EXPECT_EQ(progress.back().first, kCombCard);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Asks, CombStopTest, ::testing::Values(
    StopCase{"AfterTheFirstWindow", 0, 0,
             {Outcome::kStopped, "Comb Through stopped at 26 %: 0 files listed"}},
    StopCase{"AfterTheSecondWindow", 1, 1,
             {Outcome::kStopped, "Comb Through stopped at 51 %: 1 file listed"}},
    StopCase{"Never", -1, 3, {Outcome::kDone, "Comb Through read 4.0 MB: 3 files"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// No to the question: nothing opened, nothing shown changed, one outcome.
TEST(CombOutcomeTest, NoToTheQuestionLeavesEverythingAsItWas) {
  ActionHarness h;
  h.InsertCard(CombCard());
  h.controls.answers = {false};
  h.controls.label3 = "old";
  h.controls.lines = {"old line"};
  h.controls.size_options_visible = true;
  CombThrough(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.controls.questions.size(), 1u);
  EXPECT_EQ(std::tuple(h.controls.label3, h.controls.lines, h.controls.size_options_visible),
            std::tuple("old", std::vector<std::string>{"old line"}, true));
  EXPECT_EQ(h.controls.busy_changes + h.platform.opens(), 0);
  EXPECT_EQ(h.controls.outcomes,
            (std::vector<Outcome>{{Outcome::kStopped, "Comb Through not started"}}));
  EXPECT_TRUE(h.controls.progress.empty());
}

// The searches' ends other than a stop: each reports one outcome, a failure
// with what failed and what was listed.
struct EndCase {
  const char* name;
  void (*action)(WindowState&, Controls&, Platform&);
  std::function<void(ActionHarness&)> setup;
  Outcome outcome;
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class SearchEndTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(SearchEndTest, ReportsOneOutcome) {
  ActionHarness h;
  GetParam().setup(h);
  GetParam().action(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.controls.outcomes, std::vector<Outcome>{GetParam().outcome});
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Ends, SearchEndTest, ::testing::Values(
    EndCase{"NoEntries", QuickSearch, [](ActionHarness& h) { h.InsertBytes(Bytes(1 << 20)); },
            {Outcome::kDone, "Quick Search: no KVX file entries"}},
    EndCase{"EntriesUnreadable", QuickSearch, [](ActionHarness& h) { h.InsertBytes(Bytes(4096)); },
            {Outcome::kFailed,
             "Quick Search: reading the KVX file entries failed: the card ends before it"}},
    EndCase{"NoDataRegion", Explore, [](ActionHarness& h) { h.InsertBytes(Bytes(1 << 20)); },
            {Outcome::kDone, "Explore: no KVX data region"}},
    EndCase{"CombReadFails", CombThrough,
            [](ActionHarness& h) { h.InsertCard(CombCard()).fault = {2 << 20, (2 << 20) + 512}; },
            {Outcome::kFailed, "Comb Through: reading the card failed at 2.0 MB: "
                               "Input/output error; 2 files listed"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

using Strings = std::vector<std::string>;

std::string Pad(std::string_view name) { return PaddedFileName(name); }

void RunQuickSearch(ActionHarness& h, const CardImage& image) {
  h.InsertCard(image);
  QuickSearch(*h.state, h.controls, h.platform);
}

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
  ActionHarness h;
  h.controls.label1 = h.controls.label3 = "earlier";
  h.controls.lines = {"old line"};
  h.controls.retrieve_enabled = true;
  RunQuickSearch(h, image);
  EXPECT_EQ(h.controls.lines, c.lines);
  EXPECT_EQ(std::tuple(h.controls.label1, h.controls.label3), std::tuple(c.label1, c.label3));
  EXPECT_EQ(h.controls.retrieve_enabled, !c.lines.empty());
  EXPECT_EQ(h.platform.open_volumes(), c.label3.starts_with("KVX Data Region (") ? 0 : 1);
}

const std::string kFilled = Pad("D       .KVX") + " Size: 1 @";  // cluster 2's offset follows
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
             {Pad("DNLY    .KVX") + " Size: 1 @174080"}, "Trouble reading KVX data region",
             "earlier", 124928 + 96},
    ListCase{"HighNameBytesShowAsTheirCodePageCharacters", Layout::kG2,
             [](CardImage& i) { i.SetEntry(2, "\xC4" "BC\x80    KVX", 3, 1, /*deleted=*/true); },
             {"DBC\xE2\x82\xAC    .KVX         Size: 1 @174080"}, kOneEntry2G},
    ListCase{"AFull2GBlockStopsAtItsEnd", Layout::kG2, FillBothBlocks,
             Strings(510, kFilled + "141312"), "510 KVX File Entries (2G) found"},
    ListCase{"AFull1GBlockStopsAtItsEnd", Layout::kG1, FillBothBlocks,
             Strings(255, kFilled + "80384"), "255 KVX File Entries (1G) found"},
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
  ActionHarness h;
  RunQuickSearch(h, image);
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
  ActionHarness h;
  RunQuickSearch(h, image);
  EXPECT_TRUE(h.controls.size_options_visible);
  EXPECT_TRUE(h.state->SizesDiffer);

  CardImage plain(Layout::kG2, 4 << 20);
  plain.AddEntry("C.KVX", 3, 100);
  RunQuickSearch(h, plain);
  EXPECT_FALSE(h.controls.size_options_visible) << "a new search starts with sizes agreeing";
}

constexpr std::int64_t kEntryBlock1G = 64000, kEntryBlock2G = 124928, kEntryBlockSize = 16384;
constexpr std::int64_t kProbe1G = 80384, kProbe2G = 141312, kHeader = 1536;
constexpr std::int64_t kBootSector = 512;  // the prologue reads it whole; only its start counts
constexpr std::int64_t kMarkerEnd = kEntryBlock2G + 43;  // slot 1's name bytes end here

// A 2G card of 2 KiB clusters: the region header, then three recordings laid
// end to end from cluster 3 whose directory sizes differ from their headers'.
CardImage SweepCard() {
  CardImage image(CardImage::Layout::kG2, 200 * 1024);
  image.SetSectorsPerCluster(4);
  image.PlaceHeader(image.DataRegionOffset(), 0);
  auto add = [&](const char* name, int cluster, std::uint32_t body) {
    image.PlaceFile(image.ClusterOffset(cluster), body);
    image.AddEntry(name, cluster, body + 1000);
  };
  add("DATA0001.KVX", 3, 3000);
  add("DATA0002.KVX", 6, 1000);
  add("DATA0003.KVX", 8, 500);
  return image;
}

struct Shown {
  std::string label1, label2, label3;
  std::vector<std::string> lines;
  bool card_open = false;
  bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& o, std::ostream* os) {
  *os << ::testing::PrintToString(std::tie(o.label1, o.label2, o.label3, o.card_open, o.lines));
}

constexpr char kReport[] = "<report>";  // Label2 holds the card report

struct SweepRun {
  Shown outcome;
  std::vector<std::pair<std::int64_t, std::size_t>> reads;
  FoundFileList files;
};

using Action = void (*)(WindowState&, Controls&, Platform&);

SweepRun RunWithFault(Action action, const CardImage& image, std::int64_t fault_at) {
  ActionHarness h;
  h.controls.label1 = h.controls.label2 = h.controls.label3 = "old";
  h.controls.lines = {"old line"};
  Card& card = h.InsertCard(image);
  card.fault = ReadFault{fault_at, fault_at + 1};
  action(*h.state, h.controls, h.platform);
  EXPECT_FALSE(h.controls.busy);
  for (auto [offset, size] : card.reads)  // whole sectors, as a raw volume on Windows wants
    EXPECT_TRUE(offset % 512 == 0 && size % 512 == 0) << offset << "+" << size;
  bool report = h.controls.label2.find("SD Name: ") != std::string::npos;
  return {{h.controls.label1, report ? kReport : h.controls.label2, h.controls.label3,
           h.controls.lines, h.platform.open_volumes() == 1},
          card.reads,
          h.state->FoundFiles};
}

bool Within(std::int64_t at, std::int64_t from, std::int64_t size) {
  return at >= from && at < from + size;
}
bool InAProbe(std::int64_t at) {
  return Within(at, kProbe1G, kHeader) || Within(at, kProbe2G, kHeader);
}

Shown ExpectedQuickSearch(const SweepRun& clean, std::int64_t f) {
  Shown o = clean.outcome;
  if (f == 0) return {"old", "Can't read SD", "old", {"old line"}, true};
  if (Within(f, kEntryBlock1G, kEntryBlockSize)) {
    o.label1 = "Trouble reading KVX file entries";
    o.lines.clear();
  } else if (Within(f, kEntryBlock2G, kMarkerEnd - kEntryBlock2G)) {
    // The 2G block's count is not asked: the bytes lost read as 0, the marker with them.
    return {"KVX File Entries not found", kReport, "old", {}, true};
  } else if (InAProbe(f)) {
    o.label1 = "Trouble reading KVX data region";
    o.label3 = "old";
    o.card_open = true;
  }
  for (std::size_t i = 0; i < o.lines.size(); ++i) {
    FoundFile file = *clean.files.Record(static_cast<int>(i));
    if (!Within(f, file.StartOffset, kHeader)) continue;
    file.SizeByHeader = file.SizeByFat;  // a failed header read is no header
    o.lines[i] = ListLine(file);
  }
  return o;
}

// Explore's walk (`probes`: after its data-region probe) and Comb Through's
// scan: both end at the first header block that holds the fault, with the
// clean run's lines of the files before it.
Shown ExpectedWalkOrScan(const SweepRun& clean, std::int64_t f, const char* label1, bool probes) {
  if (f == 0) return {label1, "Can't read SD", "", {"old line"}, true};
  if (f < kBootSector) return clean.outcome;
  if (probes && InAProbe(f)) return {"Trouble reading KVX data region", kReport, "", {}, true};
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < clean.outcome.lines.size(); ++i) {
    if (clean.files.Record(static_cast<int>(i))->StartOffset + kHeader > f) break;
    lines.push_back(clean.outcome.lines[i]);
  }
  std::string closing =
      lines.empty() ? "No KVX Files found" : std::to_string(lines.size()) + " KVX File(s) found";
  return {label1, kReport, closing, lines, false};
}

struct SweepCase {
  const char* name;
  Action action;
  const char* label1;  // Explore's or Comb Through's first label; nullptr for Quick Search
  bool probes;         // the data-region probe comes before the walk
};

class ReadFaultSweepTest : public ::testing::TestWithParam<SweepCase> {};

TEST_P(ReadFaultSweepTest, EveryFailingReadEndsTheSearchAsItsRulesSay) {
  const SweepCase& c = GetParam();
  const CardImage image = SweepCard();
  const SweepRun clean = RunWithFault(c.action, image, image.bytes().size() + 1);
  ASSERT_GE(clean.outcome.lines.size(), 3u) << ::testing::PrintToString(clean.outcome);

  // The first and last byte of every read made, and of every header found:
  // a scan served from large reads still fails at the block a fault is in.
  std::set<std::int64_t> faults;
  for (auto [offset, size] : clean.reads)
    faults.insert({offset, offset + static_cast<std::int64_t>(size) - 1});
  for (std::size_t i = 0; i < clean.outcome.lines.size(); ++i) {
    std::int64_t start = clean.files.Record(static_cast<int>(i))->StartOffset;
    faults.insert({start, start + kHeader - 1});
  }
  for (std::int64_t f : faults) {
    SCOPED_TRACE("fault at " + std::to_string(f));
    EXPECT_EQ(RunWithFault(c.action, image, f).outcome,
              c.label1 ? ExpectedWalkOrScan(clean, f, c.label1, c.probes)
                       : ExpectedQuickSearch(clean, f));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Searches, ReadFaultSweepTest,
    ::testing::Values(SweepCase{"QuickSearch", QuickSearch, nullptr, false},
                      SweepCase{"Explore", Explore, "Skipepd DIR region", true},
                      SweepCase{"CombThrough", CombThrough, "Skipped DIR region", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvx::testing

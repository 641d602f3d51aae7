#include "retrieve/retrieve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

#include "retrieve/card_copy.h"
#include "retrieve/target_name.h"
#include "search/quick_search.h"
#include "tests/retrieve/retrieve_test_support.h"
#include "tests/support/action_harness.h"
#include "tests/support/read_behaviour_platform.h"

namespace kvx::testing {
namespace {

constexpr char kTitle[] = "Korvex SD Rescure";
constexpr std::int64_t kCardLength = 40 * 512 + 300;  // ends mid-sector

struct RunCase {
  const char* name;
  std::function<void(ActionHarness&)> setup;
  std::vector<std::pair<int, std::int64_t>> copied;  // line, bytes, in the order created
  ShownMessage message;                              // none when empty
  int busy_changes = 2;                              // 0: the pointer is left alone
};

class RetrieveTest : public ::testing::TestWithParam<RunCase> {};

// Seven listed files, FILE0 to FILE6, of 1000 bytes each at sector 2 * line
// of a card of pattern bytes; lines 1, 4 and 6 selected; Text2 "out/".
TEST_P(RetrieveTest, CopiesTheSelectedLinesFromTheLastToTheFirst) {
  ActionHarness h;
  std::vector<std::byte> card = PatternBytes(kCardLength);
  h.InsertBytes(card);
  h.controls.text2 = "out/";
  for (int line = 0; line < 7; ++line)
    ListFile(*h.state, h.controls, "FILE" + std::to_string(line) + ".KVX", 1024 * line, 1000);
  for (int line : {1, 4, 6}) h.controls.Select(line);
  GetParam().setup(h);
  Retrieve(*h.state, h.controls, h.platform);
  std::vector<std::string> created;
  for (auto [line, bytes] : GetParam().copied) {
    created.push_back("out/FILE" + std::to_string(line) + ".KVX");
    EXPECT_EQ(h.platform.files[created.back()], CardSlice(card, 1024 * line, bytes)) << line;
  }
  EXPECT_EQ(h.platform.created, created);
  EXPECT_EQ(h.controls.messages, GetParam().message.text.empty()
                                     ? std::vector<ShownMessage>{}
                                     : std::vector<ShownMessage>{GetParam().message});
  EXPECT_EQ(h.platform.opens() - h.platform.open_volumes(), 1);  // opened once, closed
  EXPECT_FALSE(h.controls.busy);
  EXPECT_EQ(h.controls.busy_changes, GetParam().busy_changes);
}

void Only6(ActionHarness& h, std::int64_t size) {
  h.controls.selected = {6};
  h.state->found_files[6].SizeByHeader = size;
}
const std::string kExists =
    "out/FILE4.KVX" + std::string(11, ' ') + " exists, please select a different directory";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Runs, RetrieveTest, ::testing::Values(
    RunCase{"AllCopied", [](ActionHarness&) {}, {{6, 1000}, {4, 1000}, {1, 1000}}, {}},
    RunCase{"AReadFaultEndsOnlyItsFile", [](ActionHarness& h) {
              h.state->found_files[6].SizeByHeader = 5000;
              h.platform.CardOf("E").fault = {6144 + 1300, 6144 + 1400};
            }, {{6, 1300}, {4, 1000}, {1, 1000}}, {}},
    RunCase{"AnExistingTargetStops", [](ActionHarness& h) { h.platform.files["out/FILE4.KVX"]; },
            {{6, 1000}}, {kExists, "Recovery file"}},
    RunCase{"AFailedWriteStops", [](ActionHarness& h) {
              h.state->found_files[4].SizeByHeader = 5000;
              h.platform.write_limit = 3000;
            }, {{6, 1000}, {4, 3000}}, {"Can't write target file...", kTitle}},
    // The card cannot be opened; the one a search left open is closed.
    RunCase{"CantOpen", [](ActionHarness& h) {
              h.state->card.VolumeHandle = h.platform.OpenVolume("E");
              h.controls.text1 = "x";
            }, {}, {"Can't read from SD, please resite the SD and try again", kTitle}, 0},
    RunCase{"NoLineSelected", [](ActionHarness& h) { h.controls.selected.clear(); }, {}, {}},
    RunCase{"NoCurrentLine", [](ActionHarness& h) { h.controls.current_index = -1; }, {}, {}},
    RunCase{"Size0", [](ActionHarness& h) { Only6(h, 0); }, {{6, 0}}, {}},
    RunCase{"SizeNegative", [](ActionHarness& h) { Only6(h, -1); }, {{6, 0}}, {}},
    RunCase{"Size1024", [](ActionHarness& h) { Only6(h, 1024); }, {{6, 1024}}, {}},
    RunCase{"SizePastTheCardsEnd", [](ActionHarness& h) { Only6(h, 1879048191); },
            {{6, kCardLength - 6144}}, {}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// A 2G card, Quick Searched: ALPHA's directory size (40000) differs from its
// header's length (51536); BRAVO's agree. Retrieve copies the size SizeMode
// chooses, from the card Text1 names now, at the offsets the search recorded.
class RetrieveSearchedTest : public ::testing::TestWithParam<std::pair<int, const char*>> {};

TEST_P(RetrieveSearchedTest, CopiesTheChosenSizeFromTheCardNamedNow) {
  auto [size_mode, letter] = GetParam();
  ActionHarness h;
  CardImage image{CardImage::Layout::G2, 141312 + 5 * 32768 + 100};
  image.AddEntry("ALPHA.KVX", 2, 40000);
  image.AddEntry("BRAVO.KVX", 4, 11536);
  image.PlaceFile(image.ClusterOffset(2), 50000, 1);
  image.PlaceFile(image.ClusterOffset(4), 10000, 2);
  h.InsertCard(image);
  std::vector<std::byte> other = PatternBytes(static_cast<std::int64_t>(image.bytes().size()));
  h.InsertBytes(other, "F");
  QuickSearch(*h.state, h.controls, h.platform);
  ASSERT_TRUE(h.controls.size_options_visible);
  std::size_t searched_reads = h.platform.CardOf("E").reads.size();
  h.controls.Select(0);
  h.controls.Select(1);
  h.controls.text1 = letter;
  h.controls.text2 = "out/";
  h.state->SizeMode = size_mode;
  Retrieve(*h.state, h.controls, h.platform);
  const std::vector<std::byte>& card = *letter == 'f' ? other : image.bytes();
  EXPECT_EQ(h.platform.files["out/DLPHA   .KVX"],
            CardSlice(card, image.ClusterOffset(2), size_mode == 1 ? 40000 : 51536));
  EXPECT_EQ(h.platform.files["out/DRAVO   .KVX"], CardSlice(card, image.ClusterOffset(4), 11536));
  EXPECT_EQ(h.platform.CardOf("E").reads.size() > searched_reads, *letter != 'f');
}

INSTANTIATE_TEST_SUITE_P(ModesAndLetters, RetrieveSearchedTest,
                         ::testing::Values(std::pair{0, "E"}, std::pair{1, "E"},
                                           std::pair{0, "f"}));

// --- The chunked copy

constexpr std::int64_t kMiB = std::int64_t{1} << 20;

struct CopyCase {
  std::int64_t card_length, offset, count;
  ReadFault fault = {};
  std::int64_t chunk = 4096;
};

class CardCopyTest : public ::testing::TestWithParam<std::tuple<CopyCase, bool>> {};

// The chunked copy writes what a copy one sector at a time writes: a short
// read writes what it delivered, within the count, and ends the file.
TEST_P(CardCopyTest, WritesTheBytesOfASectorBySectorCopy) {
  auto [c, whole_read_fails] = GetParam();
  ReadBehaviourPlatform memory;
  memory.whole_read_fails = whole_read_fails;
  memory.Insert("E", PatternBytes(c.card_length)).fault = c.fault;
  CardVolume card;
  card.VolumeHandle = memory.OpenVolume("E");
  std::vector<std::byte> expected, sector(512);
  for (std::int64_t at = c.offset, left = c.count; left > 0; at += 512, left -= 512) {
    auto got = static_cast<std::int64_t>(ReadCard(card, at, sector));
    expected.insert(expected.end(), sector.begin(), sector.begin() + std::min(got, left));
    if (got < 512) break;
  }
  memory.CardOf("E").reads.clear();
  std::vector<std::byte> buffer(static_cast<std::size_t>(c.chunk), std::byte{0xEE});
  std::vector<std::int64_t> progress{0};
  EXPECT_EQ(CopyFromCard(card, c.offset, c.count, *memory.CreateNewFile("out"), buffer,
                         [&](std::int64_t done) { progress.push_back(done); }),
            CopyResult::kCopied);
  EXPECT_EQ(memory.files["out"], expected);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), std::max<std::int64_t>(c.count, 0));
  for (auto [offset, size] : memory.CardOf("E").reads)  // whole sectors, as raw volumes want
    EXPECT_TRUE((offset - c.offset) % 512 == 0 && size % 512 == 0 && size <= buffer.size());
}

ReadFault At(std::int64_t from, std::int64_t length = 512) { return {from, from + length}; }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, CardCopyTest, ::testing::Combine(::testing::Values(
    CopyCase{65536, 1024, 20480},  // whole sectors
    CopyCase{65536, 1024, 20000},  // a partial last sector
    CopyCase{65536, 512, 0}, CopyCase{65536, 512, -7},
    CopyCase{50300, 1536, 1879048191},  // past the end of a card that ends mid-sector
    CopyCase{50300, 49152, 1200},       // the card ends inside the count's last sector
    CopyCase{65536, 1024, 30000, At(1024 + 4096 + 700)},  // mid-sector, in the second chunk
    CopyCase{65536, 1024, 30000, At(1024)},
    CopyCase{65536, 1024, 30000, At(1024 + 2048)},
    CopyCase{65536, 1024, 1000, At(1024 + 900, 1)},
    CopyCase{50300, 1024, 1879048191, At(30000), 512},
    CopyCase{4 * kMiB, 512, 3 * kMiB + 123, At(512 + kMiB + kMiB / 2 + 77), kMiB}),
    ::testing::Bool()));
// clang-format on

TEST(CardCopyTest, ALargeFileIsReadInLargeChunks) {
  MemoryPlatform platform;
  Card& card_bytes = platform.Insert("E", PatternBytes(4 * kMiB));
  CardVolume card;
  card.VolumeHandle = platform.OpenVolume("E");
  std::vector<std::byte> buffer(static_cast<std::size_t>(kMiB));
  CopyFromCard(card, 0, 3 * kMiB + 1, *platform.CreateNewFile("out"), buffer, [](std::int64_t) {});
  EXPECT_EQ(card_bytes.reads.size(), 4u);
  EXPECT_EQ(platform.files["out"].size(), static_cast<std::size_t>(3 * kMiB + 1));
}

// --- Target names

using NameCase =
    std::tuple<std::string_view, std::string_view, std::string_view>;  // field, refused, name

class TargetNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(TargetNameTest, EveryCharacterThatCouldLeaveTheDirectoryBecomesAnUnderscore) {
  auto [field, refused_here, name] = GetParam();
  EXPECT_EQ(TargetName(field, refused_here), name);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TargetNameTest,
    ::testing::Values(
        NameCase{"D/../../.KVX", "", "D_.._.._.KVX        "},
        NameCase{"D\\..\\..\\.KVX", "", "D_.._.._.KVX        "},
        NameCase{std::string_view("D\0\x1F\x7F x.KVX", 10), "", "D___ x.KVX          "},
        // Drive and wildcard characters only where the system refuses them.
        NameCase{"D:*?\"<>|.KVX", "", "D:*?\"<>|.KVX        "},
        NameCase{"D:*?\"<>|.KVX", ":*?\"<>|", "D_______.KVX        "},
        NameCase{"D\xE9t\xE9.KVX", "", "D\xC3\xA9t\xC3\xA9.KVX            "},  // in UTF-8
        NameCase{"A NAME LONGER THAN TWENTY", "", "A NAME LONGER THAN T"}));

}  // namespace
}  // namespace kvx::testing

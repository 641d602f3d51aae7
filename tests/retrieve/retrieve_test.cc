#include "retrieve/retrieve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/system_platform.h"
#include "retrieve/card_copy.h"
#include "retrieve/target_name.h"
#include "search/quick_search.h"
#include "tests/support/action_harness.h"
#include "tests/support/byte_text.h"
#include "tools/card_image/card_image.h"

namespace kvx::testing {
namespace {

using Bytes = std::vector<std::byte>;
constexpr char kTitle[] = "Korvex SD Rescure";

// Seven files, DATA0000 to DATA0006, on a 2G card of 2 KiB clusters, each in
// cluster 3 + 2 * line, its directory size 1000, its header's length 2536;
// the card ends mid-sector past the last.
constexpr std::int64_t kFat = 1000, kH = 2536;
constexpr std::int64_t FileAt(int line) { return 141312 + (1 + 2 * line) * 2048; }
constexpr std::int64_t kCardLength = FileAt(7) + 300;

struct RunCase {
  const char* name;
  std::function<void(ActionHarness&)> setup;
  std::vector<std::pair<int, std::int64_t>> copied;  // line, bytes, in the order created
  std::vector<ShownMessage> messages = {};
  int busy_changes = 2;                // 0: the pointer is left alone
  std::string prefix = "out/DATA000";  // each created path up to its line's digit
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class RetrieveTest : public ::testing::TestWithParam<RunCase> {};

// After a Quick Search with lines 1, 4 and 6 selected and Text2 "out/".
TEST_P(RetrieveTest, CopiesTheSelectedLinesFromTheLastToTheFirst) {
  const RunCase& c = GetParam();
  ActionHarness h;
  CardImage image(CardImage::Layout::kG2, kCardLength);
  image.SetSectorsPerCluster(4);
  for (int line = 0; line < 7; ++line) {
    image.PlaceFile(FileAt(line), kH - 1536, static_cast<std::uint8_t>(line));
    image.AddEntry("DATA000" + std::to_string(line) + ".KVX", 3 + 2 * line, kFat);
  }
  h.InsertCard(image);
  h.InsertBytes(PatternBytes(kCardLength), "F");
  QuickSearch(*h.state, h.controls, h.platform);
  for (int line : {1, 4, 6}) h.controls.Select(line);
  h.controls.text2 = "out/";
  h.controls.busy_changes = 0;
  const int opens = h.platform.opens();
  c.setup(h);
  Retrieve(*h.state, h.controls, h.platform);
  std::vector<std::string> created;
  for (auto [line, bytes] : c.copied) {
    created.push_back(c.prefix + std::to_string(line) + ".KVX");
    auto from = h.platform.CardOf("E").bytes.begin() + FileAt(line);
    Bytes expected(from, from + std::min(bytes, kCardLength - FileAt(line)));
    EXPECT_EQ(h.platform.files[created.back()], expected) << line;
  }
  if (!created.empty()) {  // the rescue's record, beside the files
    const std::string directory = c.prefix.substr(0, c.prefix.find_last_of(kPathSeparatorsHere) + 1);
    created.push_back(directory + "kvx-rescue-20261206-090507.sha256");
    created.push_back(directory + "kvx-rescue-20261206-090507.json");
  }
  EXPECT_EQ(h.platform.created, created);
  EXPECT_EQ(h.controls.messages, c.messages);
  EXPECT_LE(h.platform.opens() - opens, 1);  // once for the run, and closed
  EXPECT_EQ(h.platform.open_volumes(), 0);
  EXPECT_FALSE(h.controls.busy);
  EXPECT_EQ(h.controls.busy_changes, c.busy_changes);
}

// Lists the search's records again with the header size of line `line` set
// to `size`, and selects `selected`.
void Relist(ActionHarness& h, int line, std::int64_t size, std::vector<int> selected) {
  std::vector<FoundFile> files;
  for (int i = 0; i < h.state->FoundFiles.FoundCount(); ++i) files.push_back(*h.state->FoundFiles.Record(i));
  files.at(static_cast<std::size_t>(line)).SizeByHeader = size;
  h.state->FoundFiles.Clear(h.controls);
  for (FoundFile& file : files) h.state->FoundFiles.Add(file, h.controls);
  for (int selected_line : selected) h.controls.Select(selected_line);
}

std::function<void(ActionHarness&)> Only6(std::int64_t size) {
  return [size](ActionHarness& h) { Relist(h, 6, size, {6}); };
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Runs, RetrieveTest, ::testing::Values(
    RunCase{"AllCopied", [](ActionHarness&) {}, {{6, kH}, {4, kH}, {1, kH}}},
    RunCase{"SizeByFat", [](ActionHarness& h) { h.state->SizeMode = SizeChoice::kByFat; },
            {{6, kFat}, {4, kFat}, {1, kFat}}},
    // Text1 names another card after the search: the searched card is read.
    RunCase{"LetterChanged", [](ActionHarness& h) { h.controls.text1 = "F"; },
            {{6, kH}, {4, kH}, {1, kH}}},
    // A directory typed without its separator is the directory; any other text
    // is the start of each name, as typed.
    RunCase{"ADirectoryWithoutItsSeparator", [](ActionHarness& h) {
              h.controls.text2 = "out";
              h.platform.directories = {"out", "outDATA"};
            }, {{6, kH}, {4, kH}, {1, kH}}, {}, 2,
            std::string("out") + kPathSeparatorsHere.front() + "DATA000"},
    RunCase{"ATextThatNamesNoDirectory", [](ActionHarness& h) {
              h.controls.text2 = "outDATA";
              h.platform.directories = {"out"};
            }, {{6, kH}, {4, kH}, {1, kH}}, {}, 2, "outDATADATA000"},
    RunCase{"AReadFaultEndsOnlyItsFile", [](ActionHarness& h) {
              h.platform.CardOf("E").fault = {FileAt(6) + 1300, FileAt(6) + 1400};
            }, {{6, 1300}, {4, kH}, {1, kH}}},
    RunCase{"AFailedWriteStops", [](ActionHarness& h) {
              Relist(h, 4, 5000, {1, 4, 6});
              h.platform.write_limit = 3000;
            }, {{6, kH}, {4, 3000}}, {{"Can't write target file...", kTitle}}},
    // The searched card cannot be opened; the one the search left open is closed.
    RunCase{"CantOpen", [](ActionHarness& h) { h.state->ListedCard->path = "G"; }, {},
            {{"Can't read from SD, please resite the SD and try again", kTitle}}, 0},
    RunCase{"NoCurrentLine", [](ActionHarness& h) { h.controls.current_index = -1; }, {}},
    // A line past the 2049 records has none to copy.
    RunCase{"LinePastTheRecords", [](ActionHarness& h) {
              h.controls.lines.resize(2050, "a line");
              h.controls.selected = {2049};
            }, {}},
    RunCase{"Size0", Only6(0), {{6, 0}}},
    RunCase{"SizePastTheCardsEnd", Only6(1879048191), {{6, kCardLength - FileAt(6)}}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Letters that lead to whatever card sits behind them at the moment, as the
// removable volumes' letters do: cards are held under their paths.
class MovingLettersPlatform : public MemoryPlatform {
 public:
  std::map<std::string, std::string> letters;  // letter -> card path
  Result<std::unique_ptr<Volume>> OpenVolume(const std::string& letter) override {
    std::optional<VolumeLocation> location = LocationOf(letter);
    if (!location) return Status(Status::Code::kNotMapped, letter, "");
    return OpenVolumeAt(*location);
  }
  std::optional<VolumeLocation> LocationOf(const std::string& letter) override {
    if (!letters.count(letter)) return std::nullopt;
    return VolumeLocation{letters[letter], 0};
  }
  Result<std::unique_ptr<Volume>> OpenVolumeAt(const VolumeLocation& location) override {
    return MemoryPlatform::OpenVolume(location.path);
  }
};

TEST(RetrieveCardTest, ReadsTheSearchedCardAfterTheLettersHaveMoved) {
  CardImage image(CardImage::Layout::kG2, kCardLength);
  image.SetSectorsPerCluster(4);
  image.PlaceFile(FileAt(0), kH - 1536, 7);
  image.AddEntry("DATA0000.KVX", 3, kFat);
  MovingLettersPlatform platform;
  platform.Insert("/dev/sdb1", image.bytes());
  platform.Insert("/dev/sdc1", PatternBytes(kCardLength));
  platform.letters = {{"E", "/dev/sdb1"}};
  MemoryControls controls;
  WindowState state;
  QuickSearch(state, controls, platform);
  ASSERT_EQ(controls.lines.size(), 1u);
  // Another card comes in first in device order and takes the letter.
  platform.letters = {{"E", "/dev/sdc1"}, {"F", "/dev/sdb1"}};
  controls.Select(0);
  controls.text2 = "out/";
  Retrieve(state, controls, platform);
  EXPECT_EQ(platform.files["out/DATA0000.KVX"], image.Slice(FileAt(0), kH));
}

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
  MemoryPlatform memory;
  Card& inserted = memory.Insert("E", PatternBytes(c.card_length));
  inserted.fault = c.fault;
  inserted.whole_read_fails = whole_read_fails;
  CardVolume card;
  card.VolumeHandle = memory.OpenVolume("E").value_or(nullptr);
  Bytes expected, sector(512);
  for (std::int64_t at = c.offset, left = c.count; left > 0; at += 512, left -= 512) {
    auto got = static_cast<std::int64_t>(ReadCard(card, at, sector));
    expected.insert(expected.end(), sector.begin(), sector.begin() + std::min(got, left));
    if (got < 512) break;
  }
  memory.CardOf("E").reads.clear();
  // Three buffers in turn, two of them with the digest's thread at a time.
  std::vector<Bytes> buffers(3, Bytes(static_cast<std::size_t>(c.chunk), std::byte{0xEE}));
  const std::vector<std::span<std::byte>> spans(buffers.begin(), buffers.end());
  BufferRing into{spans};
  Sha256Alongside hash(2);
  std::vector<std::int64_t> progress{0};
  EXPECT_EQ(CopyFromCard(card, c.offset, c.count, **memory.CreateNewFile("out"), into, hash,
                         [&](std::int64_t done) {
                           progress.push_back(done);
                           return true;
                         }).result,
            CopyResult::kCopied);
  EXPECT_EQ(memory.files["out"], expected);
  hash.EndStream();
  EXPECT_EQ(HexOf(hash.TakeDigest()), HexSha256(expected));
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), std::max<std::int64_t>(c.count, 0));
  const auto& reads = memory.CardOf("E").reads;
  for (auto [offset, size] : reads)  // whole sectors, as raw volumes want
    EXPECT_TRUE((offset - c.offset) % 512 == 0 && size % 512 == 0 && size <= static_cast<std::size_t>(c.chunk));
  if (c.fault.from > c.card_length && c.offset + c.count <= c.card_length) {  // whole chunks
    EXPECT_EQ(std::ssize(reads), (std::max<std::int64_t>(c.count, 0) + c.chunk - 1) / c.chunk);
  }
}

ReadFault At(std::int64_t from, std::int64_t length = 512) { return {from, from + length}; }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, CardCopyTest, ::testing::Combine(::testing::Values(
    CopyCase{65536, 1024, 20000},  // a partial last sector
    CopyCase{50300, 1536, 1879048191},  // past the end of a card that ends mid-sector
    CopyCase{50300, 49152, 1200},       // the card ends inside the count's last sector
    CopyCase{65536, 1024, 30000, At(1024 + 4096 + 700)},  // mid-sector, in the second chunk
    CopyCase{65536, 1024, 30000, At(1024)},
    CopyCase{65536, 1024, 1000, At(1024 + 900, 1)},
    CopyCase{50300, 1024, 1879048191, At(30000), 512},
    CopyCase{4 * kMiB, 512, 3 * kMiB + 123, At(512 + kMiB + kMiB / 2 + 77), kMiB},
    CopyCase{4 * kMiB, 0, 3 * kMiB + 1, {}, kMiB}),
    ::testing::Bool()));
// clang-format on

// --- Target names

// Separators and control characters everywhere, drive and wildcard characters
// where the system refuses them; the name in UTF-8.
TEST(TargetNameTest, EveryCharacterThatCouldLeaveTheDirectoryBecomesAnUnderscore) {
  EXPECT_EQ(TargetName(std::string_view("D/\\\0\x1F\x7F\xE9.KVX", 11), ""),
            "D_____\xC3\xA9.KVX" + std::string(9, ' '));
  EXPECT_EQ(TargetName("D:*?\"<>|.KVX", ":*?\"<>|"), "D_______.KVX        ");
}

}  // namespace
}  // namespace kvx::testing

// Retrieve asked to stop at a chosen read, run to its end, ended by a target
// failure, or run on a card image with the imager's map beside it: what it
// writes, how far it reports, and its one outcome.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "imaging/rescue_map.h"
#include "tests/support/byte_text.h"
#include "platform/sha256sum_line.h"
#include "retrieve/retrieve.h"
#include "search/quick_search.h"
#include "tests/support/action_harness.h"
#include "tools/card_image/card_image.h"

namespace kvx::testing {
namespace {

using Bytes = std::vector<std::byte>;
using Json = nlohmann::json;
constexpr std::int64_t kSizeA = 2500000, kSizeB = 2000000;
constexpr std::int64_t kAtA = 0, kAtB = 3 << 20;

// Lines A.KVX (2.5 MB at 0) and B.KVX (2.0 MB at 3 MiB), both selected;
// Retrieve copies B first, in reads of 1 MiB, and asks after each.
struct TwoLines {
  ActionHarness h;
  TwoLines() {
    h.InsertBytes(PatternBytes(6 << 20));
    h.ListSelected("A.KVX", kAtA, kSizeA);
    h.ListSelected("B.KVX", kAtB, kSizeB);
    h.controls.text2 = "out/";
  }
  Bytes CardBytes(std::int64_t at, std::int64_t count) {
    const Bytes& card = h.platform.CardOf("E").bytes;
    return Bytes(card.begin() + at, card.begin() + at + count);
  }
};

struct StopCase {
  const char* name;
  int stop_at_ask;
  std::int64_t a_bytes, b_bytes;  // -1: not created
  std::int64_t progress_done;     // where the bar ends, of twice the selected bytes
  Outcome outcome;
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class RetrieveStopTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(RetrieveStopTest, ClosesTheFileBeingWrittenAndNamesIt) {
  const StopCase& c = GetParam();
  TwoLines s;
  s.h.controls.stop_at_ask = c.stop_at_ask;
  Retrieve(*s.h.state, s.h.controls, s.h.platform);
  auto& files = s.h.platform.files;
  if (c.b_bytes < 0) EXPECT_EQ(files.count("out/B.KVX"), 0u);
  else EXPECT_EQ(files["out/B.KVX"], s.CardBytes(kAtB, c.b_bytes));
  if (c.a_bytes < 0) EXPECT_EQ(files.count("out/A.KVX"), 0u);
  else EXPECT_EQ(files["out/A.KVX"], s.CardBytes(kAtA, c.a_bytes));
  ASSERT_EQ(s.h.controls.outcomes.size(), 1u);
  EXPECT_EQ(s.h.controls.outcomes[0].kind, c.outcome.kind);
  EXPECT_EQ(s.h.controls.outcomes[0].text, c.outcome.text);
  EXPECT_TRUE(s.h.controls.messages.empty());
  EXPECT_EQ(s.h.platform.open_volumes(), 0);
  EXPECT_FALSE(s.h.controls.busy);
  // Bytes read of all selected, both reads of each, rising, after each read.
  const auto& progress = s.h.controls.progress;
  ASSERT_FALSE(progress.empty());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  for (auto [done, total] : progress) EXPECT_EQ(total, 2 * (kSizeA + kSizeB));
  EXPECT_EQ(progress.back().first, c.progress_done);
}

constexpr char kDigests[] = "; digests in kvx-rescue-20261206-090507.sha256";

// Each file takes two asks to copy, B's two more and A's three more to read again.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Asks, RetrieveStopTest, ::testing::Values(
    StopCase{"InTheFirstFile", 0, -1, 1 << 20, 1 << 20,
             {Outcome::kStopped, "Copied 0 of 2 files: stopped, B.KVX: 1.0 MB of 1.9 MB"}},
    // A stop asked at a file's last read leaves it whole, not read again, and begins no other.
    StopCase{"AtTheFirstFilesEnd", 1, -1, kSizeB, kSizeB,
             {Outcome::kStopped, std::string("Copied 1 of 2 files: stopped") + kDigests}},
    StopCase{"InTheFirstFilesSecondRead", 2, -1, kSizeB, kSizeB + (1 << 20),
             {Outcome::kStopped, "Copied 1 of 2 files: stopped, B.KVX copied, its second read "
                                 "at 1.0 MB of 1.9 MB" + std::string(kDigests)}},
    StopCase{"InTheSecondFile", 4, 1 << 20, kSizeB, 2 * kSizeB + (1 << 20),
             {Outcome::kStopped, "Copied 1 of 2 files: stopped, A.KVX: 1.0 MB of 2.4 MB" +
                                 std::string(kDigests)}},
    StopCase{"Never", -1, kSizeA, kSizeB, 2 * (kSizeA + kSizeB),
             {Outcome::kDone, "Copied 2 files, 4.3 MB, to out/" + std::string(kDigests)}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// A map as the imager leaves beside a card image: [from, to) unread, the rest
// read, ending at `end`.
void PutMap(TwoLines& s, std::int64_t from, std::int64_t to, std::int64_t end = 6 << 20) {
  RescueMap map;
  map.Append(from, RangeState::kFinished);
  map.Append(to - from, RangeState::kBadSector);
  map.Append(end - to, RangeState::kFinished);
  map.phase = ImagingPhase::kFinished;
  const std::string text = FormatRescueMap(map);
  s.h.platform.files["E.map"] = BytesOf(text);
}

struct EndCase {
  const char* name;
  std::function<void(TwoLines&)> setup;
  Outcome outcome;
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class RetrieveEndTest : public ::testing::TestWithParam<EndCase> {};

// The outcome says what was copied, what stopped it, and which files include
// bytes the imager's map marks unread; the files hold the card's bytes whatever
// the map says.
TEST_P(RetrieveEndTest, SaysWhatItCopiedAndWhatStoppedIt) {
  TwoLines s;
  GetParam().setup(s);
  Retrieve(*s.h.state, s.h.controls, s.h.platform);
  EXPECT_EQ(s.h.controls.outcomes, std::vector<Outcome>{GetParam().outcome});
  if (s.h.platform.files.count("E.map")) {
    EXPECT_EQ(s.h.platform.files["out/B.KVX"], s.CardBytes(kAtB, kSizeB));
    EXPECT_EQ(s.h.platform.files["out/A.KVX"], s.CardBytes(kAtA, kSizeA));
  }
}

const std::string kCopied = "Copied 2 files, 4.3 MB, to out/";
Outcome Noted(const std::string& notes) {
  return {Outcome::kDone, kCopied + notes + kDigests};
}
const std::string kCouldNot = " the card could not give (see E.map)";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Ends, RetrieveEndTest, ::testing::Values(
    EndCase{"CannotWrite", [](TwoLines& s) { s.h.platform.write_limit = 1500000; },
            {Outcome::kFailed, "Copied 0 of 2 files: writing B.KVX failed after 1.0 MB: no space left"}},
    EndCase{"NothingSelected", [](TwoLines& s) { s.h.controls.selected.clear(); },
            {Outcome::kDone, "Retrieve: no line selected"}},
    EndCase{"CardGone", [](TwoLines& s) { s.h.controls.text1 = "F"; },
            {Outcome::kFailed, "letter F names no card: start with --drive F=PATH"}},
    // The stretch straddles A's last byte: only A's part of it counts.
    EndCase{"UnreadAcrossAsEnd", [](TwoLines& s) { PutMap(s, kSizeA - 100, kSizeA + 412); },
            Noted("; A.KVX includes 100 bytes" + kCouldNot)},
    EndCase{"UnreadBetweenTheFiles", [](TwoLines& s) { PutMap(s, kSizeA, kAtB); }, Noted("")},
    // An image whose map stops short: what it does not reach was never read.
    EndCase{"MapEndsInsideB", [](TwoLines& s) { PutMap(s, 512, 1024, kAtB + kSizeB - 2048); },
            Noted("; B.KVX includes 2 KB" + kCouldNot + "; A.KVX includes 512 bytes" + kCouldNot)},
    EndCase{"MapUnreadable", [](TwoLines& s) {
              const std::string text = "not a map\n";
              s.h.platform.files["E.map"] = BytesOf(text);
            }, Noted("; E.map unreadable")}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// --- The second read and the rescue's record: a card that gives other bytes,
// or fails, only when read again; a target that stores other bytes than it was
// given; names already taken and a target that fills while the record is
// written. The manifest must hold the digests of the files as stored, the
// report must parse back to the same facts.

constexpr std::int64_t kMiB = std::int64_t{1} << 20;
constexpr char kStem[] = "out/kvx-rescue-20261206-090507";



struct SecondReadCase {
  const char* name;
  std::function<void(MemoryPlatform&)> setup;
  Outcome outcome;
  const char* b_read, *a_read;  // each file's "secondRead" in the report
  Json b_at, a_at;              // and its "secondReadOffset"
};

void PrintTo(const SecondReadCase& c, std::ostream* os) { *os << c.name; }

class SecondReadTest : public ::testing::TestWithParam<SecondReadCase> {};

TEST_P(SecondReadTest, NamesEachFileTheCardOrTargetGaveOtherwiseAndKeepsIt) {
  const SecondReadCase& c = GetParam();
  TwoLines s;
  c.setup(s.h.platform);
  const Retrieval retrieval = RetrieveFiles(*s.h.state, s.h.controls, s.h.platform);
  EXPECT_EQ(s.h.controls.outcomes, std::vector<Outcome>{c.outcome});
  auto& files = s.h.platform.files;
  // The files keep what the first read gave, as the target stored it.
  const Bytes given = s.CardBytes(kAtB, kSizeB), a = s.CardBytes(kAtA, kSizeA);
  Bytes b = given;
  if (s.h.platform.damaged_at >= 0) b[s.h.platform.damaged_at] ^= std::byte{0xFF};
  EXPECT_EQ(files["out/B.KVX"], b);
  EXPECT_EQ(files["out/A.KVX"], a);
  // The digests are of what the card gave first, in the order copied: a file
  // the target stored otherwise fails sha256sum's check.
  EXPECT_EQ(TextOf(files[std::string(kStem) + ".sha256"]),
            HexSha256(given) + "  B.KVX\n" + HexSha256(a) + "  A.KVX\n");
  const Json report = Json::parse(TextOf(files[std::string(kStem) + ".json"]));
  ASSERT_EQ(report["files"].size(), 2u);
  EXPECT_EQ(report["files"][0]["secondRead"], c.b_read);
  EXPECT_EQ(report["files"][0]["secondReadOffset"], c.b_at);
  EXPECT_EQ(report["files"][0]["sha256"], HexSha256(given));
  EXPECT_EQ(report["files"][1]["secondRead"], c.a_read);
  EXPECT_EQ(report["files"][1]["secondReadOffset"], c.a_at);
  EXPECT_EQ(retrieval.manifest, "kvx-rescue-20261206-090507.sha256");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, SecondReadTest, ::testing::Values(
    SecondReadCase{"BothAlike", [](MemoryPlatform&) {}, {Outcome::kDone, kCopied + kDigests},
                   "matched", "matched", nullptr, nullptr},
    // In B's second 1 MiB read.
    SecondReadCase{"UnstableInB", [](MemoryPlatform& p) {
                     p.CardOf("E").unstable = {kAtB + kMiB + 4000, kAtB + kMiB + 4100};
                   },
                   {Outcome::kFailed, kCopied + "; B.KVX differs on a second read at offset " +
                                      std::to_string(kMiB + 4000) + kDigests},
                   "differs", "matched", kMiB + 4000, nullptr},
    SecondReadCase{"FailsOnlyOnTheSecondPass", [](MemoryPlatform& p) {
                     p.CardOf("E").unstable = {kAtB + 700000, kAtB + 700512, true};
                   },
                   {Outcome::kFailed, kCopied + "; B.KVX: its second read failed at offset "
                                                "700000: Input/output error" + kDigests},
                   "card failed", "matched", 700000, nullptr},
    SecondReadCase{"TargetStoresOtherBytes", [](MemoryPlatform& p) {
                     p.damaged_file = "out/B.KVX";
                     p.damaged_at = kMiB + 777;
                   },
                   {Outcome::kFailed, kCopied + "; B.KVX differs on a second read at offset " +
                                      std::to_string(kMiB + 777) + kDigests},
                   "differs", "matched", kMiB + 777, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

struct RecordCase {
  const char* name;
  std::function<void(MemoryPlatform&)> setup;
  Outcome outcome;
  std::vector<std::string> record;  // the record's files created, in order
};

void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.name; }

class RescueRecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RescueRecordTest, IsCreatedNewBesideTheFilesAndSaysWhenItCannotBe) {
  const RecordCase& c = GetParam();
  TwoLines s;
  c.setup(s.h.platform);
  const auto before = s.h.platform.files;
  Retrieve(*s.h.state, s.h.controls, s.h.platform);
  EXPECT_EQ(s.h.controls.outcomes, std::vector<Outcome>{c.outcome});
  std::vector<std::string> record(s.h.platform.created.begin() + 2, s.h.platform.created.end());
  EXPECT_EQ(record, c.record);
  for (const auto& [path, bytes] : before) EXPECT_EQ(s.h.platform.files[path], bytes) << path;
  // The recovered files stay whole whatever became of the record.
  EXPECT_EQ(s.h.platform.files["out/B.KVX"], s.CardBytes(kAtB, kSizeB));
  EXPECT_EQ(s.h.platform.files["out/A.KVX"], s.CardBytes(kAtA, kSizeA));
}

const std::string kS = kStem;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, RescueRecordTest, ::testing::Values(
    RecordCase{"NamesFree", [](MemoryPlatform&) {}, {Outcome::kDone, kCopied + kDigests},
               {kS + ".sha256", kS + ".json"}},
    // Either name taken moves both on.
    RecordCase{"NamesTakenTwice", [](MemoryPlatform& p) {
                 p.files[kS + ".sha256"] = {std::byte{1}};
                 p.files[kS + "-2.json"] = {std::byte{2}};
               },
               {Outcome::kDone, kCopied + "; digests in kvx-rescue-20261206-090507-3.sha256"},
               {kS + "-3.sha256", kS + "-3.json"}},
    RecordCase{"FullInTheManifest", [](MemoryPlatform& p) { p.space = kSizeA + kSizeB + 20; },
               {Outcome::kFailed, kCopied + "; writing kvx-rescue-20261206-090507.sha256 failed: "
                                            "no space left"},
               {kS + ".sha256", kS + ".json"}},
    RecordCase{"ReportCannotBeCreated", [](MemoryPlatform& p) { p.blocked_paths = {kS + ".json"}; },
               {Outcome::kFailed, kCopied + "; cannot create " + kS + ".json: permission denied"},
               {kS + ".sha256"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// After a Quick Search: the report names the card, the search and, per file,
// both sizes and where the file lay on the card.
TEST(RescueReportTest, NamesTheCardTheSearchAndEachFilesSizes) {
  ActionHarness h;
  CardImage image(CardImage::Layout::kG2, 400 * 1024);
  image.SetSectorsPerCluster(4);
  image.PlaceFile(image.ClusterOffset(3), 3000, 1);  // its header says 4536
  image.AddEntry("DATA0001.KVX", 3, 4000);
  h.InsertCard(image);
  QuickSearch(*h.state, h.controls, h.platform);
  h.controls.Select(0);
  h.controls.text2 = "out/";
  h.state->SizeMode = SizeChoice::kByFat;
  const Retrieval retrieval = RetrieveFiles(*h.state, h.controls, h.platform);
  const Json report = Json::parse(TextOf(h.platform.files[std::string(kStem) + ".json"]));
  EXPECT_EQ(report["format"], "kvx-rescue-report");
  EXPECT_EQ(report["version"], 1);
  EXPECT_EQ(report["created"], "2026-12-06T09:05:07");
  EXPECT_EQ(report["card"], (Json{{"letter", "E"}, {"path", "E"}, {"size", 400 * 1024},
                                  {"report", h.controls.label2}, {"layout", "2G"}}));
  EXPECT_EQ(report["search"], "quick");
  EXPECT_EQ(report["sizeChosen"], "fat");
  EXPECT_EQ(report["manifest"], "kvx-rescue-20261206-090507.sha256");
  const Json& file = report["files"][0];
  EXPECT_EQ(file["name"], "DATA0001.KVX");
  EXPECT_EQ(file["path"], "out/DATA0001.KVX");
  EXPECT_EQ(file["cardOffset"], image.ClusterOffset(3));
  EXPECT_EQ(file["size"], 4000);
  EXPECT_EQ(file["otherSize"], 4536);
  EXPECT_EQ(file["written"], 4000);
  EXPECT_EQ(file["unreadBytes"], 0);
  EXPECT_EQ(file["sha256"], HexSha256(image.Slice(image.ClusterOffset(3), 4000)));
  ASSERT_EQ(retrieval.files.size(), 1u);
}

// Names with a backslash or a line feed in the form sha256sum escapes them.
TEST(Sha256sumLineTest, EscapesAsSha256sumDoes) {
  Sha256Digest digest{};
  digest[0] = std::byte{0xAB};
  const std::string hex = "ab" + std::string(62, '0');
  EXPECT_EQ(Sha256sumLine(digest, "DATA 1.KVX"), hex + "  DATA 1.KVX\n");
  EXPECT_EQ(Sha256sumLine(digest, "a\\b\nc.KVX"), "\\" + hex + "  a\\\\b\\nc.KVX\n");
}

}  // namespace
}  // namespace kvx::testing

// Retrieve's second read and the rescue's record: a card that gives other
// bytes, or fails, only when read again; a target that stores other bytes
// than it was given; names already taken and a target that fills while the
// record is written. The manifest must hold the digests of the files as
// stored, the report must parse back to the same facts.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/sha256.h"
#include "retrieve/digest_manifest.h"
#include "retrieve/retrieve.h"
#include "search/quick_search.h"
#include "tests/support/action_harness.h"
#include "tools/card_image/card_image.h"

namespace kvx::testing {
namespace {

using Bytes = std::vector<std::byte>;
using Json = nlohmann::json;
constexpr std::int64_t kMiB = std::int64_t{1} << 20;
// B spans two of Retrieve's 1 MiB reads; A is copied second.
constexpr std::int64_t kAtA = 0, kSizeA = 5000;
constexpr std::int64_t kAtB = kMiB, kSizeB = kMiB + 300000;
constexpr char kStem[] = "out/kvx-rescue-20261206-090507";
const std::string kCopied = "Copied 2 files, 1.3 MB, to out/";
const std::string kDigests = "; digests in kvx-rescue-20261206-090507.sha256";

std::string Text(const Bytes& bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

std::string HexSha256(const Bytes& bytes) {
  Sha256 hash;
  hash.Update(bytes);
  return HexOf(hash.Finish());
}

struct TwoFiles {
  ActionHarness h;
  TwoFiles() {
    Bytes card(static_cast<std::size_t>(3 * kMiB));
    for (std::size_t i = 0; i < card.size(); ++i) card[i] = std::byte((i * 29 + (i >> 11)) & 0xFF);
    h.InsertBytes(card);
    h.ListSelected("A.KVX", kAtA, kSizeA);
    h.ListSelected("B.KVX", kAtB, kSizeB);
    h.controls.text2 = "out/";
  }
  Bytes CardBytes(std::int64_t at, std::int64_t count) {
    const Bytes& card = h.platform.CardOf("E").bytes;
    return Bytes(card.begin() + at, card.begin() + at + count);
  }
};

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
  TwoFiles s;
  c.setup(s.h.platform);
  const Retrieval retrieval = RetrieveFiles(*s.h.state, s.h.controls, s.h.platform);
  EXPECT_EQ(s.h.controls.outcomes, std::vector<Outcome>{c.outcome});
  auto& files = s.h.platform.files;
  // The files keep what the first read gave, as the target stored it.
  Bytes b = s.CardBytes(kAtB, kSizeB), a = s.CardBytes(kAtA, kSizeA);
  if (s.h.platform.damaged_at >= 0) b[s.h.platform.damaged_at] ^= std::byte{0xFF};
  EXPECT_EQ(files["out/B.KVX"], b);
  EXPECT_EQ(files["out/A.KVX"], a);
  // The digests are those of the files as stored, in the order copied.
  EXPECT_EQ(Text(files[std::string(kStem) + ".sha256"]),
            HexSha256(b) + "  B.KVX\n" + HexSha256(a) + "  A.KVX\n");
  const Json report = Json::parse(Text(files[std::string(kStem) + ".json"]));
  ASSERT_EQ(report["files"].size(), 2u);
  EXPECT_EQ(report["files"][0]["secondRead"], c.b_read);
  EXPECT_EQ(report["files"][0]["secondReadOffset"], c.b_at);
  EXPECT_EQ(report["files"][0]["sha256"], HexSha256(b));
  EXPECT_EQ(report["files"][1]["secondRead"], c.a_read);
  EXPECT_EQ(report["files"][1]["secondReadOffset"], c.a_at);
  EXPECT_EQ(retrieval.manifest, "kvx-rescue-20261206-090507.sha256");
  // Both reads of both files, once through.
  ASSERT_FALSE(s.h.controls.progress.empty());
  EXPECT_EQ(s.h.controls.progress.back(), std::pair(2 * (kSizeA + kSizeB), 2 * (kSizeA + kSizeB)));
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
  TwoFiles s;
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
constexpr std::int64_t kManifestSize = 2 * 64 + 2 * 9;  // two lines: digest, two blanks, name

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, RescueRecordTest, ::testing::Values(
    RecordCase{"NamesFree", [](MemoryPlatform&) {}, {Outcome::kDone, kCopied + kDigests},
               {kS + ".sha256", kS + ".json"}},
    // Either name taken moves both on.
    RecordCase{"ReportNameTaken", [](MemoryPlatform& p) { p.files[kS + ".json"] = {std::byte{1}}; },
               {Outcome::kDone, kCopied + "; digests in kvx-rescue-20261206-090507-2.sha256"},
               {kS + "-2.sha256", kS + "-2.json"}},
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
    RecordCase{"FullInTheReport",
               [](MemoryPlatform& p) { p.space = kSizeA + kSizeB + kManifestSize + 20; },
               {Outcome::kFailed, kCopied + "; writing kvx-rescue-20261206-090507.json failed: "
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
  const Json report = Json::parse(Text(h.platform.files[std::string(kStem) + ".json"]));
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
TEST(ManifestLineTest, EscapesAsSha256sumDoes) {
  Sha256Digest digest{};
  digest[0] = std::byte{0xAB};
  const std::string hex = "ab" + std::string(62, '0');
  EXPECT_EQ(ManifestLine(digest, "DATA 1.KVX"), hex + "  DATA 1.KVX\n");
  EXPECT_EQ(ManifestLine(digest, "a\\b\nc.KVX"), "\\" + hex + "  a\\\\b\\nc.KVX\n");
}

}  // namespace
}  // namespace kvx::testing

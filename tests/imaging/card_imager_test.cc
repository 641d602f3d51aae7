#include "imaging/card_imager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/byte_text.h"
#include "tests/support/faulty_card.h"
#include "tests/support/memory_platform.h"
#include "tests/support/temp_dir.h"

namespace kvx::testing {
namespace {

constexpr std::int64_t kMiB = 1 << 20;
constexpr std::int64_t kSize = 3 * kMiB + 700;  // ends in a part sector
constexpr std::int64_t kLastSector = kSize / 512;

const std::string kImage = "/out/card.img";
const std::string kMap = "/out/card.img.map";
const std::string kDigest = "/out/card.img.sha256";

RescueMap MapOf(MemoryPlatform& platform) {
  ParsedMap parsed = ParseRescueMap(TextOf(platform.files.at(kMap)));
  EXPECT_TRUE(parsed.map.has_value()) << parsed.error;
  return parsed.map.value_or(RescueMap{});
}

// `bytes` with `value` in every range the map says finished, or with
// `finished` false in every other range.
std::vector<std::byte> Filled(std::vector<std::byte> bytes, const RescueMap& map, bool finished,
                              std::byte value) {
  for (const MapRange& r : map.ranges()) {
    if ((r.state == RangeState::kFinished) != finished) continue;
    std::fill(bytes.begin() + r.pos, bytes.begin() + r.pos + r.size, value);
  }
  return bytes;
}

// The complete image: the card's bytes, zeros where the map says bad.
std::vector<std::byte> CompleteImage(const FaultyCard& card, const RescueMap& map) {
  return Filled(card.bytes, map, false, std::byte{0});
}

std::string DigestLineOf(const std::vector<std::byte>& image) {
  return HexSha256(image) + "  card.img\n";
}

struct Sectors {
  std::int64_t first, end;
  int failed_reads = kAlways;
};

struct ImagingCase {
  const char* name;
  std::vector<Sectors> faults;
  bool whole_read_fails;
  std::vector<MapRange> map;
  int retries = 1;
};
// Test logs name a case, not its bytes.
void PrintTo(const ImagingCase& c, std::ostream* os) { *os << c.name; }

constexpr RangeState kRead = RangeState::kFinished;
constexpr RangeState kBad = RangeState::kBadSector;

class ImagingTest : public ::testing::TestWithParam<ImagingCase> {
 protected:
  void SetUp() override {
    card_.whole_read_fails = GetParam().whole_read_fails;
    for (const Sectors& s : GetParam().faults) card_.Fail(s.first, s.end, s.failed_reads);
    ImagingOptions options;
    options.retries = GetParam().retries;
    result_ = ImageCard(card_, platform_, kImage, options, nullptr, nullptr);
  }
  FaultyCard card_{kSize};
  MemoryPlatform platform_;
  ImageResult result_;
};

// Every pass runs; the image is whole, zeros where the map says bad, and its
// digest is beside it as sha256sum writes it.
TEST_P(ImagingTest, CompleteImageHoldsWhatWasReadWithItsDigest) {
  RescueMap map = MapOf(platform_);
  EXPECT_EQ(map.ranges(), GetParam().map);
  EXPECT_EQ(map.phase, ImagingPhase::kFinished);
  EXPECT_EQ(platform_.files.at(kImage), CompleteImage(card_, map));
  EXPECT_EQ(result_.outcome, ImageOutcome::kImaged);
  EXPECT_EQ(result_.bytes_unread, map.BytesIn(kBad));
  EXPECT_EQ(result_.bytes_read + result_.bytes_unread, kSize);
  EXPECT_EQ(result_.bytes_untried, 0);
  EXPECT_EQ(result_.digest_file, DigestFile::kWritten);
  EXPECT_EQ(TextOf(platform_.files.at(kDigest)), DigestLineOf(platform_.files.at(kImage)));
  EXPECT_EQ(result_.sha256 + "  card.img\n", TextOf(platform_.files.at(kDigest)));
  EXPECT_EQ(platform_.files.size(), 3u) << "a temporary map was left behind";
}

// ddrescue's own tool reads the map as a well-formed map. (What its lines
// say is RescueMapTest's.)
TEST_P(ImagingTest, DdrescuelogReadsTheMap) {
  if (std::system("command -v ddrescuelog >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "ddrescuelog (Debian's gddrescue) is not installed";
  }
  TempDir dir;
  const std::string path = (dir.path() / "card.img.map").string();
  WriteFile(path, TextOf(platform_.files.at(kMap)));
  EXPECT_EQ(std::system(("ddrescuelog -t '" + path + "' >/dev/null").c_str()), 0);
}

MapRange Read(std::int64_t from, std::int64_t to) { return {from, to - from, kRead}; }
MapRange Bad(std::int64_t from, std::int64_t to) { return {from, to - from, kBad}; }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cards, ImagingTest, ::testing::Values(
    ImagingCase{"Sound", {}, false, {Read(0, kSize)}},
    // The skip after the first failure jumps over the second stretch; a later
    // pass reads it.
    ImagingCase{"SeveralStretches", {{0, 1}, {3, 5}, {2100, 2101}, {4100, 4101}, {6000, 6010}},
                true,
                {Bad(0, 512), Read(512, 1536), Bad(1536, 2560), Read(2560, 2100 * 512),
                 Bad(2100 * 512, 2101 * 512), Read(2101 * 512, 4100 * 512),
                 Bad(4100 * 512, 4101 * 512), Read(4101 * 512, 6000 * 512),
                 Bad(6000 * 512, 6010 * 512), Read(6010 * 512, kSize)}},
    ImagingCase{"PartSectorAtTheEnd", {{kLastSector, kLastSector + 1}}, true,
                {Read(0, kLastSector * 512), Bad(kLastSector * 512, kSize)}},
    // Failed in the large read and on their own, read on a retry.
    ImagingCase{"SectorsReadOnARetry", {{100, 103, 2}, {3000, 3001}}, true,
                {Read(0, 3000 * 512), Bad(3000 * 512, 3001 * 512), Read(3001 * 512, kSize)}},
    ImagingCase{"NoRetries", {{100, 103, 2}}, true,
                {Read(0, 100 * 512), Bad(100 * 512, 103 * 512), Read(103 * 512, kSize)}, 0},
    ImagingCase{"ReadOnceMoreAfterOneFailure", {{7, 9, 1}}, true, {Read(0, kSize)}, 0}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// A run stopped after its Nth read, then continued: the second run reads
// nothing the first rescued, writes nothing of it, and completes the image.
class ResumeTest : public ::testing::TestWithParam<std::size_t> {};

constexpr std::byte kMark{0xEE};

TEST_P(ResumeTest, ContinuesWithoutRereadingOrRewritingWhatWasRescued) {
  FaultyCard card(kSize);
  card.Fail(2050, 2052, 2);
  card.Fail(4100, 4104);
  MemoryPlatform platform;
  ImageResult first = ImageCard(card, platform, kImage, {}, nullptr,
                                [&] { return card.reads.size() >= GetParam(); });
  ASSERT_EQ(first.outcome, ImageOutcome::kStopped);
  EXPECT_EQ(card.reads.size(), GetParam());
  const RescueMap rescued = MapOf(platform);
  std::vector<std::byte>& image = platform.files.at(kImage);
  ASSERT_TRUE(ImageHoldsWhatTheMapPromises(card, image, rescued));
  image = Filled(image, rescued, true, kMark);  // to see that the second run leaves them alone
  card.reads.clear();
  std::vector<ImagingProgress> reports;
  ImageResult second = ImageCard(
      card, platform, kImage, {}, [&](const ImagingProgress& p) { reports.push_back(p); }, nullptr);
  EXPECT_EQ(second.outcome, ImageOutcome::kImaged);
  EXPECT_TRUE(second.resumed);
  for (auto [offset, size] : card.reads) {
    EXPECT_TRUE(rescued.UnreadRanges(offset, static_cast<std::int64_t>(size)) ==
                (std::vector<ByteRange>{{offset, static_cast<std::int64_t>(size)}}))
        << "read again at " << offset;
  }
  const RescueMap map = MapOf(platform);
  EXPECT_EQ(map.ranges(), (std::vector<MapRange>{Read(0, 4100 * 512), Bad(4100 * 512, 4104 * 512),
                                                 Read(4104 * 512, kSize)}));
  EXPECT_EQ(image, Filled(CompleteImage(card, map), rescued, true, kMark));
  EXPECT_EQ(TextOf(platform.files.at(kDigest)), DigestLineOf(image));
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().rescued, map.BytesIn(kRead));
  EXPECT_EQ(reports.back().to_try, 0);
  EXPECT_EQ(reports.back().bad_areas, 1);
}

// Stops in each pass: before any read, copying with skips (reads 1 to 3),
// copying what was skipped (4), trimming (5 to 2172), scraping, retrying.
INSTANTIATE_TEST_SUITE_P(Reads, ResumeTest,
                         ::testing::Values(0, 1, 3, 4, 5, 1000, 2100, 2173, 2177));

// What cannot be continued is left as it is, and the card is not read.
struct ExistingCase {
  const char* name;
  std::string image;  // empty: no image
  std::string map;    // empty: no map
  std::vector<std::string> blocked;
  ImageOutcome outcome;
  const char* map_error;
};
void PrintTo(const ExistingCase& c, std::ostream* os) { *os << c.name; }

constexpr std::int64_t kSmall = 64 * 1024;
const std::string kOurs = OwnMapFirstLine(kSmall) + "\n";

class ExistingOutputTest : public ::testing::TestWithParam<ExistingCase> {};

TEST_P(ExistingOutputTest, IsRefusedAndLeftAlone) {
  FaultyCard card(kSmall);
  MemoryPlatform platform;
  if (!GetParam().image.empty()) platform.files[kImage] = BytesOf(GetParam().image);
  if (!GetParam().map.empty()) platform.files[kMap] = BytesOf(GetParam().map);
  const auto before = platform.files;
  platform.blocked_paths = GetParam().blocked;
  ImageResult result = ImageCard(card, platform, kImage, {}, nullptr, nullptr);
  EXPECT_EQ(result.outcome, GetParam().outcome);
  EXPECT_EQ(result.map_error, GetParam().map_error);
  EXPECT_TRUE(platform.created.empty());
  EXPECT_EQ(platform.files, before);
  EXPECT_TRUE(card.reads.empty());
}

const std::string kHalf(kSmall / 2, 'i');

// clang-format off
INSTANTIATE_TEST_SUITE_P(Outputs, ExistingOutputTest, ::testing::Values(
    ExistingCase{"MapWithoutImage", "", kOurs + "0 ?\n0 0x10000 ?\n", {}, ImageOutcome::kMapExists, ""},
    ExistingCase{"AnotherProgramsMap", kHalf, "# Mapfile\n0 ?\n0 0x10000 ?\n", {},
                 ImageOutcome::kMapForeign, "it is not this program's map of a card of 65536 bytes"},
    ExistingCase{"UnknownStatus", kHalf, kOurs + "0 ?\n0 0x8000 +\n0x8000 0x8000 x\n", {},
                 ImageOutcome::kMapInvalid, "line 4: unknown status \"x\""},
    ExistingCase{"Truncated", kHalf, kOurs + "0 ?\n0 0x8000 +\n", {}, ImageOutcome::kMapInvalid,
                 "its blocks end at byte 32768, short of the card's end"},
    ExistingCase{"ImageShorterThanRescued", kHalf, kOurs + "0 ?\n0 0x8001 +\n0x8001 0x7FFF ?\n",
                 {}, ImageOutcome::kMapForeign, "the image's 32768 bytes do not fit it"},
    ExistingCase{"ImageLongerThanTheCard", kHalf + kHalf + "x", kOurs + "0 ?\n0 0x10000 ?\n", {},
                 ImageOutcome::kMapForeign, "the image's 65537 bytes do not fit it"},
    ExistingCase{"ImageIsADirectory", "", "", {kImage}, ImageOutcome::kCannotCreateImage, ""}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// A full disk and a card pulled out both end the run with the map true to the
// image; the areas not reached stay to be tried, and a new run completes it.
struct FaultCase {
  const char* name;
  bool disk_fills;  // else the card vanishes after three reads
  ImageOutcome outcome;
  Status::Code why;
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class RunFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(RunFaultTest, EndsWithATrueMapAndAResumeCompletes) {
  FaultyCard card(kSize);
  card.Fail(3000, 3001, 1);
  MemoryPlatform platform;
  if (GetParam().disk_fills) {
    platform.write_limit = 2 * kMiB + 100;
  } else {
    card.gone_after_reads = 3;
  }
  ImageResult first = ImageCard(card, platform, kImage, {}, nullptr, nullptr);
  EXPECT_EQ(first.outcome, GetParam().outcome);
  EXPECT_EQ(first.failure.code(), GetParam().why);
  const RescueMap map = MapOf(platform);
  EXPECT_TRUE(ImageHoldsWhatTheMapPromises(card, platform.files.at(kImage), map));
  EXPECT_EQ(map.BytesIn(kBad), 0) << "a fault of the run is no bad sector";
  EXPECT_GT(first.bytes_untried, 0);

  platform.write_limit = std::numeric_limits<std::int64_t>::max();
  card.gone_after_reads = std::numeric_limits<std::size_t>::max();
  ImageResult second = ImageCard(card, platform, kImage, {}, nullptr, nullptr);
  EXPECT_EQ(second.outcome, ImageOutcome::kImaged);
  EXPECT_EQ(platform.files.at(kImage), card.bytes);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Faults, RunFaultTest, ::testing::Values(
    FaultCase{"DiskFull", true, ImageOutcome::kImageWriteFailed, Status::Code::kNoSpace},
    FaultCase{"CardRemoved", false, ImageOutcome::kCardLost, Status::Code::kDeviceGone}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Each map put in place tells only of bytes the image held, synced, by then.
struct CheckingPlatform final : MemoryPlatform {
  explicit CheckingPlatform(const FaultyCard& card) : card(card) {}
  Status RenameReplacing(const std::string& from, const std::string& to) override {
    ParsedMap parsed = ParseRescueMap(TextOf(files.at(from)));
    EXPECT_TRUE(parsed.map && ImageHoldsWhatTheMapPromises(card, files.at(kImage), *parsed.map));
    EXPECT_GT(syncs, syncs_at_last_replace + 1) << "image and map synced";
    EXPECT_NE(from.find(kMap + "."), std::string::npos);
    syncs_at_last_replace = syncs;
    ++replaces;
    return MemoryPlatform::RenameReplacing(from, to);
  }
  const FaultyCard& card;
  int replaces = 0;
  int syncs_at_last_replace = 0;
};

TEST(CardImagerTest, EveryMapWrittenDescribesTheSyncedImage) {
  FaultyCard card(kSize);
  card.Fail(5, 7);
  card.Fail(4000, 4001, 2);
  CheckingPlatform platform(card);
  ImagingOptions options;
  options.map_interval = std::chrono::milliseconds(0);
  EXPECT_EQ(ImageCard(card, platform, kImage, options, nullptr, nullptr).outcome,
            ImageOutcome::kImaged);
  EXPECT_GT(platform.replaces, 100);
}

TEST(CardImagerTest, CardOfUnknownSizeCreatesNothing) {
  struct NoSize final : Volume {
    ReadResult Read(std::int64_t, std::span<std::byte>) override { return {}; }
  } card;
  MemoryPlatform platform;
  EXPECT_EQ(ImageCard(card, platform, kImage, {}, nullptr, nullptr).outcome,
            ImageOutcome::kSizeUnknown);
  EXPECT_TRUE(platform.created.empty());
}

}  // namespace
}  // namespace kvx::testing

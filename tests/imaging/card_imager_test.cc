#include "imaging/card_imager.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "search/comb_through.h"
#include "tests/support/action_harness.h"
#include "tests/support/memory_platform.h"
#include "tests/support/temp_dir.h"

namespace kvx::testing {
namespace {

constexpr std::int64_t kMiB = 1 << 20;
constexpr std::int64_t kSize = 3 * kMiB + 700;  // ends in a part sector
constexpr int kAlways = -1;

// A failing card: chosen sectors fail a number of reads, or every read. A read
// over a failing sector delivers the bytes before it, or nothing at all when
// whole_read_fails; any read may also deliver at most `longest_read` bytes.
class FaultyCard final : public Volume {
 public:
  explicit FaultyCard(std::int64_t size, std::uint32_t seed = 1)
      : bytes(static_cast<std::size_t>(size)) {
    std::mt19937 rng(seed);
    for (std::byte& b : bytes) b = static_cast<std::byte>(rng() | 1);
  }

  std::size_t Read(std::int64_t offset, std::span<std::byte> buffer) override {
    reads.emplace_back(offset, buffer.size());
    auto size = static_cast<std::int64_t>(bytes.size());
    if (offset < 0 || offset >= size) return 0;
    std::int64_t end = std::min(offset + static_cast<std::int64_t>(buffer.size()), size);
    std::int64_t delivered_end = end;
    for (auto it = failures.lower_bound(offset / 512);
         it != failures.end() && it->first * 512 < end; ++it) {
      if (it->second == 0) continue;
      if (it->second > 0) --it->second;
      delivered_end = std::min(delivered_end, it->first * 512);
    }
    if (whole_read_fails && delivered_end < end) return 0;
    if (delivered_end - offset > longest_read) delivered_end = offset + longest_read;
    std::memcpy(buffer.data(), bytes.data() + offset,
                static_cast<std::size_t>(delivered_end - offset));
    return static_cast<std::size_t>(delivered_end - offset);
  }
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes.size()); }

  void Fail(std::int64_t first_sector, std::int64_t end_sector, int reads = kAlways) {
    for (std::int64_t s = first_sector; s < end_sector; ++s) failures[s] = reads;
  }

  std::vector<std::byte> bytes;
  std::map<std::int64_t, int> failures;  // sector -> reads it still fails
  bool whole_read_fails = false;
  std::int64_t longest_read = std::numeric_limits<std::int64_t>::max();
  std::vector<std::pair<std::int64_t, std::size_t>> reads;  // offset, size asked
};

const std::string kImage = "/out/card.img";
const std::string kMap = "/out/card.img.map";

RescueMap MapOf(MemoryPlatform& platform) {
  const std::vector<std::byte>& bytes = platform.files.at(kMap);
  auto map =
      ParseRescueMap(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  EXPECT_TRUE(map.has_value());
  return map.value_or(RescueMap{});
}

// The image a true map promises: the card's bytes where read, zeros where
// tried and failed, nothing from the first range never tried.
std::vector<std::byte> ImageTheMapPromises(const FaultyCard& card, const RescueMap& map) {
  std::vector<std::byte> image;
  for (const MapRange& r : map.ranges()) {
    if (r.state == RangeState::kNonTried) break;
    auto from = card.bytes.begin() + r.pos;
    if (r.state == RangeState::kFinished)
      image.insert(image.end(), from, from + r.size);
    else
      image.resize(image.size() + static_cast<std::size_t>(r.size), std::byte{0});
  }
  return image;
}

struct Sectors {
  std::int64_t first, end;
  int failed_reads = kAlways;
};

struct ImagingCase {
  const char* name;
  std::vector<Sectors> faults;
  bool whole_read_fails;
  std::int64_t longest_read;
  std::vector<MapRange> map;
};
// Test logs name a case, not its bytes.
void PrintTo(const ImagingCase& c, std::ostream* os) { *os << c.name; }

constexpr RangeState kRead = RangeState::kFinished;
constexpr RangeState kBad = RangeState::kBadSector;
constexpr std::int64_t kAny = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kLastSector = kSize / 512;  // the part sector

class ImagingTest : public ::testing::TestWithParam<ImagingCase> {
 protected:
  void SetUp() override {
    card_.whole_read_fails = GetParam().whole_read_fails;
    card_.longest_read = GetParam().longest_read;
    for (const Sectors& s : GetParam().faults) card_.Fail(s.first, s.end, s.failed_reads);
    result_ = ImageCard(card_, platform_, kImage, {}, nullptr, nullptr);
  }
  FaultyCard card_{kSize};
  MemoryPlatform platform_;
  ImageResult result_;
};

TEST_P(ImagingTest, ImageHoldsWhatWasReadAndZerosWhereTheMapSaysUnread) {
  RescueMap map = MapOf(platform_);
  EXPECT_EQ(map.ranges(), GetParam().map);
  EXPECT_EQ(map.phase, ImagingPhase::kFinished);
  EXPECT_EQ(platform_.files.at(kImage), ImageTheMapPromises(card_, map));
  EXPECT_EQ(result_.outcome, ImageOutcome::kImaged);
  EXPECT_EQ(result_.card_size, kSize);
  EXPECT_EQ(result_.bytes_unread, map.BytesIn(kBad));
  EXPECT_EQ(result_.bytes_read + result_.bytes_unread, kSize);
  EXPECT_EQ(result_.bytes_untried, 0);
}

// The card is read once in large reads, front to back; a sector is read on its
// own at most twice, and each that stays unread exactly twice.
TEST_P(ImagingTest, ReadsOnceInLargeReadsAndEachFailedSectorTwiceOnItsOwn) {
  std::vector<std::int64_t> large;
  std::map<std::int64_t, int> alone;
  for (auto [offset, size] : card_.reads) {
    if (size > 512)
      large.push_back(offset);
    else
      ++alone[offset];
  }
  EXPECT_EQ(large, (std::vector<std::int64_t>{0, kMiB, 2 * kMiB, 3 * kMiB}));
  for (auto [offset, count] : alone) EXPECT_LE(count, 2) << offset;
  for (const MapRange& r : GetParam().map) {
    for (std::int64_t at = r.pos; r.state == kBad && at < r.pos + r.size; at += 512) {
      EXPECT_EQ(alone[at], 2) << at;
    }
  }
}

// ddrescue's own tool reads the map and finds the same unread sectors in it.
TEST_P(ImagingTest, DdrescuelogReadsTheMap) {
  if (std::system("command -v ddrescuelog >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "ddrescuelog (Debian's gddrescue) is not installed";
  }
  TempDir dir;
  const std::string path = (dir.path() / "card.img.map").string();
  const std::vector<std::byte>& text = platform_.files.at(kMap);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size()));
  EXPECT_EQ(std::system(("ddrescuelog -t '" + path + "' >/dev/null").c_str()), 0);
  std::string listed;
  FILE* pipe = ::popen(("ddrescuelog -b512 -l'-?/*' '" + path + "' 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char chunk[4096];
  while (std::size_t got = std::fread(chunk, 1, sizeof chunk, pipe)) listed.append(chunk, got);
  ASSERT_EQ(::pclose(pipe), 0) << listed;
  std::string expected;
  for (const MapRange& r : GetParam().map) {
    if (r.state == kRead) continue;
    for (std::int64_t s = r.pos / 512; s * 512 < r.pos + r.size; ++s)
      expected += std::to_string(s) + "\n";
  }
  EXPECT_EQ(listed, expected);
}

MapRange Read(std::int64_t from, std::int64_t to) { return {from, to - from, kRead}; }
MapRange Bad(std::int64_t from, std::int64_t to) { return {from, to - from, kBad}; }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cards, ImagingTest, ::testing::Values(
    ImagingCase{"Sound", {}, false, kAny, {Read(0, kSize)}},
    ImagingCase{"OneBadSector", {{5000, 5001}}, false, kAny,
                {Read(0, 5000 * 512), Bad(5000 * 512, 5001 * 512), Read(5001 * 512, kSize)}},
    ImagingCase{"WholeLargeReadFails", {{5000, 5001}}, true, kAny,
                {Read(0, 5000 * 512), Bad(5000 * 512, 5001 * 512), Read(5001 * 512, kSize)}},
    ImagingCase{"StretchAcrossALargeReadsEnd", {{2040, 2060}}, true, kAny,
                {Read(0, 2040 * 512), Bad(2040 * 512, 2060 * 512), Read(2060 * 512, kSize)}},
    ImagingCase{"SeveralStretches", {{0, 1}, {3, 5}, {4100, 4101}, {6000, 6010}}, false, kAny,
                {Bad(0, 512), Read(512, 1536), Bad(1536, 2560), Read(2560, 4100 * 512),
                 Bad(4100 * 512, 4101 * 512), Read(4101 * 512, 6000 * 512),
                 Bad(6000 * 512, 6010 * 512), Read(6010 * 512, kSize)}},
    ImagingCase{"PartSectorAtTheEnd", {{kLastSector, kLastSector + 1}}, true, kAny,
                {Read(0, kLastSector * 512), Bad(kLastSector * 512, kSize)}},
    // Failed in the large read and on its own, read on the second try.
    ImagingCase{"SectorsReadOnTheSecondTry", {{100, 103, 2}, {3000, 3001}}, true, kAny,
                {Read(0, 3000 * 512), Bad(3000 * 512, 3001 * 512), Read(3001 * 512, kSize)}},
    ImagingCase{"ShortReadsAndABadSector", {{6100, 6101}}, false, 700,
                {Read(0, 6100 * 512), Bad(6100 * 512, 6101 * 512), Read(6101 * 512, kSize)}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Stops after the card's Nth read. The card: one bad pair of sectors in the
// second large read, so read 2 fails, reads 3 to 2048 are that stretch's
// sectors, read 2049 the last large read, reads 2050 and 2051 the retries.
struct StopCase {
  const char* name;
  std::size_t reads;
  std::vector<MapRange> map;
  ImagingPhase phase;
  std::int64_t current_pos;
};
void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class StopTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(StopTest, StopLeavesATrueMapAndReadsNoMore) {
  FaultyCard card(3 * kMiB);
  card.Fail(2050, 2052);
  MemoryPlatform platform;
  std::vector<std::int64_t> progress;
  ImageResult result = ImageCard(
      card, platform, kImage, {},
      [&](const ImagingProgress& report) { progress.push_back(report.pass_done); },
      [&] { return card.reads.size() >= GetParam().reads; });
  RescueMap map = MapOf(platform);
  EXPECT_EQ(result.outcome, ImageOutcome::kStopped);
  EXPECT_EQ(card.reads.size(), GetParam().reads);
  EXPECT_EQ(map.ranges(), GetParam().map);
  EXPECT_EQ(map.phase, GetParam().phase);
  EXPECT_EQ(map.current_pos, GetParam().current_pos);
  EXPECT_EQ(platform.files.at(kImage), ImageTheMapPromises(card, map));
  EXPECT_EQ(result.bytes_untried, map.BytesIn(RangeState::kNonTried));
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  // Progress tells the bytes the image holds.
  EXPECT_EQ(progress.empty() ? 0 : progress.back(),
            static_cast<std::int64_t>(platform.files.at(kImage).size()));
}

constexpr std::int64_t kBadAt = 2050 * 512;
MapRange Untried(std::int64_t from, std::int64_t to) {
  return {from, to - from, RangeState::kNonTried};
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Reads, StopTest, ::testing::Values(
    StopCase{"BeforeTheFirstRead", 0, {Untried(0, 3 * kMiB)}, ImagingPhase::kCopying, 0},
    StopCase{"AfterALargeRead", 1, {Read(0, kMiB), Untried(kMiB, 3 * kMiB)},
             ImagingPhase::kCopying, kMiB},
    StopCase{"InsideABadStretch", 3,
             {Read(0, kBadAt), Bad(kBadAt, kBadAt + 512), Untried(kBadAt + 512, 3 * kMiB)},
             ImagingPhase::kCopying, kBadAt + 512},
    StopCase{"AfterABadStretch", 4,
             {Read(0, kBadAt), Bad(kBadAt, kBadAt + 1024), Untried(kBadAt + 1024, 3 * kMiB)},
             ImagingPhase::kCopying, kBadAt + 1024},
    StopCase{"WhileRetrying", 2050,
             {Read(0, kBadAt), Bad(kBadAt, kBadAt + 1024), Read(kBadAt + 1024, 3 * kMiB)},
             ImagingPhase::kRetrying, kBadAt + 512}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// An image or map already there is never touched, and the card is not read.
struct ExistingCase {
  const char* name;
  std::vector<std::string> files;
  std::vector<std::string> blocked;  // exist, not ordinary files
  ImageOutcome outcome;
  std::vector<std::string> created;
};
void PrintTo(const ExistingCase& c, std::ostream* os) { *os << c.name; }

class ExistingOutputTest : public ::testing::TestWithParam<ExistingCase> {};

TEST_P(ExistingOutputTest, IsNeverTouched) {
  FaultyCard card(64 * 1024);
  MemoryPlatform platform;
  const std::vector<std::byte> keep{std::byte{'k'}, std::byte{'e'}};
  for (const std::string& file : GetParam().files) platform.files[file] = keep;
  platform.blocked_paths = GetParam().blocked;
  ImageResult result = ImageCard(card, platform, kImage, {}, nullptr, nullptr);
  EXPECT_EQ(result.outcome, GetParam().outcome);
  EXPECT_EQ(platform.created, GetParam().created);
  for (const std::string& file : GetParam().files) EXPECT_EQ(platform.files.at(file), keep);
  EXPECT_TRUE(card.reads.empty());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Outputs, ExistingOutputTest, ::testing::Values(
    ExistingCase{"Image", {kImage}, {}, ImageOutcome::kImageExists, {}},
    ExistingCase{"Map", {kMap}, {}, ImageOutcome::kMapExists, {}},
    ExistingCase{"ImageIsADirectory", {}, {kImage}, ImageOutcome::kCannotCreateImage, {}},
    ExistingCase{"MapIsADirectory", {}, {kMap}, ImageOutcome::kCannotCreateMap, {kImage}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(CardImagerTest, CardOfUnknownSizeCreatesNothing) {
  struct NoSize final : Volume {
    std::size_t Read(std::int64_t, std::span<std::byte>) override { return 0; }
  } card;
  MemoryPlatform platform;
  EXPECT_EQ(ImageCard(card, platform, kImage, {}, nullptr, nullptr).outcome,
            ImageOutcome::kSizeUnknown);
  EXPECT_TRUE(platform.created.empty());
}

// A full target disk: the map still tells truly what the image holds.
TEST(CardImagerTest, ImageWriteFailureLeavesATrueMap) {
  FaultyCard card(3 * kMiB);
  MemoryPlatform platform;
  platform.write_limit = kMiB + 100;
  ImageResult result = ImageCard(card, platform, kImage, {}, nullptr, nullptr);
  EXPECT_EQ(result.outcome, ImageOutcome::kImageWriteFailed);
  EXPECT_EQ(MapOf(platform).ranges(),
            (std::vector<MapRange>{{0, kMiB, kRead}, {kMiB, 2 * kMiB, RangeState::kNonTried}}));
  const std::vector<std::byte>& written = platform.files.at(kImage);
  EXPECT_TRUE(std::equal(card.bytes.begin(), card.bytes.begin() + kMiB, written.begin()));
}

// The card's own Comb Through ends at its first unreadable stretch; on the
// image, the headers after it are found, as on a sound card.
TEST(CardImagerTest, CombThroughOnTheImageFindsHeadersPastABadStretch) {
  CardImage image(CardImage::Layout::kG1, 2 * kMiB);
  for (std::int64_t at : {100 * 1024, 600 * 1024, 1500 * 1024}) image.PlaceFile(at, 5000);
  ActionHarness sound;
  sound.InsertCard(image);
  CombThrough(*sound.state, sound.controls, sound.platform);
  ASSERT_EQ(sound.controls.lines.size(), 3u);

  ActionHarness failing;
  failing.InsertCard(image).fault = {400 * 1024, 400 * 1024 + 4096};
  CombThrough(*failing.state, failing.controls, failing.platform);
  EXPECT_EQ(failing.controls.lines.size(), 1u);

  ImageResult result =
      ImageCard(*failing.platform.OpenVolume("E"), failing.platform, kImage, {}, nullptr, nullptr);
  EXPECT_EQ(result.bytes_unread, 4096);
  ActionHarness on_image;
  on_image.InsertBytes(failing.platform.files.at(kImage), "F");
  on_image.controls.text1 = "F";
  CombThrough(*on_image.state, on_image.controls, on_image.platform);
  EXPECT_EQ(on_image.controls.lines, sound.controls.lines);
}

}  // namespace
}  // namespace kvx::testing

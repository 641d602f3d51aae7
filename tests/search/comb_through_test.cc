#include "search/comb_through.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "card/file_header.h"
#include "tests/support/action_harness.h"
#include "tests/support/read_behaviour_platform.h"
#include "tests/support/straightforward_comb.h"

namespace kvx::testing {
namespace {

using Layout = CardImage::Layout;

std::string Line(int i, std::int64_t size, std::int64_t at) {
  std::string name = "FOUND" + std::to_string(i) + ".KVX";
  return name + std::string(20 - name.size(), ' ') + " Size: " + std::to_string(size) + " @" +
         std::to_string(at);
}

constexpr char kQuestion[] =
    "We will comb through every sector of SD to find all possible .KVX files\r\n\r\n"
    "The operation may take a long time\r\n\r\nDo you want to continue?";

// Only the eight bytes a header is known by (6..11, 1534, 1535), so headers
// one sector apart can overlap without overwriting each other's.
void MarkHeader(CardImage& image, std::int64_t offset, std::uint32_t body_length) {
  image.SetByte(offset + 6, 0x00);
  image.SetByte(offset + 7, 0x06);
  for (int i = 0; i < 4; ++i) image.SetByte(offset + 8 + i, (body_length >> (8 * i)) & 0xFF);
  image.SetByte(offset + 1534, 0x01);
  image.SetByte(offset + 1535, 0x80);
}

TEST(CombThroughTest, AsksFirstAndNoLeavesEverythingAsItWas) {
  ActionHarness h;
  h.InsertCard(CardImage(Layout::kG1, 200000));
  h.controls.answers = {false};
  h.controls.label1 = h.controls.label2 = h.controls.label3 = "old";
  h.controls.lines = {"old line"};
  h.controls.size_options_visible = true;
  h.state->SizeMode = SizeChoice::kByFat;
  CombThrough(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.controls.questions, (std::vector<ShownMessage>{{kQuestion, "Korvex SD Rescue"}}));
  EXPECT_EQ(h.controls.label1 + h.controls.label2 + h.controls.label3, "oldoldold");
  EXPECT_EQ(h.controls.lines, std::vector<std::string>{"old line"});
  EXPECT_TRUE(h.controls.size_options_visible);
  EXPECT_EQ(h.state->SizeMode, SizeChoice::kByFat);
  EXPECT_EQ(h.controls.busy_changes + h.platform.opens(), 0);
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
  struct ProgressControls : MemoryControls {
    std::vector<std::int64_t> done;
    void ReportProgress(std::int64_t d, std::int64_t) override { done.push_back(d); }
  } controls;
  ActionHarness h;
  Card& card = h.InsertCard(CardImage(Layout::kG1, (5 << 20) + 700));
  CombThrough(*h.state, controls, h.platform);
  for (auto [offset, size] : card.reads)
    EXPECT_TRUE(offset % 512 == 0 && size % 512 == 0 && size <= (1u << 20) + 1024);
  EXPECT_LE(card.reads.size(), 1u + 6u + 3u);  // boot sector, windows, the end's blocks
  EXPECT_LE(controls.done.size(), 6u);
  EXPECT_TRUE(std::is_sorted(controls.done.begin(), controls.done.end()));
  EXPECT_EQ(controls.done.back(), (5 << 20) + 700);
}

// Property: on random cards with read faults, the comb lists what one 1536-byte
// read per 512-byte step lists, and ends at the same step.
struct Expected {
  std::vector<std::string> lines;
  std::int64_t end = 80384;
};

Expected StepByStepComb(Platform& platform) {
  std::unique_ptr<Volume> card = platform.OpenVolume("E").value_or(nullptr);
  std::vector<std::byte> boot_sector(512);
  if (card->Read(0, boot_sector).delivered == 0) return {{}, 0};  // no boot sector
  StraightforwardCombResult combed = StraightforwardComb(*card);
  Expected e;
  e.end = combed.last_offset;
  for (const CombedHeader& header : combed.headers)
    e.lines.push_back(Line(static_cast<int>(e.lines.size()), header.length, header.offset));
  return e;
}

// A random card, with or without a fault, into `platform` as E.
void InsertRandomCard(int seed, MemoryPlatform& platform) {
  std::mt19937_64 rng(seed);
  auto pick = [&](std::int64_t low, std::int64_t high) {
    return std::uniform_int_distribution<std::int64_t>(low, std::max(low, high))(rng);
  };
  std::int64_t length = pick(0, 9) == 0 ? pick(0, 90000) : pick(90000, 3600000);
  if (pick(0, 1) == 0) length = length / 512 * 512;
  CardImage image(pick(0, 1) ? Layout::kG1 : Layout::kG2, length);
  auto sector = [&](std::int64_t from) { return pick(from / 512, length / 512) * 512; };
  auto field = [&] {
    return static_cast<std::uint32_t>(pick(0, pick(0, 3) ? 300000 : 0xFFFFFFFF));
  };
  for (int n = pick(0, 40); n > 0; --n) MarkHeader(image, sector(79872), field());
  for (int n = pick(0, 3); n > 0; --n)  // runs of headers one sector apart
    for (std::int64_t at = sector(80384), k = pick(2, 8); k > 0; --k, at += 512)
      MarkHeader(image, at, field());
  for (int n = pick(0, 10); n > 0; --n) {  // one test byte off
    std::int64_t at = sector(80384);
    MarkHeader(image, at, field());
    image.SetByte(at + std::vector{6, 7, 1534, 1535}[pick(0, 3)], pick(1, 255) & 0xFF);
  }
  for (std::int64_t edge = 80896 + (1 << 20); edge < length; edge += 1 << 20)
    for (std::int64_t at = edge - 1536; at <= edge + 1024; at += 512)
      if (pick(0, 2) == 0) MarkHeader(image, at, field());
  if (pick(0, 7) == 0)  // more headers than one comb lists
    for (std::int64_t at = pick(157, length / 1024) * 512, k = 0; k < 2100; ++k, at += 512)
      MarkHeader(image, at, 0);
  // A fault in three cards of four: a byte, a stretch or all from there on,
  // anywhere or next to a window's edge.
  std::int64_t from =
      pick(0, 1) ? pick(0, length) : 80896 + pick(0, 3) * (1 << 20) + pick(-2048, 2048);
  std::vector<std::int64_t> to{from + 1, from + pick(1, 300000), ReadFault{}.to};
  platform.Insert("E", image.bytes()).fault =
      pick(0, 3) ? ReadFault{from, to[pick(0, 2)]} : ReadFault{};
}

class CombStepByStepTest : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(CombStepByStepTest, FindsWhatAStepByStepCombFinds) {
  auto [seed, whole_read_fails] = GetParam();
  ReadBehaviourPlatform platform;
  platform.whole_read_fails = whole_read_fails;
  InsertRandomCard(seed, platform);
  Expected expected = StepByStepComb(platform);
  auto state = std::make_unique<WindowState>();
  MemoryControls controls;
  CombThrough(*state, controls, platform);
  EXPECT_EQ(controls.lines, expected.lines);
}

INSTANTIATE_TEST_SUITE_P(Seeds, CombStepByStepTest,
                         ::testing::Combine(::testing::Range(1, 81), ::testing::Bool()));

}  // namespace
}  // namespace kvx::testing

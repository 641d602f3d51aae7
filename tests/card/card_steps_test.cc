// The steps every search begins with: the prologue's drive letter and boot
// sector, then the probes for the entry block and the data region. Last, the
// windowed block reader: the comb reads rising offsets through a large window;
// these cases cover the rest of the reader's promise: small windows, offsets in
// any order, and blocks past a fault, each answered as one positioned read of
// the block would be.
#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "card/card_prologue.h"
#include "card/windowed_block_reader.h"
#include "search/card_steps.h"
#include "tests/support/action_harness.h"
#include "tests/support/memory_platform.h"

namespace kvx::testing {
namespace {

constexpr char kTooLow[] = "Sorry, but I think this drive letter is too low to be a SD drive";

bool RunPrologue(ActionHarness& h) {
  return CardPrologue(h.state->Card, h.controls, h.platform,
                      [&] { h.controls.retrieve_enabled = false; })
      .has_value();
}

struct LetterCase {
  const char* text;
  const char* letter;  // the drive the prologue opens; nullptr: too low, nothing opened
};

class DriveLetterTest : public ::testing::TestWithParam<LetterCase> {};

TEST_P(DriveLetterTest, FirstCharacterUpperCasedAndBelowDRejected) {
  ActionHarness h;
  for (const char* letter : {"D", "E", "["})
    h.InsertCard(CardImage(CardImage::Layout::kG2, 4096), letter);
  h.controls.text1 = GetParam().text;
  bool went_on = RunPrologue(h);
  if (GetParam().letter == nullptr) {
    EXPECT_FALSE(went_on);
    EXPECT_EQ(h.platform.opens(), 0);
    ASSERT_EQ(h.controls.messages.size(), 1u);
    EXPECT_EQ(h.controls.messages[0], (ShownMessage{kTooLow, "Korvex SD Rescure"}));
    EXPECT_EQ(h.controls.label2, "");
  } else {
    EXPECT_TRUE(went_on);
    EXPECT_TRUE(h.controls.messages.empty());
    EXPECT_EQ(h.platform.CardOf(GetParam().letter).reads.size(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, DriveLetterTest,
                         ::testing::Values(LetterCase{"e", "E"}, LetterCase{"e:\\data", "E"},
                                           LetterCase{"E", "E"}, LetterCase{"D", "D"},
                                           LetterCase{"[", "["}, LetterCase{"C", nullptr},
                                           LetterCase{"c", nullptr}, LetterCase{"1", nullptr},
                                           LetterCase{"", nullptr}, LetterCase{" E", nullptr}));

TEST(CardPrologueTest, ShortBootSectorIsDecodedWithMissingBytesAsZero) {
  ActionHarness h;
  CardImage image(CardImage::Layout::kG2, 4096);
  std::vector<std::byte> first(image.bytes().begin(), image.bytes().begin() + 17);
  h.InsertBytes(first);
  PrologueResult result = RunCardPrologue(h.state->Card, h.platform, "E", [] {});
  EXPECT_EQ(result.end, PrologueEnd::kOpened);
  EXPECT_EQ(result.generation, -1);
  EXPECT_EQ(h.state->Card.BytesPerCluster, 64 * 512);
  EXPECT_TRUE(RunPrologue(h));
  EXPECT_EQ(h.controls.label2,
            "SD Name: ZENTOXC2\r\nSector/Cluster: 64\r\nNumber of FAT(s): 1\r\n"
            "Max Root Dir Entries: 0");
}

using Changes = std::vector<std::pair<std::int64_t, std::uint8_t>>;
constexpr std::int64_t kEntries1G = 64000, kEntries2G = 124928, kData1G = 80384, kData2G = 141312;

// Drive E of the harness, opened without the prologue, as the probes expect.
void Open(ActionHarness& h, const CardImage& image) {
  h.InsertCard(image);
  h.state->Card.VolumeHandle = h.platform.OpenVolume("E").value_or(nullptr);
}

// The marker entry by name bytes 1 to 10 of slot 1, 1G tried first.
struct EntryProbeCase {
  const char* what;
  std::function<void(CardImage&)> change;
  RegionProbe expected;
};

class EntryProbeTest : public ::testing::TestWithParam<EntryProbeCase> {};

TEST_P(EntryProbeTest, FindsTheMarkerEntryOnlyByNameBytesOneToTen) {
  CardImage image(CardImage::Layout::kG2, 1 << 20);
  GetParam().change(image);
  ActionHarness h;
  h.controls.label1 = "earlier";
  Open(h, image);
  EXPECT_EQ(FindEntryRegion(h.state->Card, h.controls).probe, GetParam().expected) << GetParam().what;
  EXPECT_EQ(h.controls.label1, GetParam().expected == RegionProbe::kNotFound
                                   ? "KVX File Entries not found" : "earlier");
}

INSTANTIATE_TEST_SUITE_P(
    Cards, EntryProbeTest,
    ::testing::Values(
        EntryProbeCase{"2G marker", [](CardImage&) {}, RegionProbe::kLayout2G},
        EntryProbeCase{"deleted 2G marker", [](CardImage& i) { i.SetByte(kEntries2G + 32, 0xE5); },
                       RegionProbe::kLayout2G},
        EntryProbeCase{"marker at both offsets is 1G",
                       [](CardImage& i) {
                         for (int k = 33; k < 43; ++k) i.SetByte(kEntries1G + k, i.Byte(kEntries2G + k));
                       },
                       RegionProbe::kLayout1G},
        EntryProbeCase{"last marker byte off", [](CardImage& i) { i.SetByte(kEntries2G + 33, 'B'); },
                       RegionProbe::kNotFound}));

// The region marker ends a header block, 1G tried first; a short read is trouble.
struct DataProbeCase {
  const char* what;
  std::int64_t length;
  Changes bytes;
  RegionProbe expected;
  const char* label1;
  const char* label3;
};

class DataProbeTest : public ::testing::TestWithParam<DataProbeCase> {};

TEST_P(DataProbeTest, TriesOneGThenTwoG) {
  const DataProbeCase& c = GetParam();
  CardImage image(CardImage::Layout::kG2, c.length);
  for (auto [at, value] : c.bytes) image.SetByte(at, value);
  ActionHarness h;
  h.controls.label1 = "before1";
  h.controls.label3 = "before3";
  Open(h, image);
  EXPECT_EQ(FindDataRegion(h.state->Card, h.controls), c.expected) << c.what;
  EXPECT_EQ(std::tuple(h.controls.label1, h.controls.label3), std::tuple(c.label1, c.label3));
  EXPECT_NE(h.state->Card.VolumeHandle, nullptr) << "the probe leaves the card open";
}

const Changes kMarker1G = {{kData1G + 1534, 0x01}, {kData1G + 1535, 0x80}};
constexpr char kTrouble[] = "Trouble reading KVX data region";

INSTANTIATE_TEST_SUITE_P(
    Cards, DataProbeTest,
    ::testing::Values(
        DataProbeCase{"both markers: 1G", 1 << 20,
                      {kMarker1G[0], kMarker1G[1], {kData2G + 1534, 0x01}, {kData2G + 1535, 0x80}},
                      RegionProbe::kLayout1G, "before1", "KVX Data Region (1G) found"},
        DataProbeCase{"2G marker", 1 << 20, {{kData2G + 1534, 0x01}, {kData2G + 1535, 0x80}},
                      RegionProbe::kLayout2G, "before1", "KVX Data Region (2G) found"},
        DataProbeCase{"reversed marker", 1 << 20, {{kData2G + 1534, 0x80}, {kData2G + 1535, 0x01}},
                      RegionProbe::kNotFound, "before1",
                      "KVX Data Region not found, there is nothing to recover"},
        DataProbeCase{"card ends before the 2G block", kData2G + 1535, {}, RegionProbe::kTroubleReading,
                      kTrouble, "before3"},
        DataProbeCase{"card ends in the 1G block", kData1G + 100, kMarker1G,
                      RegionProbe::kTroubleReading, kTrouble, "before3"}));

// Card length, window payload, fault; whether a read touching it fails whole.
using ReaderCase = std::tuple<std::int64_t, std::size_t, ReadFault, bool>;

class WindowedBlockReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(WindowedBlockReaderTest, AnswersAsOneReadPerBlockWould) {
  auto [length, payload, fault, whole_read_fails] = GetParam();
  MemoryPlatform platform;
  std::vector<std::byte> bytes(static_cast<std::size_t>(length));
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::byte((i * 7 + i / 512) & 0xFF);
  Card& card = platform.Insert("E", std::move(bytes));
  card.fault = fault;
  card.whole_read_fails = whole_read_fails;
  CardVolume windowed, direct;
  windowed.VolumeHandle = platform.OpenVolume("E").value_or(nullptr);
  direct.VolumeHandle = platform.OpenVolume("E").value_or(nullptr);
  WindowedBlockReader reader(windowed, 1536, payload);
  const std::int64_t sectors = length / 512 + 4;
  std::mt19937 rng(7);
  for (std::int64_t n = 0; n < sectors + 400; ++n) {  // rising, then in any order
    std::int64_t offset = 512 * (n < sectors ? n : static_cast<std::int64_t>(rng() % sectors));
    std::vector<std::byte> want(1536);
    if (ReadCard(direct, offset, want) != want.size()) want.clear();
    std::span<const std::byte> got = reader.BlockAt(offset);
    ASSERT_EQ(std::vector<std::byte>(got.begin(), got.end()), want) << "at " << offset;
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cards, WindowedBlockReaderTest, ::testing::Combine(
    ::testing::Values(1000, 20000, 100000 + 333), ::testing::Values(512, 4096),
    ::testing::Values(ReadFault{}, ReadFault{0, 1}, ReadFault{8000, 8001}, ReadFault{8000, 30000},
                      ReadFault{61440}),
    ::testing::Bool()));
// clang-format on

}  // namespace
}  // namespace kvx::testing

#include "search/card_steps.h"

#include <gtest/gtest.h>

#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

constexpr std::int64_t kSlot1 = 32;

// Opens drive E of the harness without the prologue, as the probes expect.
void Open(ActionHarness& h) { h.state->Card.VolumeHandle = h.platform.OpenVolume("E").value_or(nullptr); }

struct EntryProbeCase {
  const char* what;
  std::function<void(CardImage&)> change;
  RegionProbe expected;
  const char* label1;
};

class EntryProbeTest : public ::testing::TestWithParam<EntryProbeCase> {};

TEST_P(EntryProbeTest, FindsTheMarkerEntryOnlyByNameBytesOneToTen) {
  CardImage image(CardImage::Layout::kG2, 1 << 20);
  GetParam().change(image);
  ActionHarness h;
  h.controls.label1 = "earlier";
  h.InsertCard(image);
  Open(h);
  EXPECT_EQ(FindEntryRegion(h.state->Card, h.controls).probe, GetParam().expected) << GetParam().what;
  EXPECT_EQ(h.controls.label1, GetParam().label1) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cards, EntryProbeTest,
    ::testing::Values(
        EntryProbeCase{"2G marker", [](CardImage&) {}, RegionProbe::kLayout2G, "earlier"},
        EntryProbeCase{"deleted 2G marker", [](CardImage& i) { i.SetByte(124928 + kSlot1, 0xE5); },
                       RegionProbe::kLayout2G, "earlier"},
        EntryProbeCase{"marker at both offsets is 1G",
                       [](CardImage& i) {
                         for (int k = 33; k < 43; ++k) i.SetByte(64000 + k, i.Byte(124928 + k));
                       },
                       RegionProbe::kLayout1G, "earlier"},
        EntryProbeCase{"lower-case letter", [](CardImage& i) { i.SetByte(124928 + 42, 'n'); },
                       RegionProbe::kNotFound, "KVX File Entries not found"},
        EntryProbeCase{"last marker byte off", [](CardImage& i) { i.SetByte(124928 + 33, 'B'); },
                       RegionProbe::kNotFound, "KVX File Entries not found"}));

TEST(EntryProbeTest, ShortFirstBlockIsTroubleAndNeverTriesTheSecond) {
  ActionHarness h;
  Card& card = h.InsertBytes(std::vector<std::byte>(64000 + 16383));
  Open(h);
  EXPECT_EQ(FindEntryRegion(h.state->Card, h.controls).probe, RegionProbe::kTroubleReading);
  EXPECT_EQ(h.controls.label1, "Trouble reading KVX file entries");
  EXPECT_EQ(card.reads.size(), 1u);
}

struct DataProbeCase {
  const char* what;
  std::int64_t length;
  std::vector<std::pair<std::int64_t, std::uint8_t>> bytes;
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
  h.InsertCard(image);
  Open(h);
  EXPECT_EQ(FindDataRegion(h.state->Card, h.controls), c.expected) << c.what;
  EXPECT_EQ(h.controls.label1, c.label1) << c.what;
  EXPECT_EQ(h.controls.label3, c.label3) << c.what;
  EXPECT_NE(h.state->Card.VolumeHandle, nullptr) << "the probe leaves the card open";
}

INSTANTIATE_TEST_SUITE_P(
    Cards, DataProbeTest,
    ::testing::Values(
        DataProbeCase{"1G marker", 1 << 20, {{80384 + 1534, 0x01}, {80384 + 1535, 0x80}},
                      RegionProbe::kLayout1G, "before1", "KVX Data Region (1G) found"},
        DataProbeCase{"2G marker", 1 << 20, {{141312 + 1534, 0x01}, {141312 + 1535, 0x80}},
                      RegionProbe::kLayout2G, "before1", "KVX Data Region (2G) found"},
        DataProbeCase{"reversed marker", 1 << 20, {{141312 + 1534, 0x80}, {141312 + 1535, 0x01}},
                      RegionProbe::kNotFound, "before1",
                      "KVX Data Region not found, there is nothing to recover"},
        DataProbeCase{"card ends before the 2G block", 141312 + 1535, {}, RegionProbe::kTroubleReading,
                      "Trouble reading KVX data region", "before3"},
        DataProbeCase{"card ends before the 1G block", 80384 + 100,
                      {{80384 + 1534, 0x01}, {80384 + 1535, 0x80}}, RegionProbe::kTroubleReading,
                      "Trouble reading KVX data region", "before3"}));

}  // namespace
}  // namespace kvx::testing

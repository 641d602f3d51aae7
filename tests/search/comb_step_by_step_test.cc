// Property: the windowed Comb Through lists exactly what a comb that reads
// 1536 bytes at every 512-byte step lists, and ends at the same step, on
// synthetic cards with headers at random sectors, runs of overlapping headers,
// near-misses, headers around the window boundaries and read faults, on
// devices that deliver the bytes before a fault, fail a read that touches one
// as a whole, or cap every read.
#include <gtest/gtest.h>

#include <random>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "card/card_prologue.h"
#include "card/file_header.h"
#include "search/comb_through.h"
#include "tests/search/recording_controls.h"
#include "tests/support/read_behaviour_platform.h"

namespace kvx::testing {
namespace {

constexpr std::int64_t kFirstBlock = 80896;
constexpr std::int64_t kWindow = 1 << 20;

// The scan as first designed, to the end of the card: one ReadCard of 1536 bytes per step,
// until a read comes up short or 2048 files are listed.
void StepByStepComb(WindowState& state, Controls& controls, Platform& platform) {
  controls.SetCaption(Label::Label1, "Skipped DIR region");
  controls.SetCaption(Label::Label2, "");
  controls.SetBusyPointer(true);
  controls.SetSizeOptionsVisible(false);
  state.SizeMode = 0;
  controls.SetCaption(Label::Label3, "");
  if (!CardPrologue(state.card, controls, platform, [&] { state.FoundCount = 0; })) {
    controls.SetBusyPointer(false);
    return;
  }
  controls.ClearList();
  state.FoundCount = 0;
  state.ScanOffset = 80384;
  std::span<std::byte> block(state.card.SectorBuffer.data(), 1536);
  for (;;) {
    state.ScanOffset += 512;
    if (ReadCard(state.card, state.ScanOffset, block) != 1536) break;
    if (!IsFileHeader(block)) continue;
    FoundFile& file = state.found_files[static_cast<std::size_t>(state.FoundCount)];
    file.FileName = PaddedFileName("FOUND" + std::to_string(state.FoundCount) + ".KVX");
    file.StartOffset = state.ScanOffset;
    file.SizeByFat = file.SizeByHeader = FileHeaderLength(block);
    controls.AppendLine(ListLine(file));
    if (++state.FoundCount == 2048) break;
  }
  if (state.FoundCount <= 0) {
    controls.SetCaption(Label::Label3, "No KVX Files found");
    controls.SetRetrieveEnabled(false);
  } else {
    controls.SetCaption(Label::Label3, std::to_string(state.FoundCount) + " KVX File(s) found");
    controls.SetRetrieveEnabled(true);
  }
  state.card.VolumeHandle.reset();
  controls.SetBusyPointer(false);
}

struct RandomCard {
  std::vector<std::byte> bytes;
  ReadFault fault;
};

std::int64_t Pick(std::mt19937_64& rng, std::int64_t low, std::int64_t high) {
  return std::uniform_int_distribution<std::int64_t>(low, high)(rng);
}

RandomCard MakeRandomCard(std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::int64_t length = Pick(rng, 0, 9) == 0 ? Pick(rng, 0, 90000) : Pick(rng, 90000, 3600000);
  if (Pick(rng, 0, 1) == 0) length = length / 512 * 512;
  CardImage image(Pick(rng, 0, 1) ? CardImage::Layout::G1 : CardImage::Layout::G2, length);
  auto sector = [&](std::int64_t from, std::int64_t to) {
    return Pick(rng, from / 512, std::max(from, to) / 512) * 512;
  };
  auto length_field = [&] {
    return static_cast<std::uint32_t>(Pick(rng, 0, 3) == 0 ? Pick(rng, 0, 0xFFFFFFFF)
                                                           : Pick(rng, 0, 300000));
  };

  // Whole files with bodies, and bare headers anywhere, the first blocks included.
  for (int n = Pick(rng, 0, 12); n > 0; --n) {
    image.PlaceFile(sector(80384, length), static_cast<std::uint32_t>(Pick(rng, 0, 200000)),
                    static_cast<std::uint8_t>(Pick(rng, 0, 255)));
  }
  for (int n = Pick(rng, 0, 40); n > 0; --n)
    MarkHeader(image, sector(79872, length), length_field());
  // Runs of headers one sector apart.
  for (int n = Pick(rng, 0, 3); n > 0; --n) {
    std::int64_t at = sector(80384, length);
    for (int k = Pick(rng, 2, 8); k > 0; --k, at += 512) MarkHeader(image, at, length_field());
  }
  // Near-misses: one test byte off.
  for (int n = Pick(rng, 0, 10); n > 0; --n) {
    std::int64_t at = sector(80384, length);
    MarkHeader(image, at, length_field());
    const int test_bytes[] = {6, 7, 1534, 1535};
    image.SetByte(at + test_bytes[Pick(rng, 0, 3)], static_cast<std::uint8_t>(Pick(rng, 1, 255)));
  }
  // Headers around the window boundaries.
  for (std::int64_t boundary = kFirstBlock + kWindow; boundary < length; boundary += kWindow) {
    for (std::int64_t delta = -1536; delta <= 1024; delta += 512) {
      if (Pick(rng, 0, 2) == 0) MarkHeader(image, boundary + delta, length_field());
    }
  }
  // Now and then more headers than one comb lists.
  if (Pick(rng, 0, 7) == 0) {
    std::int64_t at = sector(80384, length / 2);
    for (int k = 0; k < 2100; ++k) MarkHeader(image, at + 512 * k, 0);
  }

  RandomCard card{image.bytes(), {}};
  switch (Pick(rng, 0, 4)) {
    case 0:
      break;  // no fault
    case 1:   // a bad stretch anywhere
      card.fault.from = Pick(rng, 0, length);
      card.fault.to = card.fault.from + Pick(rng, 1, 300000);
      break;
    case 2: {  // next to a window boundary
      std::int64_t boundary = kFirstBlock + kWindow * Pick(rng, 0, 3);
      card.fault.from = boundary + Pick(rng, -2048, 2048);
      card.fault.to = card.fault.from + Pick(rng, 1, 2048);
      break;
    }
    case 3:  // everything from some point on
      card.fault.from = Pick(rng, 0, length);
      break;
    case 4:  // a single byte
      card.fault.from = Pick(rng, 80000, std::max<std::int64_t>(80000, length));
      card.fault.to = card.fault.from + 1;
      break;
  }
  return card;
}

class CombStepByStepTest
    : public ::testing::TestWithParam<std::tuple<std::uint64_t, ReadBehaviour>> {};

TEST_P(CombStepByStepTest, WindowedCombFindsWhatAStepByStepCombFinds) {
  auto [seed, behaviour] = GetParam();
  RandomCard card = MakeRandomCard(seed);
  RecordingHarness windowed, reference;
  windowed.InsertBytes(card.bytes).fault = card.fault;
  reference.InsertBytes(card.bytes).fault = card.fault;
  ReadBehaviourPlatform windowed_platform(windowed.platform, behaviour);
  ReadBehaviourPlatform reference_platform(reference.platform, behaviour);

  CombThrough(*windowed.state, windowed.controls, windowed_platform);
  StepByStepComb(*reference.state, reference.controls, reference_platform);

  EXPECT_EQ(windowed.controls.lines, reference.controls.lines);
  EXPECT_EQ(windowed.state->FoundCount, reference.state->FoundCount);
  EXPECT_EQ(windowed.state->ScanOffset, reference.state->ScanOffset);
  EXPECT_EQ(windowed.controls.label1, reference.controls.label1);
  EXPECT_EQ(windowed.controls.label2, reference.controls.label2);
  EXPECT_EQ(windowed.controls.label3, reference.controls.label3);
  EXPECT_EQ(windowed.controls.retrieve_enabled, reference.controls.retrieve_enabled);
  EXPECT_EQ(windowed.controls.busy, reference.controls.busy);
  EXPECT_EQ(windowed.platform.open_volumes(), reference.platform.open_volumes());
  for (int i = 0; i < reference.state->FoundCount; ++i) {
    const FoundFile& got = windowed.state->found_files[static_cast<std::size_t>(i)];
    const FoundFile& want = reference.state->found_files[static_cast<std::size_t>(i)];
    EXPECT_EQ(got.FileName, want.FileName);
    EXPECT_EQ(got.StartOffset, want.StartOffset);
    EXPECT_EQ(got.SizeByFat, want.SizeByFat);
    EXPECT_EQ(got.SizeByHeader, want.SizeByHeader);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, CombStepByStepTest,
                         ::testing::Combine(::testing::Range<std::uint64_t>(1, 81),
                                            ::testing::Values(ReadBehaviour::kPrefix,
                                                              ReadBehaviour::kWholeReadFails,
                                                              ReadBehaviour::kCapped)));

}  // namespace
}  // namespace kvx::testing

#include "search/comb_through.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/search/recording_controls.h"

namespace kvx::testing {
namespace {

using Layout = CardImage::Layout;

constexpr char kQuestion[] =
    "We will comb through every sector of SD to find all possible .KVX files\r\n\r\n"
    "The operation may take a long time\r\n\r\nDo you want to continue?";

void Comb(RecordingHarness& h) { CombThrough(*h.state, h.controls, h.platform); }

// --- The confirmation -------------------------------------------------------

TEST(CombThroughTest, AsksFirstWithTheTextAndTitleOfPart23) {
  RecordingHarness h;
  h.InsertCard(CardImage(Layout::G1, 200000));
  Comb(h);
  ASSERT_EQ(h.controls.questions.size(), 1u);
  EXPECT_EQ(h.controls.questions[0], (ShownMessage{kQuestion, "Korvex SD Rescue"}));
  EXPECT_EQ(h.controls.events.front(), "Ask");
}

TEST(CombThroughTest, NoChangesNothingAtAll) {
  RecordingHarness h;
  h.InsertCard(CardImage(Layout::G1, 200000));
  h.controls.answers = {false};
  h.controls.label1 = "old 1";
  h.controls.label2 = "old 2";
  h.controls.label3 = "old 3";
  h.controls.lines = {"old line"};
  h.controls.retrieve_enabled = true;
  h.controls.size_options_visible = true;
  h.state->SizeMode = 1;
  h.state->FoundCount = 5;
  h.state->ScanOffset = 1234;
  Comb(h);
  EXPECT_EQ(h.controls.events, std::vector<std::string>{"Ask"});
  EXPECT_EQ(h.controls.label1, "old 1");
  EXPECT_EQ(h.controls.label2, "old 2");
  EXPECT_EQ(h.controls.label3, "old 3");
  EXPECT_EQ(h.controls.lines, std::vector<std::string>{"old line"});
  EXPECT_TRUE(h.controls.retrieve_enabled);
  EXPECT_TRUE(h.controls.size_options_visible);
  EXPECT_EQ(h.controls.busy_changes, 0);
  EXPECT_EQ(h.state->SizeMode, 1);
  EXPECT_EQ(h.state->FoundCount, 5);
  EXPECT_EQ(h.state->ScanOffset, 1234);
  EXPECT_EQ(h.platform.opens(), 0);
}

// --- The order of what the window shows -------------------------------------

TEST(CombThroughTest, PreparationPrologueScanAndClosingInOrder) {
  RecordingHarness h;
  CardImage image(Layout::G2, 300000);
  image.PlaceFile(80896, 10000);
  h.InsertCard(image);
  h.state->SizeMode = 1;
  h.state->found_files[0].StartCluster = 77;
  h.state->found_files[1].FileName = "earlier";
  h.controls.size_options_visible = true;
  Comb(h);
  std::vector<std::string> expected = {
      "Ask",
      "Label1=Skipped DIR region",
      "Label2=",
      "Busy",
      "HideOptions",
      "Label3=",
      "Label2=" + h.controls.label2,
      "ClearList",
      "Append FOUND0.KVX           Size: 11536 @80896",
      "Label3=1 KVX File(s) found",
      "EnableCommand2",
      "Default",
  };
  EXPECT_EQ(h.controls.events, expected);
  EXPECT_EQ(h.controls.label2.rfind("This is a ZENTO SD\r\n\r\nZENTO Firmware: 2G", 0), 0u);
  EXPECT_EQ(h.state->SizeMode, 0);
  EXPECT_EQ(h.state->FoundCount, 1);
  const FoundFile& file = h.state->found_files[0];
  EXPECT_EQ(file.FileName, "FOUND0.KVX          ");
  EXPECT_EQ(file.StartOffset, 80896);
  EXPECT_EQ(file.SizeByFat, 11536);
  EXPECT_EQ(file.SizeByHeader, 11536);
  EXPECT_EQ(file.StartCluster, 77);  // not written by Comb Through
  EXPECT_EQ(h.state->found_files[1].FileName, "earlier");
  EXPECT_EQ(h.platform.open_volumes(), 0);
}

// --- What the scan finds ----------------------------------------------------

struct FindCase {
  const char* name;
  std::function<void(CardImage&)> place;
  std::vector<std::string> lines;
};

class CombFindTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(CombFindTest, ListsEveryHeaderAtASectorBoundaryFrom80896) {
  RecordingHarness h;
  CardImage image(Layout::G1, 3 << 20);
  GetParam().place(image);
  h.InsertCard(image);
  Comb(h);
  EXPECT_EQ(h.controls.lines, GetParam().lines);
  EXPECT_EQ(h.state->FoundCount, static_cast<int>(GetParam().lines.size()));
  if (GetParam().lines.empty()) {
    EXPECT_EQ(h.controls.label3, "No KVX Files found");
    EXPECT_FALSE(h.controls.retrieve_enabled);
  } else {
    EXPECT_EQ(h.controls.label3, std::to_string(GetParam().lines.size()) + " KVX File(s) found");
    EXPECT_TRUE(h.controls.retrieve_enabled);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Images, CombFindTest,
    ::testing::Values(
        FindCase{"HeaderAt80384NotExamined", [](CardImage& i) { i.PlaceFile(80384, 100); }, {}},
        FindCase{"HeaderAt80896FoundFirst",
                 [](CardImage& i) {
                   i.PlaceHeader(80384, 100);
                   i.PlaceHeader(80896, 100);
                 },
                 {"FOUND0.KVX           Size: 1636 @80896"}},
        FindCase{"WorkedExample",
                 [](CardImage& i) { i.PlaceFile(80896, 10000); },
                 {"FOUND0.KVX           Size: 11536 @80896"}},
        FindCase{"Byte10Weighs65536",
                 [](CardImage& i) { i.PlaceHeader(80896, 0x10000); },
                 {"FOUND0.KVX           Size: 67072 @80896"}},
        // No wrap: a big L.
        FindCase{"LargestLengthField",
                 [](CardImage& i) { i.PlaceHeader(80896, 0xFFFFFFFFu); },
                 {"FOUND0.KVX           Size: 4294968831 @80896"}},
        FindCase{
            "ConsecutiveOverlappingHeaders",
            [](CardImage& i) {
              for (int k = 0; k < 3; ++k) MarkHeader(i, 100352 + 512 * k, k);
            },
            {"FOUND0.KVX           Size: 1536 @100352", "FOUND1.KVX           Size: 1537 @100864",
             "FOUND2.KVX           Size: 1538 @101376"}},
        FindCase{"HeaderInsideABodyIsItsOwnFile",
                 [](CardImage& i) {
                   i.PlaceFile(102400, 100000);
                   i.PlaceHeader(102400 + 8192, 50);
                 },
                 {"FOUND0.KVX           Size: 101536 @102400",
                  "FOUND1.KVX           Size: 1586 @110592"}},
        FindCase{
            "OffSectorHeaderNotFound", [](CardImage& i) { i.PlaceHeader(102400 + 256, 0); }, {}},
        FindCase{
            "HeadersAcrossTheFirstWindowsEnd",
            [](CardImage& i) {
              // The first window covers blocks 80896 .. 80896 + 1 MiB - 512.
              for (std::int64_t at : {1129472 - 1024, 1129472 - 512, 1129472, 1129472 + 512}) {
                MarkHeader(i, at, 0);
              }
            },
            {"FOUND0.KVX           Size: 1536 @1128448", "FOUND1.KVX           Size: 1536 @1128960",
             "FOUND2.KVX           Size: 1536 @1129472",
             "FOUND3.KVX           Size: 1536 @1129984"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct NearMissCase {
  const char* name;
  int at;
  std::uint8_t value;
};

class CombNearMissTest : public ::testing::TestWithParam<NearMissCase> {};

TEST_P(CombNearMissTest, OneTestByteOffIsNoHeader) {
  RecordingHarness h;
  CardImage image(Layout::G1, 200000);
  image.PlaceHeader(102400, 0);
  image.SetByte(102400 + GetParam().at, GetParam().value);
  h.InsertCard(image);
  Comb(h);
  EXPECT_TRUE(h.controls.lines.empty());
  EXPECT_EQ(h.controls.label3, "No KVX Files found");
}

INSTANTIATE_TEST_SUITE_P(Bytes, CombNearMissTest,
                         ::testing::Values(NearMissCase{"Byte1535Zero", 1535, 0x00},
                                           NearMissCase{"Byte1534Is80", 1534, 0x80},
                                           NearMissCase{"Byte7Is4", 7, 0x04},
                                           NearMissCase{"Byte6Is6", 6, 0x06}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CombThroughTest, StopsAt2048FilesAndLeavesRecord2048Alone) {
  RecordingHarness h;
  CardImage image(Layout::G1, 80896 + 2100 * 512 + 1536);
  for (int k = 0; k < 2100; ++k) MarkHeader(image, 80896 + 512 * k, 0);
  h.InsertCard(image);
  h.state->found_files[2048].FileName = "untouched";
  Comb(h);
  ASSERT_EQ(h.controls.lines.size(), 2048u);
  EXPECT_EQ(h.controls.lines[2047],
            "FOUND2047.KVX        Size: 1536 @" + std::to_string(80896 + 2047 * 512));
  EXPECT_EQ(h.state->found_files[2047].FileName, "FOUND2047.KVX       ");
  EXPECT_EQ(h.state->found_files[2048].FileName, "untouched");
  EXPECT_EQ(h.state->FoundCount, 2048);
  EXPECT_EQ(h.state->ScanOffset, 80896 + 2047 * 512);  // the scan stopped at the 2048th
  EXPECT_EQ(h.controls.label3, "2048 KVX File(s) found");
}

TEST(CombThroughTest, UnrecognisedCardIsCombedAlike) {
  RecordingHarness h;
  CardImage image(Layout::G1, 200000);
  image.SetSignature("zentoxc1");
  image.PlaceHeader(90112, 0);
  h.InsertCard(image);
  Comb(h);
  EXPECT_EQ(h.controls.label2.rfind("SD Name: zentoxc1", 0), 0u);
  EXPECT_EQ(h.controls.lines, std::vector<std::string>{"FOUND0.KVX           Size: 1536 @90112"});
}

// --- Where the scan ends ----------------------------------------------------

struct EndCase {
  const char* name;
  int sectors_per_fat;
  std::int64_t card_length;
};

class CombScanEndTest : public ::testing::TestWithParam<EndCase> {};

// The scan runs to the end of the volume whatever
// SectorsPerFat says; the last whole block is examined, nothing after it.
TEST_P(CombScanEndTest, RunsToTheLastWholeBlockOfTheVolume) {
  const EndCase& c = GetParam();
  RecordingHarness h;
  CardImage image(Layout::G1, c.card_length);
  image.SetSectorsPerFat(c.sectors_per_fat);
  std::int64_t last = (c.card_length - 1536) / 512 * 512;  // the last whole block
  std::int64_t beyond_old_limit = 80384 + 512 * (c.sectors_per_fat * 256 + 2);
  MarkHeader(image, beyond_old_limit, 1);
  MarkHeader(image, last, 2);
  h.InsertCard(image);
  Comb(h);
  EXPECT_EQ(h.controls.lines,
            (std::vector<std::string>{
                "FOUND0.KVX           Size: 1537 @" + std::to_string(beyond_old_limit),
                "FOUND1.KVX           Size: 1538 @" + std::to_string(last)}));
  EXPECT_EQ(h.state->ScanOffset, last + 512);  // the step whose read came up short
  EXPECT_EQ(h.controls.label3, "2 KVX File(s) found");
  EXPECT_EQ(h.platform.open_volumes(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cards, CombScanEndTest,
                         ::testing::Values(EndCase{"NoFatSectors", 0, 3 << 20},
                                           EndCase{"OneFatSector", 1, (3 << 20) + 700},
                                           EndCase{"SectorsPerFat124", 124,
                                                   16333824 + 1536 + 2 * 512 + 300}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FaultCase {
  const char* name;
  std::int64_t from;
  std::int64_t to;
};

class CombFaultTest : public ::testing::TestWithParam<FaultCase> {};

// A block that a 1536-byte read cannot deliver whole ends the scan there, as
// on a step-by-step scan; headers after it are not found, even past the fault.
TEST_P(CombFaultTest, ReadFailureEndsTheScanAtTheFirstBlockItTouches) {
  const FaultCase& c = GetParam();
  RecordingHarness h;
  CardImage image(Layout::G1, 4 << 20);
  std::int64_t ends_at = std::max<std::int64_t>(80896, (c.from - 1536) / 512 * 512 + 512);
  MarkHeader(image, ends_at - 512, 0);
  MarkHeader(image, ends_at, 0);
  MarkHeader(image, (c.to + 511) / 512 * 512 + 4096, 0);
  Card& card = h.InsertCard(image);
  card.fault = ReadFault{c.from, c.to};
  Comb(h);
  EXPECT_EQ(h.state->ScanOffset, ends_at);
  std::vector<std::string> expected;
  if (ends_at - 512 >= 80896) {
    expected.push_back("FOUND0.KVX           Size: 1536 @" + std::to_string(ends_at - 512));
  }
  EXPECT_EQ(h.controls.lines, expected);
  EXPECT_FALSE(h.controls.busy);
  EXPECT_EQ(h.platform.open_volumes(), 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, CombFaultTest,
                         ::testing::Values(FaultCase{"MidFirstWindow", 500000, 500001},
                                           FaultCase{"MidSecondWindow", 2000000, 2100000},
                                           FaultCase{"OnAWindowStart", 1129472, 1129984},
                                           FaultCase{"JustBeforeAWindowsOverlap", 1129472 + 1023,
                                                     1129472 + 1024},
                                           FaultCase{"OnTheFirstBlock", 80896, 81408},
                                           FaultCase{"InsideTheFirstBlock", 82431, 82432}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Reading the card -------------------------------------------------------

TEST(CombThroughTest, ReadsTheCardOnceInLargeWholeSectorReads) {
  RecordingHarness h;
  const std::int64_t length = 5 << 20;
  Card& card = h.InsertCard(CardImage(Layout::G1, length));
  Comb(h);
  std::int64_t bytes_asked = 0;
  for (auto [offset, size] : card.reads) {
    EXPECT_EQ(offset % 512, 0);
    EXPECT_EQ(size % 512, 0u);
    EXPECT_LE(size, (1u << 20) + 1024);
    bytes_asked += static_cast<std::int64_t>(size);
  }
  // The boot sector, five windows and the overlaps, a last one that comes up
  // short and the single block reads that find the end.
  EXPECT_LE(card.reads.size(), 1u + 6u + 3u);
  EXPECT_LE(bytes_asked, length + 2 * (1 << 20));
}

TEST(CombThroughTest, ReportsProgressAtMostOncePerWindowOfTheCardsSize) {
  RecordingHarness h;
  const std::int64_t length = 5 << 20;
  Card& card = h.InsertCard(CardImage(Layout::G1, length));
  Comb(h);
  std::size_t windows = 0;
  for (auto read : card.reads) windows += read.second > 1536 ? 1 : 0;
  ASSERT_FALSE(h.controls.progress.empty());
  EXPECT_LE(h.controls.progress.size(), windows);
  std::int64_t before = 0;
  for (auto [done, total] : h.controls.progress) {
    EXPECT_EQ(total, length);
    EXPECT_GE(done, before);
    EXPECT_LE(done, length);
    before = done;
  }
  EXPECT_EQ(h.controls.progress.back().first, length);
}

// --- Early ends: each with its labels and state -----------------------------------

struct EarlyEndCase {
  const char* name;
  std::function<void(RecordingHarness&)> setup;
  const char* label2;
  int found_count;
  bool card_open;
  int messages;
};

class CombEarlyEndTest : public ::testing::TestWithParam<EarlyEndCase> {};

TEST_P(CombEarlyEndTest, EndsWithTheLabelsAndStateItsTableGives) {
  const EarlyEndCase& c = GetParam();
  RecordingHarness h;
  h.controls.label1 = "old 1";
  h.controls.label2 = "old 2";
  h.controls.label3 = "old 3";
  h.controls.lines = {"old line"};
  h.controls.retrieve_enabled = true;
  h.controls.size_options_visible = true;
  h.state->SizeMode = 1;
  h.state->FoundCount = 7;
  h.state->found_files[0].FileName = "earlier";
  c.setup(h);
  Comb(h);
  EXPECT_EQ(h.controls.label1, "Skipped DIR region");
  EXPECT_EQ(h.controls.label2, c.label2);
  EXPECT_EQ(h.controls.label3, "");
  EXPECT_EQ(h.controls.lines, std::vector<std::string>{"old line"});
  EXPECT_EQ(h.state->found_files[0].FileName, "earlier");
  EXPECT_EQ(h.state->FoundCount, c.found_count);
  EXPECT_TRUE(h.controls.retrieve_enabled);
  EXPECT_EQ(h.platform.open_volumes(), c.card_open ? 1 : 0);
  EXPECT_EQ(h.controls.messages.size(), static_cast<std::size_t>(c.messages));
  EXPECT_FALSE(h.controls.size_options_visible);
  EXPECT_EQ(h.state->SizeMode, 0);
  EXPECT_FALSE(h.controls.busy);
  EXPECT_EQ(h.controls.busy_changes, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CombEarlyEndTest,
    ::testing::Values(EarlyEndCase{"DriveLetterTooLow",
                                   [](RecordingHarness& h) { h.controls.text1 = "1"; }, "", 7,
                                   false, 1},
                      EarlyEndCase{"CantOpen", [](RecordingHarness& h) { h.controls.text1 = "F"; },
                                   "Can't open SD", 7, false, 0},
                      EarlyEndCase{"CantRead", [](RecordingHarness& h) { h.InsertBytes({}); },
                                   "Can't read SD", 0, true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvx::testing

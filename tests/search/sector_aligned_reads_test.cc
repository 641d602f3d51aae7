// Every card read of every action is a whole number of sectors at a sector
// boundary: on a card that refuses any other read, as a raw volume on Windows
// does, each search and each Retrieve ends exactly as on the lenient card.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <tuple>

#include "controls/memory_controls.h"
#include "retrieve/retrieve.h"
#include "search/comb_through.h"
#include "search/explore.h"
#include "search/quick_search.h"
#include "tests/support/sector_strict_platform.h"
#include "tools/card_image/card_description.h"

namespace kvx::testing {
namespace {

struct CardCase {
  const char* name;
  const char* description;
};

// Cards whose length, cluster size and files put reads near every edge: a
// card that ends mid-sector with a file running past it, small clusters,
// deleted entries, orphan headers and a fault inside a file.
const CardCase kCards[] = {
    {"Demo",
     "layout 2G\nlength 8M\nheader 141312 body=0\n"
     "file DATA0001.KVX cluster=3 body=100000\n"
     "file DATA0002.KVX cluster=7 body=250000 deleted\n"
     "file DATA0003.KVX cluster=15 body=60000 size=50000\n"
     "file DATA0004.KVX cluster=17 body=31232\norphan 4000256 body=20000\n"},
    {"OneGigabyteLayoutEndingMidSector",
     "layout 1G\nlength 3145933\nfile REC00001.KVX cluster=2 body=0\n"
     "file REC00002.KVX cluster=3 body=70001 deleted\n"
     "file REC00003.KVX cluster=7 body=5000 size=999999\n"
     "entry GHOST.KVX cluster=20 size=4096\nheader 1900544 body=3000\n"
     "orphan 2097152 body=1234\nfile TAIL.KVX cluster=80 body=600000\n"},
    {"ObsoleteWithSmallClusters",
     "layout 2G\nlength 2M\nsignature ZENTOXC0\nfats 2\nsectors-per-cluster 16\n"
     "file OLD00001.KVX cluster=2 body=8192\n"
     "file OLD00002.KVX cluster=4 body=20000 deleted size=1536\n"
     "file OLD00003.KVX cluster=9 body=511\norphan 1048576 body=512\n"},
};

// No fault, or one sector failing inside the first recordings' data.
constexpr std::int64_t kNoFault = std::int64_t{1} << 40;
constexpr std::int64_t kFaultInData = 160768;

enum class Run { kQuick, kQuickByFat, kExplore, kComb };

// One action, then Retrieve of every line it listed; the window and the
// files afterwards, as one text.
std::string EndOf(const CardCase& card, Run run, bool strict, std::int64_t fault_at) {
  std::istringstream description(card.description);
  std::string error;
  std::optional<CardImage> image = BuildCardImage(description, error);
  EXPECT_TRUE(image) << error;
  if (!image) return {};
  SectorStrictPlatform platform;
  platform.strict = strict;
  platform.Insert("E", image->bytes()).fault = {fault_at, fault_at + 512};
  MemoryControls controls;
  controls.text2 = "out/";
  WindowState state;
  switch (run) {
    case Run::kQuick:
    case Run::kQuickByFat: QuickSearch(state, controls, platform); break;
    case Run::kExplore: Explore(state, controls, platform); break;
    case Run::kComb: CombThrough(state, controls, platform); break;
  }
  if (run == Run::kQuickByFat) state.SizeMode = SizeChoice::kByFat;
  for (int line = 0; line < controls.LineCount(); ++line) controls.Select(line);
  if (controls.retrieve_enabled) Retrieve(state, controls, platform);
  EXPECT_EQ(platform.refused_reads, 0);

  std::string end = controls.label1 + "|" + controls.label2 + "|" + controls.label3 + "|";
  for (const std::string& line : controls.lines) end += line + "\n";
  for (const ShownMessage& message : controls.messages) end += message.title + ": " + message.text;
  for (const auto& [path, bytes] : platform.files) {
    end += path + " " + std::to_string(bytes.size()) + " " +
           std::to_string(std::hash<std::string_view>()(
               {reinterpret_cast<const char*>(bytes.data()), bytes.size()})) + "\n";
  }
  return end;
}

class SectorAlignedReadsTest
    : public ::testing::TestWithParam<std::tuple<CardCase, Run, std::int64_t>> {};

TEST_P(SectorAlignedReadsTest, StrictCardEndsEveryActionAsTheLenientOne) {
  const auto& [card, run, fault_at] = GetParam();
  std::string lenient = EndOf(card, run, false, fault_at);
  ASSERT_NE(lenient, "|||");
  EXPECT_EQ(EndOf(card, run, true, fault_at), lenient);
}

std::string CaseName(
    const ::testing::TestParamInfo<std::tuple<CardCase, Run, std::int64_t>>& info) {
  static const char* const kRuns[] = {"Quick", "QuickByFat", "Explore", "Comb"};
  return std::string(std::get<0>(info.param).name) + kRuns[int(std::get<1>(info.param))] +
         (std::get<2>(info.param) == kFaultInData ? "WithFault" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Cards, SectorAlignedReadsTest,
    ::testing::Combine(::testing::ValuesIn(kCards),
                       ::testing::Values(Run::kQuick, Run::kQuickByFat, Run::kExplore, Run::kComb),
                       ::testing::Values(kNoFault, kFaultInData)),
    CaseName);

}  // namespace
}  // namespace kvx::testing

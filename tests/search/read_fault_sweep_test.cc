// Every read a search makes, made to fail in turn: a fault on the first and on
// the last byte of each read of a clean run. Every read is of whole sectors. Whatever read fails, the search
// ends as its failure rules say for that read: the prologue's, a probe's, a
// header read's or the walk's and scan's; a fault never adds, changes or
// reorders a line other than the one whose read failed.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "search/captions.h"
#include "search/comb_through.h"
#include "search/explore.h"
#include "search/quick_search.h"
#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

constexpr std::int64_t kEntryBlock1G = 64000, kEntryBlock2G = 124928, kEntryBlockSize = 16384;
constexpr std::int64_t kProbe1G = 80384, kProbe2G = 141312, kHeader = 1536;
constexpr std::int64_t kBootSector = 512;  // the prologue reads it whole; only its start counts
constexpr std::int64_t kMarkerEnd = kEntryBlock2G + 43;  // slot 1's name bytes end here

// A 2G card of 2 KiB clusters: the region header, then three recordings laid
// end to end from cluster 3 whose directory sizes differ from their headers'.
CardImage SweepCard() {
  CardImage image(CardImage::Layout::kG2, 200 * 1024);
  image.SetSectorsPerCluster(4);
  image.PlaceHeader(image.DataRegionOffset(), 0);
  auto add = [&](const char* name, int cluster, std::uint32_t body) {
    image.PlaceFile(image.ClusterOffset(cluster), body);
    image.AddEntry(name, cluster, body + 1000);
  };
  add("DATA0001.KVX", 3, 3000);
  add("DATA0002.KVX", 6, 1000);
  add("DATA0003.KVX", 8, 500);
  return image;
}

struct Outcome {
  std::string label1, label2, label3;
  std::vector<std::string> lines;
  bool card_open = false;
  bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
  *os << ::testing::PrintToString(std::tie(o.label1, o.label2, o.label3, o.card_open, o.lines));
}

constexpr char kReport[] = "<report>";  // Label2 holds the card report

struct SweepRun {
  Outcome outcome;
  std::vector<std::pair<std::int64_t, std::size_t>> reads;
  FoundFileList files;
};

using Action = void (*)(WindowState&, Controls&, Platform&);

SweepRun RunWithFault(Action action, const CardImage& image, std::int64_t fault_at) {
  ActionHarness h;
  h.controls.label1 = h.controls.label2 = h.controls.label3 = "old";
  h.controls.lines = {"old line"};
  Card& card = h.InsertCard(image);
  card.fault = ReadFault{fault_at, fault_at + 1};
  action(*h.state, h.controls, h.platform);
  EXPECT_FALSE(h.controls.busy);
  for (auto [offset, size] : card.reads)  // whole sectors, as a raw volume on Windows wants
    EXPECT_TRUE(offset % 512 == 0 && size % 512 == 0) << offset << "+" << size;
  bool report = h.controls.label2.find("SD Name: ") != std::string::npos;
  return {{h.controls.label1, report ? kReport : h.controls.label2, h.controls.label3,
           h.controls.lines, h.platform.open_volumes() == 1},
          card.reads,
          h.state->FoundFiles};
}

bool Within(std::int64_t at, std::int64_t from, std::int64_t size) {
  return at >= from && at < from + size;
}
bool InAProbe(std::int64_t at) {
  return Within(at, kProbe1G, kHeader) || Within(at, kProbe2G, kHeader);
}

Outcome ExpectedQuickSearch(const SweepRun& clean, std::int64_t f) {
  Outcome o = clean.outcome;
  if (f == 0) return {"old", "Can't read SD", "old", {"old line"}, true};
  if (Within(f, kEntryBlock1G, kEntryBlockSize)) {
    o.label1 = "Trouble reading KVX file entries";
    o.lines.clear();
  } else if (Within(f, kEntryBlock2G, kMarkerEnd - kEntryBlock2G)) {
    // The 2G block's count is not asked: the bytes lost read as 0, the marker with them.
    return {"KVX File Entries not found", kReport, "old", {}, true};
  } else if (InAProbe(f)) {
    o.label1 = "Trouble reading KVX data region";
    o.label3 = "old";
    o.card_open = true;
  }
  for (std::size_t i = 0; i < o.lines.size(); ++i) {
    FoundFile file = *clean.files.Record(static_cast<int>(i));
    if (!Within(f, file.StartOffset, kHeader)) continue;
    file.SizeByHeader = file.SizeByFat;  // a failed header read is no header
    o.lines[i] = ListLine(file);
  }
  return o;
}

// Explore's walk (`probes`: after its data-region probe) and Comb Through's
// scan: both end at the first header block that holds the fault, with the
// clean run's lines of the files before it.
Outcome ExpectedWalkOrScan(const SweepRun& clean, std::int64_t f, const char* label1, bool probes) {
  if (f == 0) return {label1, "Can't read SD", "", {"old line"}, true};
  if (f < kBootSector) return clean.outcome;
  if (probes && InAProbe(f)) return {"Trouble reading KVX data region", kReport, "", {}, true};
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < clean.outcome.lines.size(); ++i) {
    if (clean.files.Record(static_cast<int>(i))->StartOffset + kHeader > f) break;
    lines.push_back(clean.outcome.lines[i]);
  }
  std::string closing =
      lines.empty() ? "No KVX Files found" : std::to_string(lines.size()) + " KVX File(s) found";
  return {label1, kReport, closing, lines, false};
}

struct SweepCase {
  const char* name;
  Action action;
  const char* label1;  // Explore's or Comb Through's first label; nullptr for Quick Search
  bool probes;         // the data-region probe comes before the walk
};

class ReadFaultSweepTest : public ::testing::TestWithParam<SweepCase> {};

TEST_P(ReadFaultSweepTest, EveryFailingReadEndsTheSearchAsItsRulesSay) {
  const SweepCase& c = GetParam();
  const CardImage image = SweepCard();
  const SweepRun clean = RunWithFault(c.action, image, image.bytes().size() + 1);
  ASSERT_GE(clean.outcome.lines.size(), 3u) << ::testing::PrintToString(clean.outcome);

  // The first and last byte of every read made, and of every header found:
  // a scan served from large reads still fails at the block a fault is in.
  std::set<std::int64_t> faults;
  for (auto [offset, size] : clean.reads)
    faults.insert({offset, offset + static_cast<std::int64_t>(size) - 1});
  for (std::size_t i = 0; i < clean.outcome.lines.size(); ++i) {
    std::int64_t start = clean.files.Record(static_cast<int>(i))->StartOffset;
    faults.insert({start, start + kHeader - 1});
  }
  for (std::int64_t f : faults) {
    SCOPED_TRACE("fault at " + std::to_string(f));
    EXPECT_EQ(RunWithFault(c.action, image, f).outcome,
              c.label1 ? ExpectedWalkOrScan(clean, f, c.label1, c.probes)
                       : ExpectedQuickSearch(clean, f));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Searches, ReadFaultSweepTest,
    ::testing::Values(SweepCase{"QuickSearch", QuickSearch, nullptr, false},
                      SweepCase{"Explore", Explore, "Skipepd DIR region", true},
                      SweepCase{"CombThrough", CombThrough, "Skipped DIR region", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvx::testing

// Every read a search makes, made to fail in turn: a fault on the first and on
// the last byte of each read of a clean run. Whatever read fails, the search
// ends as its failure rules say for that read: the prologue's, a probe's, a
// header read's or the walk's and scan's; a fault never adds, changes or
// reorders a line other than the one whose read failed.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "search/comb_through.h"
#include "search/explore.h"
#include "search/quick_search.h"
#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

using Layout = CardImage::Layout;

constexpr std::int64_t kEntryBlock1G = 64000, kEntryBlock2G = 124928, kEntryBlockSize = 16384;
constexpr std::int64_t kProbe1G = 80384, kProbe2G = 141312, kHeader = 1536;
constexpr std::int64_t kBootSector = 512;  // the prologue reads it whole; only its start counts
constexpr std::int64_t kMarkerEnd = kEntryBlock2G + 43;  // slot 1's name bytes end here

// A 2G card of 2 KiB clusters: the region header, then three recordings laid
// end to end from cluster 3 whose directory sizes differ from their headers'.
CardImage SweepCard() {
  CardImage image(Layout::G2, 200 * 1024);
  image.SetSectorsPerCluster(4);
  image.PlaceHeader(image.DataRegionOffset(), 0);
  struct {
    const char* name;
    int cluster;
    std::uint32_t body;
  } files[] = {{"DATA0001.KVX", 3, 3000}, {"DATA0002.KVX", 6, 1000}, {"DATA0003.KVX", 8, 500}};
  for (const auto& f : files) {
    image.PlaceFile(image.ClusterOffset(f.cluster), f.body);
    image.AddEntry(f.name, f.cluster, f.body + 1000);
  }
  return image;
}

struct Outcome {
  std::string label1, label2, label3;
  std::vector<std::string> lines;
  bool card_open = false;
  bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
  *os << "label1=\"" << o.label1 << "\" label2=\"" << o.label2 << "\" label3=\"" << o.label3
      << "\" open=" << o.card_open << " lines:";
  for (const std::string& line : o.lines) *os << "\n  " << line;
}

constexpr char kReport[] = "<report>";  // Label2 holds the card report

struct SweepRun {
  Outcome outcome;
  std::vector<std::pair<std::int64_t, std::size_t>> reads;
  WindowState state;
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
  bool report = h.controls.label2.find("SD Name: ") != std::string::npos;
  SweepRun run{{h.controls.label1, report ? kReport : h.controls.label2, h.controls.label3,
                h.controls.lines, h.platform.open_volumes() == 1},
               card.reads,
               {}};
  run.state.found_files = h.state->found_files;
  return run;
}

bool Within(std::int64_t at, std::int64_t from, std::int64_t size) {
  return at >= from && at < from + size;
}

// The clean run's lines of the files whose header block ends before the
// fault: a walk or a scan ends at the first block that holds it.
std::vector<std::string> LinesBefore(const SweepRun& clean, std::int64_t fault_at) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < clean.outcome.lines.size(); ++i) {
    if (clean.state.found_files[i].StartOffset + kHeader > fault_at) break;
    lines.push_back(clean.outcome.lines[i]);
  }
  return lines;
}

std::string Closing(std::size_t found) {
  return found == 0 ? "No KVX Files found" : std::to_string(found) + " KVX File(s) found";
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
  } else if (Within(f, kProbe1G, kHeader) || Within(f, kProbe2G, kHeader)) {
    o.label1 = "Trouble reading KVX data region";
    o.label3 = "old";
    o.card_open = true;
  }
  for (std::size_t i = 0; i < o.lines.size(); ++i) {
    FoundFile file = clean.state.found_files[i];
    if (!Within(f, file.StartOffset, kHeader)) continue;
    file.SizeByHeader = file.SizeByFat;  // a failed header read is no header
    o.lines[i] = ListLine(file);
  }
  return o;
}

Outcome ExpectedExplore(const SweepRun& clean, std::int64_t f) {
  if (f == 0) return {"Skipepd DIR region", "Can't read SD", "", {"old line"}, true};
  if (f < kBootSector) return clean.outcome;
  if (Within(f, kProbe1G, kHeader) || Within(f, kProbe2G, kHeader)) {
    return {"Trouble reading KVX data region", kReport, "", {}, true};
  }
  std::vector<std::string> lines = LinesBefore(clean, f);
  return {"Skipepd DIR region", kReport, Closing(lines.size()), lines, false};
}

Outcome ExpectedComb(const SweepRun& clean, std::int64_t f) {
  if (f == 0) return {"Skipped DIR region", "Can't read SD", "", {"old line"}, true};
  if (f < kBootSector) return clean.outcome;
  std::vector<std::string> lines = LinesBefore(clean, f);
  return {"Skipped DIR region", kReport, Closing(lines.size()), lines, false};
}

struct SweepCase {
  const char* name;
  Action action;
  std::function<Outcome(const SweepRun&, std::int64_t)> expected;
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
  for (auto [offset, size] : clean.reads) {
    faults.insert({offset, offset + static_cast<std::int64_t>(size) - 1});
  }
  for (std::size_t i = 0; i < clean.outcome.lines.size(); ++i) {
    std::int64_t start = clean.state.found_files[i].StartOffset;
    faults.insert({start, start + kHeader - 1});
  }
  for (std::int64_t f : faults) {
    SCOPED_TRACE("fault at " + std::to_string(f));
    EXPECT_EQ(RunWithFault(c.action, image, f).outcome, c.expected(clean, f));
  }
}

INSTANTIATE_TEST_SUITE_P(Searches, ReadFaultSweepTest,
                         ::testing::Values(SweepCase{"QuickSearch", QuickSearch,
                                                     ExpectedQuickSearch},
                                           SweepCase{"Explore", Explore, ExpectedExplore},
                                           SweepCase{"CombThrough", CombThrough, ExpectedComb}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvx::testing

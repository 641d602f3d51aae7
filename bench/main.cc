// kvx-bench: times the rescue program's actions on a realistic card image
// against what the page cache and the disk give plainly, measures peak
// resident memory, and says which speed and memory targets are met.
//   kvx-bench [--quick] [--image PATH] [--cli PATH]
// Exit status: 0 every target met, 3 a target missed, 1 a failure (an action
// found other files than the image holds, say), 2 a usage error.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <unistd.h>

#include "bench/bench_card.h"
#include "bench/bench_report.h"
#include "bench/measure.h"
#include "bench/plain_io.h"
#include "bench/window_stand_in.h"
#include "controls/memory_controls.h"
#include "platform/system_platform.h"
#include "retrieve/retrieve.h"
#include "search/comb_through.h"
#include "search/explore.h"
#include "search/quick_search.h"
#include "bench/straightforward_comb.h"
#include "tests/support/temp_dir.h"

namespace kvx::bench {
namespace {

constexpr std::int64_t kFullLength = std::int64_t{1} << 30;
constexpr std::int64_t kQuickLength = std::int64_t{64} << 20;
constexpr std::uint64_t kSeed = 20240611;
constexpr std::int64_t kMemoryLimitKiB = 32 * 1024;

struct Options {
  bool quick = false;
  std::string image;  // empty: a generated image
  std::string cli = KVX_CLI_PATH;
  bool help = false;
  std::string error;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--quick") {
      options.quick = true;
    } else if ((arg == "--image" || arg == "--cli") && i + 1 < argc) {
      (arg == "--image" ? options.image : options.cli) = argv[++i];
    } else if (arg == "--help") {
      options.help = true;
    } else {
      options.error = "unknown or incomplete option " + arg;
    }
  }
  if (options.quick && !options.image.empty())
    options.error = "--quick and --image exclude each other";
  return options;
}

// An empty directory `name` inside `scratch`, made afresh.
// Also waits until nothing is left to write back, so that one timed copy's
// write-back never slows the next.
std::string FreshDirectory(const testing::TempDir& scratch, const std::string& name) {
  std::filesystem::path directory = scratch.path() / name;
  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
  std::filesystem::create_directory(directory, ignored);
  ::sync();
  return directory.string();
}

// Bytes held by the recovered files of `directory`, and their count: the
// rescue's record beside them aside.
std::pair<std::int64_t, int> DirectoryContent(const std::string& directory) {
  std::pair<std::int64_t, int> content{0, 0};
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
    if (entry.path().filename().string().starts_with("kvx-rescue-")) continue;
    content.first += static_cast<std::int64_t>(entry.file_size(error));
    ++content.second;
  }
  return content;
}

// The files a search listed: the first FoundCount records.
std::vector<BenchFile> Listed(const WindowState& state) {
  std::vector<BenchFile> files;
  for (int i = 0; i < state.FoundFiles.FoundCount(); ++i) {
    const FoundFile& file = *state.FoundFiles.Record(i);
    files.push_back({file.StartOffset, file.SizeByHeader});
  }
  return files;
}

// Checks the runs' findings; a benchmark of wrong answers measures nothing.
class Checks {
 public:
  void Expect(bool holds, const std::string& what) {
    if (!holds) failures_.push_back(what);
  }
  bool Report() const {
    for (const std::string& failure : failures_)
      std::fprintf(stderr, "kvx-bench: %s\n", failure.c_str());
    return failures_.empty();
  }

 private:
  std::vector<std::string> failures_;
};

// The image the actions run on: generated in the scratch directory, with
// what it holds known, or the one given.
struct BenchImage {
  std::string path;
  std::int64_t size = 0;
  std::optional<BenchCard> plan;  // a generated image's contents
};

// Setup: writes the image (or takes the one given) and reads it once, so
// every timing meets the same warm page cache. nullopt after a message.
std::optional<BenchImage> PrepareImage(const Options& options, const testing::TempDir& scratch) {
  BenchImage image;
  image.path = options.image;
  if (image.path.empty()) {
    const BenchCard& plan =
        image.plan.emplace(PlanBenchCard(options.quick ? kQuickLength : kFullLength, kSeed));
    image.path = (scratch.path() / "card.img").string();
    std::string error;
    double seconds = Seconds([&] { error = WriteBenchCard(plan, image.path); });
    if (!error.empty()) {
      std::fprintf(stderr, "kvx-bench: %s\n", error.c_str());
      return std::nullopt;
    }
    std::printf(
        "image: %lld MiB in the 1G layout, %zu recordings (%d in the directory, %d of them "
        "deleted), %zu orphans; written in %.1f s\n",
        static_cast<long long>(plan.length >> 20), plan.recordings.size(), plan.listed,
        plan.listed / 10, plan.orphans.size(), seconds);
  }
  image.size = ReadSequentially(image.path);
  if (image.size <= 0) {
    std::fprintf(stderr, "kvx-bench: cannot read %s\n", image.path.c_str());
    return std::nullopt;
  }
  std::printf("image: %s, %lld bytes; %u cores\n\n", image.path.c_str(),
              static_cast<long long>(image.size), std::thread::hardware_concurrency());
  return image;
}

using Action = void (*)(WindowState&, Controls&, Platform&);

// The core's actions on drive E, with a window held in memory.
struct Session {
  explicit Session(const std::string& image) {
    DriveMap drives;
    drives.Add("E=" + image);
    platform = NewSystemPlatform(drives);
  }
  double Time(Action action) { return Time(action, controls); }
  double Time(Action action, Controls& window) {
    return Seconds([&] { action(*state, window, *platform); });
  }

  std::unique_ptr<Platform> platform;
  std::unique_ptr<WindowState> state = std::make_unique<WindowState>();
  MemoryControls controls;
};

constexpr int kRuns = 5;
constexpr int kCheapRuns = 7;  // of Quick Search and Explore, which take well under a millisecond

struct SearchRuns {
  std::vector<double> sequential, comb, comb_reporting, quick, explore, straightforward;
  std::vector<BenchFile> comb_found, straightforward_found, explore_found;
  int quick_listed = 0;
};

// Timing: the three searches, the sequential read and the straightforward comb.
SearchRuns TimeSearches(const std::string& image, Session& session, int straightforward_runs) {
  SearchRuns runs;
  SilentWindow silent;
  EventProcessingWindow reporting;
  for (int r = 0; r < kRuns; ++r) {
    // Taken in turns, so none always runs first.
    auto read = [&] { runs.sequential.push_back(Seconds([&] { ReadSequentially(image); })); };
    auto combed = [&] { runs.comb.push_back(session.Time(CombThrough, silent)); };
    auto reported = [&] { runs.comb_reporting.push_back(session.Time(CombThrough, reporting)); };
    if (r % 2 == 0)
      read(), combed(), reported();
    else
      reported(), combed(), read();
  }
  runs.comb_found = Listed(*session.state);
  for (int r = 0; r < kCheapRuns; ++r) runs.quick.push_back(session.Time(QuickSearch));
  runs.quick_listed = session.state->FoundFiles.FoundCount();
  for (int r = 0; r < kCheapRuns; ++r) runs.explore.push_back(session.Time(Explore));
  runs.explore_found = Listed(*session.state);

  StraightforwardCombResult combed;
  for (int r = 0; r < straightforward_runs; ++r) {
    runs.straightforward.push_back(Seconds([&] {
      if (auto card = session.platform->OpenVolume("E"))
        combed = StraightforwardComb(**card);
    }));
  }
  for (const CombedHeader& header : combed.headers)
    runs.straightforward_found.push_back({header.offset, header.length});
  return runs;
}

// What the searches found, against each other and against the image.
void CheckSearches(const SearchRuns& runs, const std::optional<BenchCard>& plan, Checks& checks) {
  checks.Expect(runs.comb_found == runs.straightforward_found,
                "Comb Through found other headers than the straightforward comb");
  if (!plan) return;
  std::vector<BenchFile> headers = plan->recordings;
  headers.insert(headers.end(), plan->orphans.begin(), plan->orphans.end());
  checks.Expect(runs.comb_found == headers, "Comb Through did not find every header on the card");
  checks.Expect(runs.explore_found == plan->recordings, "Explore did not find every recording");
  checks.Expect(runs.quick_listed == plan->listed,
                "Quick Search did not list every directory entry");
}

struct CopyRuns {
  std::int64_t bytes = 0;  // of the recordings, as far as the image holds them
  std::vector<double> retrieve, copy;
  // Every Retrieve copied every recording, with no message, each read alike twice.
  bool retrieved_whole = true;
  bool copied_whole = true;
  std::string copy_error;  // the last failed plain copy's
};

// Timing: Retrieve of every line Explore listed (the recordings), against a
// plain copy of the same ranges; each into a fresh directory, in turns.
CopyRuns TimeRetrieval(const BenchImage& image, const std::vector<BenchFile>& recordings,
                       Session& session, const testing::TempDir& scratch) {
  CopyRuns runs;
  for (const BenchFile& file : recordings)
    runs.bytes += std::max<std::int64_t>(0, std::min(file.length, image.size - file.offset));
  const std::pair whole(runs.bytes, static_cast<int>(recordings.size()));
  MemoryControls& controls = session.controls;
  for (int r = 0; r < kRuns; ++r) {
    auto retrieved = [&] {
      std::string directory = FreshDirectory(scratch, "retrieved");
      controls.text2 = directory + "/";
      for (int line = 0; line < controls.LineCount(); ++line) controls.Select(line);
      controls.messages.clear();
      runs.retrieve.push_back(session.Time(Retrieve));
      runs.retrieved_whole &= controls.messages.empty() && DirectoryContent(directory) == whole &&
                              controls.outcomes.back().kind == Outcome::kDone;
      FreshDirectory(scratch, "retrieved");
    };
    auto copied = [&] {
      std::string directory = FreshDirectory(scratch, "copied");
      std::string error;
      runs.copy.push_back(Seconds([&] { error = CopyRanges(image.path, recordings, directory); }));
      if (!error.empty()) runs.copy_error = error;
      runs.copied_whole &= error.empty() && DirectoryContent(directory).first == runs.bytes;
      FreshDirectory(scratch, "copied");
    };
    if (r % 2 == 0)
      copied(), retrieved();
    else
      retrieved(), copied();
  }
  return runs;
}

void CheckRetrieval(const CopyRuns& runs, Checks& checks) {
  checks.Expect(runs.retrieved_whole, "Retrieve did not copy every recording whole");
  checks.Expect(runs.copied_whole, "the plain copy failed: " + runs.copy_error);
}

std::vector<ActionRow> ActionRows(const BenchImage& image, const SearchRuns& searches,
                                  const CopyRuns& copies, const ChildRun& cli) {
  const double sequential_s = Median(searches.sequential);
  const double copy_s = Median(copies.copy);
  const std::int64_t combed_bytes = image.size - kFirstCombedOffset;
  auto runs = [](const std::vector<double>& times) { return static_cast<int>(times.size()); };
  return {
      {"sequential read (1 MiB reads)", kRuns, sequential_s, image.size, sequential_s},
      {"Quick Search", kCheapRuns, Median(searches.quick), 0, 0},
      {"Explore", kCheapRuns, Median(searches.explore), 0, 0},
      {"Comb Through", kRuns, Median(searches.comb), combed_bytes, sequential_s},
      {"Comb Through, progress and events", kRuns, Median(searches.comb_reporting), combed_bytes,
       sequential_s},
      {"straightforward comb (1536 B / step)", runs(searches.straightforward),
       Median(searches.straightforward), combed_bytes, sequential_s},
      {"kvx-rescue-cli comb (whole program)", 1, cli.seconds, combed_bytes, sequential_s},
      {"plain copy of the recordings", kRuns, copy_s, copies.bytes, copy_s},
      {"Retrieve of the recordings", kRuns, Median(copies.retrieve), copies.bytes, copy_s},
  };
}

// The targets, each against the physical limit of the same work on this
// machine (or a fixed budget), never against another program's speed.
std::vector<Target> Targets(const SearchRuns& searches, const CopyRuns& copies,
                            std::int64_t bench_rss_kib, const ChildRun& cli) {
  auto times = [](double ratio) { return Figure("%.2f x", ratio); };
  auto millis = [](double seconds) { return Figure("%.2f ms", seconds * 1000); };
  auto mebibytes = [](std::int64_t kib) {
    return Figure("%.1f MiB", static_cast<double>(kib) / 1024);
  };
  const double comb_s = Median(searches.comb), sequential_s = Median(searches.sequential);
  const double retrieve_s = Median(copies.retrieve), copy_s = Median(copies.copy);
  const double quick_s = Median(searches.quick), explore_s = Median(searches.explore);
  const double reporting_s = Median(searches.comb_reporting);
  return {
      {"Comb Through <= 1.25 x sequential read", times(comb_s / sequential_s),
       comb_s <= 1.25 * sequential_s},
      {"Comb Through with progress and events <= 1.05 x without", times(reporting_s / comb_s),
       reporting_s <= 1.05 * comb_s},
      // Retrieve reads each file twice (the copy and the second read) and digests it.
      {"Retrieve with its second read <= 2.1 x plain copy", times(retrieve_s / copy_s),
       retrieve_s <= 2.1 * copy_s},
      {"Quick Search < 20 ms", millis(quick_s), quick_s < 0.020},
      {"Explore < 50 ms", millis(explore_s), explore_s < 0.050},
      {"peak memory of kvx-bench < 32 MiB", mebibytes(bench_rss_kib),
       bench_rss_kib < kMemoryLimitKiB},
      {"peak memory of kvx-rescue-cli comb < 32 MiB", mebibytes(cli.peak_rss_kib),
       cli.peak_rss_kib < kMemoryLimitKiB},
  };
}

// Prints the table, the memory figures and the targets; true when every
// target is met.
bool ReportFigures(const BenchImage& image, const SearchRuns& searches, const CopyRuns& copies,
                   const ChildRun& cli) {
  std::fputs(ActionTable(ActionRows(image, searches, copies, cli)).c_str(), stdout);
  const std::int64_t bench_rss = PeakRssKiB();
  std::printf("\npeak resident memory: kvx-bench %.1f MiB, kvx-rescue-cli comb %.1f MiB\n",
              static_cast<double>(bench_rss) / 1024, static_cast<double>(cli.peak_rss_kib) / 1024);
  // How much a comb gains over a read per sector is what a system call costs
  // here, so it is shown, not held to a target.
  std::printf(
      "Comb Through is %.1f x as fast as the straightforward comb (a figure, not a target)\n\n",
      Median(searches.straightforward) / Median(searches.comb));
  std::vector<Target> targets = Targets(searches, copies, bench_rss, cli);
  std::fputs(TargetLines(targets).c_str(), stdout);
  return std::all_of(targets.begin(), targets.end(), [](const Target& t) { return t.met; });
}

int Run(const Options& options) {
  std::optional<testing::TempDir> scratch;
  try {
    scratch.emplace("kvx-bench-");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kvx-bench: %s\n", error.what());
    return 1;
  }
  std::optional<BenchImage> image = PrepareImage(options, *scratch);
  if (!image) return 1;
  // The front end's comb while this process is still small (see RunChild).
  ChildRun cli = RunChild({options.cli, "--drive", "E=" + image->path, "--json", "comb"});

  Session session(image->path);
  // The straightforward comb is slow by design: once over the whole card.
  SearchRuns searches = TimeSearches(image->path, session, options.quick ? kRuns : 1);
  CopyRuns copies = TimeRetrieval(*image, searches.explore_found, session, *scratch);

  Checks checks;
  checks.Expect(cli.ran, "kvx-rescue-cli comb did not run: " + options.cli);
  CheckSearches(searches, image->plan, checks);
  CheckRetrieval(copies, checks);
  if (!checks.Report()) return 1;
  return ReportFigures(*image, searches, copies, cli) ? 0 : 3;
}

}  // namespace
}  // namespace kvx::bench

int main(int argc, char** argv) {
  kvx::IgnoreFileSizeSignal();
  kvx::bench::Options options = kvx::bench::ParseOptions(argc, argv);
  if (options.help) {
    std::puts(
        "Usage: kvx-bench [--quick] [--image PATH] [--cli PATH]\n"
        "  --quick       a 64 MiB card image instead of 1 GiB\n"
        "  --image PATH  time the actions on this card image instead of a generated one\n"
        "  --cli PATH    the kvx-rescue-cli whose comb is measured");
    return 0;
  }
  if (!options.error.empty()) {
    std::fprintf(stderr, "kvx-bench: %s\n", options.error.c_str());
    return 2;
  }
  return kvx::bench::Run(options);
}

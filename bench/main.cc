// kvx-bench: times the rescue program's actions on a realistic card image
// against what the page cache and the disk give plainly, measures peak
// resident memory, and says which speed and memory targets are met.
//   kvx-bench [--quick] [--image PATH] [--cli PATH]
// Exit status: 0 every target met, 3 a target missed, 1 a failure (an action
// found other files than the image holds, say), 2 a usage error.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "bench/bench_card.h"
#include "bench/bench_report.h"
#include "bench/measure.h"
#include "bench/plain_io.h"
#include "bench/reference_comb.h"
#include "controls/memory_controls.h"
#include "platform/system_platform.h"
#include "retrieve/retrieve.h"
#include "search/comb_through.h"
#include "search/explore.h"
#include "search/quick_search.h"

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

// A fresh directory for the image and the retrieved files, removed at the end.
class Scratch {
 public:
  Scratch() {
    std::random_device seed;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      std::filesystem::path candidate = base / ("kvx-bench-" + std::to_string(seed() % 1000000000));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) path_ = candidate;
    }
  }
  ~Scratch() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // An empty directory `name` inside, made afresh.
  std::string FreshDirectory(const std::string& name) const {
    std::filesystem::path directory = path_ / name;
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    std::filesystem::create_directory(directory, ignored);
    return directory.string();
  }

 private:
  std::filesystem::path path_;
};

// Bytes held by the files of `directory`, and their count.
std::pair<std::int64_t, int> DirectoryContent(const std::string& directory) {
  std::pair<std::int64_t, int> content{0, 0};
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
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

int Run(const Options& options) {
  Scratch scratch;
  if (scratch.path().empty()) {
    std::fprintf(stderr, "kvx-bench: cannot create a temporary directory\n");
    return 1;
  }
  Checks checks;

  // The image, written region by region, or the one given.
  std::optional<BenchCard> plan;
  std::string image = options.image;
  if (image.empty()) {
    plan = PlanBenchCard(options.quick ? kQuickLength : kFullLength, kSeed);
    image = (scratch.path() / "card.img").string();
    std::string error;
    double seconds = Seconds([&] { error = WriteBenchCard(*plan, image); });
    if (!error.empty()) {
      std::fprintf(stderr, "kvx-bench: %s\n", error.c_str());
      return 1;
    }
    int deleted = plan->listed / 10;
    std::printf(
        "image: %lld MiB in the 1G layout, %zu recordings (%d in the directory, %d of them "
        "deleted), %zu orphans; written in %.1f s\n",
        static_cast<long long>(plan->length >> 20), plan->recordings.size(), plan->listed, deleted,
        plan->orphans.size(), seconds);
  }
  // The page cache is warmed once; every timing below meets the same cache.
  const std::int64_t image_size = ReadSequentially(image);
  if (image_size <= 0) {
    std::fprintf(stderr, "kvx-bench: cannot read %s\n", image.c_str());
    return 1;
  }
  std::printf("image: %s, %lld bytes; %u cores\n\n", image.c_str(),
              static_cast<long long>(image_size), std::thread::hardware_concurrency());

  // The front end's comb while this process is still small (see RunChild).
  ChildRun cli = RunChild({options.cli, "--drive", "E=" + image, "--json", "comb"});
  checks.Expect(cli.ran, "kvx-rescue-cli comb did not run: " + options.cli);

  // The core's actions on drive E, with a window held in memory.
  DriveMap drives;
  drives.Add("E=" + image);
  std::unique_ptr<Platform> platform = NewSystemPlatform(drives);
  auto window_state = std::make_unique<WindowState>();
  WindowState& state = *window_state;
  MemoryControls controls;
  auto run = [&](void (*action)(WindowState&, Controls&, Platform&)) {
    return Seconds([&] { action(state, controls, *platform); });
  };

  const int runs = 5;
  const int cheap_runs = 7;
  std::vector<double> sequential, comb, quick, explore, straightforward;
  std::vector<BenchFile> comb_found, reference_found;
  for (int r = 0; r < runs; ++r) {
    // Taken in turns, so neither always runs first.
    auto read = [&] { sequential.push_back(Seconds([&] { ReadSequentially(image); })); };
    auto combed = [&] { comb.push_back(run(CombThrough)); };
    if (r % 2 == 0)
      read(), combed();
    else
      combed(), read();
  }
  comb_found = Listed(state);
  for (int r = 0; r < cheap_runs; ++r) quick.push_back(run(QuickSearch));
  const int quick_found = state.FoundFiles.FoundCount();
  for (int r = 0; r < cheap_runs; ++r) explore.push_back(run(Explore));
  const std::vector<BenchFile> recordings = Listed(state);

  // The straightforward comb is slow by design: once over the whole card.
  const int reference_runs = options.quick ? runs : 1;
  for (int r = 0; r < reference_runs; ++r) {
    straightforward.push_back(Seconds([&] {
      auto card = platform->OpenVolume("E");
      reference_found = StraightforwardComb(*card);
    }));
  }
  checks.Expect(comb_found == reference_found,
                "Comb Through found other headers than the straightforward comb");
  if (plan) {
    std::vector<BenchFile> headers = plan->recordings;
    headers.insert(headers.end(), plan->orphans.begin(), plan->orphans.end());
    checks.Expect(comb_found == headers, "Comb Through did not find every header on the card");
    checks.Expect(recordings == plan->recordings, "Explore did not find every recording");
    checks.Expect(quick_found == plan->listed, "Quick Search did not list every directory entry");
  }

  // Retrieve of every recording Explore listed, against a plain copy of the
  // same ranges; each into a fresh directory, in turns.
  std::int64_t retrieved_bytes = 0;
  for (const BenchFile& file : recordings) {
    retrieved_bytes += std::max<std::int64_t>(0, std::min(file.length, image_size - file.offset));
  }
  std::vector<double> retrieve, copy;
  for (int r = 0; r < runs; ++r) {
    auto retrieved = [&] {
      std::string directory = scratch.FreshDirectory("retrieved");
      controls.text2 = directory + "/";
      for (int line = 0; line < controls.LineCount(); ++line) controls.Select(line);
      controls.messages.clear();
      retrieve.push_back(run(Retrieve));
      checks.Expect(controls.messages.empty() &&
                        DirectoryContent(directory) ==
                            std::pair(retrieved_bytes, static_cast<int>(recordings.size())),
                    "Retrieve did not copy every recording whole");
      scratch.FreshDirectory("retrieved");
    };
    auto copied = [&] {
      std::string directory = scratch.FreshDirectory("copied");
      std::string error;
      copy.push_back(Seconds([&] { error = CopyRanges(image, recordings, directory); }));
      checks.Expect(error.empty() && DirectoryContent(directory).first == retrieved_bytes,
                    "the plain copy failed: " + error);
      scratch.FreshDirectory("copied");
    };
    if (r % 2 == 0)
      copied(), retrieved();
    else
      retrieved(), copied();
  }
  if (!checks.Report()) return 1;

  const double sequential_s = Median(sequential);
  const double comb_s = Median(comb);
  const double copy_s = Median(copy);
  const std::int64_t combed_bytes = image_size - kFirstCombedOffset;
  std::vector<ActionRow> rows = {
      {"sequential read (1 MiB reads)", runs, sequential_s, image_size, sequential_s},
      {"Quick Search", cheap_runs, Median(quick), 0, 0},
      {"Explore", cheap_runs, Median(explore), 0, 0},
      {"Comb Through", runs, comb_s, combed_bytes, sequential_s},
      {"straightforward comb (1536 B / step)", reference_runs, Median(straightforward),
       combed_bytes, sequential_s},
      {"kvx-rescue-cli comb (whole program)", 1, cli.seconds, combed_bytes, sequential_s},
      {"plain copy of the recordings", runs, copy_s, retrieved_bytes, copy_s},
      {"Retrieve of the recordings", runs, Median(retrieve), retrieved_bytes, copy_s},
  };
  std::fputs(ActionTable(rows).c_str(), stdout);

  const std::int64_t bench_rss = PeakRssKiB();
  std::printf("\npeak resident memory: kvx-bench %.1f MiB, kvx-rescue-cli comb %.1f MiB\n\n",
              static_cast<double>(bench_rss) / 1024, static_cast<double>(cli.peak_rss_kib) / 1024);

  auto times = [](double ratio) { return Figure("%.2f x", ratio); };
  auto millis = [](double seconds) { return Figure("%.2f ms", seconds * 1000); };
  auto mebibytes = [](std::int64_t kib) {
    return Figure("%.1f MiB", static_cast<double>(kib) / 1024);
  };
  std::vector<Target> targets = {
      {"Comb Through <= 1.25 x sequential read", times(comb_s / sequential_s),
       comb_s <= 1.25 * sequential_s},
      {"Comb Through >= 5 x faster than the straightforward comb",
       times(Median(straightforward) / comb_s), Median(straightforward) >= 5 * comb_s},
      {"Retrieve <= 1.25 x plain copy", times(Median(retrieve) / copy_s),
       Median(retrieve) <= 1.25 * copy_s},
      {"Quick Search < 20 ms", millis(Median(quick)), Median(quick) < 0.020},
      {"Explore < 50 ms", millis(Median(explore)), Median(explore) < 0.050},
      {"peak memory of kvx-bench < 32 MiB", mebibytes(bench_rss), bench_rss < kMemoryLimitKiB},
      {"peak memory of kvx-rescue-cli comb < 32 MiB", mebibytes(cli.peak_rss_kib),
       cli.peak_rss_kib < kMemoryLimitKiB},
  };
  std::fputs(TargetLines(targets).c_str(), stdout);
  for (const Target& target : targets) {
    if (!target.met) return 3;
  }
  return 0;
}

}  // namespace
}  // namespace kvx::bench

int main(int argc, char** argv) {
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

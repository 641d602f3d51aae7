// Retrieve against the real POSIX file system: the platform's own create-new,
// its handling of trailing blanks and separators, and its failed writes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/system_platform.h"
#include "retrieve/retrieve.h"
#include "tests/retrieve/retrieve_test_support.h"
#include "tests/support/temp_dir.h"

namespace kvx::testing {
namespace {

namespace fs = std::filesystem;

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A card image on disk as drive E and an "out" directory beside it; each
// file listed is the card's 5000 bytes from offset 2048.
struct RetrieveFilesTest : ::testing::Test {
  TempDir dir;
  std::vector<std::byte> bytes = PatternBytes(64 * 1024 + 300);
  std::string card{reinterpret_cast<const char*>(bytes.data()), bytes.size()};
  std::string file_bytes = card.substr(2048, 5000);
  WindowState state;
  MemoryControls controls;

  RetrieveFilesTest() {
    std::ofstream(dir.path() / "card.img", std::ios::binary) << card;
    fs::create_directory(dir.path() / "out");
  }
  void Retrieve(std::string text2, std::vector<std::string_view> names) {
    DriveMap drives;
    drives.Add("E=" + (dir.path() / "card.img").string());
    controls.text2 = dir.prefix() + text2;
    for (std::string_view name : names) {
      ListFile(state, controls, name, 2048, 5000);
      controls.Select(static_cast<int>(controls.lines.size()) - 1);
    }
    kvx::Retrieve(state, controls, *NewSystemPlatform(drives));
  }
};

struct PlacementCase {
  const char* text2;  // under the test directory
  std::string_view name;
  const char* created;  // under the test directory, or ""
  const char* message;  // how the message ends, or ""
};

class RetrievePlacementTest : public RetrieveFilesTest,
                              public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(RetrievePlacementTest, TheFileLandsWhereText2AndTheNameSayAndNowhereElse) {
  const PlacementCase& c = GetParam();
  bool existing = std::string_view(c.message).ends_with("directory");  // made beforehand
  if (existing) std::ofstream(dir.path() / c.created) << "keep";
  Retrieve(c.text2, {c.name});
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
    names.insert(fs::relative(entry.path(), dir.path()).generic_string());
  std::set<std::string> expected{"card.img", "out"};
  if (*c.created) expected.insert(c.created);
  EXPECT_EQ(names, expected);
  if (*c.created) {
    EXPECT_EQ(ReadWhole(dir.path() / c.created), existing ? "keep" : file_bytes);
  }
  std::string shown = controls.messages.empty() ? "" : controls.messages[0].text;
  EXPECT_TRUE(shown.ends_with(c.message) && shown.empty() == !*c.message) << shown;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Placements, RetrievePlacementTest, ::testing::Values(
    PlacementCase{"out/", "FOUND0.KVX", "out/FOUND0.KVX", ""},  // the trailing blanks dropped
    PlacementCase{"out", "FOUND0.KVX", "outFOUND0.KVX", ""},
    PlacementCase{"missing/", "FOUND0.KVX", "", "Can't create target file..."},
    PlacementCase{"out/", "D/../../.KVX", "out/D_.._.._.KVX", ""},
    PlacementCase{"out/", "..", "", "Can't create target file..."},
    PlacementCase{"out/", "FOUND0.KVX", "out/FOUND0.KVX",
                  "out/FOUND0.KVX           exists, please select a different directory"}));
// clang-format on

// A file-size limit below the file's size: the run stops with a message and
// the bytes written stay. In a child process, which alone has the limit.
TEST_F(RetrieveFilesTest, AFileSizeLimitStopsTheRunAndKeepsWhatWasWritten) {
  auto retrieve_under_limit = [&] {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {};
    limit.rlim_cur = limit.rlim_max = 3000;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Retrieve("out/", {"FIRST.KVX", "SECOND.KVX"});
    std::vector<ShownMessage> expected{{"Can't write target file...", "Korvex SD Rescure"}};
    return controls.messages == expected && !controls.busy &&
           ReadWhole(dir.path() / "out" / "SECOND.KVX") == file_bytes.substr(0, 3000) &&
           !fs::exists(dir.path() / "out" / "FIRST.KVX");
  };
  EXPECT_EXIT(std::exit(retrieve_under_limit() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kvx::testing

// Retrieve against the real POSIX file system: the platform's own create-new,
// its handling of trailing blanks and separators, and its failed writes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "controls/memory_controls.h"
#include "platform/system_platform.h"
#include "retrieve/retrieve.h"
#include "tests/retrieve/retrieve_test_support.h"
#include "tests/support/temp_dir.h"

namespace kvx::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kCardLength = 64 * 1024 + 300;
constexpr std::int64_t kFileOffset = 2048;
constexpr std::int64_t kFileSize = 5000;

std::vector<std::byte> ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::byte> bytes(chars.size());
  std::memcpy(bytes.data(), chars.data(), chars.size());
  return bytes;
}

std::set<std::string> Listing(const fs::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(directory)) {
    names.insert(fs::relative(entry.path(), directory).generic_string());
  }
  return names;
}

// A card image on disk as drive E, an "out" directory beside it, and one
// listed file of kFileSize bytes at kFileOffset.
struct RetrieveFilesTest : ::testing::Test {
  TempDir dir;
  std::vector<std::byte> card = PatternBytes(kCardLength);
  std::unique_ptr<Platform> platform;
  WindowState state;
  MemoryControls controls;

  RetrieveFilesTest() {
    fs::path image = dir.path() / "card.img";
    std::ofstream(image, std::ios::binary)
        .write(reinterpret_cast<const char*>(card.data()),
               static_cast<std::streamsize>(card.size()));
    fs::create_directory(dir.path() / "out");
    DriveMap drives;
    drives.Add("E=" + image.string());
    platform = NewSystemPlatform(drives);
    controls.text2 = dir.prefix() + "out/";
  }
  void ListAndSelect(std::string_view name) {
    ListFile(state, controls, name, kFileOffset, kFileSize);
    controls.Select(static_cast<int>(controls.lines.size()) - 1);
  }
  std::vector<std::byte> FileBytes() const { return CardSlice(card, kFileOffset, kFileSize); }
};

struct PlacementCase {
  const char* what;
  const char* text2;  // under the test directory
  std::string_view name;
  const char* created;  // relative to the test directory; nullptr: none
  const char* message;
};

void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.what; }

class RetrievePlacementTest : public RetrieveFilesTest,
                              public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(RetrievePlacementTest, TheFileLandsWhereText2AndTheNameSayAndNowhereElse) {
  const PlacementCase& c = GetParam();
  controls.text2 = dir.prefix() + c.text2;
  ListAndSelect(c.name);
  Retrieve(state, controls, *platform);

  std::set<std::string> expected{"card.img", "out"};
  if (c.created) expected.insert(c.created);
  EXPECT_EQ(Listing(dir.path()), expected);
  if (c.created) {
    EXPECT_EQ(ReadWhole(dir.path() / c.created), FileBytes());
  }
  if (c.message) {
    EXPECT_EQ(controls.messages,
              std::vector<ShownMessage>{(ShownMessage{c.message, "Korvex SD Rescure"})});
  } else {
    EXPECT_TRUE(controls.messages.empty());
  }
  EXPECT_EQ(ReadWhole(dir.path() / "card.img"), card);
}

INSTANTIATE_TEST_SUITE_P(
    Placements, RetrievePlacementTest,
    ::testing::Values(PlacementCase{"trailing blanks dropped", "out/", "FOUND0.KVX",
                                    "out/FOUND0.KVX", nullptr},
                      PlacementCase{"Text2 without its final separator", "out", "FOUND0.KVX",
                                    "outFOUND0.KVX", nullptr},
                      PlacementCase{"a missing target directory", "missing/", "FOUND0.KVX", nullptr,
                                    "Can't create target file..."},
                      PlacementCase{"separators and parent steps", "out/", "D/../../.KVX",
                                    "out/D_.._.._.KVX", nullptr},
                      PlacementCase{"a name that is the parent directory", "out/", "..", nullptr,
                                    "Can't create target file..."}),
    [](const auto& info) { return SentenceName(info.param.what); });

TEST_F(RetrieveFilesTest, AnExistingFileIsNamedWithTheFieldsBlanksAndLeftUntouched) {
  std::ofstream(dir.path() / "out" / "FOUND0.KVX") << "keep";
  ListAndSelect("FOUND0.KVX");
  Retrieve(state, controls, *platform);
  EXPECT_EQ(
      controls.messages,
      std::vector<ShownMessage>{(ShownMessage{controls.text2 + "FOUND0.KVX" + std::string(10, ' ') +
                                                  " exists, please select a different directory",
                                              "Recovery file"})});
  std::ifstream kept(dir.path() / "out" / "FOUND0.KVX");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep");
}

// A file-size limit below the file's size: the write comes up short, the run
// stops with a message and the bytes written stay. Runs in a child process
// so the limit and the ignored signal stay there.
TEST_F(RetrieveFilesTest, AFileSizeLimitStopsTheRunAndKeepsWhatWasWritten) {
  ListAndSelect("FIRST.KVX");
  ListAndSelect("SECOND.KVX");
  auto retrieve_under_limit = [&] {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {};
    limit.rlim_cur = limit.rlim_max = 3000;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Retrieve(state, controls, *platform);
    std::vector<ShownMessage> expected{{"Can't write target file...", "Korvex SD Rescure"}};
    return controls.messages == expected && !controls.busy &&
           ReadWhole(dir.path() / "out" / "SECOND.KVX") == CardSlice(card, kFileOffset, 3000) &&
           !fs::exists(dir.path() / "out" / "FIRST.KVX");
  };
  EXPECT_EXIT(std::exit(retrieve_under_limit() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kvx::testing

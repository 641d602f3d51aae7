#include "cli/image_command.h"

#include <gtest/gtest.h>

#include <csignal>

#include "tests/support/byte_text.h"
#include "tests/support/memory_platform.h"

namespace kvx::testing {
namespace {

const std::string kImage = "/out/card.img";

TEST(ImageCommandTest, CtrlCStopsWithATrueMapAndRestoresTheHandler) {
  MemoryPlatform platform;
  int reads = 0;  // Ctrl+C pressed as the card's third read ends
  platform.Insert("E", std::vector<std::byte>(5 << 20, std::byte{7})).after_read = [&] {
    if (++reads == 3) std::raise(SIGINT);
  };
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(RunImageCommand(platform, "e:", kImage, {}, false), 130);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Stopped: 3145728 bytes read, 0 bytes unreadable in 0 range(s), 2097152 bytes not "
            "tried; /out/card.img.map tells which, and a new run continues\n");
  EXPECT_EQ(platform.files.at(kImage).size(), 3u << 20);
  const std::string map = platform.ReadSmallFile(MapPathOf(kImage), 1 << 20).value_or("");
  EXPECT_NE(map.find("0x00300000  0x00200000  ?\n"), std::string::npos);
  EXPECT_EQ(std::signal(SIGINT, SIG_DFL), SIG_DFL);
}

struct CommandCase {
  const char* name;
  bool card_present;
  const char* image;  // nullptr: none
  const char* map;    // nullptr: none; "ours": this program's, half done
  int exit_code;
  const char* outcome;  // the start of the outcome line
};
void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class ImageCommandExitTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ImageCommandExitTest, ExitsZeroOnlyWhenEveryPassIsDone) {
  MemoryPlatform platform;
  if (GetParam().card_present) {
    platform.Insert("E", std::vector<std::byte>(4096, std::byte{1})).fault = {1024, 1536};
  }
  if (GetParam().image) platform.files[kImage] = BytesOf(GetParam().image);
  if (GetParam().map) {
    platform.files[MapPathOf(kImage)] =
        BytesOf(std::string(GetParam().map) == "ours"
                  ? OwnMapFirstLine(4096) + "\n0 +\n0 0x400 +\n0x400 0xC00 ?\n"
                  : GetParam().map);
  }
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(RunImageCommand(platform, "E", kImage, {}, true), GetParam().exit_code);
  const std::string out = ::testing::internal::GetCapturedStdout();
  const std::string err = ::testing::internal::GetCapturedStderr();
  const std::string& outcome = GetParam().exit_code == 0 ? out : err;
  EXPECT_EQ(outcome.rfind(GetParam().outcome, 0), 0u) << outcome;
}

const std::string kHalfImage(1024, '\1');

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, ImageCommandExitTest, ::testing::Values(
    CommandCase{"Continued", true, kHalfImage.c_str(), "ours", 0,
                "Completed 4096 bytes into /out/card.img: 3584 bytes read, 512 bytes unreadable"},
    CommandCase{"NoCard", false, nullptr, nullptr, 1, "kvx-rescue-cli: cannot open drive E"},
    CommandCase{"DamagedMap", true, kHalfImage.c_str(), "# Mapfile. Created by KVX card rescue, "
                "imaging a card of 4096 bytes\n0 +\n0 0x400 #\n", 1,
                "kvx-rescue-cli: /out/card.img.map is damaged: line 3: unknown status \"#\""}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace kvx::testing

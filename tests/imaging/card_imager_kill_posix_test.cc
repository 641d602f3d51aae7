// Imaging killed at random moments with SIGKILL, on the real file system:
// after each kill the map on disk describes the image on disk, and a run
// after the last kill completes the image.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "imaging/card_imager.h"
#include "platform/system_platform.h"
#include "tests/support/byte_text.h"
#include "tests/support/faulty_card.h"
#include "tests/support/temp_dir.h"

namespace kvx::testing {
namespace {

std::vector<std::byte> FileBytes(const std::filesystem::path& path) {
  return BytesOf(FileText(path));
}

// Every finished range of the map on disk holds the card's bytes in the image.
void ExpectMapTrueToImage(const FaultyCard& card, const std::filesystem::path& image) {
  ParsedMap parsed = ParseRescueMap(FileText(image.string() + ".map"));
  ASSERT_TRUE(parsed.map) << parsed.error;
  EXPECT_TRUE(ImageHoldsWhatTheMapPromises(card, FileBytes(image), *parsed.map));
}

TEST(ImagingKillTest, KilledRunsLeaveATrueMapAndAResumeCompletesTheImage) {
  TempDir dir;
  const std::filesystem::path image = dir.path() / "card.img";
  FaultyCard card(3 * (1 << 20) + 512);
  card.whole_read_fails = true;
  card.Fail(2050, 2051);
  card.Fail(4600, 4602, 1);
  auto platform = NewSystemPlatform(DriveMap{});
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);

  for (int kill = 0; kill < 3; ++kill) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // As slow as a failing card, so that a kill lands mid-run.
      card.read_time = std::chrono::microseconds(300);
      ImagingOptions options;
      options.map_interval = std::chrono::milliseconds(10);
      ImageCard(card, *platform, image.string(), options, nullptr, nullptr);
      ::_exit(0);
    }
    // From the first map on: before it, the run has not begun to read.
    while (!std::filesystem::exists(image.string() + ".map")) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 300));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ExpectMapTrueToImage(card, image);
  }

  ImageResult result = ImageCard(card, *platform, image.string(), {}, nullptr, nullptr);
  EXPECT_EQ(result.outcome, ImageOutcome::kImaged);
  std::vector<std::byte> expected = card.bytes;
  std::fill(expected.begin() + 2050 * 512, expected.begin() + 2051 * 512, std::byte{0});
  EXPECT_EQ(FileBytes(image), expected);
  const std::string in_dir = "cd '" + dir.path().string() + "' && ";
  EXPECT_EQ(std::system((in_dir + "sha256sum -c --quiet card.img.sha256").c_str()), 0);
}

}  // namespace
}  // namespace kvx::testing

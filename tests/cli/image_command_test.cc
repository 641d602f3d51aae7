#include "cli/image_command.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <memory>

#include "tests/support/memory_platform.h"

namespace kvx::testing {
namespace {

const std::string kImage = "/out/card.img";

// Ctrl+C pressed while the card's third read is under way.
class PlatformInterruptedOnRead : public MemoryPlatform {
 public:
  std::unique_ptr<Volume> OpenVolume(const std::string& letter) override {
    auto volume = MemoryPlatform::OpenVolume(letter);
    return volume ? std::make_unique<Interrupting>(std::move(volume)) : nullptr;
  }

 private:
  struct Interrupting final : Volume {
    explicit Interrupting(std::unique_ptr<Volume> inner) : inner(std::move(inner)) {}
    std::size_t Read(std::int64_t offset, std::span<std::byte> buffer) override {
      if (++reads == 3) std::raise(SIGINT);
      return inner->Read(offset, buffer);
    }
    std::int64_t Size() const override { return inner->Size(); }
    std::unique_ptr<Volume> inner;
    int reads = 0;
  };
};

TEST(ImageCommandTest, CtrlCStopsWithATrueMapAndRestoresTheHandler) {
  PlatformInterruptedOnRead platform;
  platform.Insert("E", std::vector<std::byte>(5 << 20, std::byte{7}));
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(RunImageCommand(platform, "e:", kImage, {}, false), 130);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Stopped: 3145728 bytes read, 0 bytes unreadable in 0 range(s), 2097152 bytes not "
            "tried; /out/card.img.map tells which\n");
  EXPECT_EQ(platform.files.at(kImage).size(), 3u << 20);
  const auto& map = platform.files.at(MapPathOf(kImage));
  EXPECT_NE(std::string(reinterpret_cast<const char*>(map.data()), map.size())
                .find("0x00300000  0x00200000  ?\n"),
            std::string::npos);
  EXPECT_EQ(std::signal(SIGINT, SIG_DFL), SIG_DFL);
}

struct CommandCase {
  const char* name;
  bool card_present;
  bool image_exists;
  int exit_code;
  std::vector<std::string> created;
};

class ImageCommandExitTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ImageCommandExitTest, ExitsZeroOnlyWhenTheWholeCardWasTried) {
  MemoryPlatform platform;
  if (GetParam().card_present) {
    platform.Insert("E", std::vector<std::byte>(4096, std::byte{1})).fault = {1024, 1536};
  }
  if (GetParam().image_exists) platform.files[kImage] = {std::byte{'k'}};
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(RunImageCommand(platform, "E", kImage, {}, true), GetParam().exit_code);
  ::testing::internal::GetCapturedStdout();
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(platform.created, GetParam().created);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, ImageCommandExitTest, ::testing::Values(
    CommandCase{"Imaged", true, false, 0, {kImage, MapPathOf(kImage)}},
    CommandCase{"NoCard", false, false, 1, {}},
    CommandCase{"ImageExists", true, true, 1, {}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace kvx::testing

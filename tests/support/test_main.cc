// The unit tests' main: every test runs under the file-size cap, with the
// file-size signal ignored as in the programs, so a runaway write fails.
#include <gtest/gtest.h>

#include "platform/system_platform.h"
#include "tests/support/file_size_limit.h"

int main(int argc, char** argv) {
  kvx::IgnoreFileSizeSignal();
  kvx::testing::LimitFileSize(kvx::testing::kTestFileSizeLimit);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

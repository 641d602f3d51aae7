// The words each failure reason reaches the user in, by what failed.
#include <gtest/gtest.h>

#include <string>

#include "platform/system_platform.h"
#include "search/captions.h"

namespace kvx {
namespace {

using Code = Status::Code;

struct ReasonCase {
  const char* name;
  Status status;
  Operation operation;
  std::string why;
};

void PrintTo(const ReasonCase& c, std::ostream* os) { *os << c.name; }

class FailureReasonTest : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(FailureReasonTest, SaysWhatFailedWithAHintWhereOneHelps) {
  EXPECT_EQ(Why(GetParam().status, GetParam().operation), GetParam().why);
}

const std::string kDiskGroupHint = "permission denied: run as root or join the disk group";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Reasons, FailureReasonTest, ::testing::Values(
    ReasonCase{"CardRefused", {Code::kPermissionDenied, "/dev/sdb", "Permission denied"},
               Operation::kOpenCard, kRawVolumesNeedAdministrator
                   ? "permission denied: run as administrator" : kDiskGroupHint},
    ReasonCase{"TargetRefused", {Code::kPermissionDenied, "/out/A.KVX", "Permission denied"},
               Operation::kCreateFile, "permission denied"},
    ReasonCase{"DiskFull", {Code::kNoSpace, "/out/A.KVX", ""}, Operation::kWriteFile,
               "no space left"},
    ReasonCase{"TooLarge", {Code::kFileTooLarge, "/out/A.KVX", ""}, Operation::kWriteFile,
               "file too large"},
    ReasonCase{"DeviceFailed", {Code::kIoError, "/dev/sdb", "Input/output error"},
               Operation::kReadCard, "Input/output error"},
    ReasonCase{"Other", {Code::kOther, "/dev/sdb", "The device is not ready."},
               Operation::kOpenCard, "The device is not ready."}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// A Windows device path is named as typed.
TEST(CardFailureTest, NamesTheDevicePath) {
  EXPECT_EQ(CardFailure({Code::kNotFound, "\\\\.\\Q:", "The system cannot find the file."}),
            "\\\\.\\Q: no such file");
}

}  // namespace
}  // namespace kvx

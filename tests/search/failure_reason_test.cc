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
    ReasonCase{"CardEnded", {}, Operation::kReadCard, "the card ends before it"},
    ReasonCase{"Unmapped", {Code::kNotMapped, "F", ""}, Operation::kOpenCard,
               "letter F names no card: start with --drive F=PATH"},
    ReasonCase{"CardMissing", {Code::kNotFound, "/x.img", "No such file or directory"},
               Operation::kOpenCard, "no such file"},
    ReasonCase{"FolderMissing", {Code::kNotFound, "/out/A.KVX", "No such file or directory"},
               Operation::kCreateFile, "no such folder"},
    ReasonCase{"CardRefused", {Code::kPermissionDenied, "/dev/sdb", "Permission denied"},
               Operation::kOpenCard, kRawVolumesNeedAdministrator
                   ? "permission denied: run as administrator" : kDiskGroupHint},
    ReasonCase{"TargetRefused", {Code::kPermissionDenied, "/out/A.KVX", "Permission denied"},
               Operation::kCreateFile, "permission denied"},
    ReasonCase{"Folder", {Code::kIsDirectory, "/data", "Is a directory"}, Operation::kOpenCard,
               "is a folder"},
    ReasonCase{"Exists", {Code::kExists, "/out/A.KVX", "File exists"}, Operation::kCreateFile,
               "exists"},
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

TEST(CardFailureTest, NamesThePathOrTheLetter) {
  EXPECT_EQ(CardFailure({Code::kNotFound, "/x.img", "No such file or directory"}),
            "/x.img: no such file");
  EXPECT_EQ(CardFailure({Code::kNotMapped, "F", ""}),
            "letter F names no card: start with --drive F=PATH");
  EXPECT_EQ(CardFailure({Code::kNotFound, "\\\\.\\Q:", "The system cannot find the file."}),
            "\\\\.\\Q: no such file");
}

}  // namespace
}  // namespace kvx

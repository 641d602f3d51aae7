// Why an operation of the platform failed: a code the core can act on and
// the system's own words for it, with the path or letter it concerns.
//
// Each platform turns its OS error (errno, GetLastError) into a Status in one
// helper; nothing above the platform layer sees the OS error itself. A
// default-made Status is OK.
#pragma once

#include <string>
#include <utility>

namespace kvx {

class Status {
 public:
  enum class Code {
    kOk,
    kNotFound,          // no such file or folder
    kPermissionDenied,  // the system refused this user
    kNotMapped,         // the letter names no card here
    kIsDirectory,       // a folder where a file or device was wanted
    kExists,
    kNoSpace,
    kFileTooLarge,  // past the file system's or the process's limit
    kIoError,       // the device failed
    kDeviceGone,    // the device was removed or stopped answering
    kOther,
  };

  Status() = default;
  Status(Code code, std::string subject, std::string system_text)
      : code_(code), subject_(std::move(subject)), system_text_(std::move(system_text)) {}

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  // The path, or the letter, the operation concerned.
  const std::string& subject() const { return subject_; }
  // The system's message for the error, as it gave it.
  const std::string& system_text() const { return system_text_; }

 private:
  Code code_ = Code::kOk;
  std::string subject_;
  std::string system_text_;
};

}  // namespace kvx

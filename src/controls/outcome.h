// How an action ended, in one line for the status bar and the headless front
// end's diagnostics: a normal end, a stop the user asked for, or a failure
// with the system's reason and a hint.
#pragma once

#include <string>

namespace kvx {

struct Outcome {
  enum Kind { kDone, kStopped, kFailed };
  Kind kind = kDone;
  std::string text;
  bool operator==(const Outcome&) const = default;
};

}  // namespace kvx

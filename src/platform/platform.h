// The operating system as the rescue actions see it: the card by its drive
// letter, and the target directory's files.
//
// Guarantees of every implementation: the card is opened read-only; a target
// file is created only when none of that name exists, so nothing is ever
// overwritten. Tests substitute an in-memory implementation.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/local_time.h"
#include "platform/result.h"
#include "platform/status.h"
#include "platform/target_file.h"
#include "platform/volume.h"
#include "platform/volume_location.h"

namespace kvx {

class Platform {
 public:
  virtual ~Platform() = default;

  // The raw volume of drive `letter` (one character, as typed and upper-cased),
  // or why it cannot be opened.
  virtual Result<std::unique_ptr<Volume>> OpenVolume(const std::string& letter) = 0;

  // Where drive `letter` leads at this moment, for OpenVolumeAt later, when
  // the letter may lead elsewhere; nullopt when it leads nowhere. Where
  // letters never move, the location is the letter itself.
  virtual std::optional<VolumeLocation> LocationOf(const std::string& letter) {
    return VolumeLocation{letter, 0};
  }

  // The raw volume at `location` (as LocationOf gave it), or why not.
  virtual Result<std::unique_ptr<Volume>> OpenVolumeAt(const VolumeLocation& location) {
    return OpenVolume(location.path);
  }

  // True when `path` (UTF-8) names an existing ordinary file; trailing blanks
  // of its last component are ignored, as they are when the file is created.
  virtual bool FileExists(const std::string& path) = 0;

  // True when `path` (UTF-8) names an existing directory.
  virtual bool DirectoryExists(const std::string& path) = 0;

  // Creates `path` (UTF-8, trailing blanks of the last component dropped) as a
  // new file; a failure (kExists among them) when it exists already or cannot
  // be created.
  virtual Result<std::unique_ptr<TargetFile>> CreateNewFile(const std::string& path) = 0;

  // The ordinary file `path` (UTF-8) opened for reading only, read like a
  // volume: an image to digest, a recovered file to compare with the card.
  // A failure when it does not exist, is no ordinary file or cannot be opened.
  virtual Result<std::unique_ptr<Volume>> OpenFileToRead(const std::string& path) = 0;

  // The existing ordinary file `path` (UTF-8) opened for writing in place, as
  // an image is continued: nothing is cut off, and Write appends at its end.
  // A failure when it does not exist, is no ordinary file or cannot be opened.
  virtual Result<std::unique_ptr<TargetFile>> OpenFileToUpdate(const std::string& path) = 0;

  // Puts the file `from` in the place of `to` in one step, replacing `to`
  // when it exists, so that `to` is always either the old file or the whole
  // new one. Only for the program's own files (a map it keeps current), never
  // for a recovered file. Not OK when the system refused.
  virtual Status RenameReplacing(const std::string& from, const std::string& to) = 0;

  // The whole content of the ordinary file `path` (UTF-8), or nullopt when it
  // does not exist, cannot be read, or holds more than `max_bytes`.
  virtual std::optional<std::string> ReadSmallFile(const std::string& path,
                                                   std::int64_t max_bytes) = 0;

  // The present moment in local time; tests give a fixed one.
  virtual LocalTime Now() { return LocalTimeNow(); }

  // One line saying what drive `letter` names on this machine, for a window
  // at rest: "E: /dev/sdb1, 1.9 GB, Generic SD reader", "E: card.img",
  // "E: \\.\E:", or why it names nothing.
  virtual std::string DescribeLetter(const std::string& letter) { return letter + ":"; }
};

}  // namespace kvx

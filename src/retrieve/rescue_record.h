// The two files that record a rescue beside the files it copied: STEM.sha256,
// the digest manifest, and STEM.json, the rescue report. STEM is
// "kvx-rescue-YYYYMMDD-HHMMSS" in local time, with "-2", "-3" and so on
// added while a file of either name exists. Both are created new, so no
// file is ever overwritten.
#pragma once

#include <functional>
#include <string>

#include "platform/local_time.h"
#include "platform/platform.h"

namespace kvx {

// The stem of the `attempt`th name tried (1 for the first).
std::string RescueStem(const LocalTime& time, int attempt);

struct RecordWritten {
  std::string manifest_name;  // the manifest's file name, without the directory
  // The note for the outcome: the digests' file, or why the record could not
  // be created or written.
  std::string note;
  bool ok = false;
};

// Writes the record into `directory` (empty, or ending in a separator):
// `manifest` as it is, and the report `report` gives for the manifest's name.
RecordWritten WriteRescueRecord(Platform& platform, const std::string& directory,
                                const LocalTime& time, const std::string& manifest,
                                const std::function<std::string(const std::string&)>& report);

}  // namespace kvx

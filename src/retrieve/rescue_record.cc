#include "retrieve/rescue_record.h"

#include <cstdio>
#include <memory>
#include <span>

#include "search/captions.h"

namespace kvx {

namespace {

// Far more than a day's rescues in one second; past it something is amiss
// and the record is not written rather than searched for without end.
constexpr int kMostAttempts = 1000;

Status WriteWhole(TargetFile& file, const std::string& text) {
  return file.Write(std::as_bytes(std::span(text.data(), text.size())));
}

}  // namespace

std::string RescueStem(const LocalTime& t, int attempt) {
  char stem[64];
  std::snprintf(stem, sizeof stem, "kvx-rescue-%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return attempt <= 1 ? stem : stem + ("-" + std::to_string(attempt));
}

RecordWritten WriteRescueRecord(Platform& platform, const std::string& directory,
                                const LocalTime& time, const std::string& manifest,
                                const std::function<std::string(const std::string&)>& report) {
  RecordWritten written;
  std::unique_ptr<TargetFile> manifest_file, report_file;
  std::string report_name;
  // Why no manifest could be made; where every name was taken, that it exists.
  Status why(Status::Code::kExists, directory, "");
  for (int attempt = 1; attempt <= kMostAttempts && !manifest_file; ++attempt) {
    const std::string stem = RescueStem(time, attempt);
    written.manifest_name = stem + ".sha256";
    report_name = stem + ".json";
    if (platform.FileExists(directory + written.manifest_name) ||
        platform.FileExists(directory + report_name)) {
      continue;
    }
    Result<std::unique_ptr<TargetFile>> created =
        platform.CreateNewFile(directory + written.manifest_name);
    if (created) {
      manifest_file = std::move(created).value();
    } else {
      why = created.status();
      if (why.code() != Status::Code::kExists) break;
    }
  }
  if (!manifest_file) {
    written.note = "; " + CannotCreateReason(directory + written.manifest_name,
                                             Why(why, Operation::kCreateFile));
    return written;
  }
  Result<std::unique_ptr<TargetFile>> created_report = platform.CreateNewFile(directory + report_name);
  if (!created_report) {
    written.note = "; " + CannotCreateReason(directory + report_name,
                                             Why(created_report.status(), Operation::kCreateFile));
    return written;
  }
  report_file = std::move(created_report).value();
  if (Status put = WriteWhole(*manifest_file, manifest); !put.ok()) {
    written.note = RecordFailedNote(written.manifest_name, Why(put, Operation::kWriteFile));
    return written;
  }
  if (Status put = WriteWhole(*report_file, report(written.manifest_name)); !put.ok()) {
    written.note = RecordFailedNote(report_name, Why(put, Operation::kWriteFile));
    return written;
  }
  written.note = DigestsNote(written.manifest_name);
  written.ok = true;
  return written;
}

}  // namespace kvx

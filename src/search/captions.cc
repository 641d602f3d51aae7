#include "search/captions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "card/code_page.h"
#include "platform/drive_map.h"
#include "platform/system_platform.h"
#include "search/found_file_list.h"

namespace kvx {

std::string CardReport(const BootSectorFields& fields, int generation) {
  std::string report;
  if (generation >= 0) {
    report += generation == 0 ? "This is an obsolete ZENTO SD" : "This is a ZENTO SD";
    report += DoubleLineBreak;
    report += "ZENTO Firmware: " + std::to_string(generation) + "G";
    report += LineBreak;
  }
  report += "SD Name: " + Windows1252ToUtf8(fields.OemName);
  report += LineBreak;
  report += "Sector/Cluster: " + std::to_string(fields.SectorsPerCluster);
  report += LineBreak;
  report += "Number of FAT(s): " + std::to_string(fields.FatCount);
  report += LineBreak;
  report += "Max Root Dir Entries: " + std::to_string(fields.RootEntryCount);
  return report;
}

std::string DataRegionFoundCaption(const CardLayout& layout) {
  return std::string("KVX Data Region (") + layout.Name + ") found";
}

std::string EntriesFoundCaption(int count, const CardLayout& layout) {
  return std::to_string(count) + " KVX File Entries (" + layout.Name + ") found";
}

std::string FilesFoundCaption(int count) { return std::to_string(count) + " KVX File(s) found"; }

std::string TargetExistsMessage(const std::string& path) {
  return path + " exists, please select a different directory";
}

namespace {

// ": REASON", or nothing when the system gave none.
std::string Because(std::string_view reason) {
  return reason.empty() ? std::string() : ": " + std::string(reason);
}

}  // namespace

std::string ByteCount(std::int64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024;
  int unit = 0;
  // 1023.96 MB would print as "1024.0 MB": such a value moves up a unit.
  while (unit < 3 && value >= 1023.95) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  if (unit == 0) {
    std::snprintf(text, sizeof(text), "%.0f %s", std::floor(value), kUnits[unit]);
  } else {
    std::snprintf(text, sizeof(text), "%.1f %s", value, kUnits[unit]);
  }
  return text;
}

std::string Percent(std::int64_t done, std::int64_t total) {
  if (total <= 0 || done <= 0) return "0 %";
  return std::to_string(std::min<std::int64_t>(done, total) * 100 / total) + " %";
}

std::string Duration(std::int64_t seconds) {
  if (seconds < 60) return std::to_string(seconds) + " s";
  if (seconds < 3600) {
    return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
  }
  return std::to_string(seconds / 3600) + " h " + std::to_string(seconds % 3600 / 60) + " min";
}

std::string FileCount(int count) {
  return std::to_string(count) + (count == 1 ? " file" : " files");
}

std::string LetterTooLowOutcome(const std::string& letter) {
  return "letter " + letter + " is below D: type the card's letter";
}

std::string Why(const Status& status, Operation operation) {
  using Code = Status::Code;
  const bool card = operation == Operation::kOpenCard || operation == Operation::kReadCard;
  switch (status.code()) {
    case Code::kOk:
      return card ? "the card ends before it" : "";
    case Code::kNotMapped:
      return LetterNamesNoCard(status.subject());
    case Code::kNotFound:
      return operation == Operation::kCreateFile ? "no such folder" : "no such file";
    case Code::kPermissionDenied:
      if (!card) return "permission denied";
      return kRawVolumesNeedAdministrator ? "permission denied: run as administrator"
                                          : "permission denied: run as root or join the disk group";
    case Code::kIsDirectory:
      return "is a folder";
    case Code::kExists:
      return "exists";
    case Code::kNoSpace:
      return "no space left";
    case Code::kFileTooLarge:
      return "file too large";
    case Code::kDeviceGone:
      if (operation == Operation::kOpenCard) return "no card in the reader";
      return card ? "the card was removed or stopped answering" : "the device was removed";
    case Code::kIoError:
    case Code::kOther:
      break;
  }
  return status.system_text();
}

std::string CardFailure(const Status& status) {
  if (status.code() == Status::Code::kNotMapped) return Why(status, Operation::kOpenCard);
  // A volume's name ends in its own colon ("\\.\Q:"): the reason follows
  // it after a blank, not after a second colon.
  const std::string& subject = status.subject();
  if (!subject.empty() && subject.back() == ':') {
    return subject + " " + Why(status, Operation::kOpenCard);
  }
  return subject + Because(Why(status, Operation::kOpenCard));
}

std::string CannotReadOutcome(const std::string& letter, const std::string& reason) {
  return "cannot read drive " + letter + Because(reason);
}

std::string ListedOutcome(std::string_view action, int count) {
  return std::string(action) + ": " + FileCount(count) + " listed";
}

std::string NothingToSearchOutcome(std::string_view action, std::string_view what_is_missing) {
  return std::string(action) + ": no " + std::string(what_is_missing);
}

std::string RegionReadFailedOutcome(std::string_view action, std::string_view region,
                                    const std::string& reason) {
  return std::string(action) + ": reading the " + std::string(region) + " failed" +
         Because(reason);
}

std::string CombReadOutcome(std::int64_t bytes_read, int count) {
  return std::string(kCombAction) + " read " + ByteCount(bytes_read) + ": " + FileCount(count);
}

std::string CombReadFailedOutcome(std::int64_t at, const std::string& reason, int count) {
  return std::string(kCombAction) + ": reading the card failed at " + ByteCount(at) +
         Because(reason) + "; " + FileCount(count) + " listed";
}

std::string StoppedOutcome(std::string_view action, std::int64_t done, std::int64_t total,
                           int count) {
  const std::string where = total > 0 ? "at " + Percent(done, total) : "after " + ByteCount(done);
  return std::string(action) + " stopped " + where + ": " + FileCount(count) + " listed";
}

std::string CopiedOutcome(int copied, std::int64_t bytes, const std::string& target) {
  return "Copied " + FileCount(copied) + ", " + ByteCount(bytes) + ", to " + target;
}

std::string CopiedPartlyOutcome(int copied, int selected, const std::string& why) {
  return "Copied " + std::to_string(copied) + " of " + FileCount(selected) + ": " + why;
}

std::string TargetExistsReason(const std::string& name) { return name + " exists"; }

std::string CannotCreateReason(const std::string& path, const std::string& reason) {
  return "cannot create " + path + Because(reason);
}

std::string CannotWriteReason(const std::string& name, std::int64_t written,
                              const std::string& reason) {
  return "writing " + name + " failed after " + ByteCount(written) + Because(reason);
}

std::string StoppedCopyReason(const std::string& name, std::int64_t written, std::int64_t size) {
  return "stopped, " + name + ": " + ByteCount(written) + " of " + ByteCount(size);
}

std::string StoppedSecondReadReason(const std::string& name, std::int64_t done, std::int64_t size) {
  return "stopped, " + name + " copied, its second read at " + ByteCount(done) + " of " +
         ByteCount(size);
}

std::string SecondReadDiffersNote(const std::string& name, std::int64_t at) {
  return "; " + name + " differs on a second read at offset " + std::to_string(at);
}

std::string SecondReadFailedNote(const std::string& name, std::int64_t at,
                                 const std::string& reason) {
  return "; " + name + ": its second read failed at offset " + std::to_string(at) + Because(reason);
}

std::string ReadBackFailedNote(const std::string& name, std::int64_t at) {
  return "; " + name + ": reading it back failed at offset " + std::to_string(at);
}

std::string DigestsNote(const std::string& manifest_name) { return "; digests in " + manifest_name; }

std::string RecordFailedNote(const std::string& name, const std::string& reason) {
  return "; writing " + name + " failed" + Because(reason);
}

std::string UnreadSectorsNote(const std::string& name, std::int64_t unread,
                              const std::string& map_path) {
  return "; " + name + " includes " + ByteCount(unread) + " the card could not give (see " +
         map_path + ")";
}

std::string MapUnreadableNote(const std::string& map_path) { return "; " + map_path + " unreadable"; }

std::string ListLine(const FoundFile& file) {
  std::string line = Windows1252ToUtf8(file.FileName);
  if (file.SizeByHeader == file.SizeByFat) {
    line += " Size: " + std::to_string(file.SizeByFat);
  } else {
    line += " SizeH: " + std::to_string(file.SizeByHeader) +
            " or SizeF: " + std::to_string(file.SizeByFat);
  }
  return line + " @" + std::to_string(file.StartOffset);
}

std::string WithLineFeeds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text.substr(at, LineBreak.size()) == LineBreak) {
      out += '\n';
      ++at;
    } else {
      out += text[at];
    }
  }
  return out;
}

}  // namespace kvx

#include "search/captions.h"

#include "card/code_page.h"
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

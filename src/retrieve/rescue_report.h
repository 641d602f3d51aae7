// The rescue report: a JSON record of one Retrieve, kept beside the files it
// copied. It names the card and the search that listed the files, and for
// each copied file its sizes, card offset, SHA-256 and what its second read
// found. Its keys stay as they are from version to version ("format" and
// "version" say which form a report takes); the README lists them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/local_time.h"
#include "retrieve/retrieved_file.h"
#include "search/size_choice.h"
#include "search/window_state.h"

namespace kvx {

struct RescueFacts {
  LocalTime created;
  ListedSearch search;
  std::string card_path;       // where the letter led: "/dev/sdb1", "card.img@2"
  std::int64_t card_size = -1;  // -1 when the system cannot tell
  SizeChoice size_mode = SizeChoice::kByHeader;
  std::string manifest;  // the manifest's file name
  std::vector<RetrievedFile> files;
};

// The report, indented, ending in a line feed.
std::string RescueReportJson(const RescueFacts& facts);

// The report's "files" list alone, on one line, for a front end's own output.
std::string RetrievedFilesJson(const std::vector<RetrievedFile>& files);

}  // namespace kvx

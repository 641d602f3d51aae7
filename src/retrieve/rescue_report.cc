#include "retrieve/rescue_report.h"

#include <cstdio>

#include <nlohmann/json.hpp>

namespace kvx {

namespace {

using Json = nlohmann::ordered_json;

constexpr char kFormat[] = "kvx-rescue-report";
constexpr int kVersion = 1;

const char* SearchName(ListedSearch::Kind kind) {
  switch (kind) {
    case ListedSearch::kQuickSearch: return "quick";
    case ListedSearch::kExplore: return "explore";
    case ListedSearch::kCombThrough: return "comb";
    case ListedSearch::kNone: break;
  }
  return nullptr;
}

const char* SecondReadName(SecondRead outcome) {
  switch (outcome) {
    case SecondRead::kMatched: return "matched";
    case SecondRead::kDiffers: return "differs";
    case SecondRead::kCardFailed: return "card failed";
    case SecondRead::kFileUnreadable: return "file unreadable";
    case SecondRead::kStopped: return "stopped";
  }
  return "";
}

// Null where a text or a figure is not known.
Json TextOrNull(const char* text) { return text ? Json(text) : Json(nullptr); }
Json TextOrNull(const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); }

Json FileJson(const RetrievedFile& file) {
  const SecondReadResult& second = file.second_read;
  const bool has_offset =
      second.outcome != SecondRead::kMatched && second.outcome != SecondRead::kStopped;
  return {{"name", file.name},
          {"path", file.path},
          {"cardOffset", file.card_offset},
          {"size", file.size},
          {"otherSize", file.other_size},
          {"written", file.written},
          {"sha256", file.digest ? Json(HexOf(*file.digest)) : Json(nullptr)},
          {"secondRead", SecondReadName(second.outcome)},
          {"secondReadOffset", has_offset ? Json(second.at) : Json(nullptr)},
          {"unreadBytes", file.unread}};
}

Json FilesJson(const std::vector<RetrievedFile>& files) {
  Json list = Json::array();
  for (const RetrievedFile& file : files) list.push_back(FileJson(file));
  return list;
}

std::string IsoTime(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

// Bytes that are not valid UTF-8 become U+FFFD, so the report always parses.
std::string Dump(const Json& json, int indent) {
  return json.dump(indent, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

std::string RescueReportJson(const RescueFacts& facts) {
  Json card = {{"letter", TextOrNull(facts.search.letter)},
               {"path", facts.card_path},
               {"size", facts.card_size >= 0 ? Json(facts.card_size) : Json(nullptr)},
               {"report", facts.search.card_report},
               {"layout", TextOrNull(facts.search.layout)}};
  Json report = {{"format", kFormat},
                 {"version", kVersion},
                 {"created", IsoTime(facts.created)},
                 {"card", card},
                 {"search", TextOrNull(SearchName(facts.search.kind))},
                 {"sizeChosen", facts.size_mode == SizeChoice::kByFat ? "fat" : "header"},
                 {"manifest", facts.manifest},
                 {"files", FilesJson(facts.files)}};
  return Dump(report, 2) + "\n";
}

std::string RetrievedFilesJson(const std::vector<RetrievedFile>& files) {
  return Dump(FilesJson(files), -1);
}

}  // namespace kvx

#include "cli/json_report.h"

#include <nlohmann/json.hpp>

#include "retrieve/rescue_report.h"

namespace kvx {

namespace {

using Json = nlohmann::ordered_json;

// Bytes that are not valid UTF-8 (a name typed into a box, say) become
// U+FFFD, so the report always parses.
std::string Scalar(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The report's layout, which scripts compare byte for byte: the compact
// form with one space after each ':' and ','.
void Write(const Json& value, std::string& out) {
  if (!value.is_structured()) {
    out += Scalar(value);
    return;
  }
  out += value.is_object() ? '{' : '[';
  const char* separator = "";
  for (const auto& member : value.items()) {
    out += separator;
    if (value.is_object()) out += Scalar(member.key()) + ": ";
    Write(member.value(), out);
    separator = ", ";
  }
  out += value.is_object() ? '}' : ']';
}

}  // namespace

std::string JsonReport(const MemoryControls& controls,
                       const std::vector<RetrievedFile>& retrieved) {
  Json messages = Json::array();
  for (const ShownMessage& message : controls.messages) {
    messages.push_back({{"title", message.title}, {"text", message.text}});
  }
  Json diagnostics = Json::array();
  for (const Outcome& outcome : controls.outcomes) diagnostics.push_back(outcome.text);
  Json report = {{"label1", controls.label1},
                 {"label2", controls.label2},
                 {"label3", controls.label3},
                 {"lines", controls.lines},
                 {"messages", messages},
                 {"retrieveEnabled", controls.retrieve_enabled},
                 {"sizeOptionsVisible", controls.size_options_visible},
                 {"retrieved", Json::parse(RetrievedFilesJson(retrieved))},
                 {"diagnostics", diagnostics}};
  std::string out;
  Write(report, out);
  return out;
}

}  // namespace kvx

#include "cli/text_report.h"

namespace kvx {

namespace {

// A caption with its CR LF breaks shown as lines indented under its name.
std::string Caption(const std::string& name, const std::string& caption) {
  std::string out = name + ": ";
  for (std::size_t at = 0;;) {
    std::size_t brk = caption.find("\r\n", at);
    out += caption.substr(at, brk == std::string::npos ? std::string::npos : brk - at) + "\n";
    if (brk == std::string::npos) break;
    out += std::string(name.size() + 2, ' ');
    at = brk + 2;
  }
  return out;
}

}  // namespace

std::string TextReport(const MemoryControls& controls) {
  std::string out;
  for (const ShownMessage& message : controls.messages) {
    out += "[" + message.title + "] " + message.text + "\n";
  }
  out += Caption("Label1", controls.label1);
  out += Caption("Label2", controls.label2);
  out += Caption("Label3", controls.label3);
  out += "List (" + std::to_string(controls.lines.size()) + " lines):\n";
  for (std::size_t i = 0; i < controls.lines.size(); ++i) {
    out += "  " + std::to_string(i) + ": " + controls.lines[i] + "\n";
  }
  out += std::string("Retrieve button: ") + (controls.retrieve_enabled ? "enabled" : "disabled") +
         "; size options: " + (controls.size_options_visible ? "shown" : "hidden") + "\n";
  return out;
}

}  // namespace kvx

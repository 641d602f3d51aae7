#include "cli/json_report.h"

#include <cstdio>

namespace kvx {

namespace {

// Length of the valid UTF-8 sequence at text[at], or 0 when it is not valid.
std::size_t ValidUtf8Length(std::string_view text, std::size_t at) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(at);
  std::size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3
                       : lead < 0xF5                                     ? 4
                                                                         : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t at = 0; at < text.size();) {
    char c = text[at];
    std::size_t length = ValidUtf8Length(text, at);
    if (length == 0) {
      out += "\\ufffd";
      ++at;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
      out += escaped;
    } else {
      out.append(text.substr(at, length));
    }
    at += length;
  }
  return out + "\"";
}

std::string JsonReport(const MemoryControls& controls) {
  std::string out = "{\"label1\": " + JsonString(controls.label1) +
                    ", \"label2\": " + JsonString(controls.label2) +
                    ", \"label3\": " + JsonString(controls.label3) + ", \"lines\": [";
  for (std::size_t i = 0; i < controls.lines.size(); ++i) {
    out += (i ? ", " : "") + JsonString(controls.lines[i]);
  }
  out += "], \"messages\": [";
  for (std::size_t i = 0; i < controls.messages.size(); ++i) {
    out += std::string(i ? ", " : "") + "{\"title\": " + JsonString(controls.messages[i].title) +
           ", \"text\": " + JsonString(controls.messages[i].text) + "}";
  }
  out += "], \"retrieveEnabled\": ";
  out += controls.retrieve_enabled ? "true" : "false";
  out += ", \"sizeOptionsVisible\": ";
  out += controls.size_options_visible ? "true" : "false";
  return out + "}";
}

}  // namespace kvx

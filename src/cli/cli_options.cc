#include "cli/cli_options.h"

#include <charconv>

#include "platform/system_platform.h"

namespace kvx {

namespace {

std::optional<std::vector<int>> ParseLineList(const std::string& text) {
  std::vector<int> lines;
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    int line = 0;
    const char* first = text.data() + at;
    const char* last = text.data() + comma;
    auto [end, error] = std::from_chars(first, last, line);
    if (first == last || error != std::errc() || end != last || line < 0) return std::nullopt;
    lines.push_back(line);
    at = comma + 1;
  }
  return lines;
}

}  // namespace

CliParse ParseCliOptions(const std::vector<std::string>& args) {
  CliParse parse;
  CliOptions& options = parse.options;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      return parse;
    }
  }
  bool have_action = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> inline_value;
    if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
      inline_value = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
    }
    auto value = [&]() -> std::optional<std::string> {
      if (inline_value) return inline_value;
      if (i + 1 < args.size()) return args[++i];
      parse.error = arg + " needs a value";
      return std::nullopt;
    };
    auto no_value = [&] {
      if (inline_value) parse.error = arg + " takes no value";
      return !inline_value;
    };

    if (arg == "--json") {
      if (!no_value()) return parse;
      options.json = true;
    } else if (arg == "--progress") {
      if (!no_value()) return parse;
      options.progress = true;
    } else if (arg == "--drive" && kPlatformUsesDriveMap) {
      auto mapping = value();
      if (!mapping) return parse;
      if (auto error = options.drives.Add(*mapping)) {
        parse.error = *error;
        return parse;
      }
    } else if (arg == "--letter") {
      auto letter = value();
      if (!letter) return parse;
      options.letter = *letter;
    } else if (arg == "--target") {
      auto target = value();
      if (!target) return parse;
      options.target = *target;
    } else if (arg == "--size") {
      auto size = value();
      if (!size) return parse;
      if (*size == "header") {
        options.size = SizeChoice::kByHeader;
      } else if (*size == "fat") {
        options.size = SizeChoice::kByFat;
      } else {
        parse.error = "--size expects header or fat, not \"" + *size + "\"";
        return parse;
      }
    } else if (arg == "--retrieve") {
      auto which = value();
      if (!which) return parse;
      if (*which == "all") {
        options.retrieve_all = true;
      } else if (auto lines = ParseLineList(*which)) {
        options.retrieve_lines = *lines;
      } else {
        parse.error = "--retrieve expects all or 0-based line numbers such as 0,3,4, not \"" +
                      *which + "\"";
        return parse;
      }
    } else if (arg.rfind("-", 0) == 0 && arg.size() > 1) {
      parse.error = "unknown option " + arg + " (see --help)";
      return parse;
    } else if (have_action) {
      parse.error = "one action only, not also \"" + arg + "\"";
      return parse;
    } else if (arg == "quick") {
      options.action = CliAction::kQuickSearch;
      have_action = true;
    } else if (arg == "explore") {
      options.action = CliAction::kExplore;
      have_action = true;
    } else if (arg == "comb") {
      options.action = CliAction::kCombThrough;
      have_action = true;
    } else {
      parse.error = "unknown action \"" + arg + "\": expected quick, explore or comb";
      return parse;
    }
  }
  if (!have_action) parse.error = "no action given: expected quick, explore or comb";
  return parse;
}

std::string CliUsage() {
  std::string drive_line = kPlatformUsesDriveMap ? "[--drive L=PATH]... " : "";
  std::string usage =
      "Usage: kvx-rescue-cli " + drive_line +
      "[--letter TEXT] [--target DIR]\n"
      "                      [--size header|fat] [--retrieve all|I,J,...] [--json]\n"
      "                      [--progress] quick|explore|comb\n"
      "\n"
      "Finds KVX recordings on an SD card read as a raw volume, never writing to it,\n"
      "and copies the chosen ones into a directory, never overwriting a file.\n"
      "\n"
      "Actions:\n"
      "  quick    Quick Search: lists the root directory's entries, deleted ones too\n"
      "  explore  Explore: walks the data region from header to header\n"
      "  comb     Comb Through: tests every sector boundary for a header (no question asked)\n"
      "\n"
      "Options:\n";
  if (kPlatformUsesDriveMap) {
    usage +=
        "  --drive L=PATH   read drive letter L from PATH, a block device or a card image\n"
        "                   (repeatable; a letter with no mapping cannot be opened)\n";
  }
  usage +=
      "  --letter TEXT    the drive-letter box as typed; its first character counts (default E)\n"
      "  --target DIR     the target-directory box as typed, used as a prefix: end it with\n"
      "                   a separator (default: the window's, " +
      DefaultTargetDirectory() +
      ")\n"
      "  --size header|fat  after the search, choose which size to copy, as a click on a\n"
      "                   size option would (only when the search shows the options)\n"
      "  --retrieve all|I,J,...  select those 0-based lines (or all) and retrieve them\n"
      "                   (nothing when the search found nothing to retrieve)\n"
      "  --json           print one JSON object: labels, lines, messages, button states\n"
      "  --progress       show how far comb and --retrieve have come, on stderr\n"
      "  --help           show this text\n"
      "\n"
      "Exit status: 0 when the action ran to any of its ends, 2 for a usage error.\n";
  return usage;
}

}  // namespace kvx

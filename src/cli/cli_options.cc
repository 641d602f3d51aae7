#include "cli/cli_options.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <optional>
#include <string_view>

#include "command_line/command_line.h"
#include "platform/system_platform.h"

namespace kvx {

namespace {

constexpr const char* kCliDescription =
    "Finds KVX recordings on an SD card read as a raw volume, never writing to it,\n"
    "and copies the chosen ones into a directory, never overwriting a file.";

constexpr const char* kActionName = "quick|explore|comb|image";
constexpr const char* kImagePathName = "OUT.img";

constexpr const char* kFooter =
    "Actions:\n"
    "  quick    Quick Search: lists the root directory's entries, deleted ones too\n"
    "  explore  Explore: walks the data region from header to header\n"
    "  comb     Comb Through: tests every sector boundary for a header (no question asked)\n"
    "  image OUT.img\n"
    "           copies the whole card into OUT.img and what could not be read into\n"
    "           OUT.img.map; run again, it continues them; when complete, writes\n"
    "           OUT.img.sha256 (--letter, --drive, --progress, --retries)\n"
    "\n"
    "Each action's outcome, or the reason it failed, goes to stderr as one line\n"
    "(and, with --json, into the \"diagnostics\" list). Ctrl+C stops a long action\n"
    "as the window's Esc does and still prints what was done.\n"
    "\n"
    "Exit status: 0 when the action ran to a normal end; 1 when it ended at a\n"
    "failure (the card could not be opened or read, a target file could not be\n"
    "created or written, an existing file stopped the retrieval); 2 for a usage\n"
    "error; 130 after Ctrl+C. image: 0 when every pass is done, 1 when it stopped\n"
    "at a failure or refused an existing image.\n";

// One 0-based line number: digits only. A number too large for an int is
// past the last line of any list, so it stands as INT_MAX, a line no list
// reaches, and selects nothing as any other line past the end does.
std::optional<int> ParseLineNumber(std::string_view digits) {
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  int line = 0;
  std::errc error = std::from_chars(digits.data(), digits.data() + digits.size(), line).ec;
  return error == std::errc::result_out_of_range ? INT_MAX : line;
}

// "all" or 0-based line numbers separated by commas, none of them empty.
void ReadRetrieve(const std::string& which, CliOptions& options) {
  if (which == "all") {
    options.retrieve_all = true;
    return;
  }
  std::vector<int> lines;
  for (std::size_t at = 0; at <= which.size();) {
    std::size_t comma = std::min(which.find(',', at), which.size());
    std::optional<int> line = ParseLineNumber(std::string_view(which).substr(at, comma - at));
    if (!line) {
      throw CLI::ValidationError(
          "--retrieve expects all or 0-based line numbers such as 0,3,4, not \"" + which + "\"");
    }
    lines.push_back(*line);
    at = comma + 1;
  }
  options.retrieve_lines = std::move(lines);
}

void ReadSize(const std::string& size, CliOptions& options) {
  if (size != "header" && size != "fat") {
    throw CLI::ValidationError("--size expects header or fat, not \"" + size + "\"");
  }
  options.size = size == "fat" ? SizeChoice::kByFat : SizeChoice::kByHeader;
}

void ReadRetries(const std::string& count, CliOptions& options) {
  int retries = 0;
  const char* end = count.data() + count.size();
  if (count.empty() || count.find_first_not_of("0123456789") != std::string::npos ||
      std::from_chars(count.data(), end, retries).ec != std::errc()) {
    throw CLI::ValidationError("--retries expects a whole number, 0 or more, not \"" + count +
                               "\"");
  }
  options.retries = retries;
}

void ReadAction(const std::string& action, CliOptions& options) {
  if (action == "quick") {
    options.action = CliAction::kQuickSearch;
  } else if (action == "explore") {
    options.action = CliAction::kExplore;
  } else if (action == "comb") {
    options.action = CliAction::kCombThrough;
  } else if (action == "image") {
    options.action = CliAction::kImage;
  } else {
    throw CLI::ValidationError("unknown action \"" + action +
                               "\": expected quick, explore, comb or image");
  }
}

// What CLI11 cannot say of the positionals: one action or --list-drives, and
// a path after image only.
std::string ActionFault(const CLI::App& app, const CliOptions& options) {
  const bool action_given = app.get_option(kActionName)->count() > 0;
  const bool path_given = app.get_option(kImagePathName)->count() > 0;
  if (options.list_drives) return action_given ? "--list-drives takes no action" : "";
  if (!action_given) return "an action is required: quick, explore, comb or image (see --help)";
  if (options.action == CliAction::kImage) {
    return options.image_path.empty()
               ? "image expects the path of the image to create: image OUT.img"
               : "";
  }
  return path_given ? "unexpected argument \"" + options.image_path + "\" (see --help)" : "";
}

// The command line, each option read into `options`.
void DefineOptions(CLI::App& app, CliOptions& options) {
  SetUpCommandLine(app, kFooter);
  AddDriveOption(app, options.drives);
  app.add_option("--letter", options.letter,
                 "the drive-letter box as typed; its first character counts (default E)")
      ->type_name("TEXT");
  app.add_option("--target", options.target,
                 "the target-directory box as typed, used as a prefix: end it\n"
                 "with a separator (default: the window's, " +
                     DefaultTargetDirectory() + ")")
      ->type_name("DIR");
  app.add_option_function<std::string>(
         "--size", [&options](const std::string& size) { ReadSize(size, options); },
         "after the search, choose which size to copy, as a click on\n"
         "a size option would (only when the search shows the options)")
      ->type_name("header|fat");
  app.add_option_function<std::string>(
         "--retrieve", [&options](const std::string& which) { ReadRetrieve(which, options); },
         "select those 0-based lines (or all) and retrieve them\n"
         "(nothing when the search found nothing to retrieve)")
      ->type_name("all|I,J,...");
  app.add_flag("--json", options.json,
               "print one JSON object: labels, lines, messages, button states")
      ->disable_flag_override();
  app.add_flag("--progress", options.progress,
               "show how far comb, image and --retrieve have come, on stderr")
      ->disable_flag_override();
  app.add_option_function<std::string>(
         "--retries", [&options](const std::string& count) { ReadRetries(count, options); },
         "image: passes over the sectors still unread after the others\n"
         "(default 1)")
      ->type_name("N");
  app.add_flag("--list-drives", options.list_drives,
               "list the drive letters and what each one reads, one line each,\n"
               "instead of an action")
      ->disable_flag_override();
  app.add_option_function<std::string>(
         kActionName, [&options](const std::string& action) { ReadAction(action, options); },
         "the action, one of those below")
      ->type_name("");
  app.add_option(kImagePathName, options.image_path, "the image that image creates")->type_name("");
}

}  // namespace

CliParse ParseCliOptions(const std::vector<std::string>& args) {
  CliParse parse;
  CLI::App app(kCliDescription, "kvx-rescue-cli");
  DefineOptions(app, parse.options);
  CommandLineOutcome outcome = ParseCommandLine(app, args);
  parse.options.help = outcome.help;
  parse.error = outcome.error;
  if (parse.error.empty() && !parse.options.help) parse.error = ActionFault(app, parse.options);
  return parse;
}

std::string CliUsage() {
  CliOptions ignored;
  CLI::App app(kCliDescription, "kvx-rescue-cli");
  DefineOptions(app, ignored);
  return app.help();
}

}  // namespace kvx

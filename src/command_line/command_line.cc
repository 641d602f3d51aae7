#include "command_line/command_line.h"

namespace kvx {

void SetUpCommandLine(CLI::App& app, const std::string& footer) {
  app.set_help_flag("-h,--help", "show this text");
  app.footer(footer);
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.get_formatter()->column_width(26);
  app.get_formatter()->label("REQUIRED", "");
}

void AddDriveOption(CLI::App& app, DriveMap& drives) {
  app.add_option_function<std::vector<std::string>>(
         "--drive",
         [&drives](const std::vector<std::string>& mappings) {
           for (const std::string& mapping : mappings) {
             if (auto error = drives.Add(mapping)) throw CLI::ValidationError(*error);
           }
         },
         "read drive letter L from PATH, a block device or a card image;\n"
         "PATH@N reads its partition N (repeatable; on Linux, once given,\n"
         "a letter with no mapping cannot be opened)")
      ->type_name("L=PATH")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      // One mapping per --drive: the words after it are the action's.
      ->allow_extra_args(false);
}

CommandLineOutcome ParseCommandLine(CLI::App& app, const std::vector<std::string>& args) {
  CommandLineOutcome outcome;
  // CLI11 takes the arguments last one first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    outcome.help = true;
  } catch (const CLI::ParseError& error) {
    // An argument no option takes is named first: the values after it may
    // have gone astray because of it (an option unknown here, say).
    std::vector<std::string> unexpected = app.remaining();
    outcome.error = unexpected.empty()
                        ? error.what()
                        : "unexpected argument \"" + unexpected.front() + "\" (see --help)";
  }
  if (app.get_help_ptr()->count() > 0) outcome = {true, ""};
  return outcome;
}

}  // namespace kvx

#include "ui/window_options.h"

#include "command_line/command_line.h"

namespace kvx {

namespace {

constexpr const char* kWindowDescription = "Opens the KVX card rescue window.";

void DefineOptions(CLI::App& app, DriveMap& drives) {
  SetUpCommandLine(app, "");
  AddDriveOption(app, drives);
}

}  // namespace

WindowOptions ParseWindowOptions(const std::vector<std::string>& args) {
  WindowOptions options;
  CLI::App app(kWindowDescription, "kvx-rescue");
  DefineOptions(app, options.drives);
  CommandLineOutcome outcome = ParseCommandLine(app, args);
  options.help = outcome.help;
  options.error = outcome.error;
  return options;
}

std::string WindowUsage() {
  DriveMap ignored;
  CLI::App app(kWindowDescription, "kvx-rescue");
  DefineOptions(app, ignored);
  return app.help();
}

}  // namespace kvx

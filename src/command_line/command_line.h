// What the front ends' command lines share, parsed with CLI11: the --drive
// option that maps drive letters to devices or card images, --help, and
// usage errors as one line each.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "platform/drive_map.h"

namespace kvx {

// Readies `app` for a front end: -h and --help, a usage text that opens with
// the app's description and ends with `footer`, and options that keep their
// last value when given twice.
void SetUpCommandLine(CLI::App& app, const std::string& footer);

// Adds "--drive L=PATH", repeatable, each mapping added to `drives`.
void AddDriveOption(CLI::App& app, DriveMap& drives);

struct CommandLineOutcome {
  bool help = false;  // --help or -h was given: show the usage and stop
  std::string error;  // one line; empty when the command line is sound
};

// Parses `args` (the program's name left out) into `app`'s options. --help
// wins over any other fault once it has been read; an option's callback
// reports a bad value by throwing CLI::ValidationError with the whole line.
CommandLineOutcome ParseCommandLine(CLI::App& app, const std::vector<std::string>& args);

}  // namespace kvx

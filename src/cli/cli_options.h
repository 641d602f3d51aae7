// The command line of kvx-rescue-cli:
//   kvx-rescue-cli [--drive L=PATH]... [--letter TEXT] [--target DIR]
//                  [--size header|fat] [--retrieve all|I,J,...] [--json]
//                  [--progress] quick|explore|comb
//   kvx-rescue-cli [--drive L=PATH]... [--letter TEXT] [--progress] [--retries N]
//                  image OUT.img
//   kvx-rescue-cli [--drive L=PATH]... --list-drives
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/drive_map.h"
#include "search/size_choice.h"

namespace kvx {

enum class CliAction { kQuickSearch, kExplore, kCombThrough, kImage };

struct CliOptions {
  DriveMap drives;
  std::string letter = "E";
  std::optional<std::string> target;  // the window's default when absent
  std::optional<SizeChoice> size;
  bool retrieve_all = false;
  // 0-based; a line past the list's end selects nothing. Empty with
  // retrieve_all false: no retrieval.
  std::vector<int> retrieve_lines;
  bool json = false;
  bool progress = false;
  bool help = false;
  bool list_drives = false;  // list what the letters lead to instead of an action
  CliAction action = CliAction::kQuickSearch;
  std::string image_path;  // kImage: the image to create or continue
  int retries = 1;         // kImage: passes over the bad sectors

  bool retrieves() const { return retrieve_all || !retrieve_lines.empty(); }
};

struct CliParse {
  CliOptions options;
  std::string error;  // one line; empty when the command line is sound
};

CliParse ParseCliOptions(const std::vector<std::string>& args);

std::string CliUsage();

}  // namespace kvx

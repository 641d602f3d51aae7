// The command line of kvx-rescue:
//   kvx-rescue [--drive L=PATH]... [--help]
// where the system has no drive letters; elsewhere the program takes no
// options and its command line is not read.
#pragma once

#include <string>
#include <vector>

#include "platform/drive_map.h"

namespace kvx {

struct WindowOptions {
  DriveMap drives;
  bool help = false;
  std::string error;  // one line; empty when the command line is sound
};

WindowOptions ParseWindowOptions(const std::vector<std::string>& args, bool uses_drive_map);

std::string WindowUsage();

}  // namespace kvx

// The command line of kvx-rescue:
//   kvx-rescue [--drive L=PATH]... [--help]
// On Linux the letters lead to the removable volumes without --drive; on
// Windows to the volumes of those letters, and --drive maps letters to images.
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

WindowOptions ParseWindowOptions(const std::vector<std::string>& args);

std::string WindowUsage();

}  // namespace kvx

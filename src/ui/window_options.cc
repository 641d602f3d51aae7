#include "ui/window_options.h"

namespace kvx {

WindowOptions ParseWindowOptions(const std::vector<std::string>& args, bool uses_drive_map) {
  WindowOptions options;
  if (!uses_drive_map) return options;
  const std::string drive_prefix = "--drive=";
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      return options;
    }
    std::string mapping;
    if (arg == "--drive") {
      if (i + 1 == args.size()) {
        options.error = "--drive needs a value, L=PATH";
        return options;
      }
      mapping = args[++i];
    } else if (arg.rfind(drive_prefix, 0) == 0) {
      mapping = arg.substr(drive_prefix.size());
    } else {
      options.error = "unknown argument \"" + arg + "\" (try --help)";
      return options;
    }
    if (auto error = options.drives.Add(mapping)) {
      options.error = *error;
      return options;
    }
  }
  return options;
}

std::string WindowUsage() {
  return "Usage: kvx-rescue [--drive L=PATH]...\n"
         "Opens the KVX card rescue window.\n"
         "\n"
         "  --drive L=PATH   read drive letter L from PATH, a block device or a card image\n"
         "                   (repeatable; a letter with no mapping cannot be opened)\n"
         "  --help           print this help and exit\n";
}

}  // namespace kvx

// The target directory that the chooser makes of the file the user picked.
#pragma once

#include <string>

namespace kvx {

// The name the open-file dialog offers, and the part cut off when the dialog
// hands it back with an empty file title.
inline constexpr char kOfferedFileName[] = "*.*";

// The chooser's flags: the path must exist (0x800), no read-only check box
// (0x4), the current directory kept (0x8), Explorer style (0x80000) and the
// typed name not validated (0x100).
inline constexpr unsigned kChooserFlags = 0x8090C;

// `file_name` without its last n characters, n being the length of
// `file_title`, or of "*.*" when the title is empty: the chosen file's
// directory with its final separator ("C:\data\log.kvx", "log.kvx" gives
// "C:\data\"; "C:\data\*.*" with the title "*.*" or "" gives "C:\data\").
// Both are UTF-8 and counted in characters, so a name is never cut inside one.
std::string DirectoryOfChosenFile(const std::string& file_name, const std::string& file_title);

}  // namespace kvx

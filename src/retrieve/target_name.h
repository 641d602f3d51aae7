// The name a retrieved file is created under, made from its record's name
// field so that no card can steer a file out of the target directory.
#pragma once

#include <string>
#include <string_view>

namespace kvx {

// The 20-character name field (Windows-1252, padded or cut to 20) in UTF-8,
// with "_" for every character a name must not hold: "/" and "\", control
// characters (below 0x20, and 0x7F) and each of `refused_here`. Blanks are
// kept; the platform drops the trailing ones when it creates the file.
std::string TargetName(std::string_view name_field, std::string_view refused_here);

}  // namespace kvx

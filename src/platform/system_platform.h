// The real operating system behind Platform. One implementation per system,
// chosen at build time: POSIX reads the card through the drive map, or without
// one through the removable volumes' letters; Windows opens what the map gives
// a letter (a card image, say) and otherwise "\\.\L:", the letter's volume.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drive_map.h"
#include "platform/platform.h"

namespace kvx {

// An empty map on Linux: the letters name the removable volumes present when
// a letter is asked for (see platform/linux/removable_volumes.h).
std::unique_ptr<Platform> NewSystemPlatform(DriveMap drive_map);

// Makes a write past the process's file-size limit fail, to be reported like
// any failed write, instead of ending the program. Each program calls it once,
// first thing in main: it changes the whole process.
void IgnoreFileSizeSignal();

// What the letters lead to, one line each, for a listing or a status bar:
// "E: /dev/sdb1, 1.9 GB, Generic SD reader" for a removable volume, as the
// platform given `drive_map` finds them; "E: card.img@2" for a mapping.
std::vector<std::string> DriveDescriptions(const DriveMap& drive_map);

// The target directory a new window offers, with its final separator: "C:\"
// on Windows; the current directory elsewhere, where "C:\" names nothing.
std::string DefaultTargetDirectory();

// Characters that a file name cannot hold on this system, beyond the path
// separators and control characters that no system takes: ":*?\"<>|" on
// Windows, where they mean a drive, a wildcard or a stream; none elsewhere.
extern const std::string_view kNameCharactersRefusedHere;

// The characters that end a directory in a path here, the usual one first.
extern const std::string_view kPathSeparatorsHere;

// True where reading a card's raw volume takes an administrator (Windows);
// elsewhere root or the disk group may read it.
extern const bool kRawVolumesNeedAdministrator;

}  // namespace kvx

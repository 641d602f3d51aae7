// The real operating system behind Platform. One implementation per system,
// chosen at build time: POSIX reads the card through the drive map, Windows
// opens "\\.\L:" and ignores the map (a letter names a real volume there).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/drive_map.h"
#include "platform/platform.h"

namespace kvx {

// True where drive letters must be mapped with --drive (no native letters).
extern const bool kPlatformUsesDriveMap;

std::unique_ptr<Platform> NewSystemPlatform(DriveMap drive_map);

// Makes a write past the process's file-size limit fail, to be reported like
// any failed write, instead of ending the program. Each program calls it once,
// first thing in main: it changes the whole process.
void IgnoreFileSizeSignal();

// The target directory a new window offers, with its final separator: "C:\"
// on Windows; the current directory elsewhere, where "C:\" names nothing.
std::string DefaultTargetDirectory();

// Characters that a file name cannot hold on this system, beyond the path
// separators and control characters that no system takes: ":*?\"<>|" on
// Windows, where they mean a drive, a wildcard or a stream; none elsewhere.
extern const std::string_view kNameCharactersRefusedHere;

}  // namespace kvx

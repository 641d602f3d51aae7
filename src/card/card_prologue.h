// The card prologue every search runs first: the drive letter from Text1, the
// raw open, the boot sector, recognition and the card report in Label2.
#pragma once

#include <functional>
#include <string>

#include "card/card_volume.h"
#include "controls/controls.h"
#include "platform/platform.h"

namespace kvx {

// The drive letter of a Text1 text: its first character, upper-cased; empty
// for an empty text. "e:\data" gives "E".
std::string DriveLetterFromText(const std::string& text);

// True for an empty letter and for every character whose code is below "D".
bool IsBelowD(const std::string& letter);

// Opens drive `letter` into card.VolumeHandle. A handle still held is closed
// first, so nothing leaks when an action replaces it. Returns whether it opened.
bool OpenCard(CardVolume& card, Platform& platform, const std::string& letter);

// Runs the prologue. Returns true when the action goes on: the card is open,
// sector 0 is in SectorBuffer and the geometry is decoded. Returns false after
// the too-low message box, "Can't open SD" or "Can't read SD".
// `on_opened` runs once the card is open, before sector 0 is read: Quick
// Search disables Command2 there, Explore and Comb Through reset FoundCount.
bool CardPrologue(CardVolume& card, Controls& controls, Platform& platform,
                  const std::function<void()>& on_opened);

}  // namespace kvx

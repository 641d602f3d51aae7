// The card prologue every search runs first: the drive letter typed, the raw
// open and the boot sector. It tells how it ended; the actions decide what the
// window shows for each end.
#pragma once

#include <functional>
#include <string>

#include "card/boot_sector.h"
#include "card/card_volume.h"
#include "platform/platform.h"

namespace kvx {

// The drive letter of a typed text: its first character, upper-cased; empty
// for an empty text. "e:\data" gives "E".
std::string DriveLetterFromText(const std::string& text);

// True for an empty letter and for every character whose code is below "D".
bool IsBelowD(const std::string& letter);

// Opens drive `letter` into card.VolumeHandle. A handle still held is closed
// first, so nothing leaks when an action replaces it. Returns why it did not
// open, or OK.
Status OpenCard(CardVolume& card, Platform& platform, const std::string& letter);

enum class PrologueEnd { kLetterTooLow, kCannotOpen, kCannotRead, kOpened };

struct PrologueResult {
  PrologueEnd end = PrologueEnd::kLetterTooLow;
  // kOpened only: the boot sector's fields and the card's generation.
  BootSectorFields fields;
  int generation = -1;
  // kCannotOpen only: why the card did not open.
  Status open_failure;
};

// Takes the letter from `drive_text`, opens the card and reads its boot
// sector. On kOpened the card is open and card.BytesPerCluster is set; on
// kCannotRead the card stays open. `on_opened` runs once the card is open,
// before the boot sector is read.
PrologueResult RunCardPrologue(CardVolume& card, Platform& platform, const std::string& drive_text,
                               const std::function<void()>& on_opened);

}  // namespace kvx

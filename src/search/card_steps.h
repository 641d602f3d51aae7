// The card's prologue and region probes as the window shows them: each runs
// the card layer's step and writes its outcome to the labels or a message box.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "card/card_layout.h"
#include "card/card_volume.h"
#include "controls/controls.h"
#include "platform/platform.h"

namespace kvx {

// Runs the prologue on Text1's letter. Returns the card report when the
// action goes on: the card is open and the report is in Label2. Returns
// nullopt after the too-low message box, "Can't open SD" or "Can't read SD",
// each reported as the action's failed outcome.
// `on_opened` runs once the card is open, before the boot sector is read.
std::optional<std::string> CardPrologue(CardVolume& card, Controls& controls, Platform& platform,
                                        const std::function<void()>& on_opened);

// Probes the entry region. Writes "Trouble reading KVX file entries" or "KVX
// File Entries not found" to Label1 where no layout is found.
EntryRegion FindEntryRegion(CardVolume& card, Controls& controls);

// Probes the data region. Writes "KVX Data Region (1G|2G) found" or "... not
// found, ..." to Label3, or "Trouble reading KVX data region" to Label1. The
// card stays open.
RegionProbe FindDataRegion(CardVolume& card, Controls& controls);

}  // namespace kvx

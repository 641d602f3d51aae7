// kvx-rescue-cli image OUT.img: images the card into OUT.img and its map
// OUT.img.map, or continues them (see imaging/card_imager.h), with a progress
// line on stderr when asked, Ctrl+C as a clean stop, and what was done on
// stdout (errors on stderr).
#pragma once

#include <string>

#include "imaging/card_imager.h"
#include "platform/platform.h"

namespace kvx {

// Images the card that `letter_text` names (as Text1 names it) into
// `image_path`. Returns the exit code: 0 when every pass is done (the map
// tells what could not be read, the digest file vouches for the image), 130
// after Ctrl+C, 1 for any other end: the card could not be opened or was
// removed, an output could not be created or written, an existing image or
// map was refused.
int RunImageCommand(Platform& platform, const std::string& letter_text,
                    const std::string& image_path, const ImagingOptions& options, bool progress);

}  // namespace kvx

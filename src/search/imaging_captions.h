// The texts of imaging a card: its outcome line and its progress, for the
// headless front end and the window's status bar alike.
#pragma once

#include <string>

#include "imaging/card_imager.h"

namespace kvx {

// One line saying what came of imaging into `image_path`: how much was
// rescued, where the map is and the complete image's digest; or why the run
// ended early, or why nothing could be done.
std::string ImageOutcomeText(const ImageResult& result, const std::string& image_path);

// "Copying: 45 % rescued, 1.1 GB to try, 3 bad area(s), 19.5 MB/s, 51 s left":
// the pass ("Retrying (pass 2)"), what is rescued, what is left, and from
// 0.1 s on this pass's rate and time left, `seconds` after the pass began.
std::string ImagingProgressText(const ImagingProgress& progress, double seconds);

// The pass's name: "Copying", "Trimming", "Scraping", "Retrying".
const char* PassName(ImagingPhase phase);

}  // namespace kvx

// The texts of imaging a card: its outcome line and its progress, for the
// headless front end and the window's status bar alike.
#pragma once

#include <string>

#include "imaging/card_imager.h"

namespace kvx {

// One line saying what came of imaging into `image_path`: how much was
// rescued and where the map is, or why nothing could be done.
std::string ImageOutcomeText(const ImageResult& result, const std::string& image_path);

// "Copying: 45 % rescued, 1.1 GB to try, 3 bad area(s), 20.5 MB/s, 51 s left":
// the pass, what is rescued, what is left, and where known this pass's rate
// and time left, `seconds` after the pass began.
std::string ImagingProgressText(const ImagingProgress& progress, double seconds);

// The pass's name: "Copying", "Trimming", "Scraping", "Retrying".
const char* PassName(ImagingPhase phase);

}  // namespace kvx

// The headless window's end state as one JSON object:
// {"label1", "label2", "label3", "lines", "messages": [{"title", "text"}],
//  "retrieveEnabled", "sizeOptionsVisible", "retrieved": [the files Retrieve
//  copied, as its rescue report lists them], "diagnostics": [outcome lines]}.
// Texts are exact; NUL and other
// control characters are escaped, never cut, and bytes that are not valid
// UTF-8 become U+FFFD, so the output always parses.
#pragma once

#include <string>
#include <vector>

#include "controls/memory_controls.h"
#include "retrieve/retrieved_file.h"

namespace kvx {

std::string JsonReport(const MemoryControls& controls,
                       const std::vector<RetrievedFile>& retrieved = {});

}  // namespace kvx

// Retrieve (Command2): copies the file of every selected List1 line, from the
// last line to the first, out of the card the list came from, into a new file
// named Text2 + its FileName (Text2 with a separator added when it names a
// directory without one). Never overwrites a file and never writes outside the
// directory Text2 names.
//
// Each file, once written, is read back from the target and compared with a
// second read of its card range; its SHA-256 is taken from the bytes read
// back. A file whose second read differs is kept and named in the outcome,
// which then counts as failed. A run that copied a file records the rescue
// beside the files: a digest manifest sha256sum checks, and a JSON report
// (see retrieve/rescue_record.h).
#pragma once

#include <string>
#include <vector>

#include "controls/controls.h"
#include "platform/platform.h"
#include "retrieve/retrieved_file.h"
#include "search/window_state.h"

namespace kvx {

// What one Retrieve copied, for a front end that reports it.
struct Retrieval {
  std::vector<RetrievedFile> files;  // in the order copied
  std::string manifest;              // the manifest's file name; empty when none was written
};

Retrieval RetrieveFiles(WindowState& state, Controls& controls, Platform& platform);

// RetrieveFiles as a window's button runs it.
void Retrieve(WindowState& state, Controls& controls, Platform& platform);

}  // namespace kvx

// What every action test needs: a fresh window state, in-memory controls and
// an in-memory platform with a card under drive E.
#pragma once

#include <memory>
#include <ostream>
#include <vector>

#include "controls/memory_controls.h"
#include "search/window_state.h"
#include "tests/support/memory_platform.h"
#include "tools/card_image/card_image.h"

namespace kvx {

// An outcome in a test's failure message: its kind and its line.
inline void PrintTo(const Outcome& outcome, std::ostream* os) {
  *os << outcome.kind << ": " << outcome.text;
}

}  // namespace kvx

namespace kvx::testing {

struct ActionHarness {
  MemoryPlatform platform;
  MemoryControls controls;
  std::unique_ptr<WindowState> state = std::make_unique<WindowState>();

  Card& InsertCard(const CardImage& image, const std::string& letter = "E") {
    return platform.Insert(letter, image.bytes());
  }
  Card& InsertBytes(std::vector<std::byte> bytes, const std::string& letter = "E") {
    return platform.Insert(letter, std::move(bytes));
  }
  // Lists a record of `size` bytes (by both counts) at card offset `at` and
  // selects its line, as a search and a click would.
  void ListSelected(const char* name, std::int64_t at, std::int64_t size) {
    FoundFile file;
    file.FileName = PaddedFileName(name);
    file.StartOffset = at;
    file.SizeByFat = file.SizeByHeader = size;
    state->FoundFiles.Add(file, controls);
    controls.Select(state->FoundFiles.FoundCount() - 1);
  }
};

}  // namespace kvx::testing

// Support for the Explore and Comb Through tests: MemoryControls that also log,
// in order, every write an action makes to the window (so tests can check the
// order of label writes and pointer changes), a harness with them, and a way
// to mark overlapping headers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controls/memory_controls.h"
#include "search/window_state.h"
#include "tests/support/memory_platform.h"
#include "tools/card_image/card_image.h"

namespace kvx::testing {

class RecordingControls : public MemoryControls {
 public:
  std::vector<std::string> events;
  std::vector<std::pair<std::int64_t, std::int64_t>> progress;  // done, total

  void SetCaption(Label label, const std::string& caption) override {
    const char* name = label == Label::Label1   ? "Label1"
                       : label == Label::Label2 ? "Label2"
                                                : "Label3";
    events.push_back(std::string(name) + "=" + caption);
    MemoryControls::SetCaption(label, caption);
  }
  void ClearList() override {
    events.push_back("ClearList");
    MemoryControls::ClearList();
  }
  void AppendLine(const std::string& line) override {
    events.push_back("Append " + line);
    MemoryControls::AppendLine(line);
  }
  void SetSizeOptionsVisible(bool visible) override {
    events.push_back(visible ? "ShowOptions" : "HideOptions");
    MemoryControls::SetSizeOptionsVisible(visible);
  }
  void SetRetrieveEnabled(bool enabled) override {
    events.push_back(enabled ? "EnableCommand2" : "DisableCommand2");
    MemoryControls::SetRetrieveEnabled(enabled);
  }
  void SetBusyPointer(bool on) override {
    events.push_back(on ? "Busy" : "Default");
    MemoryControls::SetBusyPointer(on);
  }
  void ShowMessage(const std::string& text, const std::string& title) override {
    events.push_back("Message " + text);
    MemoryControls::ShowMessage(text, title);
  }
  bool AskYesNo(const std::string& text, const std::string& title) override {
    events.push_back("Ask");
    return MemoryControls::AskYesNo(text, title);
  }
  void ReportProgress(std::int64_t done, std::int64_t total) override {
    progress.emplace_back(done, total);
  }
};

// ActionHarness with recording controls.
struct RecordingHarness {
  MemoryPlatform platform;
  RecordingControls controls;
  std::unique_ptr<WindowState> state = std::make_unique<WindowState>();

  Card& InsertCard(const CardImage& image, const std::string& letter = "E") {
    return platform.Insert(letter, image.bytes());
  }
  Card& InsertBytes(std::vector<std::byte> bytes, const std::string& letter = "E") {
    return platform.Insert(letter, std::move(bytes));
  }
};

// Only the eight bytes a header is known by (6..11, 1534, 1535), so headers
// one sector apart can overlap without overwriting each other's test bytes.
inline void MarkHeader(CardImage& image, std::int64_t offset, std::uint32_t body_length) {
  image.SetByte(offset + 6, 0x00);
  image.SetByte(offset + 7, 0x06);
  for (int i = 0; i < 4; ++i) {
    image.SetByte(offset + 8 + i, static_cast<std::uint8_t>(body_length >> (8 * i)));
  }
  image.SetByte(offset + 1534, 0x01);
  image.SetByte(offset + 1535, 0x80);
}

}  // namespace kvx::testing

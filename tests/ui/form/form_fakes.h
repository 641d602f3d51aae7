// The form's surroundings in memory, for the form's tests and both windows'
// suites: dialogs answered from a script, a view over in-memory controls, a
// status bar that records what it shows, and the scenario cards, fast or
// slow. Nothing here knows a toolkit.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "controls/memory_controls.h"
#include "tests/support/memory_platform.h"
#include "tools/card_image/card_image.h"
#include "ui/form/action_status.h"
#include "ui/form/dialogs.h"
#include "ui/form/form1.h"
#include "ui/form/form_view.h"
#include "ui/form/status_bar_view.h"

namespace kvx::testing {

// Logs every box and chooser as "kind|text|title" (core text, CR LF breaks);
// answers questions with `answer`, the chooser with `file` and the save
// dialog with `image_file`.
struct ScriptedDialogs : Dialogs {
  std::vector<std::string> log;
  bool answer = true;
  std::optional<ChosenFile> file;
  std::optional<std::string> image_file;

  void ShowMessage(const std::string& text, const std::string& title) override {
    log.push_back("message|" + text + "|" + title);
  }
  bool AskYesNo(const std::string& text, const std::string& title) override {
    log.push_back("question|" + text + "|" + title);
    return answer;
  }
  std::optional<ChosenFile> ChooseFile(const std::string& directory,
                                       const std::string& file_name) override {
    log.push_back("chooser|" + directory + "|" + file_name);
    return file;
  }
  std::optional<std::string> ChooseImageFile(const std::string& file_name) override {
    log.push_back("image|" + file_name);
    return image_file;
  }
  std::string Joined() const {
    std::string joined;
    for (const std::string& entry : log) joined += entry;
    return joined;
  }
};

// The form's view over controls held in memory; its boxes go to `dialogs`
// and an action's progress, outcome and stop to `status`, as a window's do.
struct FakeView final : FormView {
  FakeView(Dialogs& dialogs, ActionStatus& status) : dialogs(dialogs), status(status) {}
  MemoryControls controls;
  Dialogs& dialogs;
  ActionStatus& status;
  int close_requests = 0;

  std::string Text1() const override { return controls.Text1(); }
  std::string Text2() const override { return controls.Text2(); }
  void SetText2(const std::string& text) override { controls.text2 = text; }
  void CloseWindow() override { ++close_requests; }
  void SetCaption(Label label, const std::string& caption) override {
    controls.SetCaption(label, caption);
  }
  void ClearList() override { controls.ClearList(); }
  void AppendLine(const std::string& line) override { controls.AppendLine(line); }
  int LineCount() const override { return controls.LineCount(); }
  bool IsSelected(int line) const override { return controls.IsSelected(line); }
  int SelectedCount() const override { return controls.SelectedCount(); }
  int CurrentIndex() const override { return controls.CurrentIndex(); }
  void SetSizeOptionsVisible(bool visible) override { controls.SetSizeOptionsVisible(visible); }
  void SetRetrieveEnabled(bool enabled) override { controls.SetRetrieveEnabled(enabled); }
  void SetBusyPointer(bool busy) override { controls.SetBusyPointer(busy); }
  void ShowMessage(const std::string& text, const std::string& title) override {
    dialogs.ShowMessage(text, title);
  }
  bool AskYesNo(const std::string& text, const std::string& title) override {
    return dialogs.AskYesNo(text, title);
  }
  bool StopRequested() override { return status.StopRequested(); }
  void ReportProgress(std::int64_t done, std::int64_t total) override {
    status.Progress(done, total);
  }
  void ReportOutcome(const Outcome& outcome) override { status.Report(outcome); }
};

// Records what the bar shows; `on_events` runs where a window would handle
// its events during an action.
struct FakeBar final : StatusBarView {
  std::vector<std::pair<std::string, bool>> texts;  // text, shown as a failure
  std::optional<int> progress;                      // per mille; nullopt: hidden
  bool stop_enabled = false;
  int event_passes = 0;
  std::function<void()> on_events;
  void ShowStatusText(const std::string& text, bool failure) override {
    texts.emplace_back(text, failure);
  }
  void ShowProgressBar(std::optional<int> per_mille) override { progress = per_mille; }
  void EnableStop(bool enabled) override { stop_enabled = enabled; }
  void ProcessWindowEvents() override {
    ++event_passes;
    if (on_events) on_events();
  }
};

// A 2G card of 4 MiB holding DATA0001.KVX... from `first_cluster` on, each of
// 2536 bytes by the FAT and by its header; file `differing` has 4000 and 6536.
inline CardImage ScenarioCard(int first_cluster, int files, int differing = 0) {
  CardImage card(CardImage::Layout::kG2, 4 << 20);
  for (int i = 1; i <= files; ++i) {
    std::string name = "DATA000" + std::to_string(i) + ".KVX";
    card.AddEntry(name, first_cluster + i - 1, i == differing ? 4000 : 2536);
    card.PlaceFile(card.ClusterOffset(first_cluster + i - 1), i == differing ? 5000 : 1000);
  }
  return card;
}

// E: five files, the second's sizes differ; F: one file; G: no file; H: no
// data region marker where the files are. Q names no card at all.
inline std::vector<std::pair<std::string, CardImage>> ScenarioCards() {
  std::vector<std::pair<std::string, CardImage>> cards;
  cards.emplace_back("E", ScenarioCard(2, 5, 2));
  cards.emplace_back("F", ScenarioCard(2, 1));
  cards.emplace_back("G", ScenarioCard(2, 0));
  cards.emplace_back("H", ScenarioCard(3, 1));
  return cards;
}

// The scenario cards in memory, each read taking `read_time` and then calling
// `on_read` with the count of reads so far: a slow card whose reads can press
// keys and click while an action runs. A letter is described as "card E".
class SlowPlatform : public MemoryPlatform {
 public:
  SlowPlatform() {
    for (const auto& [letter, card] : ScenarioCards()) {
      Insert(letter, card.bytes()).after_read = [this] {
        std::this_thread::sleep_for(read_time);
        on_read(++reads);
      };
    }
  }
  std::function<void(int)> on_read = [](int) {};
  std::chrono::milliseconds read_time{0};
  int reads = 0;

  std::string DescribeLetter(const std::string& letter) override { return "card " + letter; }
  // The recovered files written, by name in name order, without the rescue's
  // record.
  std::string Copied() const {
    std::string names;
    for (const auto& [path, bytes] : files) {
      if (!path.ends_with(".KVX")) continue;
      names += (names.empty() ? "" : " ") + path.substr(path.find_last_of("/\\") + 1);
    }
    return names;
  }
};

// Long enough that every read of a slow card is followed by a progress report
// the window shows and handles its events in.
inline constexpr std::chrono::milliseconds kSlowRead{110};

// Form1 loaded on the scenario cards, its view and bar in memory, on a clock
// a second further on at each look, so that every progress report is due and
// the bar's `on_events` runs at each.
struct FormOnCards {
  FormOnCards() { form.Form_Load(); }

  ScriptedDialogs dialogs;
  SlowPlatform platform;
  FakeBar bar;
  ActionStatus::Clock::time_point now{};
  ActionStatus status{bar, [this] { return now += std::chrono::seconds(1); }};
  FakeView view{dialogs, status};
  Form1 form{view, dialogs, platform, status};
};

}  // namespace kvx::testing

// The controls port: what an action reads from and writes to the window.
//
// Each action runs from a click to its end and talks to the window only
// through this interface, so the Qt window, the headless front end and the
// tests drive the same core. All text is UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "controls/outcome.h"

namespace kvx {

enum class Label { Label1, Label2, Label3 };

class Controls {
 public:
  virtual ~Controls() = default;

  // The text boxes: Text1 holds the drive letter, Text2 the target directory.
  virtual std::string Text1() const = 0;
  virtual std::string Text2() const = 0;

  virtual void SetCaption(Label label, const std::string& caption) = 0;

  // List1: its lines, its selection and its current line (-1 when none).
  virtual void ClearList() = 0;
  virtual void AppendLine(const std::string& line) = 0;
  virtual int LineCount() const = 0;
  virtual bool IsSelected(int line) const = 0;
  virtual int SelectedCount() const = 0;
  virtual int CurrentIndex() const = 0;

  // Option1 and Option2 are shown and hidden together.
  virtual void SetSizeOptionsVisible(bool visible) = 0;
  // Command2, "Retrieve Selected .KVX files".
  virtual void SetRetrieveEnabled(bool enabled) = 0;
  // The hourglass while a long action runs.
  virtual void SetBusyPointer(bool busy) = 0;

  // Modal message boxes: OK only, or Yes and No (true for Yes).
  virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
  virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;

  // Long actions (Explore, Comb Through, Retrieve) ask after each read; true
  // once the user asked to stop (Esc, the Stop button, closing the window,
  // Ctrl+C). A stopped search keeps what it listed and ends as at the card's
  // end; a stopped Retrieve closes the file being written and ends.
  virtual bool StopRequested() { return false; }

  // How far a long action has come: `done` bytes of `total`, where a total of
  // 0 or less is unknown. Called after each read by Explore, Comb Through and
  // Retrieve; windows throttle it and process their paint events in it.
  virtual void ReportProgress(std::int64_t /*done*/, std::int64_t /*total*/) {}

  // Once at the end of every action (Quick Search, Explore, Comb Through,
  // Retrieve): one line saying what came of it, or the failure's reason.
  virtual void ReportOutcome(const Outcome& /*outcome*/) {}
};

}  // namespace kvx

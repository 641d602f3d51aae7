// Ctrl+C as the window's Esc: while an InterruptAsStop lives, SIGINT only
// notes that the user asked to stop, so a long action ends between two reads
// with what it has done; the previous handler comes back afterwards.
#pragma once

namespace kvx {

class InterruptAsStop {
 public:
  InterruptAsStop();
  ~InterruptAsStop();
  InterruptAsStop(const InterruptAsStop&) = delete;
  InterruptAsStop& operator=(const InterruptAsStop&) = delete;

  // True once Ctrl+C was pressed while this object lived.
  bool asked() const;

 private:
  void (*previous_)(int);
};

// The exit status of a program that stopped after Ctrl+C, as shells report it.
inline constexpr int kInterruptedExitStatus = 130;

}  // namespace kvx

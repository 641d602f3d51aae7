#include "cli/interrupt_as_stop.h"

#include <csignal>

namespace kvx {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void NoteInterrupt(int) { interrupted = 1; }

}  // namespace

InterruptAsStop::InterruptAsStop() : previous_(std::signal(SIGINT, NoteInterrupt)) {
  interrupted = 0;
}

InterruptAsStop::~InterruptAsStop() { std::signal(SIGINT, previous_); }

bool InterruptAsStop::asked() const { return interrupted != 0; }

}  // namespace kvx

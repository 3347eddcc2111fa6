// Ctrl-C and SIGTERM for the commands that run long (run, sweep).
#pragma once

#include <atomic>

namespace segsim {

// While it lives, the first SIGINT or SIGTERM sets Stop(): the command stops at its next whole
// line and ends with ExitStatus(). A second one ends the program at once. A signal that was
// ignored when the program started (a background job of a script) stays ignored. The previous
// handlers come back when it goes. One at a time.
class StopSignals {
public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  static const std::atomic<bool>& Stop();
  // 128 + the signal that set Stop() (130 for Ctrl-C).
  static int ExitStatus();
};

}  // namespace segsim

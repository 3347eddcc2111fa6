#include "cli/stop_signals.h"

#include <csignal>
#include <iterator>

#include <signal.h>

namespace segsim {

namespace {

std::atomic<bool> gStop{false};
volatile std::sig_atomic_t gSignal = 0;
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr int kSignals[] = {SIGINT, SIGTERM};
struct sigaction gOld[std::size(kSignals)];

void OnStopSignal(int signal) {
  gSignal = signal;
  gStop.store(true);
}

}  // namespace

StopSignals::StopSignals() {
  gStop.store(false);
  gSignal = 0;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // A second signal ends the program at once; a write that a signal interrupts goes on.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], nullptr, &gOld[i]);
    if (gOld[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
  }
}

StopSignals::~StopSignals() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &gOld[i], nullptr);
}

const std::atomic<bool>& StopSignals::Stop() { return gStop; }

int StopSignals::ExitStatus() { return 128 + (gSignal != 0 ? static_cast<int>(gSignal) : SIGINT); }

}  // namespace segsim

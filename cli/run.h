// segsim-cli run: one setup and N steps.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "cli/options.h"

namespace segsim {

struct RunOutcome {
  std::int32_t stepsDone = 0;
  bool interrupted = false;  // stop was set before the last step
};

// Writes the trace (or the summary) of one run to out in whole lines, checking every write
// (OutputError, OutputClosed). Once stop is set no further step runs: the lines of the steps done
// are written and the summary is left out.
RunOutcome RunTrace(const RunOptions& options, std::FILE* out,
                    const std::atomic<bool>* stop = nullptr);

// The whole command on stdout: Ctrl-C (SIGINT) and SIGTERM stop the run after its current step.
// Returns the exit status: 0, or 128 + the signal when stopped.
int RunMain(const RunOptions& options);

}  // namespace segsim

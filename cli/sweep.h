// segsim-cli sweep: the sweep engine's rows printed as CSV or JSON Lines, with a progress bar.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/progress.h"
#include "cli/sweep_options.h"
#include "cli/sweep_rows.h"

namespace segsim {

struct SweepOutcome {
  std::int64_t runsPrinted = 0;
  std::int64_t runsPlanned = 0;  // of the shard
  bool interrupted = false;
  std::vector<std::string> messages;  // the fits that could not be computed
};

// Runs the sweep, or its shard, on options.jobs threads (0: every core) and writes to out: the
// CSV header, the sweep row, each run's row in run order as soon as it and every earlier run are
// done, then (for the whole sweep) the summary. Without a seed in the options, S comes from the
// clock. Once stop is set no run starts, the runs in flight are abandoned, the rows written stay
// and the summary is left out. progress may be null.
SweepOutcome RunSweep(const SweepOptions& options, std::FILE* out, const std::atomic<bool>& stop,
                      SweepProgress* progress);

// The whole command: Ctrl-C (SIGINT) and SIGTERM stop the sweep, a progress bar shows while
// stderr is a terminal. Returns the exit status: 0, or 128 + the signal when stopped.
int SweepMain(const SweepOptions& options);

}  // namespace segsim

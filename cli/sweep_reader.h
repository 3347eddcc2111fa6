// Reading back what segsim-cli sweep and merge print, every column of every row checked.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/sweep_options.h"
#include "sweep/plan.h"
#include "sweep/run.h"

namespace segsim {

// One file of sweep output, read and checked.
struct SweepFile {
  std::string path;
  OutputFormat format = OutputFormat::Csv;
  SweepOptions options;               // from the sweep row's command (with its --shard)
  std::unique_ptr<SweepPlan> plan;    // the whole sweep's plan
  std::vector<RunRow> runs;           // in file order
  std::vector<std::string> runLines;  // as printed
};

// Reads a sweep's output (CSV or JSON Lines, sharded or whole, with or without its summary).
// Every row is checked as the sweep writes it: the header and the column set of the sweep's
// parameters; numbers finite and well formed, empty (null) only where a value may be missing,
// integers in integer columns; a run row's run in the sweep and in the file's shard, its seed
// S + i, its values and applied values those the plan gives, its per-group columns those of
// the groups it has; the summary rows of known kinds. Raises UsageError naming the file, the
// line and the column of the first fault.
SweepFile ReadSweepFile(const std::string& path);

// The lines of a file without line ends (a final "\r" dropped); blank lines are kept as empty
// strings so that line numbers stay right. Raises UsageError when it cannot be read.
std::vector<std::string> ReadFileLines(const std::string& path);

}  // namespace segsim

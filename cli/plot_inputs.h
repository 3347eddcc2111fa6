// What segsim-cli plot draws from: a run's trace (JSON Lines of segsim-cli run) or a sweep's
// rows (cli/sweep_reader.h), and the measure taken from each run row.
#pragma once

#include <QColor>
#include <string>
#include <vector>

#include <optional>

#include "sweep/run.h"

namespace segsim {

struct Trace {
  std::vector<QColor> colors;  // per group
  std::vector<double> steps;
  std::vector<std::vector<double>> satisfaction;  // per group, per step; NaN: no value
  std::vector<std::vector<double>> segregation;
};

// Whether the file's first line that is not blank is a JSON object with a "step" key.
bool IsTrace(const std::string& path);
// Raises UsageError naming the file and the line of a line that is no line of a trace.
Trace ReadTrace(const std::string& path);

struct SweepFile;

// Nothing when the file holds every run of its sweep; else what it holds: "105 of 350 runs",
// or for a shard "shard 1/3, 117 of 350 runs".
std::optional<std::string> MissingRuns(const SweepFile& file);

// "clusters", "mean_is", or "satisfaction": the mean over the groups that have a value (NaN for
// none).
double MeasureOf(const RunRow& run, const std::string& measure);

}  // namespace segsim

// The charts of segsim-cli plot, built with the windows' chart layer (charts/chart_view.h).
// Each is replotted and ready to be painted; the caller owns it.
#pragma once

#include <string>

#include "cli/plot_inputs.h"
#include "cli/sweep_reader.h"

namespace segsim {

class ChartView;

// One swept parameter: the sweep window's chart of the measure (the runs, the per-value
// averages, the fit and the trend).
ChartView* ValueChart(const SweepFile& file, const std::string& measure);
// Two swept parameters: a heat map of the measure's mean per combination.
ChartView* PhaseDiagram(const SweepFile& file, const std::string& measure);
// A run's trace: each group's "satisfaction" or "segregation" over log time, as the analysis
// window shows it.
ChartView* TraceChart(const Trace& trace, const std::string& measure);

}  // namespace segsim

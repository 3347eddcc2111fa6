// The charts of segsim-cli plot, built with the windows' chart layer (charts/chart_view.h).
// Each is replotted and ready to be painted; the caller owns it.
#pragma once

#include <string>

#include "cli/plot_inputs.h"
#include "cli/sweep_reader.h"

namespace segsim {

class ChartView;

// What plot adds to a sweep's chart.
struct SweepChartLook {
  std::string partial;    // not empty: the runs the file holds ("105 of 350 runs"), in the title
  bool annotate = false;  // a heat map: each cell's value in the cell
};

// One swept parameter: the sweep window's chart of the measure (the runs, the per-value
// averages, the fit and the trend), with a legend of the four.
ChartView* ValueChart(const SweepFile& file, const std::string& measure,
                      const SweepChartLook& look = {});
// Two swept parameters: a heat map of the measure's mean per combination.
ChartView* PhaseDiagram(const SweepFile& file, const std::string& measure,
                        const SweepChartLook& look = {});
// A run's trace: each group's "satisfaction" or "segregation" over log time, as the analysis
// window shows it.
ChartView* TraceChart(const Trace& trace, const std::string& measure);

}  // namespace segsim

// The end of a sweep: per-value averages, linear trend and polynomial fit of both results.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "cli/sweep_rows.h"

namespace segsim {

// What the derived series are computed from, one entry per run in run order.
struct RunResult {
  double value = 0.0;     // the value swept
  double clusters = 0.0;
  double meanIs = 0.0;    // NaN: the run adds no segregation point
};

struct SummaryRows {
  std::vector<std::string> lines;     // the rows, formatted
  std::vector<std::string> messages;  // one per fit that could not be computed
};

// As the sweep window has them at the end of a sweep: a point series per result (clusters, and
// mean_is where the run has one) with a BlockAverage of Period R, a LinearTrend and a
// PolynomialFit of the degree. Rows per result, in this order:
//   <result>_average  one per block of R points: value = the block's x, the result = its mean
//   <result>_trend    the two ends of the trend line (none for fewer than two points)
//   <result>_fit      the fitted value at every distinct value, or one <result>_no_fit row whose
//                     note says why no fit exists
SummaryRows Summarize(const RowFormat& format, std::span<const RunResult> results,
                      std::int32_t runsPerValue, std::int32_t degree);

}  // namespace segsim

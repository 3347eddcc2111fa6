// The end of a sweep: the rows computed from all its runs.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sweep/plan.h"
#include "sweep/run.h"

namespace segsim {

// The names of a run's two results: the columns that hold them and the prefix of the summary rows
// derived from them (clusters_average, mean_is_fit, ...).
inline constexpr const char* kClustersResult = "clusters";
inline constexpr const char* kMeanIsResult = "mean_is";

// One summary row. Which fields it has depends on its kind (see Summarize).
struct SummaryRow {
  std::string kind;
  std::optional<double> x;                    // one parameter: the point's value on the x axis
  std::vector<std::int32_t> values, applied;  // "mean": the combination, per axis
  std::optional<double> clusters;             // absent: not this row's result
  std::optional<double> meanIs;               // absent: not this row's result; NaN: no value
  std::vector<double> segregation;            // "mean": per group, NaN where no run had a value
  std::vector<double> satisfaction;           // "mean": per group, NaN where no run had a value
  bool perGroup = false;                      // the per-group values belong to the row
  std::string note;
};

struct Summary {
  std::vector<SummaryRow> rows;
  std::vector<std::string> messages;  // one per fit that could not be computed
};

// The summary of the runs of a whole sweep, given in run order.
//
// One swept parameter: as the sweep window has it at the end of a sweep, a point series per
// result (clusters, and mean_is where the run has one) with a BlockAverage of Period R, a
// LinearTrend and a PolynomialFit of the degree. Rows per result, in this order:
//   <result>_average  one per block of R points: x = the block's x, the result = its mean
//   <result>_trend    the two ends of the trend line (none for fewer than two points)
//   <result>_fit      the fitted value at every distinct value, or one <result>_no_fit row whose
//                     note says why no fit exists
// Several swept parameters: one "mean" row per combination, in run order, with the mean of the
// clusters, of mean_is (over the runs that have one) and of each group's values (over the
// runs where the group has a value; groups the combination does not have are absent).
Summary Summarize(const SweepPlan& plan, std::span<const RunRow> runs);

}  // namespace segsim

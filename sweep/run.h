// One run of a sweep: a fresh model with the run's setup and seed, its steps, its results.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "measures/clusters.h"
#include "sweep/plan.h"

namespace segsim {

// The results of one run, as a row.
struct RunRow {
  std::int64_t run = 0;               // 0-based in sweep order
  std::vector<std::int32_t> values;   // the swept value of each axis
  std::vector<std::int32_t> applied;  // what the model was given, per axis
  std::uint32_t seed = 0;
  std::int32_t clusters = 0;         // clusters above the cluster threshold at the last analysis
  double meanIs = 0.0;               // NaN when no group had a segregation index
  std::vector<double> segregation;   // per group, NaN for no value
  std::vector<double> satisfaction;  // per group, NaN for no value
};

// The two results of a run that the sweep charts take: the clusters above the threshold at the
// last cluster analysis, and the mean of the groups' segregation indices that exist
// (MeanOfExisting; NaN: none). The sweep window computes the same from what its analysis window
// shows.
struct RunResults {
  std::int32_t clusters = 0;
  double meanIs = 0.0;
};
RunResults ResultsOf(const ClusterSizes& clusters, std::int32_t clusterThreshold,
                     std::span<const double> segregation);
// The same from a count of clusters already taken (the sweep window's cluster bars).
RunResults ResultsOf(std::int32_t clusters, std::span<const double> segregation);

// Run i of the plan with seed S. Nothing when cancel is set before the last step.
std::optional<RunRow> RunOne(const SweepPlan& plan, std::int64_t run, std::uint32_t seed,
                             const std::atomic<bool>& cancel);

}  // namespace segsim

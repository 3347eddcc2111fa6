#include "sweep/run.h"

#include <limits>

#include "measures/run_results.h"
#include "measures/simulation.h"
#include "model/numeric.h"

namespace segsim {

RunResults ResultsOf(std::int32_t clusters, std::span<const double> segregation) {
  RunResults r;
  r.clusters = clusters;
  r.meanIs = MeanOfExisting(segregation).value_or(std::numeric_limits<double>::quiet_NaN());
  return r;
}

RunResults ResultsOf(const ClusterSizes& clusters, std::int32_t clusterThreshold,
                     std::span<const double> segregation) {
  return ResultsOf(ClustersAbove(clusters, clusterThreshold), segregation);
}

std::optional<RunRow> RunOne(const SweepPlan& plan, std::int64_t run, std::uint32_t seed,
                             const std::atomic<bool>& cancel) {
  const SetupParams setup = plan.RunSetup(run, seed);
  const SweepDesign& design = plan.Design();
  Simulation sim;
  sim.InitSetup(setup);
  for (std::int32_t t = 0; t < design.steps; ++t) {
    if (cancel.load(std::memory_order_relaxed)) return std::nullopt;
    sim.Step();
  }
  const std::int64_t combination = run / plan.RunsPerValue();
  RunRow row;
  row.run = run;
  for (std::size_t a = 0; a < plan.AxisCount(); ++a) {
    row.values.push_back(plan.ValueAt(combination, a));
    row.applied.push_back(plan.AppliedAt(combination, a));
  }
  row.seed = *setup.Seed;
  const StepMeasures& m = sim.LastMeasures();
  const RunResults results =
      ResultsOf(sim.Clusters(), design.clusterThreshold, m.dissimilarity.segregation);
  row.clusters = results.clusters;
  row.meanIs = results.meanIs;
  row.segregation = m.dissimilarity.segregation;
  row.satisfaction = m.satisfaction;
  return row;
}

}  // namespace segsim

#include "measures/simulation.h"

#include <algorithm>

#include "measures/statistics.h"

namespace segsim {

void Simulation::NewSetup(const SetupParams& params) {
  model_.NewSetup(params);
  if (sink_) sink_->ResetCharts(model_);
}

void Simulation::Step() {
  model_.MoveAgents();
  model_.SetTimeStep(model_.TimeStep() + 1);
  UpdateStatistics();
}

void Simulation::UpdateStatistics() {
  const std::uint32_t t = model_.TimeStep();
  if (t == 1 && sink_) sink_->ResetCharts(model_);
  last_.clustersRan = false;
  const std::uint64_t changes = model_.Grid().Changes();
  const std::int32_t groups = model_.Settings().GroupCount;
  if (!lastSatisfaction_ || lastSatisfaction_->changes != changes ||
      lastSatisfaction_->groups != groups) {
    lastSatisfaction_ = SatisfactionFrom{changes, groups, GroupSatisfaction(model_.Grid(), groups)};
  }
  last_.satisfaction = lastSatisfaction_->result;
  if (sink_) {
    for (std::size_t g = 0; g < last_.satisfaction.size(); ++g) {
      sink_->AddSatisfactionPoint(static_cast<std::int32_t>(g), t, last_.satisfaction[g]);
    }
  }
  if (IsClusterStep(t)) {
    ClusterAnalysis();
    last_.clustersRan = true;
  }
  CountTiles();
}

void Simulation::ClusterAnalysis() {
  clusterSizes_ = segsim::ClusterAnalysis(model_.Grid(), model_.Settings().GroupCount);
  marksSet_ = true;
  if (sink_) sink_->ShowClusterSizes(model_, clusterSizes_);
}

// Only the cluster analysis sets marks and links, so a grid without an analysis since the last
// reset is clear already: the tile count at every step then skips a pass over the grid.
void Simulation::ResetClusterMarks() {
  if (!marksSet_) return;
  segsim::ResetClusterMarks(model_.Grid());
  marksSet_ = false;
}

std::int32_t Simulation::PopulationTotal() const {
  return populationTotal_ ? populationTotal_() : model_.AgentCountUsed();
}

StepMeasures Simulation::CurrentMeasures() const {
  if (model_.TimeStep() > 0) return last_;
  const ModelSettings& s = model_.Settings();
  StepMeasures setup;
  setup.satisfaction = GroupSatisfaction(model_.Grid(), s.GroupCount);
  setup.dissimilarity =
      ComputeDissimilarity(CountTileGroups(model_.Grid(), s.TileSize, s.GroupCount),
                           model_.GroupSizes(), PopulationTotal());
  return setup;
}

void Simulation::CountTiles() {
  const ModelSettings& s = model_.Settings();
  TileCounts counts = CountTileGroups(model_.Grid(), s.TileSize, s.GroupCount);
  ResetClusterMarks();
  const std::int32_t total = PopulationTotal();
  const std::span<const std::int32_t> sizes = model_.GroupSizes();
  const DissimilarityFrom* const kept = lastDissimilarity_ ? &*lastDissimilarity_ : nullptr;
  if (!kept || kept->total != total || kept->counts != counts ||
      !std::equal(kept->groupSizes.begin(), kept->groupSizes.end(), sizes.begin(), sizes.end())) {
    Dissimilarity result = ComputeDissimilarity(counts, sizes, total);
    lastDissimilarity_ = DissimilarityFrom{std::move(counts), {sizes.begin(), sizes.end()}, total,
                                           std::move(result)};
  }
  last_.dissimilarity = lastDissimilarity_->result;
  WriteDissimilarity(last_.dissimilarity);
}

// The table's values, then each group's IS(i) as a point at x = TimeStep.
void Simulation::WriteDissimilarity(const Dissimilarity& d) {
  if (!sink_) return;
  sink_->ShowDissimilarity(d);
  const double x = model_.TimeStep();
  for (std::int32_t i = 0; i < d.groups; ++i) {
    sink_->AddSegregationPoint(i, x, d.segregation[static_cast<std::size_t>(i)]);
  }
}

}  // namespace segsim

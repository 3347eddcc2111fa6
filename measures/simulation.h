// The headless model class that the main window owns, segsim-cli runs and the tests drive: the
// model with its measures and the schedule on which they are taken.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "measures/clusters.h"
#include "measures/dissimilarity.h"
#include "model/model.h"

namespace segsim {

// Where the measures go: the analysis window implements it. Every call is optional to act on.
class MeasureSink {
public:
  virtual ~MeasureSink() = default;
  // New, empty per-group series for the model's G, colours and group sizes; the table laid out.
  virtual void ResetCharts(const Model& model) = 0;
  // One point on the line of group index g (group g + 1); y is NaN for no value.
  virtual void AddSatisfactionPoint(std::int32_t g, double x, double y) = 0;
  virtual void AddSegregationPoint(std::int32_t g, double x, double y) = 0;
  // The dissimilarities and segregation indices just computed, unrounded (halved D(i, j) for
  // j >= i, IS(i)); the window formats them for its table.
  virtual void ShowDissimilarity(const Dissimilarity& d) = 0;
  // The cluster sizes of the analysis just made.
  virtual void ShowClusterSizes(const Model& model, const ClusterSizes& sizes) = 0;
};

// The measures of the last UpdateStatistics (or of a measure asked for on its own).
struct StepMeasures {
  std::vector<double> satisfaction;  // per group; NaN for no value
  Dissimilarity dissimilarity;       // halved, unrounded
  bool clustersRan = false;          // the cluster analysis ran in this UpdateStatistics
};

class Simulation {
public:
  // Neither the canvas nor the sink is owned; both may be null.
  explicit Simulation(Canvas* canvas = nullptr, MeasureSink* sink = nullptr)
      : model_(canvas), sink_(sink) {}

  // segsim::Model names the type inside the class, where Model is the accessor.
  segsim::Model& Model() { return model_; }
  const segsim::Model& Model() const { return model_; }
  void SetSink(MeasureSink* sink) { sink_ = sink; }
  // T of the segregation index, asked for at every computation (the window reads its agent-count
  // field). Without a source, T is the number of agents of the last setup. A source that raises
  // ends the computation before anything is written.
  void SetPopulationTotalSource(std::function<std::int32_t()> source) {
    populationTotal_ = std::move(source);
  }
  // A fixed T from now on (a change made while the model runs).
  void SetPopulationTotal(std::int32_t total) {
    populationTotal_ = [total] { return total; };
  }

  void InitSetup(const SetupParams& params) { model_.InitSetup(params); }
  // New model, then the sink's charts reset for it.
  void NewSetup(const SetupParams& params);

  // One step without the window's bookkeeping: MoveAgents, TimeStep + 1, UpdateStatistics.
  void Step();

  // At step 1 the charts reset first; the satisfaction points; the cluster analysis when
  // (TimeStep - 1) is a multiple of 30; the tile measures at every step.
  void UpdateStatistics();
  void ClusterAnalysis();
  void ResetClusterMarks();
  // Counts the tiles, computes the indices and writes them out.
  void CountTiles();

  const ClusterSizes& Clusters() const { return clusterSizes_; }
  const StepMeasures& LastMeasures() const { return last_; }
  // The measures as they stand, taken without touching the grid or telling the sink: after a
  // step those of the last one, before the first the setup's (satisfaction 0 until a step
  // computes it; no cluster analysis).
  StepMeasures CurrentMeasures() const;
  std::int32_t PopulationTotal() const;

private:
  void WriteDissimilarity(const Dissimilarity& d);

  segsim::Model model_;
  MeasureSink* sink_;
  std::function<std::int32_t()> populationTotal_;
  ClusterSizes clusterSizes_;
  StepMeasures last_;
  bool marksSet_ = false;  // cluster marks or links may be set on the grid
  // A settled run makes many steps that change nothing: their measures are those of the last
  // computation, kept with what it was computed from. The indices depend on the tiles' counts,
  // the group sizes and the total alone; the satisfaction on the cells alone.
  struct DissimilarityFrom {
    TileCounts counts{0, 0};
    std::vector<std::int32_t> groupSizes;
    std::int32_t total = 0;
    Dissimilarity result;
  };
  std::optional<DissimilarityFrom> lastDissimilarity_;
  // Each group's average satisfaction, and the grid's Changes when it was taken.
  struct SatisfactionFrom {
    std::uint64_t changes = 0;
    std::int32_t groups = 0;
    std::vector<double> result;
  };
  std::optional<SatisfactionFrom> lastSatisfaction_;
};

// Steps on which the cluster analysis runs: 1, 31, 61, ...
inline bool IsClusterStep(std::uint32_t timeStep) { return (timeStep - 1) % 30 == 0; }

}  // namespace segsim

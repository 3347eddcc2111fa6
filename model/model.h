// The headless model: grid, agents, setup, satisfaction and relocation.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/agent.h"
#include "model/canvas.h"
#include "model/cell.h"
#include "model/grid.h"
#include "model/random.h"
#include "model/settings.h"

namespace segsim {

// How the model counts neighbourhoods; all give the same counts. kDirect walks the
// (2r + 1)^2 square at every count (the definition). kFast reads per-group window sums kept in
// step with every change (NeighbourCounts) where they pay (NeighbourCounts::Pays: enough radius,
// not too many groups for the grid), and walks the square where they do not. kSums reads the
// sums wherever they can serve at all, paying or not (tests, measurements).
enum class CountMethod { kFast, kDirect, kSums };

// What the last relocation pass did.
struct PassCounts {
  std::int32_t moved = 0;        // MoveAgentTo calls
  std::int32_t unsatisfied = 0;  // agents whose threshold test failed
};

class Model {
public:
  // The canvas may be null (nothing is drawn); it is not owned.
  explicit Model(Canvas* canvas = nullptr) : canvas_(canvas) {}
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;
  Model(Model&&) = default;
  Model& operator=(Model&&) = default;

  void SetCanvas(Canvas* canvas) { canvas_ = canvas; }

  // --- setup --------------------------------------------------------------------------------
  // Raises SegsimError, before anything changes, for settings no model can be built from (a cell
  // size or group count below 1, a panel smaller than one cell).
  static void CheckSetup(const SetupParams& params);
  // Builds the model from nothing: geometry, image, cells, agents, placement, step 0.
  void InitSetup(const SetupParams& params);
  // Frees the present model and builds a new one; the model in force stays whole when the
  // settings are refused.
  void NewSetup(const SetupParams& params);
  // Agents created by the last setup: the asked count, capped so that a cell stays free for
  // 5 % of the grid when it asked for more agents than there are cells.
  std::int32_t AgentCountUsed() const { return static_cast<std::int32_t>(agentList_.size()); }
  bool AgentCountCapped() const { return agentCountCapped_; }
  // Builds a scene by hand (tests, demonstrations): a new agent of the group on the free cell p,
  // appended to the list, counted in GroupSizes and drawn. Raises SegsimError for a taken cell
  // or a group outside 1..G.
  TAgent& AddAgent(GridPos p, std::int32_t group);
  // The value the generator was seeded with at the last placement.
  std::uint32_t PlacementSeed() const { return placementSeed_; }

  // --- geometry -----------------------------------------------------------------------------
  void WrapPosition(std::int32_t& column, std::int32_t& row) const {
    grid_.WrapPosition(column, row);
  }

  // --- satisfaction -------------------------------------------------------------------------
  // Counts the (2r + 1)^2 square round the cell into its SameCount and OtherCount, by the
  // method in force.
  void CountNeighbours(std::int32_t column, std::int32_t row);
  // The same counts by walking the square, whatever the method: the definition.
  void CountNeighboursDirect(std::int32_t column, std::int32_t row);
  // Chooses the method for the present model and every later setup (kFast by default).
  void SetCountMethod(CountMethod method);
  CountMethod GetCountMethod() const { return countMethod_; }
  // Whether counts are read from window sums now: kFast chosen and the sums pay for this model.
  bool FastCountsInUse() const { return grid_.Counts().Active(); }
  // Percentage of same cells among those counted; stored in the cell and returned in s.
  void CalcSatisfaction(std::int32_t column, std::int32_t row, double& s);

  // --- relocation ---------------------------------------------------------------------------
  // One pass over all agents in list order.
  void MoveAgents();
  void MoveAgentTo(GridPos from, GridPos to, TAgent& agent);
  const PassCounts& LastPass() const { return lastPass_; }

  // --- drawing ------------------------------------------------------------------------------
  // Every cell (rows outer, columns inner), then every agent in list order.
  void RepaintAll();

  // --- run state and settings that act at once ----------------------------------------------
  std::uint32_t TimeStep() const { return settings_.TimeStep; }
  void SetTimeStep(std::uint32_t step) { settings_.TimeStep = step; }
  void SetThreshold(std::uint32_t percent) { settings_.Threshold = percent; }
  void SetTileSize(std::int32_t cells) { settings_.TileSize = cells; }
  void SetStopStep(std::int32_t step) { settings_.StopStep = step; }

  const ModelSettings& Settings() const { return settings_; }
  bool HasModel() const { return grid_.Complete() && grid_.CellCount() > 0; }

  Grid& grid() { return grid_; }
  const Grid& grid() const { return grid_; }
  std::span<TAgent> agents() { return agentList_; }
  std::span<const TAgent> agents() const { return agentList_; }
  std::span<const Color> groupColors() const { return groupColors_; }
  std::span<const std::int32_t> groupSizes() const { return groupSizes_; }
  RandomGenerator& random() { return random_; }

private:
  void CreateImage();
  void CreateCells();
  void ResetCells();
  void CreateAgents(std::int32_t count);
  void PlaceAgents();
  GridPos FindFreeCell(TAgent& agent);
  void SettleAgent(TAgent& agent, GridPos p, std::int32_t group);
  void FreeModel();
  // Builds the window sums when the method and the model call for them, else drops them.
  void ApplyCountMethod();
  // The percentages of every count a square of the present radius can give, when it is small.
  void BuildPercentTable();
  double Percent(std::int32_t same, std::int32_t total) const;

  Canvas* canvas_;
  ModelSettings settings_;
  Grid grid_;
  std::vector<TAgent> agentList_;  // order of creation = order of placement, moves, redraws
  std::vector<Color> groupColors_;          // index group - 1
  std::vector<std::int32_t> groupSizes_;    // index group - 1: agents placed per group
  RandomGenerator random_;
  std::optional<std::uint32_t> fixedSeed_;
  std::uint32_t placementSeed_ = 0;
  std::int32_t panelWidth_ = 0;
  std::int32_t panelHeight_ = 0;
  bool agentCountCapped_ = false;
  PassCounts lastPass_;
  std::vector<double> percents_;    // [same * (maxTotal_ + 1) + total]; empty for large squares
  std::int32_t maxTotal_ = -1;
  CountMethod countMethod_ = CountMethod::kFast;
};

// The agent-count limit of a grid of P cells: P - Round(P * 0.05), which leaves 5 % free.
std::int32_t AgentLimitFor(std::int64_t cellCount);

}  // namespace segsim

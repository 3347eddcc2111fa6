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
// (2r + 1)^2 square at every count (the definition). kCheaper reads per-group window sums kept in
// step with every change (NeighbourCounts) where SumsCheaper (count_cost.h) says they cost less,
// and walks the square where they do not. kSums reads the sums wherever they can serve at all,
// cheaper or not (tests, measurements). kCheaper and kSums also skip, in quiet passes, the counts
// of squares that have not changed since (Grid::KeepFreshMarks).
enum class CountMethod { kCheaper, kDirect, kSums };

// The counts of one square: cells of the centre's State (itself included) and occupied cells of
// another State.
struct NeighbourCount {
  std::int32_t same = 0;
  std::int32_t other = 0;
};

// What the last relocation pass did.
struct PassCounts {
  std::int32_t moved = 0;        // MoveAgentTo calls
  std::int32_t unsatisfied = 0;  // agents whose threshold test failed
};

// The drawing of one cell as RepaintAll leaves it, from the group of the agent on it: a copy of
// the setup's geometry and colours, which a video's drawing thread uses while the model steps.
struct CellPainter {
  std::int32_t cellSize = 0, cellOffset = 0, radius = 0;
  std::vector<Color> colors;  // by group - 1

  // Whether every cell's square and disc lie within the cell's own cellSize x cellSize pixels,
  // so that no shape reaches a neighbour's: then the drawing is each cell's alone (the grey
  // square, and the disc of the agent there), whatever order the cells were drawn in.
  bool Apart() const {
    return 2 * cellOffset <= cellSize && radius <= cellOffset && cellOffset + radius <= cellSize;
  }
  // The cell's square, then the disc of an agent of the group (0: none). Apart must hold.
  void Draw(Canvas& canvas, GridPos cell, std::int32_t group) const;
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
  Canvas* GetCanvas() const { return canvas_; }

  // --- setup --------------------------------------------------------------------------------
  // Raises SegsimError, before anything changes, for settings no model can be built from (a cell
  // size or group count below 1, a panel smaller than one cell, a grid whose model would need
  // more memory than MemoryLimitBytes).
  static void CheckSetup(const SetupParams& params);
  // The same, against a given memory limit in bytes.
  static void CheckSetup(const SetupParams& params, double memoryLimitBytes);
  // The bytes a model of these settings takes at its peak: its cells, agents, window sums (where
  // they serve) and the measures of a step. Exact up to the allocator's and the program's own
  // few megabytes. The settings must pass the other checks of CheckSetup.
  static double SetupBytes(const SetupParams& params);
  // The memory a setup may take: what the machine has available now (MemAvailable of
  // /proc/meminfo), or kDefaultMemoryLimit where that cannot be read; lower still when the
  // environment variable SEGSIM_MEMORY_LIMIT_MB gives a smaller number of megabytes; raises
  // SegsimError when that variable holds anything but a number above 0.
  static double MemoryLimitBytes();
  // The placement's cut points for group shares: group g (1..G) is drawn when the draw's state u
  // is below cut g - 1 and not below cut g - 2 (0 for g = 1); cut G - 1 is 2^32. Raises
  // SegsimError for weights no shares can be made of (their count other than G, one not positive
  // and finite, a sum that underflows or overflows).
  static std::vector<std::uint64_t> ShareCuts(const std::vector<double>& weights,
                                              std::int32_t groups);
  static constexpr double kDefaultMemoryLimit = 4.0 * 1024 * 1024 * 1024;
  // Builds the model from nothing: geometry, image, cells, agents, placement, step 0.
  void InitSetup(const SetupParams& params);
  // Frees the present model and builds a new one; the present model stays whole when the
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
  // Counts the (2r + 1)^2 square round the cell (SameCount and OtherCount), by the method in
  // force. The counts are handed back, not kept: the window sums hold them for every cell.
  NeighbourCount CountNeighbours(std::int32_t column, std::int32_t row) const;
  // The same counts by walking the square, whatever the method: the definition.
  NeighbourCount CountNeighboursDirect(std::int32_t column, std::int32_t row) const;
  // Chooses the method for the present model and every later setup (kCheaper by default).
  void SetCountMethod(CountMethod method);
  // Whether counts are read from window sums now: kSums, or kCheaper where the sums are cheaper.
  bool SumsInUse() const { return grid_.Counts().Active(); }
  // Percentage of same cells among those counted; stored in the cell and returned in s.
  void CalcSatisfaction(std::int32_t column, std::int32_t row, double& s);

  // --- relocation ---------------------------------------------------------------------------
  // One pass over all agents in list order (AgentTurn for each).
  void MoveAgents();
  void MoveAgentTo(GridPos from, GridPos to, TAgent& agent);
  const PassCounts& LastPass() const { return lastPass_; }

  // --- drawing ------------------------------------------------------------------------------
  // An agent's disc: its group's colour, centred on its cell, AgentRadius wide.
  Color AgentColor(const TAgent& agent) const {
    return groupColors_[static_cast<std::size_t>(agent.Group - 1)];
  }
  std::int32_t CentreX(const TAgent& agent) const {
    return agent.GridX * settings_.CellSize + settings_.CellOffset;
  }
  std::int32_t CentreY(const TAgent& agent) const {
    return agent.GridY * settings_.CellSize + settings_.CellOffset;
  }
  void DrawAgent(const TAgent& agent);
  // Every cell (rows outer, columns inner), then every agent in list order.
  void RepaintAll();
  // The whole drawing as it stands onto another canvas: a new image of the panel's size, then
  // RepaintAll. The pixels are those that the drawing during the steps leaves on the model's own
  // canvas (a step draws each agent after its turn and each cell it left).
  void DrawOn(Canvas& canvas);
  // How the cells are drawn, for drawing them elsewhere (CellPainter).
  CellPainter Painter() const;
  std::int32_t PanelWidth() const { return panelWidth_; }
  std::int32_t PanelHeight() const { return panelHeight_; }

  // --- run state and settings that act at once ----------------------------------------------
  std::uint32_t TimeStep() const { return settings_.TimeStep; }
  void SetTimeStep(std::uint32_t step) { settings_.TimeStep = step; }
  // Every group's threshold, percent 0..100 (per-group thresholds end).
  void SetThreshold(std::uint32_t percent) {
    if (percent != settings_.Threshold || !settings_.GroupThresholds.empty()) {
      storedAboveKept_ = false;
    }
    settings_.Threshold = percent;
    settings_.GroupThresholds.clear();
    KeepTestThresholds();
  }
  // One group's threshold (group 1..G), percent 0..100; the others keep theirs.
  void SetGroupThreshold(std::int32_t group, std::uint32_t percent);
  // The threshold an agent of the group (1..G) is tested against.
  std::uint32_t ThresholdOf(std::int32_t group) const {
    return settings_.GroupThresholds.empty()
               ? settings_.Threshold
               : settings_.GroupThresholds[static_cast<std::size_t>(group - 1)];
  }
  void SetTileSize(std::int32_t cells) { settings_.TileSize = cells; }
  void SetStopStep(std::int32_t step) { settings_.StopStep = step; }

  const ModelSettings& Settings() const { return settings_; }
  bool HasModel() const { return grid_.Complete() && grid_.CellCount() > 0; }

  // The model's documented state, named as documented. (segsim::Grid names the type inside the
  // class, where Grid is the accessor.)
  segsim::Grid& Grid() { return grid_; }
  const segsim::Grid& Grid() const { return grid_; }
  std::span<TAgent> AgentList() { return agentList_; }
  std::span<const TAgent> AgentList() const { return agentList_; }
  std::span<const Color> GroupColors() const { return groupColors_; }
  std::span<const std::int32_t> GroupSizes() const { return groupSizes_; }
  // The weights of the last placement's group shares; empty: equal chances.
  const std::vector<double>& GroupShares() const { return groupShares_; }

private:
  void CreateImage();
  void CreateCells();
  void ResetCells();
  void CreateAgents(std::int32_t count, const std::vector<double>& shares);
  void PlaceAgents(const std::vector<double>& shares);
  GridPos FindFreeCell(TAgent& agent);
  void SettleAgent(TAgent& agent, GridPos p, std::int32_t group);
  void FreeModel();
  // One agent's turn of MoveAgents: threshold test, search, evaluation, move, drawing.
  void AgentTurn(TAgent& agent);
  // Up to 1000 random jumps from `here` (two draws each); the first free cell hit, if any.
  std::optional<GridPos> SearchFreeCell(TAgent& agent, GridPos here);
  // The agent's satisfaction at the free cell `target`, counted as if it stood there while its
  // old cell stays occupied with State 0; both cells are restored afterwards.
  double EvaluateCandidate(const TAgent& agent, GridPos here, GridPos target);
  // CountNeighbours for a centre whose State the caller knows (it must be the cell's): the sums
  // where they serve, else the walk, which reads the State itself.
  NeighbourCount CountNeighboursAs(GridPos p, std::int32_t centreState) const {
    NeighbourCount c;
    if (grid_.Counts().Active() && grid_.Counts().Count(p, centreState, c.same, c.other)) return c;
    return CountNeighboursDirect(p.column, p.row);
  }
  // The count of a turn at the agent's own cell `here`: CalcSatisfaction, which also keeps the
  // agent's StoredAbove. A fresh cell's count is skipped; its value is read only when `value` is
  // given, and then written there.
  void CountOwn(TAgent& agent, GridPos here, double* value);
  // The threshold test's bound for an agent of the group (1..G): ThresholdOf, as a double read
  // from a small table so that the default and per-group thresholds cost the same.
  double TestThreshold(std::int32_t group) const {
    return testThresholds_[static_cast<std::size_t>(group)];
  }
  // Renews the table after a setup or a change of threshold.
  void KeepTestThresholds();
  // Every agent's StoredAbove from the value stored at its cell, when they may differ: after a
  // setup, a change of threshold, or a Satisfaction stored from outside the passes.
  void KeepStoredAbove();
  // Keeps or drops the grid's fresh marks for the coming pass (relocation.cpp).
  void KeepFreshMarksWhenQuiet();
  // Asks the memory system for what the turns some places after the agent at `index` will read
  // (a hint).
  void PrefetchTurn(std::size_t index) const;
  // Builds the window sums when the method and the model call for them, else drops them.
  void ApplyCountMethod();
  // The percentages of every count a square of the present radius can give, when it is small.
  void BuildPercentTable();
  double Percent(std::int32_t same, std::int32_t total) const;

  Canvas* canvas_;
  ModelSettings settings_;
  segsim::Grid grid_;
  std::vector<TAgent> agentList_;         // order of creation = order of placement, moves, redraws
  std::vector<Color> groupColors_;        // index group - 1
  std::vector<std::int32_t> groupSizes_;  // index group - 1: agents placed per group
  std::vector<double> groupShares_;       // index group - 1: the placement's weights, or empty
  RandomGenerator random_;
  std::optional<std::uint32_t> fixedSeed_;
  std::uint32_t placementSeed_ = 0;
  std::int32_t panelWidth_ = 0;
  std::int32_t panelHeight_ = 0;
  bool agentCountCapped_ = false;
  PassCounts lastPass_;
  // Every agent's StoredAbove holds, as of the end of the last pass, when the grid's
  // SatisfactionWrites is storedAboveWrites_.
  bool storedAboveKept_ = false;
  std::uint64_t storedAboveWrites_ = 0;
  std::vector<double> testThresholds_;  // index group (0 unused): ThresholdOf(group)
  std::vector<double> percents_;  // [same * (maxTotal_ + 1) + total]; empty for large squares
  std::int32_t maxTotal_ = -1;
  CountMethod countMethod_ = CountMethod::kCheaper;
};

// The agent-count limit of a grid of P cells: P - Round(P * 0.05), which leaves 5 % free.
std::int32_t AgentLimitFor(std::int64_t cellCount);

}  // namespace segsim

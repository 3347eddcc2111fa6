#include "model/model.h"

namespace segsim {

namespace {

constexpr int kSearchTries = 1000;
// Agents stand at random places, so each turn starts with cache misses on its cell and on the
// count rows about it; they are fetched this many turns ahead.
constexpr std::size_t kPrefetchAhead = 6;

}  // namespace

void Model::MoveAgents() {
  lastPass_ = {};
  // Changes made since the last pass (its last moves, agents added by hand) go into the sums
  // now rather than being corrected for at every count of this pass.
  grid_.FlushNeighbourCounts();
  const std::size_t count = agentList_.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kPrefetchAhead < count) {
      const TAgent& ahead = agentList_[i + kPrefetchAhead];
      const GridPos p{ahead.GridX, ahead.GridY};
      // A cell spans two cache lines at most.
      const char* cell = reinterpret_cast<const char*>(&grid_.At(p));
      __builtin_prefetch(cell);
      __builtin_prefetch(cell + sizeof(TCell) - 1);
      grid_.Counts().Prefetch(p, ahead.Group);
    }
    TAgent& agent = agentList_[i];
    const GridPos here{agent.GridX, agent.GridY};
    TCell& cell = grid_.At(here);
    double own = 0;
    if (settings_.TimeStep == 0) CalcSatisfaction(here.column, here.row, own);
    // Strictly above: a satisfaction equal to the threshold is not enough. Later passes test
    // the value stored in the agent's own previous turn, which does not see moves made since.
    agent.Satisfied = cell.Satisfaction > settings_.Threshold;
    if (agent.Satisfied) {
      CalcSatisfaction(here.column, here.row, own);
      continue;
    }
    ++lastPass_.unsatisfied;
    bool found = false;
    GridPos target;
    for (int t = 0; t < kSearchTries && !found; ++t) {
      agent.ChangeHeading(random_, settings_.MoveDistance);
      target = grid_.Wrapped(static_cast<std::int64_t>(here.column) + agent.HeadingX(),
                             static_cast<std::int64_t>(here.row) + agent.HeadingY());
      found = !grid_.IsOccupied(target);
    }
    CalcSatisfaction(here.column, here.row, own);
    if (found) {
      // Evaluate the target as if the agent stood there: its old cell stays occupied with
      // State 0, so the agent sees its own old place as a stranger's.
      grid_.SetState(here, 0);
      grid_.SetState(target, agent.Group);
      double candidate = 0;
      CalcSatisfaction(target.column, target.row, candidate);
      grid_.SetState(target, 0);
      grid_.SetState(here, agent.Group);
      // Only a strict improvement moves the agent.
      if (own < candidate) MoveAgentTo(here, target, agent);
    }
    if (settings_.GraphicUpdate && canvas_) agent.DrawAgent(*canvas_);
  }
}

void Model::MoveAgentTo(GridPos from, GridPos to, TAgent& agent) {
  grid_.SetOccupied(from, false);
  grid_.SetState(from, 0);
  if (settings_.GraphicUpdate && canvas_) grid_.At(from).DrawCell(*canvas_);
  agent.GridX = to.column;
  agent.GridY = to.row;
  agent.SetCentreX(agent.GridX * settings_.CellSize + settings_.CellOffset);
  agent.SetCentreY(agent.GridY * settings_.CellSize + settings_.CellOffset);
  grid_.SetOccupied(to, true);
  grid_.SetState(to, agent.Group);
  ++lastPass_.moved;
}

void Model::RepaintAll() {
  if (!canvas_) return;
  for (std::int32_t row = 0; row < grid_.Rows(); ++row) {
    for (std::int32_t column = 0; column < grid_.Cols(); ++column) {
      grid_[column][row].DrawCell(*canvas_);
    }
  }
  for (const TAgent& agent : agentList_) agent.DrawAgent(*canvas_);
}

}  // namespace segsim

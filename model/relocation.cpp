#include <cassert>

#include "model/model.h"

namespace segsim {

namespace {

constexpr int kSearchTries = 1000;
// Agents stand at random places, so each turn starts with cache misses on its cell and on the
// count rows about it; they are fetched this many turns ahead.
constexpr std::size_t kPrefetchAhead = 20;
// While fresh marks are kept, most turns skip their count and touch neither their cell nor the
// sums: a cell's lines and its count's are fetched kCountAhead turns ahead, and only when its
// mark (a bit, in the cache) says the count will be made.
constexpr std::size_t kCountAhead = 8;

}  // namespace

// Both are inlined into MoveAgents, whose loop is the hot path of every step.
[[gnu::always_inline]] inline void Model::PrefetchTurn(std::size_t index) const {
  if constexpr (!kPrefetches) return;
  const std::size_t count = agentList_.size();
  const bool marks = grid_.KeepsFreshMarks();
  if (!marks && index + kPrefetchAhead < count) {
    // Every turn counts: the rows of the sums it reads, the Satisfaction and mark it writes. A
    // move's own lines are asked for once the search has found a target.
    const TAgent& ahead = agentList_[index + kPrefetchAhead];
    const GridPos p{ahead.GridX, ahead.GridY};
    grid_.PrefetchForCount(p);
    grid_.Counts().Prefetch(p, ahead.Group);
  }
  if (marks && index + kCountAhead < count) {
    // The test reads the agent's StoredAbove and the mark, a bit in a small array; only a cell
    // whose count will be made is asked for.
    const TAgent& ahead = agentList_[index + kCountAhead];
    const GridPos p{ahead.GridX, ahead.GridY};
    if (!grid_.IsFresh(p)) {
      grid_.PrefetchForCount(p);
      grid_.Counts().Prefetch(p, ahead.Group);
    }
  }
}

void Model::KeepStoredAbove() {
  for (TAgent& agent : agentList_) {
    agent.StoredAbove =
        grid_.At({agent.GridX, agent.GridY}).Satisfaction() > TestThreshold(agent.Group);
  }
}

// Fresh marks (Grid::KeepFreshMarks) let the fast methods skip the count of a square that has
// not changed since the cell's last count, but every move clears the marks of two squares. They
// are kept in a quiet pass, one after a pass whose moves cleared less than half the grid's marks;
// after a busy pass they would be cleared before they are used, and are dropped.
void Model::KeepFreshMarksWhenQuiet() {
  if (countMethod_ == CountMethod::kDirect) return;
  const double w = 2.0 * settings_.NeighbourRadius + 1;
  const double cleared = 2.0 * lastPass_.moved * w * w;
  const bool quiet = settings_.TimeStep > 0 && cleared < static_cast<double>(grid_.CellCount()) / 2;
  if (quiet && !grid_.KeepsFreshMarks()) grid_.KeepFreshMarks(settings_.NeighbourRadius);
  if (!quiet && grid_.KeepsFreshMarks()) grid_.DropFreshMarks();
}

void Model::MoveAgents() {
  KeepFreshMarksWhenQuiet();
  lastPass_ = {};
  // Changes made since the last pass (its last moves, agents added by hand) go into the sums
  // now rather than being corrected for at every count of this pass.
  grid_.FlushNeighbourCounts();
  // The first pass counts every agent's cell before its test, and so sets every StoredAbove.
  const bool kept = storedAboveKept_ && grid_.SatisfactionWrites() == storedAboveWrites_;
  if (settings_.TimeStep > 0 && !kept) KeepStoredAbove();
  const std::size_t count = agentList_.size();
  for (std::size_t i = 0; i < count; ++i) {
    PrefetchTurn(i);
    AgentTurn(agentList_[i]);
  }
  storedAboveKept_ = true;
  storedAboveWrites_ = grid_.SatisfactionWrites();
}

[[gnu::always_inline]] inline void Model::AgentTurn(TAgent& agent) {
  const GridPos here{agent.GridX, agent.GridY};
  double own = 0;
  // The first pass counts before the test. Nothing changes the grid between that count and the
  // one the turn makes after the test (the search only draws), so the first count serves for both.
  const bool counted = settings_.TimeStep == 0;
  if (counted) CountOwn(agent, here, &own);
  // Strictly above: a satisfaction equal to the threshold is not enough. Later passes test the
  // value stored in the agent's own previous turn, which does not see moves made since; the
  // agent's StoredAbove says how it compares.
  assert(agent.StoredAbove == (grid_.At(here).Satisfaction() > TestThreshold(agent.Group)));
  agent.Satisfied = agent.StoredAbove;
  if (agent.Satisfied) {
    // A settled run's turns end here: most cells are fresh, and their count is not made.
    if (!counted && !grid_.IsFresh(here)) CountOwn(agent, here, nullptr);
    return;
  }
  ++lastPass_.unsatisfied;
  const std::optional<GridPos> target = SearchFreeCell(agent, here);
  if (kPrefetches && target) {
    grid_.Prefetch(here);
    grid_.Prefetch(*target);
    grid_.Counts().Prefetch(*target, agent.Group);
    grid_.Counts().PrefetchMove(here, *target, agent.Group);
  }
  if (!counted) CountOwn(agent, here, &own);
  // Only a strict improvement moves the agent.
  if (target && own < EvaluateCandidate(agent, here, *target)) MoveAgentTo(here, *target, agent);
  if (settings_.GraphicUpdate && canvas_) DrawAgent(agent);
}

// The search probes one bit per try; the bits, an eighth of a byte a cell, stay in the cache on
// all but the largest grids, so the probes are not fetched ahead. The generator and the probing
// agent are copies in the loop (kept in registers, not stored at every try), written back at the
// end.
std::optional<GridPos> Model::SearchFreeCell(TAgent& agent, GridPos here) {
  const std::int32_t d = settings_.MoveDistance;
  const segsim::Grid& grid = grid_;
  RandomGenerator random = random_;
  TAgent probe = agent;
  std::optional<GridPos> found;
  for (int t = 0; t < kSearchTries; ++t) {
    probe.ChangeHeading(random, d);
    const GridPos target = grid.Wrapped(static_cast<std::int64_t>(here.column) + probe.HeadingX(),
                                        static_cast<std::int64_t>(here.row) + probe.HeadingY());
    if (!grid.IsOccupied(target)) {
      found = target;
      break;
    }
  }
  random_ = random;
  agent = probe;
  return found;
}

double Model::EvaluateCandidate(const TAgent& agent, GridPos here, GridPos target) {
  // The sums count the changed scene without the changes being made.
  NeighbourCount c;
  const NeighbourCounts& counts = grid_.Counts();
  // The target is free; without free cells holding a group its State is 0 for the counts, and
  // is not read (on a big grid it stands at a random place).
  const std::int32_t targetState = counts.FreeCellsHoldNoGroup() ? 0 : grid_.At(target).State();
  if (counts.Active() &&
      counts.CountCandidate(target, agent.Group, here, targetState, c.same, c.other)) {
    const double candidate = Percent(c.same, c.same + c.other);
    grid_.SetSatisfaction(target, candidate);
    // The evaluation leaves the target with State 0, as the walk's below does: a free cell given
    // a group by hand loses it here.
    if (targetState != 0) grid_.SetState(target, 0);
    return candidate;
  }
  grid_.SetState(here, 0);
  grid_.SetState(target, agent.Group);
  double candidate = 0;
  CalcSatisfaction(target.column, target.row, candidate);
  grid_.SetState(target, 0);
  grid_.SetState(here, agent.Group);
  return candidate;
}

void Model::MoveAgentTo(GridPos from, GridPos to, TAgent& agent) {
  grid_.SetOccupied(from, false);
  grid_.SetState(from, 0);
  if (settings_.GraphicUpdate && canvas_) grid_.At(from).DrawCell(*canvas_);
  agent.GridX = to.column;
  agent.GridY = to.row;
  grid_.SetOccupied(to, true);
  grid_.SetState(to, agent.Group);
  // The agent now stands on the value stored there (in a turn, its evaluation's).
  agent.StoredAbove = grid_.At(to).Satisfaction() > TestThreshold(agent.Group);
  // Into the sums at once: a pending change would cost every count of the turns to come a
  // correction.
  grid_.FlushNeighbourCounts();
  ++lastPass_.moved;
}

void Model::DrawAgent(const TAgent& agent) {
  if (canvas_) {
    TAgent::DrawAgent(*canvas_, CentreX(agent), CentreY(agent), settings_.AgentRadius,
                      AgentColor(agent));
  }
}

void Model::RepaintAll() {
  if (!canvas_) return;
  for (std::int32_t row = 0; row < grid_.Rows(); ++row) {
    for (std::int32_t column = 0; column < grid_.Cols(); ++column) {
      grid_[column][row].DrawCell(*canvas_);
    }
  }
  for (const TAgent& agent : agentList_) DrawAgent(agent);
}

CellPainter Model::Painter() const {
  return {settings_.CellSize, settings_.CellOffset, settings_.AgentRadius, groupColors_};
}

void CellPainter::Draw(Canvas& canvas, GridPos cell, std::int32_t group) const {
  assert(Apart());
  const std::int32_t x = cell.column * cellSize + cellOffset;
  const std::int32_t y = cell.row * cellSize + cellOffset;
  TCell::DrawSquare(canvas, x, y, cellOffset);
  if (group > 0) {
    TAgent::DrawAgent(canvas, x, y, radius, colors[static_cast<std::size_t>(group - 1)]);
  }
}

void Model::DrawOn(Canvas& canvas) {
  Canvas* const own = canvas_;
  canvas_ = &canvas;
  CreateImage();
  RepaintAll();
  canvas_ = own;
}

}  // namespace segsim

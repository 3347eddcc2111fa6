// Neighbourhood counts from the per-group window sums against the straightforward walk of the
// square: on hand-made grids of any content, and over whole runs of many random models. And the
// dissimilarity of a step, computed faster, against its term-by-term definition.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "measures/dissimilarity.h"
#include "measures/simulation.h"
#include "model/model.h"
#include "model/neighbour_counts.h"

namespace segsim {
namespace {

// Bitwise equality, so that NaN equals NaN and -0 differs from +0.
bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!SameBits(a[i], b[i])) return false;
  }
  return true;
}

std::string Describe(const SetupParams& p) {
  std::ostringstream s;
  s << "panel " << p.PanelWidth << "x" << p.PanelHeight << " cell " << p.CellSize << " agents "
    << p.AgentCount << " groups " << p.GroupCount << " radius " << p.NeighbourRadius << " move "
    << p.MoveDistance << " threshold " << p.Threshold << " seed " << *p.Seed;
  return s.str();
}

// --- counts on grids of any content ---------------------------------------------------------

// A model without agents whose cells are then set by hand through the grid.
Model EmptyModel(std::int32_t cols, std::int32_t rows, std::int32_t radius, std::int32_t groups,
                 CountMethod method) {
  Model m;
  m.SetCountMethod(method);
  SetupParams p;
  p.CellSize = 10;
  p.PanelWidth = cols * 10;
  p.PanelHeight = rows * 10;
  p.AgentCount = 0;
  p.GroupCount = groups;
  p.NeighbourRadius = radius;
  p.Seed = 1;
  p.GraphicUpdate = false;
  m.InitSetup(p);
  return m;
}

// For every cell and every State it could hold as a centre (the groups, and 0 and G + 1, which
// the sums leave to the walk), the counts by the method in force equal the walk's. The centre
// gets the State the way an evaluation gives it, through the grid, and keeps its old one after.
void ExpectAllCountsAsWalked(Model& m, const std::string& context) {
  Grid& grid = m.Grid();
  for (std::int32_t row = 0; row < grid.Rows(); ++row) {
    for (std::int32_t column = 0; column < grid.Cols(); ++column) {
      const GridPos p{column, row};
      const std::int32_t kept = grid.At(p).State();
      for (std::int32_t s = 0; s <= m.Settings().GroupCount + 1; ++s) {
        grid.SetState(p, s);
        const NeighbourCount counted = m.CountNeighbours(column, row);
        const NeighbourCount walked = m.CountNeighboursDirect(column, row);
        const std::string where = context + " at " + std::to_string(column) + "," +
                                  std::to_string(row) + " s " + std::to_string(s);
        ASSERT_EQ(counted.same, walked.same) << where;
        ASSERT_EQ(counted.other, walked.other) << where;
      }
      grid.SetState(p, kept);
    }
  }
}

// Free cells that hold a group: the sums correct for each of them at every count, and leave
// counts to the walk when there are many.
int FreeHolders(const Model& m) {
  int n = 0;
  for (std::int32_t row = 0; row < m.Grid().Rows(); ++row) {
    for (std::int32_t column = 0; column < m.Grid().Cols(); ++column) {
      const TCell c = m.Grid()[column][row];
      n += !c.Occupied() && c.State() >= 1 && c.State() <= m.Settings().GroupCount;
    }
  }
  return n;
}

// Random changes of every kind the model makes, and a few it never makes: agents arrive and
// leave; an occupied cell gets State 0 (a moving agent's old cell) or a free cell a group (an
// evaluation's target), or a State outside 1..G, or its Occupied flag alone changes; a change
// is undone at once. Free cells holding a group are kept to at most `maxFreeHolders`.
void ChangeAtRandom(Model& m, std::mt19937& random, int changes, int maxFreeHolders) {
  Grid& grid = m.Grid();
  const std::int32_t groups = m.Settings().GroupCount;
  for (int i = 0; i < changes; ++i) {
    const GridPos p{static_cast<std::int32_t>(random() % grid.Cols()),
                    static_cast<std::int32_t>(random() % grid.Rows())};
    const auto group = static_cast<std::int32_t>(1 + random() % groups);
    const auto kind = random() % 10;
    const bool occupied = grid.At(p).Occupied();
    if (kind < 5) {  // an agent arrives or leaves
      grid.SetOccupied(p, !occupied);
      grid.SetState(p, occupied ? 0 : group);
    } else if (kind < 7) {  // a change undone at once
      const std::int32_t kept = grid.At(p).State();
      grid.SetState(p, group);
      grid.SetState(p, kept);
    } else if (kind == 7) {  // a State outside 1..G, or 0, on any cell
      const std::int32_t odd[] = {0, -1, groups + 1};
      grid.SetState(p, odd[random() % 3]);
    } else if (FreeHolders(m) < maxFreeHolders) {
      if (kind == 8) {
        grid.SetState(p, group);  // a free cell holding a group, if free
      } else {
        grid.SetOccupied(p, !occupied);  // the flag alone
      }
    }
  }
}

TEST(NeighbourCounts, AnyGridContentCountsAsTheWalkDoes) {
  // Squares narrower than the grid, as wide, and wider by several periods; grids wider than
  // high and the reverse; a single row and a single column.
  struct Shape {
    std::int32_t cols, rows, radius, groups;
  };
  const Shape shapes[] = {{9, 7, 1, 3},  {9, 7, 3, 2},  {7, 9, 4, 4},  {6, 6, 3, 1},
                          {5, 8, 6, 3},  {4, 3, 11, 2}, {12, 5, 2, 5}, {3, 3, 0, 2},
                          {20, 4, 9, 3}, {1, 6, 2, 2},  {8, 1, 5, 3},  {16, 12, 5, 6}};
  std::mt19937 random(7);
  for (const Shape& shape : shapes) {
    Model m = EmptyModel(shape.cols, shape.rows, shape.radius, shape.groups, CountMethod::kSums);
    const std::string context = "grid " + std::to_string(shape.cols) + "x" +
                                std::to_string(shape.rows) + " r " + std::to_string(shape.radius);
    ASSERT_TRUE(m.FastCountsInUse()) << context;
    for (int round = 0; round < 8; ++round) {
      // Round 5 floods the grid with free cells holding a group, beyond what the sums correct
      // one by one, so counts go to the walk; round 6 clears them and the sums serve again.
      if (round == 6) {
        for (std::int32_t row = 0; row < shape.rows; ++row) {
          for (std::int32_t column = 0; column < shape.cols; ++column) {
            if (!m.Grid()[column][row].Occupied()) m.Grid().SetState({column, row}, 0);
          }
        }
      }
      ChangeAtRandom(m, random, round == 5 ? 200 : 3 * shape.cols * shape.rows / 4 + 2,
                     round == 5 ? 1000 : 8);
      ExpectAllCountsAsWalked(m, context + " round " + std::to_string(round));
    }
  }
}

TEST(NeighbourCounts, SumsBuiltFromAnyContentMatchTheWalk) {
  // The sums are built from the grid as it stands when they are switched on mid-run.
  std::mt19937 random(11);
  for (std::int32_t radius : {1, 3, 6}) {
    Model m = EmptyModel(13, 10, radius, 4, CountMethod::kDirect);
    ChangeAtRandom(m, random, 300, 8);
    EXPECT_FALSE(m.FastCountsInUse());
    m.SetCountMethod(CountMethod::kSums);
    ASSERT_TRUE(m.FastCountsInUse());
    ExpectAllCountsAsWalked(m, "built mid-run, r " + std::to_string(radius));
  }
}

// --- whole runs ------------------------------------------------------------------------------

// Both simulations alike after the last step: the pass counts, the measures bit for bit, the
// clusters, every cell and every agent.
void ExpectSameState(const Simulation& a, const Simulation& b, const std::string& context) {
  const Model& ma = a.Model();
  const Model& mb = b.Model();
  ASSERT_EQ(ma.LastPass().moved, mb.LastPass().moved) << context;
  ASSERT_EQ(ma.LastPass().unsatisfied, mb.LastPass().unsatisfied) << context;
  ASSERT_TRUE(SameBits(a.LastMeasures().satisfaction, b.LastMeasures().satisfaction)) << context;
  ASSERT_TRUE(SameBits(a.LastMeasures().dissimilarity.pair, b.LastMeasures().dissimilarity.pair))
      << context;
  ASSERT_TRUE(SameBits(a.LastMeasures().dissimilarity.segregation,
                       b.LastMeasures().dissimilarity.segregation))
      << context;
  ASSERT_EQ(a.LastMeasures().clustersRan, b.LastMeasures().clustersRan) << context;
  ASSERT_EQ(a.Clusters(), b.Clusters()) << context;
  const Grid& ga = ma.Grid();
  const Grid& gb = mb.Grid();
  for (std::int32_t row = 0; row < ga.Rows(); ++row) {
    for (std::int32_t column = 0; column < ga.Cols(); ++column) {
      const TCell ca = ga[column][row];
      const TCell cb = gb[column][row];
      ASSERT_EQ(ca.State(), cb.State()) << context << " cell " << column << "," << row;
      ASSERT_EQ(ca.Occupied(), cb.Occupied()) << context << " cell " << column << "," << row;
      ASSERT_TRUE(SameBits(ca.Satisfaction(), cb.Satisfaction()))
          << context << " cell " << column << "," << row;
    }
  }
  ASSERT_EQ(ma.AgentList().size(), mb.AgentList().size()) << context;
  for (std::size_t i = 0; i < ma.AgentList().size(); ++i) {
    const TAgent& x = ma.AgentList()[i];
    const TAgent& y = mb.AgentList()[i];
    ASSERT_EQ(x.GridX, y.GridX) << context << " agent " << i;
    ASSERT_EQ(x.GridY, y.GridY) << context << " agent " << i;
    ASSERT_EQ(x.Satisfied, y.Satisfied) << context << " agent " << i;
    ASSERT_EQ(x.HeadingX(), y.HeadingX()) << context << " agent " << i;
    ASSERT_EQ(x.HeadingY(), y.HeadingY()) << context << " agent " << i;
  }
}

// Runs the model with the sums and with the walk side by side, comparing after every step;
// `beforeStep`, if given, changes both models alike before step t. Returns the moves made, so
// that a caller can see the runs did something.
std::int64_t ExpectSameRuns(const SetupParams& params, CountMethod fast, int steps, bool expectSums,
                            const std::function<void(Simulation&, int)>& beforeStep = {}) {
  const std::string context = Describe(params);
  Simulation withSums;
  Simulation walked;
  withSums.Model().SetCountMethod(fast);
  walked.Model().SetCountMethod(CountMethod::kDirect);
  withSums.InitSetup(params);
  walked.InitSetup(params);
  EXPECT_EQ(withSums.Model().FastCountsInUse(), expectSums) << context;
  EXPECT_FALSE(walked.Model().FastCountsInUse()) << context;
  std::int64_t moved = 0;
  for (int t = 1; t <= steps; ++t) {
    if (beforeStep) {
      beforeStep(withSums, t);
      beforeStep(walked, t);
    }
    withSums.Step();
    walked.Step();
    ExpectSameState(withSums, walked, context + " step " + std::to_string(t));
    if (::testing::Test::HasFatalFailure()) return moved;
    moved += walked.Model().LastPass().moved;
  }
  return moved;
}

TEST(NeighbourCounts, RandomRunsGoAsWithTheWalk) {
  // Random models: radii from 0 to beyond the grid, 1 to 40 groups, grids from full to sparse,
  // any threshold, grids from 2 to 40 cells a side (a small panel or large cells), a move
  // distance that may exceed the grid.
  std::mt19937 random(2024);
  auto uniform = [&](int lo, int hi) { return lo + static_cast<int>(random() % (hi - lo + 1)); };
  std::int64_t moved = 0;
  int withWideSquares = 0;
  for (int run = 0; run < 60; ++run) {
    SetupParams p;
    p.GraphicUpdate = false;
    p.Seed = static_cast<std::uint32_t>(random());
    p.CellSize = uniform(1, 4) == 1 ? uniform(20, 60) : uniform(5, 12);
    p.PanelWidth = uniform(2, 40) * p.CellSize;
    p.PanelHeight = uniform(random() % 2 ? 2 : 20, 40) * p.CellSize;
    const std::int32_t cols = p.PanelWidth / p.CellSize;
    const std::int32_t rows = p.PanelHeight / p.CellSize;
    const std::int32_t cells = cols * rows;
    switch (uniform(0, 3)) {
      case 0: p.AgentCount = cells; break;                 // full: searches always fail
      case 1: p.AgentCount = AgentLimitFor(cells); break;  // the usual 5 % free
      case 2: p.AgentCount = uniform(1, cells); break;
      default: p.AgentCount = uniform(1, cells / 4 + 1); break;  // sparse
    }
    p.GroupCount = uniform(1, 4) == 1 ? uniform(10, 40) : uniform(1, 9);
    p.NeighbourRadius = uniform(1, 5) == 1
                            ? uniform(std::min(cols, rows), 2 * std::max(cols, rows) + 3)
                            : uniform(0, 6);
    p.MoveDistance = uniform(0, std::max(cols, rows) + 2);
    // Now and then 0 or 100, the ends where nobody or everybody searches.
    const int threshold =
        uniform(1, 6) == 1 ? static_cast<int>(random() % 2) * 100 : uniform(0, 100);
    p.Threshold = static_cast<std::uint32_t>(threshold);
    withWideSquares += 2 * p.NeighbourRadius + 1 > std::min(cols, rows);
    moved += ExpectSameRuns(p, CountMethod::kSums, 12, true);
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(moved, 1000);
  EXPECT_GT(withWideSquares, 5);
}

TEST(NeighbourCounts, DefaultModelsRunAsWithTheWalk) {
  // The full-size cases: the defaults, radius 20, 40 groups at a high threshold, and a model
  // with too many groups for the sums to pay, which walks the square.
  SetupParams defaults;
  defaults.GraphicUpdate = false;
  defaults.Seed = 5;
  EXPECT_GT(ExpectSameRuns(defaults, CountMethod::kFast, 8, true), 0);
  // Long enough to settle: the later passes are quiet and skip the counts of unchanged squares.
  defaults.Seed = 9;
  defaults.CellSize = 12;
  defaults.AgentCount = 2800;
  EXPECT_GT(ExpectSameRuns(defaults, CountMethod::kFast, 80, true), 0);
  defaults.CellSize = 6;
  defaults.AgentCount = 12783;
  defaults.Seed = 5;

  SetupParams radius20 = defaults;
  radius20.NeighbourRadius = 20;
  radius20.Seed = 6;
  EXPECT_GT(ExpectSameRuns(radius20, CountMethod::kFast, 3, true), 0);

  SetupParams groups40 = defaults;
  groups40.GroupCount = 40;
  groups40.Threshold = 60;
  groups40.Seed = 7;
  EXPECT_GT(ExpectSameRuns(groups40, CountMethod::kFast, 4, true), 0);

  SetupParams manyGroups = defaults;
  manyGroups.GroupCount = 2000;
  manyGroups.CellSize = 12;
  manyGroups.AgentCount = 3000;
  manyGroups.Seed = 8;
  ExpectSameRuns(manyGroups, CountMethod::kFast, 2, false);
}

TEST(NeighbourCounts, LargeGridsRunAsWithTheWalk) {
  // Cell size 1 on the default panel (694 x 694, 80 % occupied) and on a 2048 x 2048 panel, a
  // few steps each: the busy first steps, moves everywhere, the one-byte strips at full size.
  SetupParams large;
  large.GraphicUpdate = false;
  large.CellSize = 1;
  large.AgentCount = 385308;
  large.Seed = 1;
  EXPECT_GT(ExpectSameRuns(large, CountMethod::kFast, 3, true), 100000);

  SetupParams veryLarge = large;
  veryLarge.PanelWidth = veryLarge.PanelHeight = 2048;
  veryLarge.AgentCount = 3355443;
  veryLarge.Seed = 2;
  EXPECT_GT(ExpectSameRuns(veryLarge, CountMethod::kFast, 2, true), 1000000);

  // Strips taller than 255 rows: two-byte entries.
  SetupParams wide = large;
  wide.PanelWidth = wide.PanelHeight = 300;
  wide.AgentCount = 3000;
  wide.NeighbourRadius = 130;
  wide.MoveDistance = 140;
  wide.Threshold = 60;
  wide.Seed = 3;
  EXPECT_GT(ExpectSameRuns(wide, CountMethod::kSums, 2, true), 0);
}

TEST(NeighbourCounts, SwitchingMethodsMidRunChangesNothing) {
  // A run that changes method every few steps, and again right after a new setup, goes as the
  // walked run does.
  SetupParams p;
  p.GraphicUpdate = false;
  p.CellSize = 14;
  p.AgentCount = 2000;
  p.GroupCount = 4;
  p.NeighbourRadius = 4;
  p.Threshold = 45;
  p.Seed = 99;
  Simulation switching;
  Simulation walked;
  walked.Model().SetCountMethod(CountMethod::kDirect);
  switching.InitSetup(p);
  walked.InitSetup(p);
  const CountMethod order[] = {CountMethod::kDirect, CountMethod::kSums, CountMethod::kFast};
  for (int t = 1; t <= 12; ++t) {
    switching.Model().SetCountMethod(order[t % 3]);
    EXPECT_EQ(switching.Model().FastCountsInUse(), order[t % 3] != CountMethod::kDirect);
    switching.Step();
    walked.Step();
    ExpectSameState(switching, walked, "step " + std::to_string(t));
    if (HasFatalFailure()) return;
    if (t == 6) {
      p.Seed = 100;
      switching.NewSetup(p);
      walked.NewSetup(p);
      EXPECT_EQ(switching.Model().FastCountsInUse(), order[t % 3] != CountMethod::kDirect);
    }
  }
}

TEST(NeighbourCounts, HandBuiltScenesKeepTheSumsInStep) {
  // Agents added by hand after the setup enter the sums at once: the evaluation sees its own old
  // cell as a stranger, exactly as the walk does.
  for (CountMethod method : {CountMethod::kSums, CountMethod::kDirect}) {
    Model m = EmptyModel(30, 30, 3, 2, method);
    m.SetThreshold(50);
    m.AddAgent({10, 10}, 1);
    m.AddAgent({11, 10}, 2);
    m.AddAgent({12, 12}, 1);
    double s = 0;
    m.CalcSatisfaction(10, 10, s);
    EXPECT_EQ(m.CountNeighbours(10, 10).same, 2);
    EXPECT_EQ(m.CountNeighbours(10, 10).other, 1);
    // The evaluation's moment: the own cell occupied with State 0, the target holding the group.
    m.Grid().SetState({10, 10}, 0);
    m.Grid().SetState({9, 9}, 1);
    m.CalcSatisfaction(9, 9, s);
    EXPECT_EQ(m.CountNeighbours(9, 9).same, 2);   // itself and (12, 12)
    EXPECT_EQ(m.CountNeighbours(9, 9).other, 2);  // (11, 10) and the own old cell
    EXPECT_EQ(s, 50.0);
  }
}

TEST(NeighbourCounts, RunsAmongFreeCellsHoldingAGroupGoAsWithTheWalk) {
  // Free cells given a group by hand between passes (a few: the sums correct for up to 16 such
  // cells one by one): an evaluation on one of them reads its State, where on other free cells
  // the sums take it as 0, and leaves it 0 as the walk does.
  SetupParams p;
  p.GraphicUpdate = false;
  p.Seed = 5;
  p.CellSize = 20;  // 35 x 35 cells
  p.AgentCount = 900;
  p.GroupCount = 3;
  p.NeighbourRadius = 2;
  p.MoveDistance = 6;
  p.Threshold = 50;
  auto giveGroups = [](Simulation& sim, int t) {
    Grid& grid = sim.Model().Grid();
    int given = 0;
    for (std::int32_t i = 7 * t; given < 4 && i < 35 * 35; i += 13) {
      const GridPos cell{i % 35, i / 35};
      if (!grid.IsOccupied(cell)) {
        grid.SetState(cell, 1 + (i % 3));
        ++given;
      }
    }
  };
  EXPECT_GT(ExpectSameRuns(p, CountMethod::kSums, 10, true, giveGroups), 50);
}

TEST(NeighbourCounts, TheSumsServeWhereTheyPay) {
  // The default model counts from the sums; a model with too many groups for its grid, or a
  // radius of 0 or 1, walks the square; the direct method always walks.
  SetupParams p;
  p.GraphicUpdate = false;
  p.Seed = 1;
  Model m;
  m.InitSetup(p);
  EXPECT_TRUE(m.FastCountsInUse());
  m.SetCountMethod(CountMethod::kDirect);
  EXPECT_FALSE(m.FastCountsInUse());
  m.SetCountMethod(CountMethod::kFast);
  EXPECT_TRUE(m.FastCountsInUse());
  p.NeighbourRadius = 20;
  m.NewSetup(p);
  EXPECT_TRUE(m.FastCountsInUse());
  p.NeighbourRadius = 1;
  m.NewSetup(p);
  EXPECT_FALSE(m.FastCountsInUse());
  p.NeighbourRadius = 5;
  p.GroupCount = 1000;
  m.NewSetup(p);
  EXPECT_FALSE(m.FastCountsInUse());
  // The line of the cost model: 2 (G + 1) against (2r + 1)^2, whatever the grid's size.
  p.GroupCount = 59;
  m.NewSetup(p);
  EXPECT_TRUE(m.FastCountsInUse());
  p.GroupCount = 60;
  m.NewSetup(p);
  EXPECT_FALSE(m.FastCountsInUse());
  p.CellSize = 1;
  p.GroupCount = 59;
  m.NewSetup(p);
  EXPECT_TRUE(m.FastCountsInUse());
  p.CellSize = 6;
  p.NeighbourRadius = 0;
  p.GroupCount = 1;
  m.NewSetup(p);
  EXPECT_FALSE(m.FastCountsInUse());
  // The cell size 2 grid of the benchmarks keeps the sums at the default 6 groups.
  p.NeighbourRadius = 5;
  p.GroupCount = 6;
  p.CellSize = 2;
  m.NewSetup(p);
  EXPECT_TRUE(m.FastCountsInUse());
  EXPECT_TRUE(m.Grid().Counts().NarrowEntries());
}

// --- the dissimilarity of a step ------------------------------------------------------------

// The indices term by term as defined: for each tile, each group's share against each other
// group's and against the rest of the population, the rest counted group by group.
Dissimilarity DissimilarityByDefinition(const TileCounts& counts, std::span<const std::int32_t> n,
                                        std::int32_t total) {
  const std::int32_t g = counts.Groups();
  const auto gs = static_cast<std::size_t>(g);
  std::vector<Extended> pair(gs * gs, 0);
  std::vector<Extended> segregation(gs, 0);
  for (std::int32_t a = 0; a < counts.TilesPerSide(); ++a) {
    for (std::int32_t b = 0; b < counts.TilesPerSide(); ++b) {
      auto share = [&](std::int32_t k) {
        return static_cast<Extended>(counts.At(b, a, k)) / n[static_cast<std::size_t>(k)] * 100;
      };
      for (std::int32_t i = 0; i < g; ++i) {
        if (n[static_cast<std::size_t>(i)] == 0) continue;
        for (std::int32_t j = i + 1; j < g; ++j) {
          if (n[static_cast<std::size_t>(j)] == 0) continue;
          pair[static_cast<std::size_t>(i) * gs + j] += Abs(share(i) - share(j));
        }
        Extended rest = 0;
        for (std::int32_t k = 0; k < g; ++k) {
          if (k != i) rest += counts.At(b, a, k);
        }
        const std::int32_t others = total - n[static_cast<std::size_t>(i)];
        if (others == 0) continue;
        segregation[static_cast<std::size_t>(i)] += Abs(share(i) - rest / others * 100);
      }
    }
  }
  const double none = std::nan("");
  Dissimilarity d{g, std::vector<double>(gs * gs, 0.0), std::vector<double>(gs, 0.0)};
  for (std::size_t i = 0; i < gs; ++i) {
    for (std::size_t j = i; j < gs; ++j) {
      d.pair[i * gs + j] =
          n[i] == 0 || n[j] == 0 ? none : static_cast<double>(pair[i * gs + j] / 2);
    }
    const bool noIndex = n[i] == 0 || total - n[i] == 0;
    d.segregation[i] = noIndex ? none : static_cast<double>(segregation[i] / 2);
  }
  return d;
}

TEST(StepMeasures, DissimilarityIsBitForBitAsDefined) {
  // Random tile counts, with empty groups, a group that is the whole population, and totals
  // other than the sum of the group sizes (the window's agent-count field may differ).
  // Every third trial is sparse, as with many groups on small tiles: most groups absent from a
  // tile, many tiles empty, which the computation skips.
  std::mt19937 random(3);
  for (int trial = 0; trial < 300; ++trial) {
    const bool sparse = trial % 3 == 0;
    const auto groups = static_cast<std::int32_t>(1 + random() % (sparse ? 300 : 45));
    const auto tiles = static_cast<std::int32_t>(1 + random() % (sparse ? 14 : 9));
    TileCounts counts(tiles, groups);
    std::vector<std::int32_t> sizes(static_cast<std::size_t>(groups), 0);
    for (std::int32_t a = 0; a < tiles; ++a) {
      for (std::int32_t b = 0; b < tiles; ++b) {
        const bool emptyTile = sparse && random() % 3 == 0;
        for (std::int32_t k = 0; k < groups; ++k) {
          bool absent = random() % 5 == 0;
          if (sparse) absent = emptyTile || random() % 40 != 0;
          const std::int32_t c = absent ? 0 : static_cast<std::int32_t>(random() % 400);
          counts.At(b, a, k) = c;
          sizes[static_cast<std::size_t>(k)] += c;
        }
      }
    }
    if (trial % 7 == 0) {  // an empty group
      const auto k = static_cast<std::int32_t>(random() % groups);
      for (std::int32_t a = 0; a < tiles; ++a) {
        for (std::int32_t b = 0; b < tiles; ++b) counts.At(b, a, k) = 0;
      }
      sizes[static_cast<std::size_t>(k)] = 0;
    }
    std::int32_t total = 0;
    for (std::int32_t size : sizes) total += size;
    if (trial % 5 == 1) total += static_cast<std::int32_t>(random() % 1000);
    if (trial % 11 == 2) total = sizes[0];  // group 1 is everyone
    const Dissimilarity fast = ComputeDissimilarity(counts, sizes, total);
    const Dissimilarity defined = DissimilarityByDefinition(counts, sizes, total);
    ASSERT_EQ(fast.groups, defined.groups);
    ASSERT_TRUE(SameBits(fast.pair, defined.pair)) << "trial " << trial;
    ASSERT_TRUE(SameBits(fast.segregation, defined.segregation)) << "trial " << trial;
  }
}

}  // namespace
}  // namespace segsim

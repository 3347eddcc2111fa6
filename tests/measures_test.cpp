// The measures: clusters, tiles, dissimilarity and segregation index, the satisfaction averages
// and the schedule on which UpdateStatistics takes them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "measures/clusters.h"
#include "measures/dissimilarity.h"
#include "measures/run_changes.h"
#include "measures/simulation.h"
#include "measures/statistics.h"
#include "model/error.h"
#include "test_setups.h"

namespace segsim {
namespace {

using testing::EmptySetup;
using testing::SameBits;

// Places agents from a picture: one string per row, '.' free, '1'..'9' a group.
void Paint(Model& m, const std::vector<std::string>& rows) {
  for (std::int32_t r = 0; r < static_cast<std::int32_t>(rows.size()); ++r) {
    for (std::int32_t c = 0; c < static_cast<std::int32_t>(rows[r].size()); ++c) {
      if (rows[r][c] != '.') m.AddAgent({c, r}, rows[r][c] - '0');
    }
  }
}

// --- clusters -------------------------------------------------------------------------------

struct ClusterCase {
  const char* name;
  std::int32_t groups;
  std::vector<std::string> picture;  // top-left corner of a 20 x 20 torus
  ClusterSizes expected;
};

TEST(Clusters, SizesInOrderOfDiscovery) {
  const std::string full(20, '1');
  const std::string ring(20, '2');
  const std::vector<ClusterCase> cases = {
      {"single agent", 1, {"....", ".1.."}, {{1}}},
      {"diagonal contact does not join", 1, {"1...", ".1..", "..1."}, {{1, 1, 1}}},
      {"across the right edge", 1, {"1..................1"}, {{2}}},
      {"across the bottom edge",
       1,
       {"1", ".", ".", ".", ".", ".", ".", ".", ".", ".",
        ".", ".", ".", ".", ".", ".", ".", ".", ".", "1"},
       {{2}}},
      {"ring round the torus", 2, {"....", ring, "..1."}, {{1}, {20}}},
      {"touching groups stay apart", 2, {"1122", "1122"}, {{4}, {4}}},
      // Discovery follows the first cell in the row-by-row scan: the cluster starting in row 1
      // comes before the one starting in row 3, whatever the columns.
      {"scan order", 1, {"......", "....1.", "....1.", "1.....", "11...."}, {{2, 3}}},
      // A U shape is one cluster, found from its top-left cell.
      {"u shape", 1, {"1.1", "1.1", "111"}, {{7}}},
  };
  for (const ClusterCase& c : cases) {
    Model m;
    m.InitSetup(EmptySetup({.CellSize = 34, .GroupCount = c.groups}));
    Paint(m, c.picture);
    EXPECT_EQ(ClusterAnalysis(m.Grid(), c.groups), c.expected) << c.name;
    // Twice without a step: the same result.
    EXPECT_EQ(ClusterAnalysis(m.Grid(), c.groups), c.expected) << c.name;
  }
}

TEST(Clusters, FullGridAndCheckerboard) {
  Model full;
  // One group filling every cell: one cluster, no call-stack limit.
  full.InitSetup({.AgentCount = 116 * 116, .CellSize = 6, .GroupCount = 1, .Seed = 1});
  EXPECT_EQ(ClusterAnalysis(full.Grid(), 1), ClusterSizes{{116 * 116}});

  Model board;
  board.InitSetup(EmptySetup({.CellSize = 34, .GroupCount = 2}));
  std::vector<std::string> rows;
  for (int r = 0; r < 20; ++r) {
    std::string row;
    for (int c = 0; c < 20; ++c) row += (r + c) % 2 ? '2' : '1';
    rows.push_back(row);
  }
  Paint(board, rows);
  const ClusterSizes sizes = ClusterAnalysis(board.Grid(), 2);
  EXPECT_EQ(sizes,
            (ClusterSizes{std::vector<std::int32_t>(200, 1), std::vector<std::int32_t>(200, 1)}));
}

// --- tiles ----------------------------------------------------------------------------------

TEST(Tiles, ExtentsFromRowZeroWithANarrowLastTile) {
  Model m;
  m.InitSetup({.AgentCount = 116 * 116, .CellSize = 6, .GroupCount = 1, .Seed = 1});
  const TileCounts t = CountTileGroups(m.Grid(), 20, 1);
  ASSERT_EQ(t.TilesPerSide(), 6);
  EXPECT_EQ(t.At(0, 0, 0), 400);
  EXPECT_EQ(t.At(5, 0, 0), 16 * 20);
  EXPECT_EQ(t.At(0, 5, 0), 20 * 16);
  EXPECT_EQ(t.At(5, 5, 0), 16 * 16);
  // One tile when the tile is as large as the grid; a tile size below 1 counts as 1.
  EXPECT_EQ(CountTileGroups(m.Grid(), 116, 1).At(0, 0, 0), 116 * 116);
  EXPECT_EQ(CountTileGroups(m.Grid(), 500, 1).TilesPerSide(), 1);
  EXPECT_EQ(CountTileGroups(m.Grid(), 0, 1).TilesPerSide(), 116);
  EXPECT_EQ(CountTileGroups(m.Grid(), -3, 1).At(115, 115, 0), 1);
}

TEST(Tiles, EveryCellIsCountedInItsTileWhateverTheGroupsAndTileSize) {
  // Random scenes: groups on both sides of the eight that are compared eight cells at a time,
  // tiles narrower than eight cells, and tiles whose last column or row is cut by the grid.
  for (const std::int32_t groups : {1, 2, 6, 8, 9, 13}) {
    Model m;
    m.InitSetup(
        {.AgentCount = 7000, .CellSize = 7 /* 99 x 99 cells */, .GroupCount = groups, .Seed = 1});
    const Grid& grid = m.Grid();
    for (const std::int32_t tileSize : {1, 5, 8, 17, 20, 99}) {
      const TileCounts t = CountTileGroups(grid, tileSize, groups);
      std::vector<std::int32_t> expected(t.Counts().size(), 0);
      for (std::int32_t row = 0; row < grid.Rows(); ++row) {
        for (std::int32_t column = 0; column < grid.Cols(); ++column) {
          const std::int32_t state = grid[column][row].State();
          if (state == 0) continue;
          const std::int32_t b = column / tileSize;
          const std::int32_t a = row / tileSize;
          ++expected[(static_cast<std::size_t>(b) * t.TilesPerSide() + a) * groups + state - 1];
        }
      }
      EXPECT_EQ(t.Counts(), expected) << groups << " groups, tiles of " << tileSize;
    }
  }
}

TEST(Tiles, CountsByColumnAndRowOfTheTile) {
  Model m;
  m.InitSetup(EmptySetup({.CellSize = 34, .GroupCount = 2}));
  m.AddAgent({19, 0}, 2);  // tile column 1, row 0 with tiles of 10
  m.AddAgent({0, 10}, 1);  // tile column 0, row 1
  m.AddAgent({9, 9}, 1);   // tile 0, 0
  const TileCounts t = CountTileGroups(m.Grid(), 10, 2);
  EXPECT_EQ(t.At(1, 0, 1), 1);
  EXPECT_EQ(t.At(0, 1, 0), 1);
  EXPECT_EQ(t.At(0, 0, 0), 1);
  EXPECT_EQ(t.At(1, 1, 0) + t.At(1, 1, 1) + t.At(0, 1, 1) + t.At(1, 0, 0) + t.At(0, 0, 1), 0);
}

// --- dissimilarity and segregation index ----------------------------------------------------

TEST(Dissimilarity, SeparatedMixedAndOneTile) {
  // Two tiles of 10 columns: group 1 left, group 2 right: D = 100, IS = 100 for both.
  Model m;
  m.InitSetup(EmptySetup({.CellSize = 34, .GroupCount = 2}));
  for (int r = 0; r < 20; ++r) {
    m.AddAgent({0, r}, 1);
    m.AddAgent({15, r}, 2);
  }
  Dissimilarity d = ComputeDissimilarity(CountTileGroups(m.Grid(), 10, 2), m.GroupSizes(), 40);
  EXPECT_EQ(d.Pair(0, 1), 100.0);
  EXPECT_EQ(d.segregation, (std::vector<double>{100.0, 100.0}));
  EXPECT_EQ(d.Pair(0, 0), 0.0);
  // With one tile everything is 0.
  d = ComputeDissimilarity(CountTileGroups(m.Grid(), 20, 2), m.GroupSizes(), 40);
  EXPECT_EQ(d.Pair(0, 1), 0.0);
  EXPECT_EQ(d.segregation, (std::vector<double>{0.0, 0.0}));

  // Every tile holding both groups in the proportions of the whole grid: 0.
  Model mixed;
  mixed.InitSetup(EmptySetup({.CellSize = 34, .GroupCount = 3}));
  for (int c = 0; c < 20; c += 2) {
    mixed.AddAgent({c, c}, 1);
    mixed.AddAgent({c + 1, c}, 2);
    mixed.AddAgent({c, c + 1}, 3);
  }
  d = ComputeDissimilarity(CountTileGroups(mixed.Grid(), 2, 3), mixed.GroupSizes(), 30);
  EXPECT_EQ(d.Pair(0, 1), 0.0);
  EXPECT_EQ(d.Pair(1, 2), 0.0);
  EXPECT_EQ(d.segregation, (std::vector<double>{0.0, 0.0, 0.0}));
}

TEST(Dissimilarity, UnevenShares) {
  // Tiles of 10: group 1 has 3 agents left and 1 right; group 2 has 1 left and 3 right.
  // D = 1/2 (|75 - 25| + |25 - 75|) = 50. With T = 8: IS(0) = 1/2 (|75 - 25| + |25 - 75|) = 50.
  // With T = 10 (two more agents counted than stand): IS(0) = 1/2 (|75 - 1/6*100| +
  // |25 - 3/6*100|) = 41.666...
  Model m;
  m.InitSetup(EmptySetup({.CellSize = 34, .GroupCount = 2}));
  Paint(m, {"111........1........", "2..............222.."});
  Dissimilarity d = ComputeDissimilarity(CountTileGroups(m.Grid(), 10, 2), m.GroupSizes(), 8);
  EXPECT_EQ(d.Pair(0, 1), 50.0);
  EXPECT_EQ(d.segregation[0], 50.0);
  d = ComputeDissimilarity(CountTileGroups(m.Grid(), 10, 2), m.GroupSizes(), 10);
  EXPECT_EQ(d.Pair(0, 1), 50.0);
  const Extended expected =
      (Abs(Extended(75) - Extended(1) / 6 * 100) + Abs(Extended(25) - Extended(3) / 6 * 100)) / 2;
  EXPECT_EQ(d.segregation[0], static_cast<double>(expected));
  EXPECT_EQ(DisplayText(d.segregation[0]), "41.67");
}

TEST(Dissimilarity, EmptyGroupsAndAWholePopulationHaveNoValue) {
  Model m;
  m.InitSetup(EmptySetup({.CellSize = 34, .GroupCount = 3}));
  Paint(m, {"1.2", "..1"});  // group 3 empty
  const Dissimilarity d = ComputeDissimilarity(CountTileGroups(m.Grid(), 5, 3), m.GroupSizes(), 3);
  EXPECT_FALSE(std::isnan(d.Pair(0, 1)));
  EXPECT_TRUE(std::isnan(d.Pair(0, 2)));
  EXPECT_TRUE(std::isnan(d.Pair(1, 2)));
  EXPECT_TRUE(std::isnan(d.segregation[2]));
  EXPECT_FALSE(std::isnan(d.segregation[0]));
  EXPECT_EQ(DisplayText(d.Pair(1, 2)), "n/a");

  Model one;
  one.InitSetup(EmptySetup({.CellSize = 34, .GroupCount = 1}));
  Paint(one, {"11"});
  const Dissimilarity single =
      ComputeDissimilarity(CountTileGroups(one.Grid(), 5, 1), one.GroupSizes(), 2);
  EXPECT_TRUE(std::isnan(single.segregation[0]));  // T - N(0) = 0
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

TEST(Dissimilarity, BitForBitAsDefined) {
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

// --- the satisfaction averages --------------------------------------------------------------

TEST(Statistics, AveragesStoredValuesOfOccupiedCells) {
  Model m;
  m.InitSetup(EmptySetup({.CellSize = 34, .GroupCount = 3}));
  m.AddAgent({1, 1}, 1);
  m.AddAgent({5, 5}, 1);
  m.AddAgent({9, 9}, 2);
  m.Grid().SetSatisfaction({1, 1}, 40);
  m.Grid().SetSatisfaction({5, 5}, 60);
  m.Grid().SetSatisfaction({9, 9}, 33.3);
  // A cell with a State but no agent does not count.
  m.Grid().SetState({12, 12}, 2);
  m.Grid().SetSatisfaction({12, 12}, 100);
  const std::vector<double> avg = GroupSatisfaction(m.Grid(), 3);
  EXPECT_EQ(avg[0], 50.0);
  EXPECT_EQ(avg[1], 33.3);
  EXPECT_TRUE(std::isnan(avg[2]));
}

// --- the schedule ---------------------------------------------------------------------------

class RecordingSink : public MeasureSink {
public:
  void ResetCharts(const Model& model) override {
    log.push_back("reset G=" + std::to_string(model.Settings().GroupCount));
    satisfaction.assign(static_cast<std::size_t>(model.Settings().GroupCount), {});
    segregation.assign(static_cast<std::size_t>(model.Settings().GroupCount), {});
  }
  void AddSatisfactionPoint(std::int32_t g, double x, double) override {
    log.push_back("sat " + std::to_string(g) + "@" + std::to_string(int(x)));
    satisfaction[static_cast<std::size_t>(g)].push_back(x);
  }
  void AddSegregationPoint(std::int32_t g, double x, double y) override {
    log.push_back("seg " + std::to_string(g) + "@" + std::to_string(int(x)));
    segregation[static_cast<std::size_t>(g)].push_back(y);
  }
  void ShowDissimilarity(const Dissimilarity& d) override {
    log.push_back("table");
    shown.push_back(d);
  }
  void ShowClusterSizes(const Model& model, const ClusterSizes&) override {
    log.push_back("clusters@" + std::to_string(model.TimeStep()));
  }
  std::vector<std::string> log;
  std::vector<std::vector<double>> satisfaction, segregation;
  std::vector<Dissimilarity> shown;
};

TEST(Schedule, ResetAtStepOneThenPointsClustersAndTiles) {
  RecordingSink sink;
  Simulation sim(nullptr, &sink);
  const SetupParams p{.AgentCount = 800, .CellSize = 20, .GroupCount = 2, .Seed = 8};
  sim.InitSetup(p);
  sim.Step();
  EXPECT_EQ(sink.log, (std::vector<std::string>{"reset G=2", "sat 0@1", "sat 1@1", "clusters@1",
                                                "table", "seg 0@1", "seg 1@1"}));
  std::vector<std::uint32_t> clusterSteps;
  for (int t = 2; t <= 62; ++t) {
    sink.log.clear();
    sim.Step();
    EXPECT_TRUE(sim.LastMeasures().clustersRan == IsClusterStep(t));
    for (const std::string& e : sink.log) {
      if (e.rfind("clusters", 0) == 0) clusterSteps.push_back(t);
      EXPECT_NE(e.rfind("reset", 0), 0u) << "reset after step 1";
    }
  }
  EXPECT_EQ(clusterSteps, (std::vector<std::uint32_t>{31, 61}));
  EXPECT_EQ(sink.satisfaction[0].size(), 62u);
  EXPECT_EQ(sink.segregation[1].size(), 62u);
  // The table gets the step's unrounded values, once per step.
  EXPECT_EQ(sink.shown.size(), 62u);
  EXPECT_EQ(sink.shown.back().pair, sim.LastMeasures().dissimilarity.pair);
  EXPECT_EQ(sink.shown.back().segregation, sim.LastMeasures().dissimilarity.segregation);
  // The series carry the unrounded index.
  EXPECT_EQ(sink.segregation[0].back(), sim.LastMeasures().dissimilarity.segregation[0]);
  // A new setup resets the charts at once, and the first step again.
  sink.log.clear();
  sim.NewSetup(p);
  EXPECT_EQ(sink.log, std::vector<std::string>{"reset G=2"});
}

TEST(Schedule, PopulationTotalIsAskedAtEveryComputation) {
  RecordingSink sink;
  Simulation sim(nullptr, &sink);
  sim.InitSetup({.AgentCount = 800, .CellSize = 20, .GroupCount = 3, .Seed = 8});
  sim.Step();
  const Dissimilarity before = sim.LastMeasures().dissimilarity;
  sim.SetPopulationTotalSource([] { return 1600; });
  sim.CountTiles();
  const Dissimilarity after = sim.LastMeasures().dissimilarity;
  EXPECT_EQ(after.pair, before.pair);  // D does not depend on T
  EXPECT_NE(after.segregation, before.segregation);
  // A source that raises ends the computation before anything is written.
  sim.SetPopulationTotalSource(
      []() -> std::int32_t { throw SegsimError("'x' ist kein gültiger Integerwert"); });
  sink.shown.clear();
  const std::size_t points = sink.segregation[0].size();
  EXPECT_THROW(sim.CountTiles(), SegsimError);
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_EQ(sink.segregation[0].size(), points);
}

TEST(Schedule, CurrentMeasuresOfTheSetupTouchNothing) {
  RecordingSink sink;
  Simulation sim(nullptr, &sink);
  SetupParams p;
  p.CellSize = 20;
  p.AgentCount = 800;
  p.GroupCount = 3;
  p.Seed = 5;
  sim.InitSetup(p);
  const StepMeasures setup = sim.CurrentMeasures();
  EXPECT_TRUE(sink.log.empty());
  EXPECT_FALSE(setup.clustersRan);
  EXPECT_EQ(setup.satisfaction, std::vector<double>(3, 0.0));  // no step has computed it
  sim.SetSink(nullptr);
  sim.CountTiles();  // the same tiles, measured as a step measures them
  EXPECT_EQ(setup.dissimilarity.pair, sim.LastMeasures().dissimilarity.pair);
  EXPECT_EQ(setup.dissimilarity.segregation, sim.LastMeasures().dissimilarity.segregation);
  sim.Step();
  EXPECT_EQ(sim.CurrentMeasures().satisfaction, sim.LastMeasures().satisfaction);
  EXPECT_TRUE(sim.CurrentMeasures().clustersRan);
}

// A settled run's steps reuse the measures of the last step that changed something: a change
// of the cells made by hand is seen at the next step.
TEST(Schedule, SettledMeasuresFollowEveryChangeOfTheCells) {
  Simulation sim;
  sim.InitSetup({.AgentCount = 800, .CellSize = 20, .GroupCount = 3, .Seed = 8});
  for (int t = 0; t < 200; ++t) sim.Step();
  ASSERT_EQ(sim.Model().LastPass().moved, 0);
  Grid& grid = sim.Model().Grid();
  const auto check = [&](const char* what) {
    sim.Step();
    const ModelSettings& s = sim.Model().Settings();
    EXPECT_EQ(sim.LastMeasures().satisfaction, GroupSatisfaction(grid, s.GroupCount)) << what;
    const Dissimilarity d = ComputeDissimilarity(CountTileGroups(grid, s.TileSize, s.GroupCount),
                                                 sim.Model().GroupSizes(), sim.PopulationTotal());
    EXPECT_EQ(sim.LastMeasures().dissimilarity.segregation, d.segregation) << what;
  };
  check("a step that moved nobody");
  for (std::int32_t g = 1; g <= 3; ++g) {
    for (std::int32_t c = 0; c < grid.Cols(); ++c) {
      if (grid.At({c, g}).Occupied()) continue;
      sim.Model().AddAgent({c, g}, g);
      break;
    }
    check("an agent added by hand");
  }
}

// The log of a run keeps one change per setting and step, drops changes back to the value in
// force, and places each before the next relocation pass.
TEST(RunLog, KeepsTheLastChangeOfEachSettingBeforeEachStep) {
  const SetupParams setup{.TileSize = 0 /* counts as 1 */, .Threshold = 20};
  RunLog log;
  log.Reset(setup);
  log.Record(RunSetting::Threshold, 35);  // dragged past several positions before step 1
  log.Record(RunSetting::Threshold, 40);
  log.Record(RunSetting::TileSize, 1);  // what the setup's 0 already means: no change
  log.CountStep();
  log.CountStep();
  log.Record(RunSetting::Threshold, 20);
  log.Record(RunSetting::TileSize, 7);
  log.CountStep();
  log.Record(RunSetting::Threshold, 40);
  log.Record(RunSetting::Threshold, 20);  // the value in force before step 4: dropped
  EXPECT_EQ(log.Steps(), 3u);
  const std::vector<SettingChange> expected = {
      {1, RunSetting::Threshold, 40}, {3, RunSetting::Threshold, 20}, {3, RunSetting::TileSize, 7}};
  EXPECT_EQ(log.Changes(), expected);
  EXPECT_EQ(SetArgument(expected[2]), "3:tile-size=7");
  log.Reset(setup);
  EXPECT_TRUE(log.Changes().empty());
  EXPECT_EQ(log.Steps(), 0u);
}

TEST(RunLog, AppliedChangesAreCheckedAgainstTheModel) {
  Simulation sim;
  sim.InitSetup({.CellSize = 34 /* 20 x 20 cells */, .Seed = 5});
  ApplyRunSetting(sim, RunSetting::Agents, 400);
  EXPECT_EQ(sim.PopulationTotal(), 400);
  EXPECT_THROW(ApplyRunSetting(sim, RunSetting::Agents, 401), SegsimError);
  EXPECT_THROW(ApplyRunSetting(sim, RunSetting::Threshold, -1), SegsimError);
  EXPECT_EQ(sim.PopulationTotal(), 400);
  ApplyChangesAt(sim, {{2, RunSetting::Threshold, 90}, {3, RunSetting::Threshold, 10}}, 2);
  EXPECT_EQ(sim.Model().Settings().Threshold, 90u);
  EXPECT_THROW(RunSettingNamed("radius"), SegsimError);
  EXPECT_EQ(RunSettingNamed("tile-size"), RunSetting::TileSize);
}

}  // namespace
}  // namespace segsim

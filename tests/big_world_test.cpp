// Big worlds: what a setup needs in memory, the refusal of one that does not fit, and the
// compact cells and agents it rests on.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "measures/simulation.h"
#include "model/error.h"
#include "model/model.h"

namespace segsim {
namespace {

SetupParams Panel(std::int32_t panel, std::int32_t cellSize, std::int32_t agents) {
  return {.AgentCount = agents,
          .CellSize = cellSize,
          .GraphicUpdate = false,
          .PanelWidth = panel,
          .PanelHeight = panel,
          .Seed = 1};
}

std::string RefusalOf(const SetupParams& p, double limit) {
  try {
    Model::CheckSetup(p, limit);
  } catch (const SegsimError& e) {
    return e.what();
  }
  return "";
}

TEST(SetupMemory, TheEstimateCoversWhatAModelHolds) {
  // 2048 x 2048 cells, 80 % occupied, 6 groups at radius 5: 11 bytes and two bits a cell, 16 an
  // agent, the one-byte strips of 7 planes, and the measures.
  const SetupParams big = Panel(2048, 1, 3355443);
  const double cells = 2048.0 * 2048;
  const double bytes = Model::SetupBytes(big);
  EXPECT_GT(bytes, cells * 11 + 3355443.0 * 16 + 7 * cells);
  EXPECT_LT(bytes, 160e6);
  // Without the sums (radius 0) their planes are not counted.
  SetupParams walked = big;
  walked.NeighbourRadius = 0;
  EXPECT_LT(Model::SetupBytes(walked), bytes - 6 * cells);
  // An agent count above the cells is capped, so it costs no more than a full grid.
  SetupParams over = big;
  over.AgentCount = 2000000000;
  EXPECT_LE(Model::SetupBytes(over), Model::SetupBytes(Panel(2048, 1, 2048 * 2048)));
}

TEST(SetupMemory, ASetupBeyondTheLimitIsRefusedWithItsEstimate) {
  const SetupParams defaults = Panel(694, 6, 12783);
  EXPECT_EQ(RefusalOf(defaults, 100e6), "");
  const std::string message = RefusalOf(defaults, 100e3);
  EXPECT_NE(message.find("A grid of 116 x 116 cells needs about"), std::string::npos) << message;
  EXPECT_NE(message.find("more than the 100 kB available"), std::string::npos) << message;
  // Grids no machine holds, whatever it has.
  EXPECT_NE(RefusalOf(Panel(2147483647, 1, 12783), Model::MemoryLimitBytes()), "");
  EXPECT_NE(RefusalOf(Panel(2147483647, 6, 12783), Model::MemoryLimitBytes()), "");
  EXPECT_GT(Model::MemoryLimitBytes(), 0);
}

TEST(SetupMemory, TheLimitOfOnesOwnIsAPositiveNumberOfMegabytes) {
  setenv("SEGSIM_MEMORY_LIMIT_MB", "5", 1);
  EXPECT_LE(Model::MemoryLimitBytes(), 5e6);
  for (const char* bad : {"abc", "-5", "0", "5 MB", "nan"}) {
    setenv("SEGSIM_MEMORY_LIMIT_MB", bad, 1);
    EXPECT_THROW(Model::MemoryLimitBytes(), SegsimError) << "'" << bad << "'";
  }
  unsetenv("SEGSIM_MEMORY_LIMIT_MB");
}

TEST(SetupMemory, TheModelInForceStaysWholeWhenASetupIsRefused) {
  Simulation sim;
  sim.InitSetup(Panel(694, 6, 12783));
  sim.Step();
  const std::int32_t cols = sim.Model().Settings().Cols;
  const TAgent first = sim.Model().AgentList()[0];
  EXPECT_THROW(sim.NewSetup(Panel(2147483647, 1, 12783)), SegsimError);
  EXPECT_EQ(sim.Model().Settings().Cols, cols);
  EXPECT_EQ(sim.Model().TimeStep(), 1u);
  EXPECT_EQ(sim.Model().AgentList()[0].GridX, first.GridX);
  sim.Step();  // and it runs on
  EXPECT_EQ(sim.Model().TimeStep(), 2u);
}

// segsim-cli with the arguments; stdout, stderr and the exit status.
struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

CliResult RunCli(const std::string& args) {
  const std::string errFile = testing::TempDir() + "big_world_cli_err.txt";
  const std::string command = std::string(SEGSIM_CLI) + " " + args + " 2>" + errFile;
  CliResult r;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    r.out.append(buffer.data(), n);
  const int raw = pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  if (FILE* err = std::fopen(errFile.c_str(), "r")) {
    while ((n = std::fread(buffer.data(), 1, buffer.size(), err)) > 0)
      r.err.append(buffer.data(), n);
    std::fclose(err);
  }
  return r;
}

TEST(SetupMemory, TheCommandLineRefusesAGridThatDoesNotFitBeforePrintingAnything) {
  for (const char* args :
       {"run --panel 2147483647 --steps 3", "run --panel 2000000 --cell-size 1 --steps 3 --summary",
        "sweep --param groups --from 2 --to 3 --increment 1 --runs 1 "
        "--steps 1 --panel 2000000 --cell-size 1 --seed 1"}) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_NE(r.err.find("cells needs about"), std::string::npos) << args << ": " << r.err;
    EXPECT_NE(r.err.find("B of memory, more than the"), std::string::npos) << args << ": " << r.err;
  }
}

TEST(FreshMarks, ACountIsSkippedOnlyWhileItsSquareStandsUnchanged) {
  Model m;
  m.InitSetup(Panel(694, 6, 0));  // 116 x 116, radius 5
  m.AddAgent({10, 10}, 1);
  m.AddAgent({12, 10}, 1);
  // The first pass after a setup counts everything afresh: no marks; a quiet pass keeps them.
  m.MoveAgents();
  EXPECT_FALSE(m.Grid().KeepsFreshMarks());
  m.SetTimeStep(1);
  m.MoveAgents();
  EXPECT_TRUE(m.Grid().KeepsFreshMarks());
  double s = 0;
  m.CalcSatisfaction(10, 10, s);
  EXPECT_EQ(s, 100.0);
  EXPECT_TRUE(m.Grid().IsFresh({10, 10}));
  // A change outside the square keeps the mark; one inside (at the square's corner, across no
  // edge) clears it, and the next count sees the stranger.
  m.AddAgent({16, 10}, 2);
  EXPECT_TRUE(m.Grid().IsFresh({10, 10}));
  m.AddAgent({15, 15}, 2);
  EXPECT_FALSE(m.Grid().IsFresh({10, 10}));
  m.CalcSatisfaction(10, 10, s);
  EXPECT_DOUBLE_EQ(s, 2.0 / 3 * 100);
  // Across the torus's edge: a cell at column 0 is in the square of a cell at column Cols - 1.
  m.AddAgent({115, 50}, 1);
  m.CalcSatisfaction(115, 50, s);
  EXPECT_TRUE(m.Grid().IsFresh({115, 50}));
  m.AddAgent({4, 55}, 2);
  EXPECT_FALSE(m.Grid().IsFresh({115, 50}));
  // A value set by hand, or a candidate's, is not fresh; the direct method keeps no marks.
  m.Grid().SetSatisfaction({115, 50}, 12);
  EXPECT_FALSE(m.Grid().IsFresh({115, 50}));
  m.CalcSatisfaction(115, 50, s);
  EXPECT_EQ(s, 50.0);
  m.SetCountMethod(CountMethod::kDirect);
  EXPECT_FALSE(m.Grid().KeepsFreshMarks());
  m.CalcSatisfaction(115, 50, s);
  EXPECT_FALSE(m.Grid().IsFresh({115, 50}));
  m.MoveAgents();
  EXPECT_FALSE(m.Grid().KeepsFreshMarks());
}

TEST(FreshMarks, AChangeClearsExactlyTheSquaresThatHoldIt) {
  // 99 x 99 cells (rows start inside a word of marks) and squares 81 wide: every cleared run of
  // a row spans two or three words, and wraps round the edge.
  Grid grid;
  grid.Reset(99, 99, {7, 4});
  const std::int32_t radius = 40;
  grid.KeepFreshMarks(radius);
  for (const GridPos changed : {GridPos{3, 97}, GridPos{60, 30}, GridPos{98, 0}}) {
    for (std::int32_t row = 0; row < 99; ++row) {
      for (std::int32_t column = 0; column < 99; ++column) {
        grid.SetSatisfaction({column, row}, 0, true);
      }
    }
    grid.SetOccupied(changed, !grid.IsOccupied(changed));
    auto within = [&](std::int32_t a, std::int32_t b) {
      const std::int32_t d = std::abs(a - b);
      return std::min(d, 99 - d) <= radius;
    };
    std::int32_t wrong = 0;
    for (std::int32_t row = 0; row < 99; ++row) {
      for (std::int32_t column = 0; column < 99; ++column) {
        const bool holds = within(column, changed.column) && within(row, changed.row);
        wrong += grid.IsFresh({column, row}) == holds;
      }
    }
    EXPECT_EQ(wrong, 0) << changed.column << ", " << changed.row;
  }
}

TEST(FreshMarks, ASettledRunKeepsThem) {
  // 58 x 58 cells: the run settles within 80 steps; from then on the passes keep fresh marks,
  // and the model goes on exactly as the walked one (NeighbourCounts tests compare every step).
  Simulation sim;
  SetupParams p = Panel(694, 12, 2800);
  p.Seed = 9;
  sim.InitSetup(p);
  int kept = 0;
  for (int t = 0; t < 80; ++t) {
    sim.Step();
    kept += sim.Model().Grid().KeepsFreshMarks();
  }
  EXPECT_GT(kept, 20);
}

TEST(CompactModel, TheSearchesBitsFollowEveryOccupiedFlag) {
  // Placement, moves and agents added by hand all change both copies of the flag.
  Simulation sim;
  sim.InitSetup(Panel(130, 1, 13000));
  sim.Model().AddAgent({0, 0}, 1);
  for (int t = 0; t < 5; ++t) sim.Step();
  const Grid& grid = sim.Model().Grid();
  std::size_t differing = 0;
  std::size_t occupied = 0;
  for (std::size_t i = 0; i < grid.CellCount(); ++i) {
    differing += grid.OccupiedBit(i) != grid.OccupiedAt(i);
    occupied += grid.OccupiedBit(i);
  }
  EXPECT_EQ(differing, 0u);
  EXPECT_EQ(occupied, static_cast<std::size_t>(sim.Model().AgentCountUsed()));
  EXPECT_GT(sim.Model().LastPass().moved, 0);
}

// Every agent's threshold test in the next pass, as the values stored at the cells give it.
std::vector<bool> TestsOfNextPass(const Model& m) {
  std::vector<bool> above;
  for (const TAgent& a : m.AgentList()) {
    above.push_back(m.Grid().At({a.GridX, a.GridY}).Satisfaction() > m.Settings().Threshold);
  }
  return above;
}

std::vector<bool> Satisfied(const Model& m) {
  std::vector<bool> satisfied;
  for (const TAgent& a : m.AgentList()) satisfied.push_back(a.Satisfied);
  return satisfied;
}

TEST(ThresholdTest, ATurnTestsTheValueStoredAtItsCellWhateverChangedIt) {
  // The turns test a note the agents keep of their cells' values; it must follow every way a
  // value or the threshold can change between passes.
  Simulation sim;
  sim.InitSetup(Panel(694, 4, 20000));  // 174 x 174 cells
  Model& m = sim.Model();
  for (int t = 0; t < 15; ++t) sim.Step();
  auto checkNextPass = [&](const char* what) {
    const std::vector<bool> expected = TestsOfNextPass(m);
    sim.Step();
    EXPECT_EQ(Satisfied(m), expected) << what;
  };
  checkNextPass("a pass after a pass");
  m.SetThreshold(55);
  checkNextPass("a new threshold");
  // Values stored by hand at occupied cells, and a count made from outside the turns.
  const TAgent& first = m.AgentList()[0];
  const TAgent& second = m.AgentList()[1];
  m.Grid().SetSatisfaction({first.GridX, first.GridY}, first.Satisfied ? 0.0 : 100.0);
  double s = 0;
  m.Grid().SetSatisfaction({second.GridX, second.GridY}, 100.0);
  m.CalcSatisfaction(second.GridX, second.GridY, s);
  checkNextPass("values stored from outside");
  // An agent added by hand, and one moved by hand, stand on whatever value their cells hold.
  std::int32_t column = 0;
  while (m.Grid().IsOccupied({column, 7})) ++column;
  m.Grid().SetSatisfaction({column, 7}, 100.0);
  m.AddAgent({column, 7}, 2);
  std::int32_t free = 0;
  while (m.Grid().IsOccupied({free, 9})) ++free;
  m.Grid().SetSatisfaction({free, 9}, 100.0);
  TAgent& moved = m.AgentList()[5];
  m.MoveAgentTo({moved.GridX, moved.GridY}, {free, 9}, moved);
  checkNextPass("agents added and moved by hand");
  m.SetThreshold(0);
  checkNextPass("threshold 0");
}

TEST(CompactModel, JumpsBeyondSixteenBitsAreRefused) {
  SetupParams p = Panel(694, 6, 100);
  p.MoveDistance = kMaxMoveDistance;
  EXPECT_EQ(RefusalOf(p, 1e9), "");
  p.MoveDistance = kMaxMoveDistance + 1;
  EXPECT_EQ(RefusalOf(p, 1e9), "The move distance must be at most 32766, not 32767");
  // The longest jumps still come out whole: -(d + 1) .. d + 1.
  RandomGenerator random;
  random.Seed(7);
  TAgent agent;
  std::int32_t lowest = 0, highest = 0;
  for (int i = 0; i < 20000; ++i) {
    agent.ChangeHeading(random, kMaxMoveDistance);
    lowest = std::min({lowest, agent.HeadingX(), agent.HeadingY()});
    highest = std::max({highest, agent.HeadingX(), agent.HeadingY()});
  }
  EXPECT_GE(lowest, -kMaxMoveDistance - 1);
  EXPECT_LE(highest, kMaxMoveDistance + 1);
  EXPECT_LT(lowest, -30000);
  EXPECT_GT(highest, 30000);
}

TEST(CompactModel, CellsAndAgentsTakeWhatTheyNeed) {
  EXPECT_EQ(sizeof(TAgent), 16u);
  // State, Occupied byte, Satisfaction, cluster mark and the searches' Occupied bit.
  EXPECT_LT(Grid::kBytesPerCell, 11.3);
  // A cell's view gives what the cell stood for: position, geometry, grey level, contents.
  Model m;
  m.InitSetup(Panel(694, 5, 0));
  m.AddAgent({3, 4}, 2);
  const TCell cell = m.Grid()[3][4];
  EXPECT_EQ(cell.PositionX(), 3 * 5 + 2);
  EXPECT_EQ(cell.PositionY(), 4 * 5 + 2);
  EXPECT_EQ(cell.Size(), 2);
  EXPECT_EQ(cell.Gray(), 180);
  EXPECT_EQ(cell.FillColor(), 0u);
  EXPECT_TRUE(cell.Occupied());
  EXPECT_EQ(cell.State(), 2);
  EXPECT_FALSE(cell.Visited());
  const TAgent& agent = m.AgentList()[0];
  EXPECT_EQ(m.CentreX(agent), 17);
  EXPECT_EQ(m.CentreY(agent), 22);
  EXPECT_EQ(m.AgentColor(agent), m.GroupColors()[1]);
}

}  // namespace
}  // namespace segsim

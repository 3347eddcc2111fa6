// segsim-cli run --set: changes made while the model runs, replayed before a step's relocation
// pass, and the command lines it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/run.h"
#include "cli/trace.h"
#include "cli_process.h"
#include "measures/simulation.h"
#include "sweep_test_util.h"

namespace segsim {
namespace {

using testing::Capture;
using testing::Lines;

RunOptions Parse(std::vector<std::string> args) { return ParseRunOptions(args); }

const std::vector<std::string> kSmall = {"--seed",   "11", "--cell-size", "20",
                                         "--groups", "3",  "--steps",     "6"};

std::vector<std::string> Trace(std::vector<std::string> extra) {
  std::vector<std::string> args = kSmall;
  args.insert(args.end(), extra.begin(), extra.end());
  return Lines(Capture([&](std::FILE* f) { RunTrace(Parse(args), f); }));
}

// The same run made by hand: the changes go in between the steps, as the window makes them.
TEST(RunSet, ChangesActBeforeTheirStepsRelocationPass) {
  Simulation sim;
  sim.InitSetup({.CellSize = 20, .GroupCount = 3, .Seed = 11});
  std::vector<std::string> byHand{SetupLine(sim.Model())};
  for (std::uint32_t t = 1; t <= 6; ++t) {
    if (t == 3) sim.Model().SetThreshold(70);
    if (t == 5) {
      sim.Model().SetTileSize(4);
      sim.SetPopulationTotal(600);
    }
    sim.Step();
    byHand.push_back(StepLine(sim));
  }
  const std::vector<std::string> replayed =
      Trace({"--set", "5:tile-size=4", "--set=3:threshold=70", "--set", "5:agents=600"});
  EXPECT_EQ(replayed, byHand);
  // Each change made a difference, and none acted a step early.
  const std::vector<std::string> plain = Trace({});
  EXPECT_EQ(plain[2], replayed[2]);
  EXPECT_NE(plain[3], replayed[3]);
  EXPECT_NE(Trace({"--set", "3:threshold=70"})[5], replayed[5]);
}

// Thresholds given at setup act as the same thresholds set before the first pass; equal weights
// print what no weights print, the setup line included.
TEST(RunSet, GroupVariantsActAsTheirEquivalents) {
  const std::vector<std::string> own = Trace({"--thresholds", "30,60,45"});
  const std::vector<std::string> set =
      Trace({"--threshold", "30", "--set", "1:threshold_2=60", "--set", "1:threshold_3=45"});
  ASSERT_EQ(own.size(), set.size());
  EXPECT_NE(own[0].find(R"(,"thresholds":[30,60,45]})"), std::string::npos) << own[0];
  EXPECT_EQ(std::vector<std::string>(own.begin() + 1, own.end()),
            std::vector<std::string>(set.begin() + 1, set.end()));
  EXPECT_NE(own, Trace({"--threshold", "30"}));
  EXPECT_EQ(Trace({"--shares", "0.3,0.3,0.3"}), Trace({}));
  EXPECT_NE(Trace({"--shares", "1,2,1"})[0].find(R"(,"shares":[1,2,1]})"), std::string::npos);
}

TEST(RunSet, TheRepeatCommandWritesEveryChangeInOrder) {
  const RunOptions o = Parse({"--steps", "9", "--set", "4:agents=300", "--set", "2:threshold=5"});
  ASSERT_EQ(o.changes.size(), 2u);
  EXPECT_EQ(o.changes[0], (SettingChange{4, RunSetting::Agents, 300}));
  const std::string command = RunOptionTable().RepeatCommand(o);
  EXPECT_NE(command.find("--set 4:agents=300 --set 2:threshold=5"), std::string::npos) << command;
  EXPECT_EQ(Parse({"--steps", "9", "--set", "4:agents=300", "--set", "2:threshold=5"}).changes,
            o.changes);
}

TEST(RunSet, BadChangesAreRefusedWithAReason) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
      {{"--set", "3:colour=4"},
       "unknown setting 'colour'; a run can change threshold, threshold_g (group g from 1), "
       "tile-size and agents"},
      {{"--set", "3:threshold_0=4"},
       "unknown setting 'threshold_0'; a run can change threshold, threshold_g (group g from 1), "
       "tile-size and agents"},
      {{"--set", "3:groups=4"}, "groups is read only at a setup: a running model cannot change it"},
      {{"--set", "0:threshold=4"},
       "the step of --set 0:threshold=4 must be from 1 to 500 (--steps)"},
      {{"--steps", "3", "--set", "-1:threshold=4"},
       "the step of --set -1:threshold=4 must be from 1 to 3 (--steps)"},
      {{"--set", "99999999999:threshold=4", "--steps", "3"},
       "the step of --set 99999999999:threshold=4 must be from 1 to 3 (--steps)"},
      {{"--steps", "0", "--set", "1:threshold=4"},
       "the step of --set 1:threshold=4 is past the last step: --steps 0 makes no step"},
      {{"--set", "2:threshold=5000000000"},
       "the value of --set 2:threshold=5000000000 is out of range: '5000000000'"},
      {{"--steps", "5", "--set", "6:threshold=4"},
       "the step of --set 6:threshold=4 must be from 1 to 5 (--steps)"},
      {{"--set", "3threshold=4"}, "--set takes STEP:NAME=VALUE, not '3threshold=4'"},
      {{"--set", "x:threshold=4"}, "the step of --set x:threshold=4 is no integer: 'x'"},
      {{"--set", "2:threshold=a"}, "the value of --set 2:threshold=a is no integer: 'a'"},
  };
  for (const auto& [args, message] : rows) {
    try {
      Parse(args);
      ADD_FAILURE() << "accepted " << args.back();
    } catch (const UsageError& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
}

// A value the setting refuses ends the command before it writes anything.
TEST(RunSet, ARefusedValueWritesNothingAndExitsWith2) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"2:threshold=101", "threshold must be from 0 to 100, not 101"},
      {"2:tile-size=0", "tile-size must be at least 1, not 0"},
      {"2:agents=401", "agents must be from 2 to the number of cells, 400, not 401"},
      {"9:threshold=1", "must be from 1 to 6 (--steps)"},
      {"2:threshold_4=5", "threshold_4: there is no group 4 among the 3 groups"},
      {"2:threshold_1=101", "threshold_1 must be from 0 to 100, not 101"},
  };
  for (const auto& [set, message] : rows) {
    std::vector<std::string> args = {"run"};
    args.insert(args.end(), kSmall.begin(), kSmall.end());
    args.insert(args.end(), {"--cell-size", "34", "--set", set});
    segsim::testing::Child child = segsim::testing::StartCli(args);
    const segsim::testing::Ended e = segsim::testing::Finish(child);
    EXPECT_EQ(e.status, 2) << set;
    EXPECT_EQ(e.out, "") << set;
    EXPECT_NE(e.err.find(message), std::string::npos) << e.err;
  }
}

}  // namespace
}  // namespace segsim

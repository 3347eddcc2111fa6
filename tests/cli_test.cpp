// segsim-cli: option parsing and the trace's number format.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "cli/json.h"
#include "cli/options.h"
#include "cli/trace.h"

namespace segsim {
namespace {

RunOptions Parse(std::vector<std::string> args) { return ParseRunOptions(args); }

TEST(RunOptions, DefaultsAreTheWindowsDefaults) {
  const RunOptions o = Parse({});
  EXPECT_EQ(o.steps, 500);
  EXPECT_EQ(o.params.AgentCount, 12783);
  EXPECT_EQ(o.params.CellSize, 6);
  EXPECT_EQ(o.params.GroupCount, 6);
  EXPECT_EQ(o.params.NeighbourRadius, 5);
  EXPECT_EQ(o.params.MoveDistance, 55);
  EXPECT_EQ(o.params.Threshold, 20u);
  EXPECT_EQ(o.params.TileSize, 20);
  EXPECT_EQ(o.params.PanelWidth, 694);
  EXPECT_FALSE(o.params.Seed.has_value());
}

TEST(RunOptions, ValuesUseTheFieldConversion) {
  const RunOptions o = Parse({"--seed", "4294967295", "--steps", "$10", "--groups", " 3",
                              "--radius", "0", "--panel", "100", "--cell-size", "10"});
  EXPECT_EQ(*o.params.Seed, 4294967295u);
  EXPECT_EQ(o.steps, 16);
  EXPECT_EQ(o.params.GroupCount, 3);
  EXPECT_EQ(o.params.NeighbourRadius, 0);
  EXPECT_EQ(o.params.PanelHeight, 100);
  EXPECT_EQ(*Parse({"--seed", "-1"}).params.Seed, 4294967295u);
}

TEST(RunOptions, BadCommandLinesAreRefusedWithAReason) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
      {{"--bogus", "1"}, "unknown option '--bogus'"},
      {{"--steps"}, "option --steps needs a value"},
      {{"--steps", "4.5"}, "the value of --steps is no integer: '4.5'"},
      {{"--agents", "12 "}, "the value of --agents is no integer: '12 '"},
      {{"--cell-size", "0"}, "The cell size must be at least 1, not 0"},
      {{"--groups", "-2"}, "The number of groups must be at least 1, not -2"},
      {{"--threshold", "101"}, "--threshold must be from 0 to 100, not 101"},
      {{"--steps", "-1"}, "--steps must be at least 0"},
      {{"--seed", "x"}, "the value of --seed is no 32-bit integer: 'x'"},
      {{"extra"}, "unexpected argument 'extra'"},
  };
  for (const auto& [args, message] : rows) {
    try {
      Parse(args);
      ADD_FAILURE() << "accepted " << args[0];
    } catch (const UsageError& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
}

TEST(Json, NumbersReadBackAsTheSameDouble) {
  const std::vector<std::pair<double, std::string>> rows = {
      {50.0, "50"}, {0.1, "0.1"}, {100.0 / 3, "33.333333333333336"}, {0.0, "0"},
      {1e-7, "1e-07"}, {std::nan(""), "null"}};
  for (const auto& [v, text] : rows) {
    std::string out;
    json::AppendNumber(out, v);
    EXPECT_EQ(out, text);
  }
}

TEST(Trace, LinesCarryTheStepsMeasures) {
  SetupParams p;
  p.CellSize = 20;
  p.AgentCount = 900;
  p.GroupCount = 3;
  p.Seed = 21;
  Simulation sim;
  sim.InitSetup(p);
  EXPECT_EQ(SetupLine(sim.model()).rfind(
                R"({"step":0,"cols":35,"rows":35,"agents":900,"group_sizes":[)", 0), 0u);
  EXPECT_NE(SetupLine(sim.model()).find(R"("group_colors":[255,8453888,16711935]})"),
            std::string::npos);
  sim.Step();
  const std::string first = StepLine(sim);
  EXPECT_EQ(first.rfind(R"({"step":1,"moved":)", 0), 0u);
  EXPECT_NE(first.find(R"(,"clusters":[[)"), std::string::npos);
  // Three groups: rows of 2, 1 and 0 pairs.
  EXPECT_NE(first.find(R"(],[]],"clusters")"), std::string::npos);
  sim.Step();
  EXPECT_EQ(StepLine(sim).find("clusters"), std::string::npos);
}

}  // namespace
}  // namespace segsim

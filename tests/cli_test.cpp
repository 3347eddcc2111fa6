// segsim-cli: option parsing and the trace's number format.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/json.h"
#include "cli/options.h"
#include "cli/plot_options.h"
#include "cli/run.h"
#include "cli/sweep_options.h"
#include "cli/trace.h"
#include "sweep_test_util.h"

namespace segsim {
namespace {

using testing::Capture;
using testing::Lines;

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
      {{"--cell-size", "1000"},
       "--cell-size 1000 leaves a grid of 1 x 1 cells on the 694-pixel panel, too small for 6 "
       "groups"},
      {{"--panel", "12"},
       "--panel 12 leaves a grid of 2 x 2 cells of 6 pixels, too small for 6 groups"},
      {{"--panel", "100", "--cell-size", "40", "--groups", "5"},
       "--cell-size 40 and --panel 100 leave a grid of 2 x 2 cells, too small for 5 groups"},
      {{"--groups", "-2"}, "The number of groups must be at least 1, not -2"},
      {{"--threshold", "101"}, "--threshold must be from 0 to 100, not 101"},
      {{"--steps", "-1"}, "--steps must be at least 0"},
      {{"--seed", "x"}, "the value of --seed is no 32-bit integer: 'x'"},
      {{"extra"}, "unexpected argument 'extra'"},
      {{"--agents", "-1"}, "--agents must be at least 0, not -1"},
      {{"--tile-size", "0"}, "--tile-size must be at least 1, not 0"},
      {{"--radius=-3"}, "--radius must be at least 0, not -3"},
      {{"--summary=1"}, "option --summary takes no value"},
      {{"--bogus=1"}, "unknown option '--bogus'"},
      {{"--steps="}, "the value of --steps is no integer: ''"},
      {{"--steps", "3000000000"},
       "the value of --steps is out of range: '3000000000' (an integer from -2147483648 to "
       "2147483647)"},
      {{"--threshold", "-0x80000001"}, "--threshold must be from 0 to 100, not -0x80000001"},
      {{"--seed", "0x100000000"}, "the value of --seed is no 32-bit integer: '0x100000000'"},
      {{"--seed", "4294967296"}, "the value of --seed is no 32-bit integer: '4294967296'"},
      {{"--seed", "-2147483649"}, "the value of --seed is no 32-bit integer: '-2147483649'"},
      {{"--shares", "1,2,3"}, "--shares 1,2,3: 3 weights for 6 groups; give one per group"},
      {{"--groups", "2", "--shares", "1,0"},
       "--shares 1,0: the weight '0' is not a positive finite number"},
      {{"--groups", "2", "--shares", "1,inf"},
       "--shares 1,inf: the weight 'inf' is not a positive finite number"},
      {{"--groups", "2", "--shares", "1,,2"},
       "--shares 1,,2: the weight '' is not a positive finite number"},
      {{"--groups", "2", "--shares", "1e-310,1e-310"},
       "--shares 1e-310,1e-310: the weights are too small: their sum underflows"},
      {{"--groups", "2", "--shares", "1e308,1e308"},
       "--shares 1e308,1e308: the weights are too large: their sum overflows"},
      {{"--groups", "2", "--thresholds", "30,101"},
       "--thresholds 30,101: the threshold '101' is not an integer from 0 to 100"},
      {{"--groups", "3", "--thresholds", "30,60"},
       "--thresholds 30,60: 2 thresholds for 3 groups; give one per group"},
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

TEST(RunOptions, NameEqualsValueAndEverySeedAreAccepted) {
  const RunOptions o = Parse({"--steps=7", "--panel=300", "--seed=-5", "--summary"});
  EXPECT_EQ(o.steps, 7);
  EXPECT_EQ(o.params.PanelWidth, 300);
  EXPECT_EQ(*o.params.Seed, 4294967291u);
  EXPECT_TRUE(o.summary);
  const std::vector<std::pair<std::string, std::uint32_t>> seeds = {
      {"0xFFFFFFFF", 0xFFFFFFFFu},   {"$ffffffff", 0xFFFFFFFFu},   {"x80000000", 0x80000000u},
      {" +4294967295", 0xFFFFFFFFu}, {"-2147483648", 0x80000000u}, {"0", 0u}};
  for (const auto& [text, value] : seeds) {
    EXPECT_EQ(*Parse({"--seed", text}).params.Seed, value) << text;
    EXPECT_EQ(*Parse({"--seed=" + text}).params.Seed, value) << text;
  }
}

TEST(RunOptions, SummaryNumbersGroupsFromOneAsTheSweepsColumns) {
  const std::string text = Capture([](std::FILE* f) {
    RunTrace(
        Parse({"--seed", "3", "--steps", "1", "--cell-size", "30", "--groups", "2", "--summary"}),
        f);
  });
  EXPECT_NE(text.find("\n1        "), std::string::npos) << text;
  EXPECT_NE(text.find("\n2        "), std::string::npos) << text;
  EXPECT_EQ(text.find("\n0        "), std::string::npos) << text;
}

// A command of the kind later commands add: a repeatable option, a flag, a required option and
// positional words.
struct ToyOptions {
  std::vector<std::string> sets;
  std::vector<std::string> words;
  std::int32_t count = 4;
  bool quiet = false;
  bool help = false;
};

const OptionTable<ToyOptions>& ToyTable() {
  using O = ToyOptions;
  static const OptionTable<O> table(
      "toy", "A command for the tests.",
      {{{"--set", "NAME=VALUE", "one setting; may be given more than once"},
        [](O& o, const std::string& v) {
          if (v.find('=') == std::string::npos) throw UsageError("--set needs NAME=VALUE");
          o.sets.push_back(v);
        },
        [](const O& o) { return o.sets; }},
       IntOption<O>({"--count", "N", "how many", "", true}, &O::count, 1, 9, "from 1 to 9"),
       FlagOption<O>({"--quiet", "", "say less"}, &O::quiet),
       HelpOption(&O::help)},
      {"WORD...", [](O& o, const std::string& w) { o.words.push_back(w); }});
  return table;
}

TEST(OptionTable, RepeatableOptionsKeepEveryValueInOrderAndRepeatThemSo) {
  const std::vector<std::string> args = {"a",         "--set", "x=1",    "--count=3",
                                         "--set=y=2", "b",     "--quiet"};
  const ToyOptions o = ParseCommandLine(ToyTable(), args);
  EXPECT_EQ(o.sets, (std::vector<std::string>{"x=1", "y=2"}));
  EXPECT_EQ(o.words, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(o.count, 3);
  EXPECT_TRUE(o.quiet);
  const std::string command = ToyTable().RepeatCommand(o);
  EXPECT_EQ(command, "--set x=1 --set y=2 --count 3 --quiet");
  EXPECT_EQ(ToyTable().RepeatCommand(o, {"--set"}), "--count 3 --quiet");
  const std::vector<std::string> again = {"--set",   "x=1", "--set",  "y=2",
                                          "--count", "3",   "--quiet"};
  EXPECT_EQ(ToyTable().RepeatCommand(ParseCommandLine(ToyTable(), again)), command);
}

TEST(OptionTable, RefusesWhatItCannotReadAndHelpEndsTheReading) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
      {{"w"}, "toy needs --count"},
      {{"--count", "0"}, "--count must be from 1 to 9, not 0"},
      {{"--count", "2", "--set", "x"}, "--set needs NAME=VALUE"},
      {{"--count", "2", "--set"}, "option --set needs a value"},
      {{"--count", "2", "--quiet=yes"}, "option --quiet takes no value"},
      {{"--count", "2", "-q"}, "unknown option '-q'"},
  };
  for (const auto& [args, message] : rows) {
    try {
      ParseCommandLine(ToyTable(), args);
      ADD_FAILURE() << "accepted: " << message;
    } catch (const UsageError& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
  EXPECT_TRUE(ParseCommandLine(ToyTable(), std::vector<std::string>{"-h", "--bogus"}).help);
}

TEST(OptionTable, HelpShowsEveryOptionOnceWithItsDefault) {
  const std::string help = HelpText(ToyTable());
  EXPECT_EQ(help.rfind("usage: segsim-cli toy WORD... --count N [options]\nA command for the "
                       "tests.\n\n",
                       0),
            0u)
      << help;
  EXPECT_NE(help.find("  --set NAME=VALUE  one setting; may be given more than once\n"),
            std::string::npos)
      << help;
  const std::string run = HelpText(RunOptionTable());
  for (const auto& def : RunOptionTable().Options()) {
    const std::string label = "\n  " + def.text.name + (def.text.valueName.empty() ? "" : " ");
    EXPECT_EQ(run.find(label), run.rfind(label)) << def.text.name;
    EXPECT_NE(run.find(label), std::string::npos) << def.text.name;
  }
  EXPECT_NE(run.find("(default: 12783)"), std::string::npos);
  EXPECT_NE(run.find("(default: the clock)"), std::string::npos);
  for (const std::string& line : Lines(run + HelpText(SweepOptionTable()))) {
    EXPECT_LE(line.size(), 100u) << line;
  }
}

// The repeat command is stored in every sweep's output and read back by merge: its form is fixed.
TEST(OptionTable, TheSweepsRepeatCommandKeepsItsForm) {
  const SweepOptions o = ParseSweepOptions(std::vector<std::string>{"--param=radius",
                                                                    "--from",
                                                                    "1",
                                                                    "--to",
                                                                    "3",
                                                                    "--increment",
                                                                    "2",
                                                                    "--runs",
                                                                    "2",
                                                                    "--steps",
                                                                    "5",
                                                                    "--seed",
                                                                    "0xFFFFFFFF",
                                                                    "--cell-size",
                                                                    "20",
                                                                    "--shard",
                                                                    "1/3",
                                                                    "--jobs",
                                                                    "2",
                                                                    "--tile-size=7"});
  EXPECT_EQ(SweepCommand(o, true),
            "--param radius --from 1 --to 3 --increment 2 --runs 2 --steps 5 "
            "--cluster-threshold 1 --seed 4294967295 --degree 3 --format csv --agents 12783 "
            "--cell-size 20 --groups 6 --radius 5 --move-distance 55 --threshold 20 "
            "--tile-size 7 --panel 694 --shard 1/3");
  EXPECT_EQ(SweepCommand(o, false).find("--shard"), std::string::npos);
}

// The README's option tables are the tables the options give.
TEST(OptionTable, TheReadmeShowsTheOptionsAsTheyAreDefined) {
  std::ifstream in(SEGSIM_SOURCE_DIR "/README.md");
  std::stringstream readme;
  readme << in.rdbuf();
  const std::string run = MarkdownTable(RunOptionTable(), {"--help"});
  const std::string sweep = MarkdownTable(
      SweepOptionTable(), {"--agents", "--cell-size", "--groups", "--radius", "--move-distance",
                           "--threshold", "--shares", "--thresholds", "--tile-size", "--panel",
                           "--help"});
  for (const std::string& table : {run, sweep, MarkdownTable(PlotOptionTable(), {"--help"})}) {
    EXPECT_NE(readme.str().find(table), std::string::npos) << "README.md should hold:\n" << table;
  }
}

TEST(Json, NumbersReadBackAsTheSameDouble) {
  const std::vector<std::pair<double, std::string>> rows = {
      {50.0, "50"}, {0.1, "0.1"},    {100.0 / 3, "33.333333333333336"},
      {0.0, "0"},   {1e-7, "1e-07"}, {std::nan(""), "null"}};
  for (const auto& [v, text] : rows) {
    std::string out;
    json::AppendNumber(out, v);
    EXPECT_EQ(out, text);
  }
}

TEST(Trace, LinesCarryTheStepsMeasures) {
  Simulation sim;
  sim.InitSetup({.AgentCount = 900, .CellSize = 20, .GroupCount = 3, .Seed = 21});
  EXPECT_EQ(SetupLine(sim.Model())
                .rfind(R"({"step":0,"cols":35,"rows":35,"agents":900,"group_sizes":[)", 0),
            0u);
  EXPECT_NE(SetupLine(sim.Model()).find(R"("group_colors":[255,8453888,16711935]})"),
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

// Sweeps over several parameters: the plan's order and seeds, the rows, the means, the engine's
// sink and cancellation, threads and shards, and the command lines that are refused.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "cli/merge.h"
#include "cli/run.h"
#include "cli_process.h"
#include "sweep/engine.h"
#include "sweep_test_util.h"

namespace segsim {
namespace {

using namespace segsim::testing;
namespace fs = std::filesystem;

std::vector<std::string> ThreeParams(std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"--param",     "threshold=10:70:30",
                                   "--param",     "groups=2,3",
                                   "--param",     "agents=30,5000",
                                   "--runs",      "2",
                                   "--steps",     "3",
                                   "--cell-size", "20",
                                   "--seed",      "4294967294"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// The last parameter varies fastest; R runs of each combination; run i has seed S + i.
TEST(SweepParams, ThreeParametersRunInOptionOrderWithSeedsSPlusI) {
  const SweepOptions options = ParseSweepOptions(ThreeParams());
  const SweepPlan plan = PlanOf(options);
  ASSERT_EQ(plan.CombinationCount(), 12);
  ASSERT_EQ(plan.TotalRuns(), 24);
  // 35 x 35 cells: 5000 agents become 1225 - Round(61.25) = 1164.
  const std::int32_t thresholds[] = {10, 40, 70};
  std::int64_t run = 0;
  for (std::int32_t threshold : thresholds) {
    for (std::int32_t groups : {2, 3}) {
      for (const auto& [agents, applied] : {std::pair{30, 30}, std::pair{5000, 1164}}) {
        for (int r = 0; r < 2; ++r, ++run) {
          const std::int64_t c = run / plan.RunsPerValue();
          EXPECT_EQ(plan.ValueAt(c, 0), threshold) << run;
          EXPECT_EQ(plan.ValueAt(c, 1), groups) << run;
          EXPECT_EQ(plan.ValueAt(c, 2), agents) << run;
          EXPECT_EQ(plan.AppliedAt(c, 2), applied) << run;
          const SetupParams p = plan.RunSetup(run, *options.params.Seed);
          EXPECT_EQ(p.Threshold, static_cast<std::uint32_t>(threshold));
          EXPECT_EQ(p.GroupCount, groups);
          EXPECT_EQ(p.AgentCount, applied);
          EXPECT_EQ(*p.Seed, static_cast<std::uint32_t>(4294967294u + run));
        }
      }
    }
  }
}

// A run's row holds what segsim-cli run prints at its last step with the run's seed and the
// applied values.
TEST(SweepParams, EachRunIsTheRunCommandWithItsSeedAndAppliedValues) {
  const std::string text =
      SweepText({"--param", "agents=20000,300", "--param", "tile-size=7,20", "--runs", "1",
                 "--steps", "4", "--cell-size", "20", "--seed", "90", "--format", "jsonl"});
  const auto lines = Lines(text);
  const std::vector<std::vector<std::string>> runs = {
      {"90", "1164", "7"}, {"91", "1164", "20"}, {"92", "300", "7"}, {"93", "300", "20"}};
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const std::string trace = Capture([&](std::FILE* f) {
      RunTrace(ParseRunOptions(std::vector<std::string>{"--seed", runs[i][0], "--agents",
                                                        runs[i][1], "--tile-size", runs[i][2],
                                                        "--steps", "4", "--cell-size", "20"}),
               f);
    });
    const std::string last = Lines(trace).back();
    const std::string& row = lines[i + 1];
    EXPECT_NE(row.find("\"agents_applied\":" + runs[i][1]), std::string::npos) << row;
    for (const char* key : {"segregation", "satisfaction"}) {
      const auto from = [&](const std::string& line) {
        const auto at = line.find(std::string("\"") + key + "\":[");
        return line.substr(at, line.find(']', at) - at);
      };
      EXPECT_EQ(from(row), from(last)) << "run " << i << " " << key;
    }
  }
}

// What each run of the group variants gets: minority gives group 1 its percent and the others
// equal shares, share_g keeps the others' proportions of --shares, threshold_g sets one group's.
TEST(SweepParams, TheGroupVariantsGiveEachRunItsSharesAndThresholds) {
  const auto setup = [](std::vector<std::string> args) {
    args.insert(args.end(), {"--runs", "1", "--steps", "1", "--seed", "1"});
    return PlanOf(ParseSweepOptions(args)).RunSetup(0, 1);
  };
  const SetupParams minority = setup({"--param", "minority=10", "--groups", "3"});
  EXPECT_EQ(minority.Shares, (std::vector<double>{20, 90, 90}));
  const SetupParams share =
      setup({"--param", "share_2=40", "--groups", "3", "--shares", "1,5,3"});
  EXPECT_EQ(share.Shares, (std::vector<double>{15, 40, 45}));
  const SetupParams own = setup({"--param", "threshold_2=70", "--threshold", "30", "--groups", "3"});
  EXPECT_EQ(own.Thresholds, (std::vector<std::uint32_t>{30, 70, 30}));
  const SetupParams all =
      setup({"--param", "threshold=50", "--groups", "2", "--thresholds", "10,20"});
  EXPECT_TRUE(all.Thresholds.empty());
  EXPECT_EQ(all.Threshold, 50u);
  // The columns name the parameters; merge checks them against the plan.
  const std::string text = SweepText({"--param", "minority=20,30", "--param", "threshold_2=40",
                                      "--groups", "2", "--runs", "1", "--steps", "2",
                                      "--cell-size", "20", "--seed", "5"});
  EXPECT_EQ(Lines(text)[0].rfind("kind,minority,minority_applied,threshold_2,threshold_2_applied,", 0),
            0u);
}

TEST(SweepParams, SameBytesOnOneAndFourThreadsAndFromMergedShards) {
  const fs::path dir = fs::temp_directory_path() / ("segsim_params_" + std::to_string(getpid()));
  fs::create_directories(dir);
  for (const char* format : {"csv", "jsonl"}) {
    const std::string one = SweepText(ThreeParams({"--jobs", "1", "--format", format}));
    EXPECT_EQ(SweepText(ThreeParams({"--jobs", "4", "--format", format})), one) << format;
    std::vector<std::string> paths;
    for (int k = 2; k >= 0; --k) {
      paths.push_back((dir / (std::string(format) + std::to_string(k))).string());
      std::ofstream(paths.back(), std::ios::binary)
          << SweepText(ThreeParams({"--format", format, "--shard", std::to_string(k) + "/3"}));
    }
    EXPECT_EQ(Capture([&](std::FILE* f) { MergeShards(paths, f); }), one) << format;
  }
  fs::remove_all(dir);
}

// One mean row per combination: the runs' mean of every column; a group's mean over the runs
// where it has a value.
TEST(SweepParams, MeanRowsAverageEachCombinationsRuns) {
  const std::string text = SweepText(ThreeParams());
  const auto header = *SplitCsv(Lines(text)[0]);
  EXPECT_EQ(std::vector<std::string>(header.begin(), header.begin() + 11),
            (std::vector<std::string>{"kind", "threshold", "threshold_applied", "groups",
                                      "groups_applied", "agents", "agents_applied", "run", "seed",
                                      "clusters", "mean_is"}));
  const auto runs = CsvRows(text, "run");
  const auto means = CsvRows(text, "mean");
  ASSERT_EQ(runs.size(), 24u);
  ASSERT_EQ(means.size(), 12u);
  for (std::size_t c = 0; c < means.size(); ++c) {
    const auto& a = runs[2 * c];
    const auto& b = runs[2 * c + 1];
    EXPECT_EQ(std::vector<std::string>(means[c].begin() + 1, means[c].begin() + 7),
              std::vector<std::string>(a.begin() + 1, a.begin() + 7));
    EXPECT_EQ(means[c][7], "");  // no run
    for (std::size_t column : {9u, 10u, 11u, 12u, 13u, 14u}) {
      const double expected = (std::stod(a[column]) + std::stod(b[column])) / 2;
      EXPECT_NEAR(std::stod(means[c][column]), expected, 1e-12) << c << " " << header[column];
    }
    EXPECT_EQ(means[c][17], a[17]);  // group 3 is absent (empty) with two groups
  }
}

// The engine as a library: the rows arrive in run order on the caller's thread, and a stop ends
// the sweep without its summary.
class CollectingSink : public SweepSink {
public:
  explicit CollectingSink(std::atomic<bool>* stopAfterFirst = nullptr) : stop_(stopAfterFirst) {}
  void Run(const RunRow& row) override {
    runs.push_back(row);
    if (stop_) stop_->store(true);
  }
  void Summary(const SummaryRow& row) override { summary.push_back(row); }

  std::vector<RunRow> runs;
  std::vector<SummaryRow> summary;

private:
  std::atomic<bool>* stop_;
};

TEST(SweepParams, TheEngineHandsRowsToASinkAndStops) {
  SweepDesign design;
  design.axes = {SweepAxis::List(SweepParam::Groups, {2, 3}),
                 SweepAxis::Range(SweepParam::Radius, 3, 1, -2)};
  design.runs = 2;
  design.steps = 2;
  design.params.CellSize = 25;
  design.params.Seed = 5;
  const SweepPlan plan(design);
  std::atomic<bool> stop{false};
  CollectingSink sink;
  const PlanOutcome whole = RunPlan(plan, {{}, 3}, sink, stop);
  EXPECT_FALSE(whole.interrupted);
  ASSERT_EQ(sink.runs.size(), 8u);
  for (std::size_t i = 0; i < sink.runs.size(); ++i) {
    EXPECT_EQ(sink.runs[i].run, static_cast<std::int64_t>(i));
    EXPECT_EQ(sink.runs[i].seed, 5u + i);
    EXPECT_EQ(sink.runs[i].values, (std::vector<std::int32_t>{i < 4 ? 2 : 3, i % 4 < 2 ? 3 : 1}));
    EXPECT_EQ(sink.runs[i].segregation.size(), i < 4 ? 2u : 3u);
  }
  ASSERT_EQ(sink.summary.size(), 4u);
  EXPECT_EQ(sink.summary[0].kind, "mean");

  std::atomic<bool> stopAfterFirst{false};
  CollectingSink stopping(&stopAfterFirst);
  const PlanOutcome stopped = RunPlan(plan, {{}, 1}, stopping, stopAfterFirst);
  EXPECT_TRUE(stopped.interrupted);
  EXPECT_EQ(stopping.runs.size(), 1u);
  EXPECT_TRUE(stopping.summary.empty());
}

TEST(SweepParams, BadParametersAreRefusedWithAMessage) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--param", "size=1:2:1"}, "--param must be groups, radius"},
      {{"--param", "groups=1:5"}, "a range is FROM:TO:STEP"},
      {{"--param", "groups=1:x:1"}, "'x' is no integer"},
      {{"--param", "groups=1:2147483648:1"}, "'2147483648' is out of range"},
      {{"--param", "groups=1:5:0"}, "the step must not be 0"},
      {{"--param", "groups=5:1:1"}, "the step must lead from 5 towards 1"},
      {{"--param", "groups="}, "the list is empty"},
      {{"--param", "groups=2,3", "--param", "groups=4"}, "--param groups is given twice"},
      {{"--param", "groups", "--param", "radius=1"}, "sweeps one parameter"},
      {{"--param", "groups", "--param", "groups"}, "--param is given twice"},
      {{"--param", "groups=2", "--to", "3"}, "belong to --param P"},
      {{"--param", "tile-size=0"}, "a tile size must be at least 1"},
      {{"--param", "radius=1,2", "--cell-size", "1000"},
       "--cell-size 1000 leaves a grid of 1 x 1 cells on the 694-pixel panel, too small for 6"},
      {{"--param", "minority=0,50", "--groups", "2"}, "a share must be from 1 to 99 percent, not 0"},
      {{"--param", "share_3=10", "--param", "groups=2:4:1"},
       "--param share_3: every run needs at least 3 groups, and one has 2"},
      {{"--param", "minority=10", "--groups", "1"}, "every run needs at least 2 groups"},
      {{"--param", "minority=10", "--param", "share_2=20"}, "both set the shares"},
      {{"--param", "groups=2,3", "--groups", "2", "--thresholds", "1,2"}, "cannot be combined with --param groups"},
      {{"--param", "share_0=10"}, "--param must be groups"},
      {{"--param", "threshold_2001=10"}, "--param must be groups"},
  };
  for (const auto& [args, message] : cases) {
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--runs", "1", "--steps", "1"});
    try {
      ParseSweepOptions(all);
      ADD_FAILURE() << "accepted: " << args[1];
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

// The bar counts whole combinations (runs finish in run order) besides the runs.
TEST(SweepParams, TheProgressBarShowsCombinationsRunsAndTimeLeft) {
  EXPECT_EQ(TerminalProgress::Line(25, 560, 10.0, 10),
            "[#.......................] 2/56 combinations  25/560 runs  0:10 elapsed  ~3:34 left");
  EXPECT_EQ(TerminalProgress::Line(25, 560, 10.0, 0),
            "[#.......................] 25/560 runs  0:10 elapsed  ~3:34 left");
}

// A full disk: the sweep and merge say why and exit with status 1.
TEST(SweepParams, WriteFailuresOfSweepAndMergeAreReported) {
  const fs::path shard = fs::temp_directory_path() / ("segsim_full_" + std::to_string(getpid()));
  std::ofstream(shard, std::ios::binary) << SweepText(ThreeParams());
  std::vector<std::string> sweep = ThreeParams();
  sweep.insert(sweep.begin(), "sweep");
  for (const std::vector<std::string>& args :
       {sweep, std::vector<std::string>{"merge", shard.string()}}) {
    ChildSetup setup;
    setup.out = Stdout::File;
    setup.path = "/dev/full";
    Child child = StartCli(args, setup);
    const Ended e = Finish(child);
    EXPECT_EQ(e.status, 1) << args[0] << ": " << e.err;
    EXPECT_NE(e.err.find("No space left on device"), std::string::npos) << e.err;
  }
  fs::remove(shard);
}

}  // namespace
}  // namespace segsim

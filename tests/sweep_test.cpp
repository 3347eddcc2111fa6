// segsim-cli sweep in process: the plan of values, the rows, threads, shards and merge.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>

#include "cli/merge.h"
#include "cli/run.h"
#include "sweep_test_util.h"

namespace segsim {
namespace {

using namespace segsim::testing;

std::vector<std::string> Args(const std::string& param, std::int32_t from, std::int32_t to,
                              std::int32_t increment, std::int32_t runs) {
  return {"--param",     param,
          "--from",      std::to_string(from),
          "--to",        std::to_string(to),
          "--increment", std::to_string(increment),
          "--runs",      std::to_string(runs),
          "--steps",     "1",
          "--cell-size", "20"};
}

std::vector<std::string> With(std::vector<std::string> args, std::vector<std::string> extra) {
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// The array of a JSON line's key, as printed.
std::string ArrayOf(const std::string& line, const std::string& key) {
  const auto from = line.find("\"" + key + "\":[");
  if (from == std::string::npos) return "(no " + key + ")";
  return line.substr(from, line.find(']', from) - from);
}

// With --cell-size 20 the grid has 35 rows: radius and move distance pass up to 17
// (35 / 2 = 17.5); above that the radius becomes Floor(35 / 3) - 1 = 10 and the move distance
// Floor(35 / 2) - 1 = 16, and both become 1 below 1; the threshold is kept within 0 … 100.
TEST(SweepPlan, RunsTheWindowsValuesInItsOrderWithItsFieldLimits) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::int32_t> values;   // per run
    std::vector<std::int32_t> applied;  // per run
  };
  const std::vector<Case> cases = {
      {Args("groups", 2, 4, 1, 3), {2, 2, 2, 3, 3, 3, 4, 4, 4}, {2, 2, 2, 3, 3, 3, 4, 4, 4}},
      {Args("groups", 4, 2, 1, 3), {4, 4, 4}, {4, 4, 4}},
      {Args("groups", 4, 2, -1, 1), {4}, {4}},
      {Args("groups", 1, 10, 4, 1), {1, 5, 9}, {1, 5, 9}},
      {Args("groups", -1, 1, 1, 1), {-1, 0, 1}, {1, 1, 1}},
      {Args("radius", 15, 21, 2, 1), {15, 17, 19, 21}, {15, 17, 10, 10}},
      {Args("radius", 0, 1, 1, 2), {0, 0, 1, 1}, {1, 1, 1, 1}},
      {Args("move-distance", 17, 18, 1, 1), {17, 18}, {17, 16}},
      {Args("threshold", -10, 110, 60, 1), {-10, 50, 110}, {0, 50, 100}},
  };
  for (const Case& c : cases) {
    const SweepPlan plan = PlanOf(ParseSweepOptions(c.args));
    std::vector<std::int32_t> values, applied;
    for (std::int64_t i = 0; i < plan.TotalRuns(); ++i) {
      values.push_back(plan.ValueAt(i / plan.RunsPerValue()));
      applied.push_back(plan.AppliedAt(i / plan.RunsPerValue()));
    }
    EXPECT_EQ(values, c.values) << c.args[1] << " from " << c.args[3];
    EXPECT_EQ(applied, c.applied) << c.args[1] << " from " << c.args[3];
  }
}

TEST(SweepPlan, EachRunGetsItsAppliedValueAndSeedSPlusI) {
  const auto options = ParseSweepOptions(std::vector<std::string>{
      "--param", "radius", "--from", "16", "--to", "18", "--increment", "2", "--runs", "2",
      "--steps", "1", "--cell-size", "20", "--groups", "3", "--seed", "4294967295"});
  const SweepPlan plan = PlanOf(options);
  const std::vector<std::pair<std::int32_t, std::uint32_t>> expected = {
      {16, 4294967295u}, {16, 0u}, {10, 1u}, {10, 2u}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const SetupParams p = plan.RunSetup(static_cast<std::int64_t>(i), *options.params.Seed);
    EXPECT_EQ(p.NeighbourRadius, expected[i].first);
    EXPECT_EQ(p.Seed, expected[i].second);
    EXPECT_EQ(p.GroupCount, 3);
  }
}

TEST(SweepOptions, RefusedCommandLinesSayWhy) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
      {{"--from", "1"}, "sweep needs --param"},
      {Args("size", 1, 2, 1, 1),
       "--param must be groups, radius, move-distance, threshold, agents, tile-size, minority, "
       "share_g or threshold_g"},
      {Args("groups", 2, 4, 0, 3), "the values from 2 by 0 never exceed 4: the sweep would not"},
      {Args("groups", 2, 4, -1, 3), "never exceed 4"},
      {Args("groups", 4, 2, -2, 3), "the values from 4 by -2 never exceed 2"},
      {Args("groups", 2, 4, 1, 0), "--runs must be at least 1, not 0"},
      {Args("groups", 2, 4, 1, -3), "--runs must be at least 1, not -3"},
      {Args("groups", -2147483647, 2147483647, 1, 1), "at most 2147483647 runs are possible"},
      {Args("groups", 2, 2000, 1, 1), "2000 groups do not fit a grid of 1225 cells"},
      {[] {
         std::vector<std::string> a = Args("groups", 1990, 2010, 10, 1);
         a.insert(a.end(), {"--cell-size", "1"});
         return a;
       }(),
       "--param groups: at most 2000 groups, not 2010"},
      {SmallSweep({"--jobs", "0"}), "--jobs must be from 1 to 1024, not 0"},
      {SmallSweep({"--degree", "1"}), "--degree must be from 2 to 20, not 1"},
      {SmallSweep({"--degree", "21"}), "--degree must be from 2 to 20, not 21"},
      {SmallSweep({"--format", "tsv"}), "--format must be csv or jsonl, not 'tsv'"},
      {SmallSweep({"--shard", "3/3"}), "--shard must be K/N with 0 <= K < N, not '3/3'"},
      {SmallSweep({"--shard", "1"}), "--shard must be K/N"},
      {With(Args("groups", 2, 4, 1, 1), {"--shard", "0/2"}), "--shard needs --seed"},
      {SmallSweep({"--cluster-threshold", "x"}), "the value of --cluster-threshold is no integer"},
      {SmallSweep({"--summary", "1"}), "unknown option '--summary'"},
      {SmallSweep({"--steps"}), "option --steps needs a value"},
      {SmallSweep({"--radius", "-1"}), "--radius must be at least 0"},
  };
  for (const auto& [args, message] : rows) {
    try {
      ParseSweepOptions(args);
      ADD_FAILURE() << "accepted: " << message;
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

TEST(SweepOptions, TheCommandInTheSweepRowRepeatsTheSweep) {
  for (const auto& args : {SmallSweep({"--steps", "-4", "--format", "jsonl", "--degree", "5"}),
                           SmallSweep({"--threshold", "0", "--panel", "300", "--shard", "1/4"})}) {
    const SweepOptions options = ParseSweepOptions(args);
    const std::string command = SweepCommand(options, true);
    std::vector<std::string> again;
    for (std::size_t s = 0, e; s < command.size(); s = e + 1) {
      e = std::min(command.find(' ', s), command.size());
      again.push_back(command.substr(s, e - s));
    }
    EXPECT_EQ(SweepCommand(ParseSweepOptions(again), true), command);
  }
  EXPECT_EQ(ParseSweepOptions(SmallSweep({"--steps", "-4"})).steps, 1);
}

TEST(Sweep, RowsRecordTheSweptValueAndTheModelGetsTheAppliedOne) {
  const std::string text =
      SweepText(SmallSweep({"--from", "-1", "--to", "1", "--runs", "1", "--format", "jsonl"}));
  const auto lines = Lines(text);
  ASSERT_GE(lines.size(), 4u);
  // Groups -1 and 0 become 1: one segregation value each.
  EXPECT_NE(lines[1].find("\"value\":-1,\"run\":0,"), std::string::npos) << lines[1];
  EXPECT_NE(lines[1].find("\"applied\":1,\"segregation\":[null],"), std::string::npos);
  EXPECT_NE(lines[2].find("\"value\":0,\"run\":1,"), std::string::npos) << lines[2];
  EXPECT_NE(lines[3].find("\"value\":1,\"run\":2,"), std::string::npos) << lines[3];
}

// Any run can be repeated with segsim-cli run: its seed and applied value give the same model.
TEST(Sweep, EachRunIsTheRunCommandWithItsSeedAndAppliedValue) {
  const std::string text =
      SweepText({"--param", "radius", "--from", "17", "--to", "18", "--increment", "1", "--runs",
                 "2", "--steps", "4", "--cell-size", "20", "--seed", "90", "--format", "jsonl"});
  const auto lines = Lines(text);
  const std::vector<std::pair<std::string, std::string>> runs = {
      {"90", "17"}, {"91", "17"}, {"92", "10"}, {"93", "10"}};  // seed, applied radius
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const std::string trace = Capture([&](std::FILE* f) {
      RunTrace(ParseRunOptions(std::vector<std::string>{"--seed", runs[i].first, "--radius",
                                                        runs[i].second, "--steps", "4",
                                                        "--cell-size", "20"}),
               f);
    });
    const std::string last = Lines(trace).back();
    const std::string& row = lines[i + 1];
    EXPECT_EQ(ArrayOf(row, "segregation"), ArrayOf(last, "segregation")) << "run " << i;
    EXPECT_EQ(ArrayOf(row, "satisfaction"), ArrayOf(last, "satisfaction")) << "run " << i;
  }
}

TEST(Sweep, OutputIsTheSameOnOneThreadAndOnEight) {
  for (const char* format : {"csv", "jsonl"}) {
    const std::string one = SweepText(SmallSweep({"--jobs", "1", "--format", format}));
    const std::string eight = SweepText(SmallSweep({"--jobs", "8", "--format", format}));
    EXPECT_EQ(one, eight) << format;
    // [header,] sweep row, 9 runs, per result 3 averages, 2 trend ends and 3 fitted values.
    EXPECT_EQ(Lines(one).size(), (format == std::string("csv")) + 1u + 9u + 2u * 8u) << one;
  }
}

TEST(Sweep, CsvColumnsReachTheLargestGroupCountAndLeaveTheRestEmpty) {
  const std::string text = SweepText(SmallSweep());
  const auto header = SplitCsv(Lines(text)[0]);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->size(), 8u + 2u * 4u + 1u);
  EXPECT_EQ((*header)[8], "segregation_1");
  EXPECT_EQ((*header)[15], "satisfaction_4");
  for (const auto& row : CsvRows(text, "run")) {
    ASSERT_EQ(row.size(), header->size());
    const auto groups = static_cast<std::size_t>(std::stoi(row[kAppliedColumn]));
    for (std::size_t c = 8; c + 1 < row.size(); ++c) {
      EXPECT_EQ(row[c].empty(), c >= 8 + 2 * groups) << "column " << (*header)[c];
    }
  }
}

TEST(Sweep, AveragesAndTrendFollowTheRunsOfEachValue) {
  const std::string text = SweepText(SmallSweep());
  std::map<std::string, std::vector<double>> clusters;
  for (const auto& row : CsvRows(text, "run")) {
    clusters[row[kValueColumn]].push_back(std::stod(row[kClustersColumn]));
  }
  const auto averages = CsvRows(text, "clusters_average");
  ASSERT_EQ(averages.size(), 3u);
  for (const auto& row : averages) {
    const auto& runs = clusters.at(row[kValueColumn]);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_DOUBLE_EQ(std::stod(row[kClustersColumn]),
                     std::accumulate(runs.begin(), runs.end(), 0.0) / 3.0);
  }
  const auto trend = CsvRows(text, "mean_is_trend");
  ASSERT_EQ(trend.size(), 2u);
  EXPECT_EQ(trend[0][kValueColumn], "2");
  EXPECT_EQ(trend[1][kValueColumn], "4");
  EXPECT_EQ(CsvRows(text, "mean_is_fit").size(), 3u);  // one per value
}

TEST(Sweep, AFitThatCannotBeComputedIsReportedAndTheRowsStay) {
  struct Case {
    std::vector<std::string> extra;
    std::size_t fitRows;  // per result
    std::string note;     // of the no-fit rows
  };
  const std::vector<Case> cases = {
      {{"--to", "3", "--degree", "3"}, 0, "Cannot process fitting"},
      {{"--to", "3", "--degree", "2"}, 2, ""},
      {{"--to", "2", "--runs", "1", "--degree", "2"}, 0, "fewer results than the degree"},
  };
  for (const Case& c : cases) {
    SweepOutcome outcome;
    const std::string text = SweepText(SmallSweep(c.extra), &outcome);
    EXPECT_FALSE(outcome.interrupted);
    EXPECT_EQ(CsvRows(text, "clusters_fit").size(), c.fitRows);
    EXPECT_EQ(CsvRows(text, "mean_is_fit").size(), c.fitRows);
    const auto noFit = CsvRows(text, "clusters_no_fit");
    EXPECT_EQ(outcome.messages.size(), c.note.empty() ? 0u : 2u);
    if (c.note.empty()) continue;
    ASSERT_EQ(noFit.size(), 1u);
    EXPECT_EQ(noFit[0].back(), c.note);
    EXPECT_EQ(CsvRows(text, "mean_is_no_fit").size(), 1u);
    EXPECT_NE(outcome.messages[0].find(c.note), std::string::npos) << outcome.messages[0];
  }
}

// Stops the sweep once `after` runs are printed.
class StopAfter : public SweepProgress {
public:
  StopAfter(std::atomic<bool>& stop, std::int64_t after) : stop_(stop), after_(after) {}
  void Update(std::int64_t done, std::int64_t) override {
    if (done >= after_) stop_.store(true);
  }

private:
  std::atomic<bool>& stop_;
  std::int64_t after_;
};

TEST(Sweep, AStoppedSweepKeepsItsRowsAndLeavesOutTheSummary) {
  const std::string whole = SweepText(SmallSweep({"--jobs", "2"}));
  std::atomic<bool> stop{false};
  StopAfter stopAfter(stop, 2);
  SweepOutcome outcome;
  const std::string text = Capture([&](std::FILE* f) {
    outcome = RunSweep(ParseSweepOptions(SmallSweep({"--jobs", "2"})), f, stop, &stopAfter);
  });
  EXPECT_TRUE(outcome.interrupted);
  EXPECT_EQ(outcome.runsPrinted, 2);
  EXPECT_EQ(outcome.runsPlanned, 9);
  EXPECT_EQ(Lines(text).size(), 4u);
  EXPECT_EQ(whole.substr(0, text.size()), text);
}

TEST(TerminalProgress, ShowsRunsTimeElapsedAndAnEstimateOfTimeLeft) {
  EXPECT_EQ(TerminalProgress::Line(0, 12, 0.2),
            "[........................] 0/12 runs  0:00 elapsed  ? left");
  EXPECT_EQ(TerminalProgress::Line(3, 12, 65.0),
            "[######..................] 3/12 runs  1:05 elapsed  ~3:15 left");
  EXPECT_EQ(TerminalProgress::Line(12, 12, 3725.0),
            "[########################] 12/12 runs  1:02:05 elapsed  ~0:00 left");
}

}  // namespace
}  // namespace segsim

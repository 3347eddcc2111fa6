// segsim-cli merge: shards joined into the whole sweep, and shards that do not make one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/merge.h"
#include "sweep_test_util.h"

namespace segsim {
namespace {

using namespace segsim::testing;
namespace fs = std::filesystem;

class MergeTest : public segsim::testing::TempDirTest {
protected:
  // The shards of a sweep, written to files; returned last shard first.
  std::vector<std::string> Shards(const std::vector<std::string>& args, int n,
                                  const std::string& tag = "s") {
    std::vector<std::string> paths;
    for (int k = n - 1; k >= 0; --k) {
      auto shardArgs = args;
      shardArgs.insert(shardArgs.end(), {"--shard", std::to_string(k) + "/" + std::to_string(n)});
      paths.push_back(Write(tag + std::to_string(k), SweepText(shardArgs)));
    }
    return paths;
  }

  std::string Merge(const std::vector<std::string>& paths) {
    return Capture([&](std::FILE* f) { MergeShards(paths, f); });
  }
};

TEST_F(MergeTest, MergedShardsAreTheWholeSweepByteForByte) {
  struct Case {
    std::vector<std::string> args;
    int shards;
  };
  const std::vector<Case> cases = {
      {SmallSweep(), 2},
      {SmallSweep({"--format", "jsonl"}), 3},
      {SmallSweep({"--jobs", "3"}), 9},
      {SmallSweep({"--runs", "1"}), 5},  // more shards than runs: two are empty
      // Few agents leave groups empty: values that do not exist read back as they were.
      {SmallSweep({"--agents", "4", "--from", "5", "--to", "6"}), 2},
      {SmallSweep({"--agents", "2", "--from", "5", "--to", "6", "--format", "jsonl"}), 2},
  };
  for (const Case& c : cases) {
    const std::string whole = SweepText(c.args);
    const std::string merged = Merge(Shards(c.args, c.shards));
    EXPECT_EQ(merged, whole) << c.args.back() << " in " << c.shards << " shards";
  }
}

TEST_F(MergeTest, AShardHoldsOnlyItsRunsAndNoSummary) {
  const std::string shard = SweepText(SmallSweep({"--shard", "1/4"}));
  const auto runs = CsvRows(shard, "run");
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0][kRunColumn], "1");
  EXPECT_EQ(runs[1][kRunColumn], "5");
  EXPECT_EQ(Lines(shard).size(), 4u);  // header, sweep row, two runs
}

TEST_F(MergeTest, ShardsThatDoNotMakeUpOneSweepAreRefused) {
  const auto shards = Shards(SmallSweep(), 3);  // shards 2, 1, 0
  const auto other = Shards(SmallSweep({"--seed", "12"}), 3, "other");
  const auto jsonl = Shards(SmallSweep({"--format", "jsonl"}), 3, "json");
  std::string cut = SweepText(SmallSweep({"--shard", "0/3"}));
  cut.erase(cut.rfind('\n', cut.size() - 2) + 1);
  std::string wrongValue = SweepText(SmallSweep({"--shard", "0/3"}));
  const std::string firstRun = "\nrun,groups,2,0,";
  wrongValue.replace(wrongValue.find(firstRun), firstRun.size(), "\nrun,groups,3,0,");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "merge needs the files of the shards"},
      {{shards[0], shards[1]}, "shard 0/3 is missing"},
      {{shards[1]}, "shards 0/3, 2/3 are missing"},
      {{shards[0], shards[1], shards[1]}, "repeats shard 1/3"},
      {{shards[0], shards[1], other[2]}, "belongs to another sweep"},
      {{shards[0], shards[1], jsonl[2]}, "belongs to another sweep"},
      {{shards[0], shards[1], Write("cut", cut)}, "a shard was stopped early"},
      {{shards[0], shards[1], Write("value", wrongValue)}, "has a value that this sweep does not"},
      {{Write("empty", "")}, "is empty"},
      {{Write("junk", "a,b,c\n1,2,3\n")}, "is no output of segsim-cli sweep"},
      {{Write("json", "{\"kind\":\"run\"}\n")}, "does not begin with the sweep row"},
      {{Write("trace", "{\"step\":0,\"cols\":2}\n{\"step\":1,\"moved\":[0]}\n")},
       "is a run's trace (segsim-cli run), not a sweep"},
      {{(dir_ / "absent").string()}, "cannot be read"},
  };
  for (const auto& [paths, message] : cases) {
    std::string refusal = "(merged)";
    const std::string printed = Capture([&](std::FILE* f) {
      try {
        MergeShards(paths, f);
      } catch (const UsageError& e) {
        refusal = e.what();
      }
    });
    EXPECT_NE(refusal.find(message), std::string::npos) << refusal;
    EXPECT_EQ(printed, "") << message;
  }
}

}  // namespace
}  // namespace segsim

// segsim-cli merge trusts no input: every column of every row is checked, a fault is named by
// file, line and column, and nothing is printed; --verify runs rows again.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "cli/merge.h"
#include "cli/sweep_reader.h"
#include "sweep_test_util.h"

namespace segsim {
namespace {

using namespace segsim::testing;
namespace fs = std::filesystem;

class MergeStrictTest : public segsim::testing::TempDirTest {
protected:
  // The refusal's message, or "(merged)"; fails when a refused merge printed anything.
  std::string Refusal(const std::vector<std::string>& paths, MergeVerify verify = {}) {
    std::string refusal = "(merged)";
    const std::string printed = Capture([&](std::FILE* f) {
      try {
        MergeShards(paths, f, verify);
      } catch (const UsageError& e) {
        refusal = e.what();
      }
    });
    if (refusal != "(merged)") {
      EXPECT_EQ(printed, "") << refusal;
    }
    return refusal;
  }
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST_F(MergeStrictTest, ACorruptedColumnIsNamedByFileLineAndColumn) {
  const std::string csv = SweepText(SmallSweep());
  const std::string json = SweepText(SmallSweep({"--format", "jsonl"}));
  const std::vector<std::string> runs = Lines(csv);
  const std::string run1 = runs[3];  // header, sweep row, run 0, run 1
  const std::vector<std::string> fields = *SplitCsv(run1);
  auto with = [&](std::size_t column, const std::string& text) {
    std::vector<std::string> f = fields;
    f[column] = text;
    std::string line;
    for (std::size_t i = 0; i < f.size(); ++i) line += (i ? "," : "") + f[i];
    return Replace(csv, run1, line);
  };
  struct Case {
    std::string name, text, message;
  };
  const std::vector<Case> cases = {
      {"measure", with(kMeanIsColumn, "not-a-number"), ":4: column mean_is: is no finite number"},
      {"inf", with(kMeanIsColumn, "inf"), ":4: column mean_is: is no finite number"},
      {"infinity", with(8, "Infinity"), ":4: column segregation_1: is no finite number"},
      {"seed", with(4, "999"), ":4: column seed: 999 is not S + 1 = 12"},
      {"clusters", with(kClustersColumn, "1.5"), ":4: column clusters: is no integer"},
      {"empty", with(kClustersColumn, ""), ":4: column clusters: is empty"},
      {"applied", with(kAppliedColumn, "7"), ":4: column applied: is 7 where the field limits"},
      {"param", with(1, "radius"), ":4: column param: must be groups"},
      {"group", with(12, "1"), ":4: column segregation_3: must be empty"},  // run 1 has 2 groups
      {"note", with(fields.size() - 1, "x"), ":4: column note: must be empty"},
      {"columns", Replace(csv, run1, run1 + ","), ":4: has 18 columns where the header has 17"},
      {"command", Replace(csv, "--degree 3", "--degree  3"), ":2: column note: is not the command"},
      {"nojson", Replace(json, "\"clusters\":", "\"clusters\""), ":2: is no JSON object"},
      {"jsoninf", Replace(json, "\"mean_is\":", "\"mean_is\":1e999,\"x\":"),
       ":2: is no JSON object"},
      {"jsonkey", Replace(json, "\"kind\":\"run\",", "\"kind\":\"run\",\"extra\":1,"),
       ":2: column extra: does not belong to a run row"},
      {"jsonint", Replace(json, "\"run\":0,", "\"run\":0.0,"), ":2: column run: is no integer"},
      {"jsongroups", Replace(json, "\"segregation\":[", "\"segregation\":[1,"),
       ":2: column segregation: must be a list of 2 numbers"},
      {"noseed", Replace(json, " --seed 11", ""), ": its sweep row's command has no --seed"},
  };
  for (const Case& c : cases) {
    const std::string path = Write(c.name, c.text);
    const std::string refusal = Refusal({path});
    EXPECT_NE(refusal.find(path + c.message), std::string::npos) << c.name << ": " << refusal;
  }
}

// The group variants' columns are checked against the plan as every swept column is.
TEST_F(MergeStrictTest, TheGroupVariantsColumnsAreChecked) {
  const std::string csv =
      SweepText({"--param", "minority=10,40", "--param", "threshold_2=30", "--groups", "2",
                 "--runs", "1", "--steps", "2", "--cell-size", "20", "--seed", "3"});
  EXPECT_EQ(Refusal({Write("whole", csv)}), "(merged)");
  const std::pair<std::string, std::string> cases[] = {
      {Replace(csv, "run,10,10,30,30,", "run,10,11,30,30,"),
       ":3: column minority_applied: is 11 where the field limits give 10"},
      {Replace(csv, "run,40,40,30,30,", "run,40,40,30,3.5,"),
       ":4: column threshold_2_applied: is no integer"},
  };
  for (const auto& [text, message] : cases) {
    const std::string path = Write("variant", text);
    EXPECT_NE(Refusal({path}).find(path + message), std::string::npos) << Refusal({path});
  }
}

// A JSON note may use any escape JSON allows.
TEST_F(MergeStrictTest, JsonEscapesReadAsJson) {
  const std::string json = SweepText(SmallSweep({"--format", "jsonl"}));
  const std::string escaped = Replace(json, "\"note\":\"--param", "\"note\":\"\\u002d-param");
  EXPECT_EQ(Refusal({Write("escaped", escaped)}), "(merged)");
}

// Whatever single byte is changed, merge either refuses or prints a file it reads back whole.
TEST_F(MergeStrictTest, NoCorruptedByteGivesAMalformedMergedFile) {
  for (const char* format : {"csv", "jsonl"}) {
    const std::string shard = SweepText(SmallSweep({"--format", format, "--shard", "0/1"}));
    std::mt19937 random(7);
    const std::string bytes = "0123456789.,-+e\"{}[]:naifNI x";
    for (int trial = 0; trial < 150; ++trial) {
      std::string text = shard;
      text[random() % text.size()] = bytes[random() % bytes.size()];
      const std::string path = Write("corrupt", text);
      std::string merged;
      bool refused = false;
      merged = Capture([&](std::FILE* f) {
        try {
          MergeShards(std::vector<std::string>{path}, f);
        } catch (const UsageError&) {
          refused = true;
        }
      });
      if (refused) continue;
      const std::string again = Write("again", merged);
      EXPECT_NO_THROW(ReadSweepFile(again)) << format << " trial " << trial;
    }
  }
}

TEST_F(MergeStrictTest, VerifyRunsRowsAgain) {
  const std::string csv = SweepText(SmallSweep());
  const std::string lines = Lines(csv)[2];
  const auto fields = *SplitCsv(lines);
  // A well-formed change of a measure: only running the run again finds it.
  std::string changed = csv;
  const std::string from = "," + fields[kMeanIsColumn] + ",";
  changed.replace(changed.find(from), from.size(), ",1.25,");
  const std::string path = Write("changed", changed);
  EXPECT_EQ(Refusal({path}), "(merged)");
  EXPECT_NE(Refusal({path}, {0, true}).find("run 0 made again gives another row"),
            std::string::npos);
  // A sample of every run finds it too, and names the sweep seed its sample was drawn from.
  EXPECT_NE(Refusal({path}, {1000, false}).find("chose its runs with the sweep's seed "),
            std::string::npos);
  EXPECT_EQ(Refusal({Write("whole", csv)}, {0, true}), "(merged)");
  EXPECT_EQ(Refusal({Write("whole", csv)}, {3, false}), "(merged)");
}

}  // namespace
}  // namespace segsim

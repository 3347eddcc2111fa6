// segsim-cli sweep: its options and the plan of runs they give.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "cli/options.h"
#include "model/limits.h"
#include "model/settings.h"

namespace segsim {

enum class SweepParam { Groups, Radius, MoveDistance, Threshold };
enum class OutputFormat { Csv, Jsonl };

// The option's word for the parameter: "groups", "radius", "move-distance", "threshold".
const char* ParamName(SweepParam param);

// --shard K/N: the runs i with i mod N = K.
struct ShardSpec {
  std::int32_t index = 0;
  std::int32_t count = 1;
  friend bool operator==(const ShardSpec&, const ShardSpec&) = default;
};

struct SweepOptions {
  SweepParam param = SweepParam::Groups;
  std::int32_t from = 0;
  std::int32_t to = 0;
  std::int32_t increment = 0;
  std::int32_t runs = 0;              // runs per value, at least 1
  std::int32_t steps = 1;             // timesteps per run; below 1 counts as 1
  std::int32_t clusterThreshold = 1;  // clusters of more agents than this are counted
  std::int32_t degree = 3;            // PolyDegree of both fits, 2 … 20
  std::int32_t jobs = 0;              // worker threads; 0: every core
  OutputFormat format = OutputFormat::Csv;
  ShardSpec shard;                    // {0, 1}: the whole sweep
  SetupParams params;                 // the model options; params.Seed is S when given
  bool help = false;
};

// The options of segsim-cli sweep, in the order of --help and of the repeat command.
const OptionTable<SweepOptions>& SweepOptionTable();

// Reads the sweep's command line. Raises UsageError for an unknown or malformed option, a
// missing required option, a value out of range, a sweep that would never end or one too
// large to run, and --shard without --seed.
SweepOptions ParseSweepOptions(std::span<const std::string> args);

// The options as a command line that repeats the sweep (--jobs left out, the defaults written
// out, S included); --shard only when withShard and the sweep is sharded. Requires a seed.
std::string SweepCommand(const SweepOptions& options, bool withShard);

// The values of a sweep in the sweep window's order, and what the model gets for each.
class SweepPlan {
public:
  // Raises UsageError as ParseSweepOptions does for a sweep that never ends or is too large.
  explicit SweepPlan(const SweepOptions& options);

  std::int64_t ValueCount() const { return valueCount_; }
  std::int64_t TotalRuns() const { return valueCount_ * runsPerValue_; }
  std::int32_t RunsPerValue() const { return runsPerValue_; }
  // The swept value of value index k (< ValueCount()): from + k x increment; the rows record it.
  std::int32_t ValueAt(std::int64_t k) const;
  // What the main window's field would hold after the value is written into it: the field's
  // limits against the grid that --cell-size and --panel give, or the track bar's 0 … 100.
  std::int32_t AppliedAt(std::int64_t k) const;
  // The largest number of groups of any run.
  std::int32_t MaxGroups() const { return maxGroups_; }
  // The setup of run i (0-based in sweep order): the applied value, seed S + i modulo 2^32.
  SetupParams RunSetup(std::int64_t run, std::uint32_t seed) const;

private:
  SweepParam param_;
  std::int32_t from_;
  std::int32_t increment_;
  std::int32_t runsPerValue_;
  std::int64_t valueCount_ = 1;
  LimitContext limits_;
  SetupParams base_;
  std::int32_t maxGroups_ = 1;
};

}  // namespace segsim

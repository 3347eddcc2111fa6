// The settings of a sweep (segsim-cli sweep's options, segsim.sweep's arguments) and the plan of
// runs they give.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/settings.h"
#include "settings/run_settings.h"
#include "sweep/engine.h"
#include "sweep/plan.h"

namespace segsim {

enum class OutputFormat { Csv, Jsonl };

struct SweepOptions {
  // --param NAME=FROM:TO:STEP or NAME=V1,V2,...: the swept parameters, in option order.
  std::vector<SweepAxis> axes;
  // The one-parameter form of the sweep window: --param P --from A --to B --increment I.
  bool windowForm = false;
  SweepParam param = SweepParam::Groups;
  std::int32_t from = 0;
  std::int32_t to = 0;
  std::int32_t increment = 0;
  bool fromGiven = false, toGiven = false, incrementGiven = false;
  std::int32_t runs = 0;              // runs per value, at least 1
  std::int32_t steps = 1;             // timesteps per run; below 1 counts as 1
  std::int32_t clusterThreshold = 1;  // clusters of more agents than this are counted
  std::int32_t degree = 3;            // PolyDegree of both fits, 2 … 20
  std::int32_t jobs = 0;              // worker threads; 0: every core
  OutputFormat format = OutputFormat::Csv;
  ShardSpec shard;     // {0, 1}: the whole sweep
  SetupParams params;  // the model options; params.Seed is S when given
  bool help = false;
};

// The options of segsim-cli sweep, in the order of --help and of the repeat command.
const OptionTable<SweepOptions>& SweepOptionTable();

// The checks that follow reading a sweep's options, each option having checked its own value.
// Raises UsageError for the two forms of --param mixed or the window form without its range,
// model options no model can take, --shard without --seed, and a sweep that would never end or
// one too large to run.
void CheckSweepOptions(const SweepOptions& options);

// The options as a command line that repeats the sweep (--jobs left out, the defaults written
// out, S included); --shard only when withShard and the sweep is sharded. Requires a seed.
std::string SweepCommand(const SweepOptions& options, bool withShard);

// What the sweep engine runs: the swept parameters (the one of the window form over the
// window's range) and the run settings.
SweepDesign DesignOf(const SweepOptions& options);

// The plan of the options; raises UsageError for a sweep that never ends or is too large.
SweepPlan PlanOf(const SweepOptions& options);

}  // namespace segsim

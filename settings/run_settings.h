// The settings of a run (segsim-cli run's options), the model options every command shares, and
// the command that repeats a run.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "measures/run_changes.h"
#include "model/settings.h"
#include "picture/video_format.h"
#include "settings/option_table.h"

namespace segsim {

struct RunOptions {
  SetupParams params;        // the window's defaults unless given
  std::int32_t steps = 500;  // timesteps after the setup, at least 0
  // --set: changes made while the model runs, in the order given; each step from 1 to steps.
  std::vector<SettingChange> changes;
  // --set arguments whose step lies outside 1 to 2^32 - 1: refused once --steps is known, with
  // the bound it gives.
  std::vector<std::string> setStepsOutOfRange;
  bool summary = false;  // a short human-readable summary instead of the trace
  // --video, --frame-every, --fps, --scale, --picture: the drawing recorded as it runs, and after
  // the last step. Empty paths: none.
  std::string video;
  VideoSettings frames;
  std::string picture;
  bool help = false;
};

// The model options of every command, in this order: --agents, --cell-size, --groups, --radius,
// --move-distance, --threshold, --shares, --thresholds, --tile-size, --panel. Each refuses a value
// no model can take.
std::vector<OptionDef<SetupParams>> ModelOptions();

// --seed S into SetupParams::Seed; meaning says what the command does with it.
OptionDef<SetupParams> SeedOption(std::string meaning, std::string defaultText);

// The model options as options of a command whose SetupParams is o.*params.
template <class O>
void AppendModelOptions(std::vector<OptionDef<O>>& defs, SetupParams O::*params) {
  for (const OptionDef<SetupParams>& d : ModelOptions()) defs.push_back(Nested(d, params));
}

// Refuses settings no model can be built from (the model's own checks, as UsageError).
void CheckModelOptions(const SetupParams& params);

// The options of segsim-cli run: parser, --help and README table.
const OptionTable<RunOptions>& RunOptionTable();

// The checks that follow reading a run's options: the model options (CheckModelOptions) and each
// --set's step within --steps. Raises UsageError.
void CheckRunOptions(const RunOptions& options);

// "segsim-cli run ..." that repeats a run: every setup setting written out, the setup's seed, each
// change as --set and --steps the steps made since the setup. A tile size below 1 counts as 1,
// and is written so.
std::string RepeatRunCommand(const SetupParams& setup, std::int32_t steps,
                             std::vector<SettingChange> changes);

}  // namespace segsim

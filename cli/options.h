// Command-line options of segsim-cli run, and the model options every command shares.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "cli/option_table.h"
#include "measures/run_changes.h"
#include "model/settings.h"

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
  bool help = false;
};

// The model options of every command, in this order: --agents, --cell-size, --groups, --radius,
// --move-distance, --threshold, --tile-size, --panel. Each refuses a value no model can take.
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

// Reads the run command's options. Values are integers by the same strict conversion as the
// window's fields. Raises UsageError for an unknown option, a missing value, a value that is no
// integer, or a value no model can use.
RunOptions ParseRunOptions(std::span<const std::string> args);

}  // namespace segsim

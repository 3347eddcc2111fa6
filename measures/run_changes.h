// Settings a running simulation takes between steps, and the log of a run that repeats it: its
// setup and every such change, each at the step before whose relocation pass it acts. The window
// logs what a person changes while the model runs, segsim-cli run --set replays it, and the
// Python module's attribute setters apply the same changes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/error.h"
#include "model/settings.h"

namespace segsim {

class Model;
class Simulation;

// The settings a step reads afresh, named as segsim-cli run's options without "--".
enum class RunSetting {
  Threshold,  // "threshold": percent 0..100; satisfied means strictly above it
  TileSize,   // "tile-size": tile edge in cells, at least 1
  Agents,     // "agents": T, the number of agents the segregation index divides by, 2..cells
  GroupThreshold,  // "threshold_g": group g's own threshold, percent 0..100 (g from 1)
};

// The setting of a name, and for "threshold_g" its group g in `group`. Raises SegsimError for a
// name that is no run option, or one a setup alone reads (a running model cannot change it).
RunSetting RunSettingNamed(std::string_view name, std::int32_t& group);
RunSetting RunSettingNamed(std::string_view name);  // refuses "threshold_g"
// "threshold_3" for RunSetting::GroupThreshold and group 3.
std::string RunSettingName(RunSetting setting, std::int32_t group = 0);

// Raises SegsimError, naming the setting and its range, for a value it refuses in this model
// (and for a group outside 1..G).
void CheckRunSetting(const Model& model, RunSetting setting, std::int32_t value,
                     std::int32_t group = 0);
// Checks the value, then makes the simulation use it from its next step on.
void ApplyRunSetting(Simulation& simulation, RunSetting setting, std::int32_t value,
                     std::int32_t group = 0);

// A change that acts before the relocation pass of step `step` (1 for one made after the setup
// and before the first step).
struct SettingChange {
  std::uint32_t step = 1;
  RunSetting setting = RunSetting::Threshold;
  std::int32_t value = 0;
  std::int32_t group = 0;  // GroupThreshold: the group, 1..G; else 0
  bool operator==(const SettingChange&) const = default;
};

// "STEP:NAME=VALUE", as segsim-cli run --set takes it.
std::string SetArgument(const SettingChange& change);
// A step outside 1 to lastStep (the number of steps of the run), with the message that names
// that bound; the text is the argument as given.
class SetStepOutOfRange : public SegsimError {
public:
  SetStepOutOfRange(const std::string& text, std::uint32_t lastStep);
  const std::string& Text() const { return text_; }

private:
  std::string text_;
};

// Reads "STEP:NAME=VALUE". Raises SegsimError for another form, a name RunSettingNamed refuses,
// and SetStepOutOfRange for a step below 1 or above lastStep. The value is checked when it is
// applied.
SettingChange ParseSetArgument(const std::string& text, std::uint32_t lastStep);

// Applies, in order, the changes that act before step `step`.
void ApplyChangesAt(Simulation& simulation, const std::vector<SettingChange>& changes,
                    std::uint32_t step);

// One run from its setup: the settings it was built with (its seed included), the relocation
// passes made since, and the changes made to it.
class RunLog {
public:
  // A new setup: no step, no change.
  void Reset(const SetupParams& setup);
  // One more relocation pass was made.
  void CountStep() { ++steps_; }
  // A change made now acts before the next pass. A change of the same setting before the same
  // pass replaces it, and one that gives back the value in force before that pass is dropped.
  void Record(RunSetting setting, std::int32_t value);

  const SetupParams& Setup() const { return setup_; }
  std::uint32_t Steps() const { return steps_; }
  const std::vector<SettingChange>& Changes() const { return changes_; }

private:
  // The value in force before the next pass, without the changes made before it.
  std::int32_t ValueBefore(RunSetting setting, std::uint32_t step) const;

  SetupParams setup_;
  std::uint32_t steps_ = 0;
  std::vector<SettingChange> changes_;
};

}  // namespace segsim

#include "measures/run_changes.h"

#include <algorithm>

#include "measures/simulation.h"
#include "model/error.h"
#include "model/limits.h"
#include "model/numeric.h"

namespace segsim {

namespace {

struct Named {
  const char* name;
  RunSetting setting;
};
constexpr Named kSettings[] = {{"threshold", RunSetting::Threshold},
                               {"tile-size", RunSetting::TileSize},
                               {"agents", RunSetting::Agents}};
// Options of a run that only a setup reads.
constexpr const char* kSetupOnly[] = {"seed",          "cell-size", "groups", "radius",
                                      "move-distance", "panel",     "steps"};

void Refuse(const std::string& name, const std::string& range, std::int32_t value) {
  throw SegsimError(name + " must be " + range + ", not " + std::to_string(value));
}

}  // namespace

RunSetting RunSettingNamed(std::string_view name, std::int32_t& group) {
  group = 0;
  for (const Named& n : kSettings) {
    if (name == n.name) return n.setting;
  }
  constexpr std::string_view kGroupThreshold = "threshold_";
  if (name.starts_with(kGroupThreshold)) {
    const std::string_view number = name.substr(kGroupThreshold.size());
    if (!number.empty() && number.front() >= '1' && number.front() <= '9' &&
        TryStrToInt(number, group) && group >= 1 &&
        number.find_first_not_of("0123456789") == std::string_view::npos) {
      return RunSetting::GroupThreshold;
    }
  }
  for (const char* n : kSetupOnly) {
    if (name == n) {
      throw SegsimError(std::string(name) +
                        " is read only at a setup: a running model cannot change it");
    }
  }
  throw SegsimError("unknown setting '" + std::string(name) +
                    "'; a run can change threshold, threshold_g (group g from 1), tile-size and "
                    "agents");
}

RunSetting RunSettingNamed(std::string_view name) {
  std::int32_t group = 0;
  const RunSetting setting = RunSettingNamed(name, group);
  if (setting == RunSetting::GroupThreshold) {
    throw SegsimError("unknown setting '" + std::string(name) + "'");
  }
  return setting;
}

std::string RunSettingName(RunSetting setting, std::int32_t group) {
  if (setting == RunSetting::GroupThreshold) return "threshold_" + std::to_string(group);
  for (const Named& n : kSettings) {
    if (n.setting == setting) return n.name;
  }
  return "?";
}

void CheckRunSetting(const Model& model, RunSetting setting, std::int32_t value,
                     std::int32_t group) {
  switch (setting) {
    case RunSetting::Threshold:
      if (value < 0 || value > 100) Refuse(RunSettingName(setting), "from 0 to 100", value);
      break;
    case RunSetting::GroupThreshold: {
      const std::int32_t groups = model.Settings().GroupCount;
      if (group < 1 || group > groups) {
        throw SegsimError(RunSettingName(setting, group) + ": there is no group " +
                          std::to_string(group) + " among the " + std::to_string(groups) +
                          " groups");
      }
      if (value < 0 || value > 100) Refuse(RunSettingName(setting, group), "from 0 to 100", value);
      break;
    }
    case RunSetting::TileSize:
      if (value < 1) Refuse(RunSettingName(setting), "at least 1", value);
      break;
    case RunSetting::Agents: {
      const std::int64_t cells = std::int64_t{model.Settings().Cols} * model.Settings().Rows;
      if (value < 2 || value > cells) {
        Refuse(RunSettingName(setting), "from 2 to the number of cells, " + std::to_string(cells),
               value);
      }
      break;
    }
  }
}

void ApplyRunSetting(Simulation& simulation, RunSetting setting, std::int32_t value,
                     std::int32_t group) {
  Model& model = simulation.Model();
  CheckRunSetting(model, setting, value, group);
  switch (setting) {
    case RunSetting::Threshold: model.SetThreshold(static_cast<std::uint32_t>(value)); break;
    case RunSetting::GroupThreshold:
      model.SetGroupThreshold(group, static_cast<std::uint32_t>(value));
      break;
    case RunSetting::TileSize: model.SetTileSize(value); break;
    case RunSetting::Agents: simulation.SetPopulationTotal(value); break;
  }
}

std::string SetArgument(const SettingChange& change) {
  return std::to_string(change.step) + ":" + RunSettingName(change.setting, change.group) + "=" +
         std::to_string(change.value);
}

SetStepOutOfRange::SetStepOutOfRange(const std::string& text, std::uint32_t lastStep)
    : SegsimError(lastStep == 0 ? "the step of --set " + text +
                                      " is past the last step: --steps 0 makes no step"
                                : "the step of --set " + text + " must be from 1 to " +
                                      std::to_string(lastStep) + " (--steps)"),
      text_(text) {}

SettingChange ParseSetArgument(const std::string& text, std::uint32_t lastStep) {
  const std::size_t colon = text.find(':');
  const std::size_t equals = text.find('=', colon == std::string::npos ? 0 : colon);
  if (colon == std::string::npos || equals == std::string::npos) {
    throw SegsimError("--set takes STEP:NAME=VALUE, not '" + text + "'");
  }
  std::int32_t step = 0;
  std::int32_t value = 0;
  const std::string stepText = text.substr(0, colon);
  const std::string valueText = text.substr(equals + 1);
  const auto noInteger = [](std::string_view number) {
    return IsIntegerOutOfRange(number) ? " is out of range: '" : " is no integer: '";
  };
  const bool stepOutOfRange = IsIntegerOutOfRange(stepText);
  if (!stepOutOfRange && !TryStrToInt(stepText, step)) {
    throw SegsimError("the step of --set " + text + noInteger(stepText) + stepText + "'");
  }
  if (stepOutOfRange || step < 1 || static_cast<std::uint32_t>(step) > lastStep) {
    throw SetStepOutOfRange(text, lastStep);
  }
  std::int32_t group = 0;
  const RunSetting setting = RunSettingNamed(text.substr(colon + 1, equals - colon - 1), group);
  if (!TryStrToInt(valueText, value)) {
    throw SegsimError("the value of --set " + text + noInteger(valueText) + valueText + "'");
  }
  return {static_cast<std::uint32_t>(step), setting, value, group};
}

void ApplyChangesAt(Simulation& simulation, const std::vector<SettingChange>& changes,
                    std::uint32_t step) {
  for (const SettingChange& c : changes) {
    if (c.step == step) ApplyRunSetting(simulation, c.setting, c.value, c.group);
  }
}

void RunLog::Reset(const SetupParams& setup) {
  setup_ = setup;
  steps_ = 0;
  changes_.clear();
}

std::int32_t RunLog::ValueBefore(RunSetting setting, std::uint32_t step) const {
  std::int32_t value = 0;
  switch (setting) {
    case RunSetting::Threshold: value = static_cast<std::int32_t>(setup_.Threshold); break;
    case RunSetting::GroupThreshold: break;  // the window changes no group's own threshold
    case RunSetting::TileSize: value = TileEdge(setup_.TileSize); break;
    case RunSetting::Agents: value = setup_.AgentCount; break;
  }
  for (const SettingChange& c : changes_) {
    if (c.setting == setting && c.step < step) value = c.value;
  }
  return value;
}

void RunLog::Record(RunSetting setting, std::int32_t value) {
  const std::uint32_t step = steps_ + 1;
  std::erase_if(changes_,
                [&](const SettingChange& c) { return c.step == step && c.setting == setting; });
  // The track bar's value sets every group's threshold, which ends per-group thresholds of the
  // setup even when it equals the setup's common one.
  const bool endsOwn = setting == RunSetting::Threshold && !setup_.Thresholds.empty() &&
                       std::none_of(changes_.begin(), changes_.end(), [&](const SettingChange& c) {
                         return c.setting == RunSetting::Threshold && c.step < step;
                       });
  if (value == ValueBefore(setting, step) && !endsOwn) return;
  changes_.push_back({step, setting, value});
}

}  // namespace segsim

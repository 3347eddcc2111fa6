// segsim.Simulation's settings: the constructor's arguments, read by segsim-cli run's option
// table, and the settings in force as attributes.
#include <pybind11/pybind11.h>

#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "measures/run_changes.h"
#include "model/error.h"
#include "python/bindings.h"
#include "python/simulation.h"
#include "settings/run_settings.h"

namespace segsim::python {

namespace {

// The constructor's arguments after seed, in order, with the defaults of a setup.
struct Argument {
  const char* name;  // the option's name with _ for - (cell_size: --cell-size)
  std::int64_t defaultValue;
};
std::vector<Argument> Arguments() {
  const SetupParams d;
  return {{"agents", d.AgentCount},          {"cell_size", d.CellSize},
          {"groups", d.GroupCount},          {"radius", d.NeighbourRadius},
          {"move_distance", d.MoveDistance}, {"threshold", d.Threshold},
          {"tile_size", d.TileSize},         {"panel", d.PanelWidth}};
}

// "name=default, ..." or, with types, "name: int = default, ..." after seed.
std::string Signature(bool typed) {
  std::string text = typed ? "seed: int | None = None" : "seed=None";
  for (const Argument& a : Arguments()) {
    text +=
        std::string(", ") + a.name + (typed ? ": int = " : "=") + std::to_string(a.defaultValue);
  }
  return text;
}

// The class's docstring, its signature broken where the text has always broken it.
std::string ClassDoc() {
  std::string signature = "Simulation(" + Signature(false) + ")";
  const std::size_t cut = signature.find(" threshold=");
  signature.replace(cut, 1, "\n           ");
  return "A model of residential segregation with its measures.\n\n" + signature + R"(

Builds the same setup as ``segsim-cli run`` with the same options: the grid is
round(panel / cell_size) cells on a side, the agents are placed at random with random groups.
Every argument is an integer, checked as the command line checks it; a bad one raises
ValueError with the command line's message (for example "--threshold must be from 0 to 100,
not 120"). A world too large for memory raises MemoryError.

seed          generator seed (0 to 2**32 - 1, or a negative 32-bit value as on the command
              line); None takes it from the clock. The attribute ``seed`` gives the value used.
agents        number of agents; more than there are cells is capped to leave 5 % free
cell_size     cell size in pixels, at least 1
groups        number of groups, 1 to )" +
         std::to_string(kMaxGroupCount) + R"(
radius        neighbourhood radius in cells, 0 to )" +
         std::to_string(kMaxNeighbourRadius) + R"(
move_distance longest jump per axis in cells, at least 0 (a jump reaches move_distance + 1)
threshold     tolerance threshold in percent, 0 to 100: satisfied means strictly above it
tile_size     tile edge in cells for the dissimilarity and segregation index
panel         the drawing panel's width and height in pixels

Groups are numbered from 0, as the positions in segsim-cli run's arrays. The long calls (the constructor, step,
run) release the GIL, so several simulations can run at once in several Python threads; one
simulation used from several threads serves them one at a time.)";
}

// Changes a setting that a running model takes between steps, as segsim-cli run --set does for
// the next step: the same conversion, the same checks and messages, the same point of the step.
void SetRunSetting(PySimulation& s, const std::string& name, py::handle value) {
  const std::string valueText = OptionText(value);
  s.Locked([&](Simulation& sim) {
    const std::uint32_t next = sim.Model().TimeStep() + 1;
    const SettingChange change =
        ParseSetArgument(std::to_string(next) + ":" + name + "=" + valueText, UINT32_MAX);
    try {
      ApplyRunSetting(sim, change.setting, change.value);
    } catch (const SegsimError& e) {
      throw UsageError("--set " + SetArgument(change) + ": " + e.what());
    }
  });
}

}  // namespace

SetupParams ReadSetup(py::handle seed, py::handle agents, py::handle cellSize, py::handle groups,
                      py::handle radius, py::handle moveDistance, py::handle threshold,
                      py::handle tileSize, py::handle panel) {
  const OptionTable<RunOptions>& table = RunOptionTable();
  RunOptions options;
  if (!seed.is_none()) table.Set(options, "--seed", OptionText(seed));
  const py::handle values[] = {agents,       cellSize,  groups,   radius,
                               moveDistance, threshold, tileSize, panel};
  const std::vector<Argument> arguments = Arguments();
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    table.Set(options, OptionName(arguments[i].name), OptionText(values[i]));
  }
  CheckRunOptions(options);
  return options.params;
}

std::int32_t StepCount(py::handle n) {
  RunOptions options;
  RunOptionTable().Set(options, "--steps", OptionText(n));
  return options.steps;
}

const char* SimulationDoc() {
  static const std::string doc = ClassDoc();
  return doc.c_str();
}

void BindSettings(py::class_<PySimulation>& cls) {
  const SetupParams d;
  static const std::string initDoc =
      "__init__(" + Signature(true) + ")\n\nBuilds a new setup; see help(segsim.Simulation).";
  cls.def(py::init([](py::object seed, py::object agents, py::object cellSize, py::object groups,
                      py::object radius, py::object moveDistance, py::object threshold,
                      py::object tileSize, py::object panel) {
            return std::make_unique<PySimulation>(ReadSetup(
                seed, agents, cellSize, groups, radius, moveDistance, threshold, tileSize, panel));
          }),
          py::arg("seed") = py::none(), py::arg("agents") = d.AgentCount,
          py::arg("cell_size") = d.CellSize, py::arg("groups") = d.GroupCount,
          py::arg("radius") = d.NeighbourRadius, py::arg("move_distance") = d.MoveDistance,
          py::arg("threshold") = d.Threshold, py::arg("tile_size") = d.TileSize,
          py::arg("panel") = d.PanelWidth, initDoc.c_str());

  // The settings in force; those a running model takes can be set between steps.
  struct Setting {
    const char* name;
    const char* option;  // segsim-cli run --set's name; null: fixed at setup
    std::int64_t (*get)(const Simulation&);
    const char* doc;
  };
  static const Setting settings[] = {
      {"cell_size", nullptr,
       [](const Simulation& s) -> std::int64_t { return s.Model().Settings().CellSize; },
       "Cell size in pixels (fixed at setup)."},
      {"groups", nullptr,
       [](const Simulation& s) -> std::int64_t { return s.Model().Settings().GroupCount; },
       "Number of groups (fixed at setup)."},
      {"radius", nullptr,
       [](const Simulation& s) -> std::int64_t { return s.Model().Settings().NeighbourRadius; },
       "Neighbourhood radius in cells (fixed at setup)."},
      {"move_distance", nullptr,
       [](const Simulation& s) -> std::int64_t { return s.Model().Settings().MoveDistance; },
       "Longest jump per axis in cells, a jump reaching move_distance + 1 (fixed at setup)."},
      {"threshold", "threshold",
       [](const Simulation& s) -> std::int64_t { return s.Model().Settings().Threshold; },
       "Tolerance threshold in percent, 0 to 100: satisfied means strictly above it.\n\n"
       "Setting it between steps acts from the next step on, as segsim-cli run --set "
       "STEP:threshold=VALUE does; a value refused raises ValueError with its message."},
      {"tile_size", "tile-size",
       [](const Simulation& s) -> std::int64_t { return s.Model().Settings().TileSize; },
       "Tile edge in cells for the dissimilarity and segregation index.\n\n"
       "Setting it between steps acts from the next step on, as segsim-cli run --set "
       "STEP:tile-size=VALUE does; a value refused raises ValueError with its message."},
      {"agent_count", "agents",
       [](const Simulation& s) -> std::int64_t { return s.PopulationTotal(); },
       "The agents setting in force: T, the number of agents the segregation index divides by "
       "(the agents placed, until it is set).\n\n"
       "Setting it between steps acts from the next step on, as segsim-cli run --set "
       "STEP:agents=VALUE does (as changing the agent count in the window without a new setup); "
       "it moves no agent. A value refused raises ValueError with its message. (The name "
       "agents is the DataFrame of the agents.)"},
      {"time_step", nullptr,
       [](const Simulation& s) -> std::int64_t { return s.Model().TimeStep(); },
       "Steps made since the setup."},
      {"seed", nullptr,
       [](const Simulation& s) -> std::int64_t { return s.Model().PlacementSeed(); },
       "The generator seed of the setup (the clock's when none was given): "
       "Simulation(seed=sim.seed, ...) repeats the run."},
      {"cols", nullptr,
       [](const Simulation& s) -> std::int64_t { return s.Model().Settings().Cols; },
       "Cells across: round(panel / cell_size)."},
      {"rows", nullptr,
       [](const Simulation& s) -> std::int64_t { return s.Model().Settings().Rows; },
       "Cells down: round(panel / cell_size)."},
  };
  for (const Setting& setting : settings) {
    const auto get = setting.get;
    const auto getter = [get](PySimulation& s) {
      return s.Locked([get](Simulation& sim) { return get(sim); });
    };
    if (setting.option == nullptr) {
      cls.def_property_readonly(setting.name, getter, setting.doc);
      continue;
    }
    const std::string option = setting.option;
    cls.def_property(
        setting.name, getter,
        [option](PySimulation& s, py::handle value) { SetRunSetting(s, option, value); },
        setting.doc);
  }
  cls.def_property_readonly(
      "panel", [](PySimulation& s) { return s.Params().PanelWidth; },
      "The drawing panel's width and height in pixels (fixed at setup).");
}

}  // namespace segsim::python

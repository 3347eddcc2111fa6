// segsim.Simulation's settings: the constructor's arguments, read by segsim-cli run's option
// table, and the settings in force as attributes.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "measures/run_changes.h"
#include "model/error.h"
#include "python/bindings.h"
#include "python/simulation.h"
#include "settings/group_lists.h"
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
  text += typed ? ", shares: list[float] | None = None, thresholds: list[int] | None = None"
                : ", shares=None, thresholds=None";
  return text;
}

// The class's docstring, its signature broken where the text has always broken it.
std::string ClassDoc() {
  std::string signature = "Simulation(" + Signature(false) + ")";
  for (const char* at : {" threshold=", " shares="}) {
    signature.replace(signature.find(at), 1, "\n           ");
  }
  return "A model of residential segregation with its measures.\n\n" + signature + R"(

Builds the same setup as ``segsim-cli run`` with the same options: the grid is
round(panel / cell_size) cells on a side, the agents are placed at random with random groups.
Every argument is an integer, checked as the command line checks it; a bad one raises
ValueError with the command line's message, naming the argument (for example "threshold must
be from 0 to 100, not 120"). A world too large for memory raises MemoryError. The settings
fixed at setup are attributes to read; setting one raises AttributeError.

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
shares        group shares: a positive weight per group (shares=[1, 3]), normalised; None:
              every group has the same chance
thresholds    a threshold per group in percent (thresholds=[30, 60]) in place of threshold;
              the attribute ``thresholds`` gives and sets them between steps

Groups are numbered from 0, as the positions in segsim-cli run's arrays. The long calls (the constructor, step,
run) release the GIL, so several simulations can run at once in several Python threads; one
simulation used from several threads serves them one at a time.)";
}

// A message of segsim-cli run's checks with the Python names for the options: "--cell-size
// 0" of the command line is "cell_size 0" here.
std::string PythonNames(std::string text) {
  std::vector<std::string> names = {"seed", "steps", "shares", "thresholds"};
  for (const Argument& a : Arguments()) names.emplace_back(a.name);
  for (const std::string& name : names) {
    const std::string option = OptionName(name);
    for (std::size_t at = text.find(option); at != std::string::npos;
         at = text.find(option, at + 1)) {
      const std::size_t end = at + option.size();
      if (end < text.size() &&
          (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '-')) {
        continue;  // a longer option
      }
      text.replace(at, option.size(), name);
    }
  }
  return text;
}

// Runs a check of segsim-cli run's and gives its refusal the Python names.
template <typename F>
auto WithPythonNames(F&& f) {
  try {
    return f();
  } catch (const UsageError& e) {
    throw UsageError(PythonNames(e.what()));
  }
}

// Changes a setting that a running model takes between steps, as segsim-cli run --set does for
// the next step: the same conversion, checks and point of the step; the messages name the
// attribute.
void SetRunSetting(PySimulation& s, const std::string& attribute, const std::string& name,
                   py::handle value) {
  const std::int32_t number = ParseInt(attribute, OptionText(value));
  const RunSetting setting = RunSettingNamed(name);
  s.Locked([&](Simulation& sim) {
    try {
      ApplyRunSetting(sim, setting, number);
    } catch (const SegsimError& e) {
      std::string text = e.what();
      const std::string own = RunSettingName(setting) + " ";
      if (text.starts_with(own)) text.replace(0, own.size() - 1, attribute);
      throw UsageError(text);
    }
  });
}

// The attributes that name an argument of the constructor: set, they tell how to get a model
// with the value.
bool IsSetupArgument(const std::string& name) {
  if (name == "seed") return true;
  for (const Argument& a : Arguments()) {
    if (name == a.name) return true;
  }
  return false;
}

[[noreturn]] void FixedAtSetup(const std::string& name, py::handle value) {
  throw py::attribute_error(name + " is fixed at setup: make a new simulation, segsim.Simulation(" +
                            name + "=" + std::string(py::repr(value)) + ", ...)");
}

// shares (fixed at setup) and thresholds, set between steps as --set STEP:threshold_g=P sets each.
void BindGroupLists(py::class_<PySimulation>& cls) {
  cls.def_property(
      "shares",
      [](PySimulation& s) -> py::object {
        const std::vector<double>& w = s.Params().Shares;
        return w.empty() ? py::object(py::none()) : py::object(py::cast(w));
      },
      [](PySimulation&, py::handle value) { FixedAtSetup("shares", value); },
      "The group weights of the setup, group 0 first; None: equal chances (fixed at setup).");
  cls.def_property(
      "thresholds",
      [](PySimulation& s) {
        return s.Locked([](Simulation& sim) {
          std::vector<std::int64_t> t;
          for (std::int32_t g = 1; g <= sim.Model().Settings().GroupCount; ++g) {
            t.push_back(sim.Model().ThresholdOf(g));
          }
          return t;
        });
      },
      [](PySimulation& s, py::handle value) {
        const std::vector<std::uint32_t> percents =
            WithPythonNames([&] { return ParseThresholds("--thresholds", ListText(value)); });
        s.Locked([&](Simulation& sim) {
          SetupParams p;
          p.GroupCount = sim.Model().Settings().GroupCount;
          p.Thresholds = percents;
          WithPythonNames([&] { CheckGroupLists(p); });
          for (std::size_t g = 0; g < percents.size(); ++g) {
            ApplyRunSetting(sim, RunSetting::GroupThreshold, static_cast<std::int32_t>(percents[g]),
                            static_cast<std::int32_t>(g + 1));
          }
        });
      },
      "Each group's threshold in percent, group 0 first (threshold for all unless given).\n\n"
      "Setting it between steps acts from the next step on, as segsim-cli run --set "
      "STEP:threshold_g=VALUE for each group g from 1 does; a list refused raises ValueError.");
}

}  // namespace

SetupParams ReadSetup(py::handle seed, py::handle agents, py::handle cellSize, py::handle groups,
                      py::handle radius, py::handle moveDistance, py::handle threshold,
                      py::handle tileSize, py::handle panel, py::handle shares,
                      py::handle thresholds) {
  const OptionTable<RunOptions>& table = RunOptionTable();
  RunOptions options;
  if (!seed.is_none()) WithPythonNames([&] { table.Set(options, "--seed", OptionText(seed)); });
  const py::handle values[] = {agents,       cellSize,  groups,   radius,
                               moveDistance, threshold, tileSize, panel};
  const std::vector<Argument> arguments = Arguments();
  WithPythonNames([&] {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      table.Set(options, OptionName(arguments[i].name), OptionText(values[i]));
    }
    if (!shares.is_none()) table.Set(options, "--shares", ListText(shares));
    if (!thresholds.is_none()) table.Set(options, "--thresholds", ListText(thresholds));
    CheckRunOptions(options);
  });
  return options.params;
}

std::int32_t StepCount(py::handle n) {
  RunOptions options;
  WithPythonNames([&] { RunOptionTable().Set(options, "--steps", OptionText(n)); });
  return options.steps;
}

namespace {

// One of the drawing's options, read by the run's table, its message in the argument's name.
void SetPictureOption(RunOptions& options, const std::string& option, const std::string& name,
                      py::handle value) {
  try {
    RunOptionTable().Set(options, option, OptionText(value));
  } catch (const UsageError& e) {
    std::string message = e.what();
    if (message.rfind(option, 0) == 0) message.replace(0, option.size(), name);
    throw UsageError(message);
  }
}

}  // namespace

std::string VideoPath(py::handle path) {
  RunOptions options;
  SetPictureOption(options, "--video", "path", py::str(path));
  return options.video;
}

VideoSettings ReadVideoSettings(py::handle frameEvery, py::handle fps, py::handle scale) {
  RunOptions options;
  SetPictureOption(options, "--frame-every", "frame_every", frameEvery);
  SetPictureOption(options, "--fps", "fps", fps);
  SetPictureOption(options, "--scale", "scale", scale);
  return options.frames;
}

std::int32_t PictureScale(py::handle scale) {
  RunOptions options;
  SetPictureOption(options, "--scale", "scale", scale);
  return options.frames.scale;
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
                      py::object tileSize, py::object panel, py::object shares,
                      py::object thresholds) {
            return std::make_unique<PySimulation>(ReadSetup(seed, agents, cellSize, groups, radius,
                                                            moveDistance, threshold, tileSize,
                                                            panel, shares, thresholds));
          }),
          py::arg("seed") = py::none(), py::arg("agents") = d.AgentCount,
          py::arg("cell_size") = d.CellSize, py::arg("groups") = d.GroupCount,
          py::arg("radius") = d.NeighbourRadius, py::arg("move_distance") = d.MoveDistance,
          py::arg("threshold") = d.Threshold, py::arg("tile_size") = d.TileSize,
          py::arg("panel") = d.PanelWidth, py::arg("shares") = py::none(),
          py::arg("thresholds") = py::none(), initDoc.c_str());

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
    const std::string name = setting.name;
    if (setting.option == nullptr && !IsSetupArgument(name)) {
      cls.def_property_readonly(setting.name, getter, setting.doc);
    } else if (setting.option == nullptr) {
      cls.def_property(
          setting.name, getter,
          [name](PySimulation&, py::handle value) { FixedAtSetup(name, value); }, setting.doc);
    } else {
      const std::string option = setting.option;
      cls.def_property(
          setting.name, getter,
          [name, option](PySimulation& s, py::handle value) {
            SetRunSetting(s, name, option, value);
          },
          setting.doc);
    }
  }
  BindGroupLists(cls);
  cls.def_property(
      "panel", [](PySimulation& s) { return s.Params().PanelWidth; },
      [](PySimulation&, py::handle value) { FixedAtSetup("panel", value); },
      "The drawing panel's width and height in pixels (fixed at setup).");
}

}  // namespace segsim::python

// segsim.Simulation: one model with its measures, stepped from Python. The bindings convert and
// call; the setup, the steps and the measures are those of segsim-cli run.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <climits>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "measures/run_changes.h"
#include "measures/simulation.h"
#include "measures/statistics.h"
#include "model/error.h"
#include "python/bindings.h"
#include "python/convert.h"

namespace segsim::python {

namespace {

// The numbers of one step line of the trace.
struct StepRecord {
  std::uint32_t step = 0;
  PassCounts pass;
  std::vector<double> satisfaction;
  Dissimilarity dissimilarity;
  std::optional<ClusterSizes> clusters;  // on cluster steps only
};

StepRecord Record(const Simulation& sim) {
  const StepMeasures& m = sim.LastMeasures();
  StepRecord r{sim.Model().TimeStep(), sim.Model().LastPass(), m.satisfaction, m.dissimilarity,
               std::nullopt};
  if (m.clustersRan) r.clusters = sim.Clusters();
  return r;
}

// D(i, j) of either order; the diagonal as computed (0).
double PairEitherWay(const Dissimilarity& d, std::int32_t i, std::int32_t j) {
  return i <= j ? d.Pair(i, j) : d.Pair(j, i);
}

py::list ClusterList(const ClusterSizes& sizes) {
  py::list groups;
  for (const auto& group : sizes) groups.append(py::cast(group));
  return groups;
}

// One row per step and group, columns named as the trace names its keys.
py::object TraceFrame(const std::vector<StepRecord>& records, std::int32_t groups) {
  const std::size_t rows = records.size() * static_cast<std::size_t>(groups);
  std::vector<std::int64_t> step;
  std::vector<std::int32_t> group, moved, unsatisfied;
  std::vector<double> satisfaction, segregation;
  std::vector<std::vector<double>> pair(static_cast<std::size_t>(groups));
  for (auto& column : pair) column.reserve(rows);
  py::list clusters;
  for (const StepRecord& r : records) {
    for (std::int32_t g = 0; g < groups; ++g) {
      const auto gi = static_cast<std::size_t>(g);
      step.push_back(r.step);
      group.push_back(g);
      moved.push_back(r.pass.moved);
      unsatisfied.push_back(r.pass.unsatisfied);
      satisfaction.push_back(r.satisfaction[gi]);
      segregation.push_back(r.dissimilarity.segregation[gi]);
      for (std::int32_t j = 0; j < groups; ++j) {
        pair[static_cast<std::size_t>(j)].push_back(PairEitherWay(r.dissimilarity, g, j));
      }
      if (r.clusters)
        clusters.append(py::cast((*r.clusters)[gi]));
      else
        clusters.append(py::none());
    }
  }
  Columns columns;
  columns.Add("step", step);
  columns.Add("group", group);
  columns.Add("moved", moved);
  columns.Add("unsatisfied", unsatisfied);
  columns.Add("satisfaction", satisfaction);
  columns.Add("segregation", segregation);
  for (std::int32_t j = 0; j < groups; ++j) {
    columns.Add("dissimilarity_" + std::to_string(j), pair[static_cast<std::size_t>(j)]);
  }
  columns.Add("clusters", std::move(clusters));
  return columns.DataFrame();
}

// The number of steps asked for, checked as segsim-cli run checks --steps.
std::int32_t StepCount(py::handle n) {
  const std::vector<std::string> args{"--steps", OptionText(n)};
  return ParseRunOptions(args).steps;
}

class PySimulation {
public:
  explicit PySimulation(const SetupParams& params) : params_(params) {
    py::gil_scoped_release release;
    sim_.InitSetup(params);
  }

  // Every use of the model goes through here: the GIL released, the model locked. A thread that
  // waits for the model thus never holds the GIL, which the stepping thread takes between steps
  // to look for Ctrl-C.
  template <typename F>
  auto Locked(F&& f) {
    py::gil_scoped_release release;
    std::lock_guard lock(mutex_);
    return f(sim_);
  }

  void Step(py::handle n) {
    const std::int32_t count = StepCount(n);
    const bool interrupted = Locked([count](Simulation& sim) {
      for (std::int32_t i = 0; i < count; ++i) {
        sim.Step();
        if (SignalRaised()) return true;
      }
      return false;
    });
    if (interrupted) throw py::error_already_set();
  }

  py::object Run(py::handle n) {
    const std::int32_t count = StepCount(n);
    std::vector<StepRecord> records;
    std::int32_t groups = 0;
    const bool interrupted = Locked([&](Simulation& sim) {
      groups = sim.Model().Settings().GroupCount;
      records.reserve(static_cast<std::size_t>(count));
      for (std::int32_t i = 0; i < count; ++i) {
        sim.Step();
        records.push_back(Record(sim));
        if (SignalRaised()) return true;
      }
      return false;
    });
    if (interrupted) throw py::error_already_set();
    return TraceFrame(records, groups);
  }

  py::array_t<std::int32_t> GridArray() {
    const auto [cols, rows] = Locked([](Simulation& sim) {
      return std::pair(sim.Model().Settings().Cols, sim.Model().Settings().Rows);
    });
    py::array_t<std::int32_t> array(
        {static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(cols)});
    std::int32_t* out = array.mutable_data();
    Locked([&](Simulation& sim) {
      const Grid& grid = sim.Model().Grid();
      for (std::int32_t row = 0; row < rows; ++row) {
        const auto* state = grid.StateRow(row);
        const std::uint8_t* occupied = grid.OccupiedRow(row);
        std::int32_t* line = out + static_cast<std::ptrdiff_t>(row) * cols;
        // Without a branch: cells are taken or free at random, which no predictor guesses.
        for (std::int32_t column = 0; column < cols; ++column) {
          const std::int32_t free = -static_cast<std::int32_t>(occupied[column] == 0);
          line[column] = (static_cast<std::int32_t>(state[column]) - 1) | free;
        }
      }
    });
    return array;
  }

  py::object AgentFrame() {
    std::vector<std::int32_t> column, row, group;
    std::vector<double> satisfaction;
    Locked([&](Simulation& sim) {
      const Model& model = sim.Model();
      const std::size_t n = model.AgentList().size();
      column.reserve(n);
      row.reserve(n);
      group.reserve(n);
      satisfaction.reserve(n);
      for (const TAgent& a : model.AgentList()) {
        column.push_back(a.GridX);
        row.push_back(a.GridY);
        group.push_back(a.Group - 1);
        satisfaction.push_back(model.Grid()[a.GridX][a.GridY].Satisfaction());
      }
    });
    Columns columns;
    columns.Add("column", column);
    columns.Add("row", row);
    columns.Add("group", group);
    columns.Add("satisfaction", satisfaction);
    return columns.DataFrame();
  }

  py::dict Measures() {
    const StepRecord r = Locked([](Simulation& sim) {
      if (sim.Model().TimeStep() > 0) return Record(sim);
      // Before the first step: the setup as it stands, measured without touching it.
      const Model& model = sim.Model();
      const ModelSettings& s = model.Settings();
      StepRecord setup;
      setup.satisfaction = GroupSatisfaction(model.Grid(), s.GroupCount);
      setup.dissimilarity =
          ComputeDissimilarity(CountTileGroups(model.Grid(), s.TileSize, s.GroupCount),
                               model.GroupSizes(), sim.PopulationTotal());
      return setup;
    });
    const std::int32_t g = r.dissimilarity.groups;
    py::array_t<double> matrix({static_cast<py::ssize_t>(g), static_cast<py::ssize_t>(g)});
    auto m = matrix.mutable_unchecked<2>();
    for (std::int32_t i = 0; i < g; ++i) {
      for (std::int32_t j = 0; j < g; ++j) m(i, j) = PairEitherWay(r.dissimilarity, i, j);
    }
    py::dict result;
    result["step"] = r.step;
    result["moved"] = r.pass.moved;
    result["unsatisfied"] = r.pass.unsatisfied;
    result["satisfaction"] = ToArray(std::span<const double>(r.satisfaction));
    result["segregation"] = ToArray(std::span<const double>(r.dissimilarity.segregation));
    result["dissimilarity"] = matrix;
    return result;
  }

  py::list Clusters() {
    return ClusterList(Locked([](Simulation& sim) { return sim.Clusters(); }));
  }

  template <typename T>
  T Read(T (*get)(const Simulation&)) {
    return Locked([get](Simulation& sim) { return get(sim); });
  }

  const SetupParams& Params() const { return params_; }

private:
  SetupParams params_;  // as given; the model's settings hold what is in force
  Simulation sim_;
  std::mutex mutex_;
};

// The constructor's settings as the command line's options, checked by its own parser.
SetupParams ParseSettings(py::handle seed, py::handle agents, py::handle cellSize,
                          py::handle groups, py::handle radius, py::handle moveDistance,
                          py::handle threshold, py::handle tileSize, py::handle panel) {
  std::vector<std::string> args;
  const auto add = [&args](const char* name, py::handle value) {
    args.emplace_back(name);
    args.push_back(OptionText(value));
  };
  if (!seed.is_none()) add("--seed", seed);
  add("--agents", agents);
  add("--cell-size", cellSize);
  add("--groups", groups);
  add("--radius", radius);
  add("--move-distance", moveDistance);
  add("--threshold", threshold);
  add("--tile-size", tileSize);
  add("--panel", panel);
  return ParseRunOptions(args).params;
}

template <typename T>
using Getter = T (*)(const Simulation&);

const char* const kSimulationDoc = R"(A model of residential segregation with its measures.

Simulation(seed=None, agents=12783, cell_size=6, groups=6, radius=5, move_distance=55,
           threshold=20, tile_size=20, panel=694)

Builds the same setup as ``segsim-cli run`` with the same options: the grid is
round(panel / cell_size) cells on a side, the agents are placed at random with random groups.
Every argument is an integer, checked as the command line checks it; a bad one raises
ValueError with the command line's message (for example "--threshold must be from 0 to 100,
not 120"). A world too large for memory raises MemoryError.

seed          generator seed (0 to 2**32 - 1, or a negative 32-bit value as on the command
              line); None takes it from the clock. The attribute ``seed`` gives the value used.
agents        number of agents; more than there are cells is capped to leave 5 % free
cell_size     cell size in pixels, at least 1
groups        number of groups, 1 to 2000
radius        neighbourhood radius in cells, 0 to 23169
move_distance longest jump per axis in cells, at least 0 (a jump reaches move_distance + 1)
threshold     tolerance threshold in percent, 0 to 100: satisfied means strictly above it
tile_size     tile edge in cells for the dissimilarity and segregation index
panel         the drawing panel's width and height in pixels

Groups are numbered from 0, as the positions in segsim-cli run's arrays. The long calls (the constructor, step,
run) release the GIL, so several simulations can run at once in several Python threads; one
simulation used from several threads serves them one at a time.)";

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

// The settings in force as attributes; those a running model takes can be set between steps.
void BindSettings(py::class_<PySimulation>& cls) {
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

}  // namespace

void BindSimulation(py::module_& m) {
  py::class_<PySimulation> cls(m, "Simulation", kSimulationDoc);
  BindSettings(cls);
  cls.def(py::init([](py::object seed, py::object agents, py::object cellSize, py::object groups,
                      py::object radius, py::object moveDistance, py::object threshold,
                      py::object tileSize, py::object panel) {
            return std::make_unique<PySimulation>(ParseSettings(
                seed, agents, cellSize, groups, radius, moveDistance, threshold, tileSize, panel));
          }),
          py::arg("seed") = py::none(), py::arg("agents") = 12783, py::arg("cell_size") = 6,
          py::arg("groups") = 6, py::arg("radius") = 5, py::arg("move_distance") = 55,
          py::arg("threshold") = 20, py::arg("tile_size") = 20, py::arg("panel") = 694,
          "__init__(seed: int | None = None, agents: int = 12783, cell_size: int = 6, groups: int "
          "= 6, "
          "radius: int = 5, move_distance: int = 55, threshold: int = 20, tile_size: int = 20, "
          "panel: int = 694)\n\nBuilds a new setup; see help(segsim.Simulation).")
      .def("step", &PySimulation::Step, py::arg("n") = 1,
           R"(step(n: int = 1) -> None

Makes n steps (default 1): every agent in list order tests its satisfaction and
perhaps moves, the step counter advances, and the measures are taken. Releases the GIL while it
runs. Ctrl-C stops it between two steps with KeyboardInterrupt; the steps made stay made.
n below 0 raises ValueError.)")
      .def("run", &PySimulation::Run, py::arg("steps"),
           R"(run(steps: int) -> pandas.DataFrame

Makes the given number of steps and returns what each measured: a pandas
DataFrame with one row per step and group, holding the numbers of the JSON Lines trace of
``segsim-cli run`` (the same numbers, exactly, for the same settings and seed).

Columns:
  step, group               the step (1, 2, ...) and the group (0 .. groups - 1)
  moved, unsatisfied        agents that moved in the step, and that were not satisfied
  satisfaction              the group's average satisfaction in percent
  segregation               the group's segregation index in percent
  dissimilarity_j           the dissimilarity index in percent between the row's group and
                            group j (the diagonal is 0)
  clusters                  the sizes of the group's clusters in order of discovery on the
                            cluster steps (1, 31, 61, ...), None on the others
NaN marks a value that does not exist (an empty group), where the trace has null.)")
      .def_property_readonly(
          "grid", &PySimulation::GridArray,
          R"(The grid as a new numpy int32 array of shape (rows, cols): the group of the agent
on each cell (0 .. groups - 1), or -1 for an empty cell. A copy; changing it changes nothing.)")
      .def_property_readonly(
          "agents", &PySimulation::AgentFrame,
          R"(The agents in the order they move, as a pandas DataFrame with the columns column,
row, group (0 .. groups - 1) and satisfaction (percent, as last computed for its cell; 0 until
the first step computes it).)")
      .def("measures", &PySimulation::Measures,
           R"(measures() -> dict

The measures of the last step as a dict: step, moved, unsatisfied, satisfaction and
segregation (numpy arrays, one value per group, percent) and dissimilarity (a numpy array
groups x groups, symmetric, 0 on the diagonal). NaN where a group is empty. Before the first
step: the setup measured as it stands (satisfaction is 0 until a step computes it).)")
      .def("clusters", &PySimulation::Clusters,
           R"(clusters() -> list[list[int]]

The cluster sizes of each group at the last cluster analysis (steps 1, 31, 61,
...): a list with one list per group, each in order of discovery. Empty before the first step.)")
      .def_property_readonly(
          "time_step",
          [](PySimulation& s) {
            return s.Read(Getter<std::uint32_t>(
                [](const Simulation& sim) { return sim.Model().TimeStep(); }));
          },
          "Steps made since the setup.")
      .def_property_readonly(
          "seed",
          [](PySimulation& s) {
            return s.Read(Getter<std::uint32_t>(
                [](const Simulation& sim) { return sim.Model().PlacementSeed(); }));
          },
          "The generator seed of the setup (the clock's when none was given): "
          "Simulation(seed=sim.seed, ...) repeats the run.")
      .def_property_readonly(
          "cols",
          [](PySimulation& s) {
            return s.Read(Getter<std::int32_t>(
                [](const Simulation& sim) { return sim.Model().Settings().Cols; }));
          },
          "Cells across: round(panel / cell_size).")
      .def_property_readonly(
          "rows",
          [](PySimulation& s) {
            return s.Read(Getter<std::int32_t>(
                [](const Simulation& sim) { return sim.Model().Settings().Rows; }));
          },
          "Cells down: round(panel / cell_size).")
      .def_property_readonly(
          "group_sizes",
          [](PySimulation& s) {
            const auto sizes = s.Locked([](Simulation& sim) {
              const auto v = sim.Model().GroupSizes();
              return std::vector<std::int32_t>(v.begin(), v.end());
            });
            return ToArray(std::span<const std::int32_t>(sizes));
          },
          "Agents placed in each group (numpy int32 array, one entry per group).")
      .def_property_readonly(
          "group_colors",
          [](PySimulation& s) {
            const auto colors = s.Locked([](Simulation& sim) {
              const auto v = sim.Model().GroupColors();
              return std::vector<Color>(v.begin(), v.end());
            });
            return ToArray(std::span<const Color>(colors));
          },
          "Each group's colour as 0x00BBGGRR (numpy uint32 array), as the trace gives it.")
      .def(
          "__repr__",
          [](PySimulation& s) {
            const SetupParams& p = s.Params();
            const auto [seed, step] = s.Locked([](Simulation& sim) {
              return std::pair(sim.Model().PlacementSeed(), sim.Model().TimeStep());
            });
            return "segsim.Simulation(seed=" + std::to_string(seed) +
                   ", agents=" + std::to_string(p.AgentCount) +
                   ", cell_size=" + std::to_string(p.CellSize) +
                   ", groups=" + std::to_string(p.GroupCount) +
                   ", radius=" + std::to_string(p.NeighbourRadius) +
                   ", move_distance=" + std::to_string(p.MoveDistance) +
                   ", threshold=" + std::to_string(p.Threshold) +
                   ", tile_size=" + std::to_string(p.TileSize) +
                   ", panel=" + std::to_string(p.PanelWidth) + ") at step " + std::to_string(step);
          },
          "__repr__() -> str\n\nThe settings and the step reached.");
}

}  // namespace segsim::python

// segsim.Simulation: one model with its measures, stepped from Python. The bindings convert and
// call; the setup, the steps and the measures are those of segsim-cli run.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "measures/simulation.h"
#include "picture/pixels.h"
#include "picture/video.h"
#include "python/bindings.h"
#include "python/convert.h"
#include "python/simulation.h"

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

// The measures as they stand: the last step's, or before the first the setup's.
StepRecord Record(const Simulation& sim) {
  StepMeasures m = sim.CurrentMeasures();
  StepRecord r{sim.Model().TimeStep(), sim.Model().LastPass(), std::move(m.satisfaction),
               std::move(m.dissimilarity), std::nullopt};
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

void Step(PySimulation& s, py::handle n) {
  const std::int32_t count = StepCount(n);
  const bool interrupted = s.Locked([count](Simulation& sim) {
    for (std::int32_t i = 0; i < count; ++i) {
      sim.Step();
      if (SignalRaised()) return true;
    }
    return false;
  });
  if (interrupted) throw py::error_already_set();
}

py::object Run(PySimulation& s, py::handle n) {
  const std::int32_t count = StepCount(n);
  std::vector<StepRecord> records;
  std::int32_t groups = 0;
  const bool interrupted = s.Locked([&](Simulation& sim) {
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

// The drawing as the window shows it, at its step.
py::array_t<std::uint8_t> Image(PySimulation& s, py::handle scaleArgument) {
  const std::int32_t scale = PictureScale(scaleArgument);
  PixelCanvas canvas;
  s.Locked([&](Simulation& sim) { sim.Model().DrawOn(canvas); });
  py::array_t<std::uint8_t> array({static_cast<py::ssize_t>(canvas.Height()) * scale,
                                   static_cast<py::ssize_t>(canvas.Width()) * scale,
                                   py::ssize_t{3}});
  ScaledRgb(canvas.View(), scale, array.mutable_data());
  return array;
}

// Steps while recording: the drawing before the first step, then after every frame_every-th.
// Ctrl-C stops it between two steps; the video then holds the steps made.
void RecordVideo(PySimulation& s, py::handle pathArgument, py::handle n, py::handle frameEvery,
            py::handle fps, py::handle scale) {
  const std::string path = VideoPath(pathArgument);
  const std::int32_t count = StepCount(n);
  const VideoSettings settings = ReadVideoSettings(frameEvery, fps, scale);
  const bool interrupted = s.Locked([&](Simulation& sim) {
    if (VideoFormatOf(path) == VideoFormat::kGif) {
      CheckGifColors(sim.Model().Settings().GroupCount);
    }
    RunRecorder video(path, sim.Model(), settings);
    bool stopped = false;
    for (std::int32_t i = 0; i < count && !stopped; ++i) {
      sim.Step();
      video.AfterStep(sim.Model());
      stopped = SignalRaised();
    }
    video.Finish();
    return stopped;
  });
  if (interrupted) throw py::error_already_set();
}

py::array_t<std::int32_t> GridArray(PySimulation& s) {
  const auto [cols, rows] = s.Locked([](Simulation& sim) {
    return std::pair(sim.Model().Settings().Cols, sim.Model().Settings().Rows);
  });
  py::array_t<std::int32_t> array({static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(cols)});
  std::int32_t* out = array.mutable_data();
  s.Locked([&](Simulation& sim) {
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

py::object AgentFrame(PySimulation& s) {
  std::vector<std::int32_t> column, row, group;
  std::vector<double> satisfaction;
  s.Locked([&](Simulation& sim) {
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

py::dict Measures(PySimulation& s) {
  const StepRecord r = s.Locked([](Simulation& sim) { return Record(sim); });
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

py::list Clusters(PySimulation& s) {
  return ClusterList(s.Locked([](Simulation& sim) { return sim.Clusters(); }));
}

}  // namespace

void BindSimulation(py::module_& m) {
  py::class_<PySimulation> cls(m, "Simulation", SimulationDoc());
  BindSettings(cls);
  cls.def("step", &Step, py::arg("n") = 1,
          R"(step(n: int = 1) -> None

Makes n steps (default 1): every agent in list order tests its satisfaction and
perhaps moves, the step counter advances, and the measures are taken. Releases the GIL while it
runs. Ctrl-C stops it between two steps with KeyboardInterrupt; the steps made stay made.
n below 0 raises ValueError.)")
      .def("run", &Run, py::arg("steps"),
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
      .def("image", &Image, py::arg("scale") = 1,
           R"(image(scale: int = 1) -> numpy.ndarray

The drawing as the main window shows it at this step: a new numpy uint8 array of shape
(height, width, 3), RGB, the panel's pixels (each a scale x scale square, scale 1 to 16), equal
to segsim-cli run --picture and to the window's "Save picture..." pixel for pixel.)")
      .def("record", &RecordVideo, py::arg("path"), py::arg("steps"), py::arg("frame_every") = 1,
           py::arg("fps") = 25, py::arg("scale") = 1,
           R"(record(path, steps: int, frame_every: int = 1, fps: int = 25, scale: int = 1) -> None

Makes the given number of steps and writes a video of the drawing to path, as segsim-cli run
--video does: frame 0 is the drawing as it stands, then one frame after every frame_every-th
step, fps frames a second (1 to 120). The extension chooses the format: .mp4 (H.264), .webm
(VP9) or .gif (lossless). The file appears whole when done; a write that fails raises OSError
and leaves nothing under path. Releases the GIL; Ctrl-C stops between two steps, and the video
then holds the steps made.)")
      .def_property_readonly(
          "grid", &GridArray,
          R"(The grid as a new numpy int32 array of shape (rows, cols): the group of the agent
on each cell (0 .. groups - 1), or -1 for an empty cell. A copy; changing it changes nothing.)")
      .def_property_readonly(
          "agents", &AgentFrame,
          R"(The agents in the order they move, as a pandas DataFrame with the columns column,
row, group (0 .. groups - 1) and satisfaction (percent, as last computed for its cell; 0 until
the first step computes it).)")
      .def("measures", &Measures,
           R"(measures() -> dict

The measures of the last step as a dict: step, moved, unsatisfied, satisfaction and
segregation (numpy arrays, one value per group, percent) and dissimilarity (a numpy array
groups x groups, symmetric, 0 on the diagonal). NaN where a group is empty. Before the first
step: the setup measured as it stands (satisfaction is 0 until a step computes it).)")
      .def("clusters", &Clusters,
           R"(clusters() -> list[list[int]]

The cluster sizes of each group at the last cluster analysis (steps 1, 31, 61,
...): a list with one list per group, each in order of discovery. Empty before the first step.)")
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

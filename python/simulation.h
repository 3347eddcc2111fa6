// The Simulation behind segsim.Simulation: one model with its measures, used from Python threads
// one at a time, with the GIL released while it works.
#pragma once

#include <mutex>

#include "measures/simulation.h"
#include "model/settings.h"
#include "picture/video_format.h"
#include "python/convert.h"

namespace segsim::python {

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

  const SetupParams& Params() const { return params_; }

private:
  SetupParams params_;  // as given; the model's settings hold what is in force
  Simulation sim_;
  std::mutex mutex_;
};

// The constructor's settings, each read and checked by segsim-cli run's option of that name
// (cell_size: --cell-size), in the order of the arguments; None for seed leaves it to the clock.
SetupParams ReadSetup(py::handle seed, py::handle agents, py::handle cellSize, py::handle groups,
                      py::handle radius, py::handle moveDistance, py::handle threshold,
                      py::handle tileSize, py::handle panel, py::handle shares = py::none(),
                      py::handle thresholds = py::none());

// The number of steps asked for, checked as segsim-cli run checks --steps.
std::int32_t StepCount(py::handle n);

// A video's path and frames, checked as segsim-cli run checks --video, --frame-every, --fps and
// --scale; the messages name the arguments (path, frame_every, fps, scale).
std::string VideoPath(py::handle path);
VideoSettings ReadVideoSettings(py::handle frameEvery, py::handle fps, py::handle scale);
// The scale of a picture, checked as --scale.
std::int32_t PictureScale(py::handle scale);

// The class's docstring: its signature with the defaults of a setup, and the limits.
const char* SimulationDoc();
// The constructor with its defaults, and the settings as attributes.
void BindSettings(py::class_<PySimulation>& cls);

}  // namespace segsim::python

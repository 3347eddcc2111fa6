// segsim.sweep: the rows of segsim-cli sweep as a DataFrame, run by the same engine on every core.
#include <pybind11/pybind11.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cli/sweep.h"
#include "cli/sweep_options.h"
#include "python/bindings.h"
#include "python/convert.h"

namespace segsim::python {

namespace {

// Stops the sweep once Python has a signal to raise (Ctrl-C). The engine tells it of every run
// done and about ten times a second while none completes, on the thread that runs the sweep.
class InterruptWatch : public SweepProgress {
public:
  void Update(std::int64_t, std::int64_t) override {
    if (!stop_ && SignalRaised()) stop_ = true;
  }
  const std::atomic<bool>& Stop() const { return stop_; }

private:
  std::atomic<bool> stop_{false};
};

// The command line's name of a setting: move_distance -> --move-distance.
std::string OptionName(std::string name) {
  for (char& c : name) {
    if (c == '_') c = '-';
  }
  return "--" + name;
}

// The values of one swept parameter as the text after NAME= of its --param option: a range as
// FROM:TO:STEP with TO its last value, a text as it stands, one integer as itself, anything else
// iterable as the list V1,V2,...
std::string AxisText(py::handle values) {
  if (PyObject_TypeCheck(values.ptr(), &PyRange_Type)) {
    const py::ssize_t count = py::len(values);
    if (count == 0) return "";
    const std::string from = OptionText(values[py::int_(0)]);
    const std::string to = OptionText(values[py::int_(count - 1)]);
    return from + ":" + to + ":" + OptionText(values.attr("step"));
  }
  if (py::isinstance<py::str>(values)) return py::str(values);
  if (PyIndex_Check(values.ptr())) return OptionText(values);
  std::string text;
  for (py::handle v : py::iter(values)) {
    if (!text.empty()) text += ',';
    text += OptionText(v);
  }
  return text;
}

py::object Sweep(py::dict params, py::handle runs, py::handle steps, py::handle seed,
                 py::handle jobs, py::kwargs settings) {
  std::vector<std::string> args;
  for (const auto& [name, values] : params) {
    args.emplace_back("--param");
    args.push_back(OptionName(py::str(name)).substr(2) + "=" + AxisText(values));
  }
  args.emplace_back("--runs");
  args.push_back(OptionText(runs));
  args.emplace_back("--steps");
  args.push_back(OptionText(steps));
  if (!seed.is_none()) {
    args.emplace_back("--seed");
    args.push_back(OptionText(seed));
  }
  // 0, every core, is the command line's default: it has no --jobs for it.
  if (const std::string jobsText = OptionText(jobs); jobsText != "0") {
    args.emplace_back("--jobs");
    args.push_back(jobsText);
  }
  for (const auto& [name, value] : settings) {
    const std::string key = py::str(name);
    if (key == "format") {
      throw py::type_error(
          "sweep() got an unexpected keyword argument 'format': the rows "
          "always come as a DataFrame");
    }
    args.push_back(OptionName(key));
    args.push_back(OptionText(value));
  }
  const SweepOptions options = ParseSweepOptions(args);

  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  if (out == nullptr) throw std::bad_alloc();
  const auto closeAndFree = [&]() {
    if (out) std::fclose(out);
    out = nullptr;
    std::free(buffer);
    buffer = nullptr;
  };
  InterruptWatch watch;
  SweepOutcome outcome;
  try {
    py::gil_scoped_release release;
    outcome = RunSweep(options, out, watch.Stop(), &watch);
  } catch (...) {
    closeAndFree();
    throw;
  }
  std::fclose(out);
  out = nullptr;
  const std::string text(buffer, size);
  closeAndFree();
  if (watch.Stop()) throw py::error_already_set();  // the KeyboardInterrupt of the signal
  for (const std::string& message : outcome.messages) {
    if (PyErr_WarnEx(PyExc_RuntimeWarning, message.c_str(), 1) != 0) throw py::error_already_set();
  }
  const py::object io = py::module_::import("io");
  return py::module_::import("pandas").attr("read_csv")(io.attr("StringIO")(text));
}

const char* const kSweepDoc =
    R"(sweep(params: dict, runs: int, steps: int, seed: int | None = None, jobs: int = 0, **settings) -> pandas.DataFrame

Runs a sweep as ``segsim-cli sweep`` does and returns its rows.

params    maps each swept parameter to its values: a range (range(10, 81, 10)), a list
          ([2, 4, 6]), one integer, or the command line's text ("10:80:10"). Names: groups,
          radius, move_distance, threshold, agents, tile_size. The combinations run in the
          order of the dict, the last parameter varying fastest.
runs      runs per combination; run i of the sweep uses seed seed + i
steps     steps per run
seed      S; None takes it from the clock (the "sweep" row gives it)
jobs      runs at the same time; 0 uses every core
settings  any other option of segsim-cli sweep, by its name with _ for -: the model's
          (agents=..., cell_size=..., panel=...) and cluster_threshold, degree, shard.

Returns a pandas DataFrame equal, column for column and value for value, to the CSV that
segsim-cli sweep prints with the same options (read by pandas.read_csv): the "sweep" row, one
"run" row per run in run order, and the summary rows. Its per-group columns segregation_g and
satisfaction_g number the groups from 1, as the command line does.

The runs release the GIL. Ctrl-C stops the sweep and raises KeyboardInterrupt. Bad options
raise ValueError with the command line's message; a fit that cannot be computed gives a
RuntimeWarning with its reason (and its _no_fit row).)";

}  // namespace

void BindSweep(py::module_& m) {
  m.def("sweep", &Sweep, py::arg("params"), py::arg("runs"), py::arg("steps"),
        py::arg("seed") = py::none(), py::arg("jobs") = 0, kSweepDoc);
}

}  // namespace segsim::python

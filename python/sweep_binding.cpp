// segsim.sweep: the rows of segsim-cli sweep as a DataFrame, run by the same engine on every core.
#include <pybind11/pybind11.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "model/random.h"
#include "python/bindings.h"
#include "python/convert.h"
#include "settings/sweep_schema.h"
#include "settings/sweep_settings.h"
#include "sweep/engine.h"

namespace segsim::python {

namespace {

// Collects the rows in the schema's columns as the engine hands them on, and stops the sweep
// once Python has a signal to raise (Ctrl-C): the engine calls Progress after every run and
// about ten times a second while none completes, on the thread that runs the sweep.
class FrameSink : public SweepSink {
public:
  explicit FrameSink(const SweepPlan& plan) : schema_(plan) {}

  void Add(const Record& record) { rows_.push_back(schema_.Fields(record)); }
  void Run(const RunRow& row) override { Add(RunRecord(row)); }
  void Summary(const SummaryRow& row) override { Add(SummaryRecord(row)); }
  void Progress(std::int64_t, std::int64_t) override {
    if (!stop_ && SignalRaised()) stop_ = true;
  }
  const std::atomic<bool>& Stop() const { return stop_; }

  // The rows of the command line's CSV: a column of whole numbers (the run, seed, clusters,
  // parameter values) as pandas' Int64 with <NA> for the empty fields, one of measures as float64
  // with NaN, one of texts as objects (str, NaN for the empty fields).
  py::object DataFrame() const;

private:
  py::object Column(std::size_t c, const std::string& name) const;

  RowSchema schema_;
  std::vector<std::vector<Field>> rows_;
  std::atomic<bool> stop_{false};
};

// A whole number that an int64 holds, as a CSV field of digits reads.
bool IsInteger(const Field& f) {
  if (std::holds_alternative<std::int64_t>(f)) return true;
  const auto* d = std::get_if<double>(&f);
  return d != nullptr && std::isfinite(*d) && std::trunc(*d) == *d && std::abs(*d) < 0x1p63;
}

// An empty field of the CSV: absent, or a value that does not exist.
bool IsMissing(const Field& f) {
  const auto* d = std::get_if<double>(&f);
  return std::holds_alternative<std::monostate>(f) || (d != nullptr && std::isnan(*d));
}

double Number(const Field& f) {
  if (const auto* i = std::get_if<std::int64_t>(&f)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&f)) return *d;
  return std::numeric_limits<double>::quiet_NaN();
}

// A column is whole numbers by the kind of its fields, not by the values they happen to have:
// the run, the seeds and the parameter values are integers; a summary row's clusters is a mean,
// which makes its column real. Only a summary row's value, the swept value as a real, counts
// as the integer it is.
py::object FrameSink::Column(std::size_t c, const std::string& name) const {
  const bool values = name == columns::kValue;
  bool text = false, integers = true, counted = false;
  for (const std::vector<Field>& row : rows_) {
    text = text || std::holds_alternative<std::string>(row[c]);
    counted = counted || std::holds_alternative<std::int64_t>(row[c]);
    integers = integers && (IsMissing(row[c]) || std::holds_alternative<std::int64_t>(row[c]) ||
                            (values && IsInteger(row[c])));
  }
  if (text) {
    py::list column;
    for (const std::vector<Field>& row : rows_) {
      if (const auto* s = std::get_if<std::string>(&row[c]))
        column.append(py::str(*s));
      else
        column.append(py::float_(Number(row[c])));
    }
    return column;
  }
  // A column of counts, seeds or parameter values: pandas' nullable Int64, <NA> where a row has
  // none, rather than floats.
  if (integers && counted) {
    std::vector<std::int64_t> column;
    std::vector<bool> missing;
    for (const std::vector<Field>& row : rows_) {
      missing.push_back(IsMissing(row[c]));
      column.push_back(missing.back() ? 0 : static_cast<std::int64_t>(Number(row[c])));
    }
    py::array_t<bool> mask(static_cast<py::ssize_t>(missing.size()));
    std::copy(missing.begin(), missing.end(), mask.mutable_data());
    return py::module_::import("pandas").attr("arrays").attr("IntegerArray")(
        ToArray(std::span<const std::int64_t>(column)), mask);
  }
  std::vector<double> column;
  for (const std::vector<Field>& row : rows_) column.push_back(Number(row[c]));
  return ToArray(std::span<const double>(column));
}

py::object FrameSink::DataFrame() const {
  Columns columns;
  const std::vector<std::string> names = schema_.Columns();
  for (std::size_t c = 0; c < names.size(); ++c) columns.Add(names[c], Column(c, names[c]));
  return columns.DataFrame();
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

// The options segsim-cli sweep reads from the same values, each value read by the sweep's
// option of its name: the swept parameters, runs, steps, seed and jobs, then the settings.
SweepOptions ReadOptions(py::dict params, py::handle runs, py::handle steps, py::handle seed,
                         py::handle jobs, py::kwargs settings) {
  const OptionTable<SweepOptions>& table = SweepOptionTable();
  SweepOptions options;
  std::set<std::string> given;
  const auto set = [&](const std::string& name, const std::string& text) {
    table.Set(options, name, text);
    given.insert(name);
  };
  for (const auto& [name, values] : params) {
    // share_2 and threshold_2 are named as on the command line; move_distance is move-distance.
    const std::string key = py::str(name);
    const std::string param = ParamByName(key) ? key : OptionName(key).substr(2);
    set("--param", param + "=" + AxisText(values));
  }
  set("--runs", OptionText(runs));
  set("--steps", OptionText(steps));
  if (!seed.is_none()) set("--seed", OptionText(seed));
  // 0, every core, is the command line's default: it has no --jobs for it.
  if (const std::string jobsText = OptionText(jobs); jobsText != "0") set("--jobs", jobsText);
  for (const auto& [name, value] : settings) {
    const std::string key = py::str(name);
    if (key == "format") {
      throw py::type_error(
          "sweep() got an unexpected keyword argument 'format': the rows "
          "always come as a DataFrame");
    }
    set(OptionName(key), key == "shares" || key == "thresholds" ? ListText(value) : OptionText(value));
  }
  if (options.help) return options;
  table.RequireGiven(given);
  CheckSweepOptions(options);
  return options;
}

py::object Sweep(py::dict params, py::handle runs, py::handle steps, py::handle seed,
                 py::handle jobs, py::kwargs settings) {
  SweepOptions options = ReadOptions(params, runs, steps, seed, jobs, settings);
  if (!options.params.Seed) options.params.Seed = ClockSeed();
  const SweepPlan plan = PlanOf(options);
  FrameSink sink(plan);
  sink.Add(SweepRecord(*options.params.Seed, SweepCommand(options, true)));
  PlanOutcome outcome;
  {
    py::gil_scoped_release release;
    outcome = RunPlan(plan, {options.shard, options.jobs}, sink, sink.Stop());
  }
  if (sink.Stop()) throw py::error_already_set();  // the KeyboardInterrupt of the signal
  for (const std::string& message : outcome.messages) {
    if (PyErr_WarnEx(PyExc_RuntimeWarning, message.c_str(), 1) != 0) throw py::error_already_set();
  }
  return sink.DataFrame();
}

const char* const kSweepDoc =
    R"(sweep(params: dict, runs: int, steps: int, seed: int | None = None, jobs: int = 0, **settings) -> pandas.DataFrame

Runs a sweep as ``segsim-cli sweep`` does and returns its rows.

params    maps each swept parameter to its values: a range (range(10, 81, 10)), a list
          ([2, 4, 6]), one integer, or the command line's text ("10:80:10"). Names: groups,
          radius, move_distance, threshold, agents, tile_size, minority, share_1, ...,
          threshold_1, ... (as the command line names them). The combinations run in the
          order of the dict, the last parameter varying fastest.
runs      runs per combination; run i of the sweep uses seed seed + i
steps     steps per run
seed      S; None takes it from the clock (the "sweep" row gives it)
jobs      runs at the same time; 0 uses every core
settings  any other option of segsim-cli sweep, by its name with _ for -: the model's
          (agents=..., cell_size=..., panel=...) and cluster_threshold, degree, shard.

Returns a pandas DataFrame equal, column for column and value for value, to the CSV that
segsim-cli sweep prints with the same options (read by pandas.read_csv): the "sweep" row, one
"run" row per run in run order, and the summary rows. The columns of whole numbers (run, seed,
clusters, the swept parameters' values and applied values) are pandas' nullable Int64, <NA>
where a row has none, where read_csv would give floats for a column with gaps. Its per-group columns segregation_g and
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

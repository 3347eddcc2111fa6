// The page's entry points (Embind): the main window's run (its fields with their corrections and
// messages, the steps, the drawing, the measures the analysis window shows, the run's command and
// address), the settings of segsim-cli run as the page's fields, and the sweep the worker runs.
// Every rule lives in the core; this file only passes texts and numbers between it and the page.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "charts/log_thinning.h"
#include "measures/run_changes.h"
#include "measures/simulation.h"
#include "model/error.h"
#include "model/limits.h"
#include "model/numeric.h"
#include "settings/run_settings.h"
#include "settings/sweep_settings.h"
#include "sweep/engine.h"
#include "picture/pixels.h"

namespace segsim::web {

namespace {

using emscripten::val;

// The options of segsim-cli run the page neither shows nor takes from an address: the output's
// and the files a run writes (the page saves pictures and records videos itself).
bool PageOption(const std::string& name) {
  static const std::set<std::string> kNotOnThePage = {
      "--summary", "--help", "--set", "--video", "--frame-every", "--fps", "--scale", "--picture"};
  return !kNotOnThePage.contains(name);
}

// The window's fields whose text is corrected as it changes, by the option they set.
const std::map<std::string, LimitedField>& LimitedFields() {
  static const std::map<std::string, LimitedField> fields = {
      {"agents", LimitedField::AgentCount},       {"cell-size", LimitedField::CellSize},
      {"groups", LimitedField::GroupCount},       {"radius", LimitedField::NeighbourRadius},
      {"move-distance", LimitedField::MoveDistance},
  };
  return fields;
}

val Doubles(const std::vector<double>& values) {
  val out = val::array();
  for (double v : values) out.call<void>("push", v);
  return out;
}

val Ints(std::span<const std::int32_t> values) {
  val out = val::array();
  for (std::int32_t v : values) out.call<void>("push", v);
  return out;
}

// The value a run option writes for these options ("" for none).
std::string ValueOf(const OptionDef<RunOptions>& d, const RunOptions& o) {
  if (!d.write) return {};
  const std::vector<std::string> values = d.write(o);
  return values.empty() ? std::string() : values.front();
}

// A copy of the values as a JavaScript Float64Array.
val Float64s(std::span<const double> values) {
  return val(emscripten::typed_memory_view(values.size(), values.data())).call<val>("slice");
}

// Collects the measures as the analysis window receives them, for the page to take. The lines
// over log time are thinned as the window's are, so that a long run's charts hold a few thousand
// points however many steps it makes.
class Measures : public MeasureSink {
public:
  void ResetCharts(const Model& model) override {
    const auto groups = static_cast<std::size_t>(std::max(model.Settings().GroupCount, 0));
    satisfaction_.assign(groups, LogThinnedSeries());
    segregation_.assign(groups, LogThinnedSeries());
    reset_ = true;
  }
  void AddSatisfactionPoint(std::int32_t g, double x, double y) override {
    Line(satisfaction_, g).Add(x, y);
  }
  void AddSegregationPoint(std::int32_t g, double x, double y) override {
    Line(segregation_, g).Add(x, y);
  }
  void ShowDissimilarity(const Dissimilarity&) override {}
  void ShowClusterSizes(const Model&, const ClusterSizes&) override {}

  // The lines as they stand, and whether they were reset since the last take:
  // {reset, satisfaction: {x, y: [per group]}, segregation: the same}.
  val Take() {
    val out = val::object();
    out.set("reset", reset_);
    out.set("satisfaction", Aligned(satisfaction_));
    out.set("segregation", Aligned(segregation_));
    reset_ = false;
    return out;
  }

private:
  static LogThinnedSeries& Line(std::vector<LogThinnedSeries>& lines, std::int32_t g) {
    if (static_cast<std::size_t>(g) >= lines.size()) lines.resize(static_cast<std::size_t>(g) + 1);
    return lines[static_cast<std::size_t>(g)];
  }
  // One chart's lines over one x, the steps any of them keeps: each line's y at those steps, NaN
  // for no value (a gap) and +Infinity where its thinning left the step out (the line passes).
  static val Aligned(const std::vector<LogThinnedSeries>& lines) {
    std::vector<double> x;
    for (const LogThinnedSeries& line : lines) {
      for (const ThinPoint& p : line.Kept()) x.push_back(p.x);
    }
    std::sort(x.begin(), x.end());
    x.erase(std::unique(x.begin(), x.end()), x.end());
    val ys = val::array();
    for (const LogThinnedSeries& line : lines) {
      std::vector<double> y(x.size(), std::numeric_limits<double>::infinity());
      for (const ThinPoint& p : line.Kept()) {
        y[static_cast<std::size_t>(std::lower_bound(x.begin(), x.end(), p.x) - x.begin())] = p.y;
      }
      ys.call<void>("push", Float64s(y));
    }
    val out = val::object();
    out.set("x", Float64s(x));
    out.set("y", ys);
    return out;
  }

  bool reset_ = true;
  std::vector<LogThinnedSeries> satisfaction_, segregation_;
};

}  // namespace

// The main window's run.
class Page {
public:
  Page() : sim_(&canvas_, &measures_) {
    // T of the segregation index is the agent field's integer at each computation.
    sim_.SetPopulationTotalSource([this] { return StrToInt(fields_["agents"]); });
    const RunOptions defaults;
    for (const auto& d : RunOptionTable().Options()) {
      if (PageOption(d.text.name)) fields_[d.text.name.substr(2)] = ValueOf(d, defaults);
    }
    fields_["seed"] = "1";
    fields_["cluster-threshold"] = "1";
  }

  // The options of segsim-cli run the page shows as fields: {name, valueName, meaning, value}.
  static val Options() {
    val out = val::array();
    const RunOptions defaults;
    for (const auto& d : RunOptionTable().Options()) {
      if (!PageOption(d.text.name)) continue;
      val o = val::object();
      o.set("name", d.text.name.substr(2));
      o.set("valueName", d.text.valueName);
      o.set("meaning", d.text.meaning);
      o.set("value", ValueOf(d, defaults));
      out.call<void>("push", o);
    }
    return out;
  }

  // The settings of an address ("seed=1&threshold=30"), each read as segsim-cli run reads its
  // option; one it refuses keeps its default, and the message says which and why. Then the
  // setup. Returns the messages.
  val ReadAddress(const std::string& address) {
    RunOptions options;
    std::vector<std::string> given;
    std::vector<std::string> sets;
    val ignored = val::array();
    std::size_t start = 0;
    while (start <= address.size()) {
      std::size_t end = address.find('&', start);
      if (end == std::string::npos) end = address.size();
      const std::string pair = address.substr(start, end - start);
      start = end + 1;
      if (pair.empty()) continue;
      const std::size_t eq = pair.find('=');
      const std::string name = pair.substr(0, eq);
      const std::string value = eq == std::string::npos ? "" : pair.substr(eq + 1);
      if (name == "set") {
        sets.push_back(value);
        continue;
      }
      try {
        if (!PageOption("--" + name) || name == "cluster-threshold") {
          if (name == "cluster-threshold") {
            StrToInt(value);
            fields_[name] = value;
            continue;
          }
          throw UsageError("unknown option '--" + name + "'");
        }
        RunOptions tried = options;
        RunOptionTable().Set(tried, "--" + name, value);
        options = tried;
        given.push_back(name);
      } catch (const std::exception& e) {
        ignored.call<void>("push", "ignored " + name + "=" + value + ": " + e.what());
      }
    }
    // Settings that each pass but no model takes together: the last given goes back to its
    // default until the rest pass.
    while (true) {
      try {
        CheckModelOptions(options.params);
        break;
      } catch (const std::exception& e) {
        if (given.empty()) throw;
        const std::string name = given.back();
        given.pop_back();
        const RunOptions defaults;
        const std::string value = ValueOf(*RunOptionTable().Find("--" + name), defaults);
        if (!value.empty()) RunOptionTable().Set(options, "--" + name, value);
        ignored.call<void>("push", "ignored " + name + ": " + e.what());
      }
    }
    for (const auto& d : RunOptionTable().Options()) {
      if (PageOption(d.text.name)) fields_[d.text.name.substr(2)] = ValueOf(d, options);
    }
    if (!options.params.Seed) fields_["seed"] = "1";
    setupsMade_ = 0;
    const std::string failed = NewSetup();
    if (!failed.empty()) ignored.call<void>("push", failed);
    // The changes made while the linked run ran ("set=STEP:NAME=VALUE", as --set has them), made
    // again as the steps reach them; only those the page's own controls make.
    const auto last = options.steps > 0 ? static_cast<std::uint32_t>(options.steps) : UINT32_MAX;
    for (const std::string& text : sets) {
      try {
        const SettingChange change = ParseSetArgument(text, last);
        if (change.setting == RunSetting::GroupThreshold) {
          throw SegsimError("the page changes no group's own threshold while the model runs");
        }
        scheduled_.push_back(change);
      } catch (const std::exception& e) {
        ignored.call<void>("push", "ignored set=" + text + ": " + e.what());
      }
    }
    return ignored;
  }

  std::string Field(const std::string& name) const {
    const auto found = fields_.find(name);
    return found == fields_.end() ? std::string() : found->second;
  }

  // A field's new text, handled as the window's change handler handles it: the corrections of
  // the limited fields (the field's text may change; Field gives it), the run settings taken at
  // once. Returns the window's message for a text it refuses, else "".
  std::string SetField(const std::string& name, const std::string& text) {
    fields_[name] = text;
    try {
      Model& m = sim_.Model();
      const ModelSettings& s = m.Settings();
      if (const auto limited = LimitedFields().find(name); limited != LimitedFields().end()) {
        const LimitContext grid{s.Cols, s.Rows, PanelWidth()};
        const std::int32_t value = StrToInt(text);
        const std::int32_t corrected = ApplyFieldLimits(limited->second, value, grid);
        if (corrected != value) fields_[name] = std::to_string(corrected);
        if (name == "agents") runLog_.Record(RunSetting::Agents, corrected);
      } else if (name == "tile-size") {
        const std::int32_t size = StrToInt(text);
        m.SetTileSize(size);
        runLog_.Record(RunSetting::TileSize, TileEdge(size));
      } else if (name == "steps") {
        m.SetStopStep(StrToInt(text));
      } else if (name == "threshold") {
        const std::int32_t value = ClampThreshold(StrToInt(text));
        fields_[name] = std::to_string(value);
        m.SetThreshold(static_cast<std::uint32_t>(value));
        runLog_.Record(RunSetting::Threshold, value);
      } else if (name == "cluster-threshold") {
        StrToInt(text);
      } else if (name == "seed") {
        ParseSeed(text);
      } else {
        // Another setting of the setup: read as segsim-cli run reads it, used at the next setup.
        RunOptions tried;
        if (!text.empty()) RunOptionTable().Set(tried, "--" + name, text);
      }
    } catch (const std::exception& e) {
      return e.what();
    }
    return {};
  }

  // "new Setup": every setting read from its field; the first that is refused gives its message,
  // naming the field, and the model that runs goes on unchanged. Its random seed is the page's
  // seed plus the setups made since the address was read.
  std::string NewSetup() {
    RunOptions options;
    try {
      for (const auto& d : RunOptionTable().Options()) {
        const std::string name = d.text.name.substr(2);
        if (!PageOption(d.text.name) || name == "seed" || name == "steps") continue;
        const std::string& text = fields_[name];
        // An option that writes nothing by default (a list) keeps its default while empty.
        if (text.empty() && ValueOf(d, RunOptions{}).empty()) continue;
        if (LimitedFields().contains(name) || name == "tile-size" || name == "threshold") {
          StrToInt(text);
        }
        RunOptionTable().Set(options, d.text.name, text);
      }
      options.params.StopStep = StrToInt(fields_["steps"]);
      options.params.Seed = ParseSeed(fields_["seed"]) + setupsMade_;
      sim_.NewSetup(options.params);
    } catch (const std::exception& e) {
      return e.what();
    }
    ++setupsMade_;
    scheduled_.clear();
    SetupParams used = options.params;
    used.AgentCount = sim_.Model().AgentCountUsed();
    // More agents were asked for than the grid holds: the field shows the count created.
    if (sim_.Model().AgentCountCapped()) fields_["agents"] = std::to_string(used.AgentCount);
    runLog_.Reset(used);
    return {};
  }

  // Up to n steps, each as the window makes one; ends at the stop step (by equality). Returns
  // the steps made, or raises the model's message (SegsimError) through the page's catch.
  std::string Steps(int n) {
    try {
      Model& m = sim_.Model();
      for (int i = 0; i < n; ++i) {
        ApplyScheduled(m.TimeStep() + 1);
        sim_.Step();
        runLog_.CountStep();
        if (static_cast<std::int64_t>(m.TimeStep()) == m.Settings().StopStep) {
          atStop_ = true;
          break;
        }
      }
    } catch (const std::exception& e) {
      return e.what();
    }
    return {};
  }
  // A change the address scheduled was made since the last call, and the fields show it
  // (read once).
  bool TakeScheduledMade() {
    const bool made = scheduledMade_;
    scheduledMade_ = false;
    return made;
  }
  // The last Steps ended at the stop step (read once).
  bool TakeAtStop() {
    const bool at = atStop_;
    atStop_ = false;
    return at;
  }

  std::uint32_t TimeStep() const { return sim_.Model().TimeStep(); }
  std::string Command() const {
    return RepeatRunCommand(runLog_.Setup(), static_cast<std::int32_t>(runLog_.Steps()),
                            runLog_.Changes());
  }
  // The address of the setup in force: every run option as name=value in the table's order (the
  // stop step as steps), and the cluster threshold.
  std::string Address() const {
    RunOptions options;
    options.params = runLog_.Setup();
    options.steps = sim_.Model().Settings().StopStep;
    std::string address;
    for (const auto& d : RunOptionTable().Options()) {
      if (!PageOption(d.text.name)) continue;
      const std::string value = ValueOf(d, options);
      if (value.empty()) continue;
      if (!address.empty()) address += '&';
      address += d.text.name.substr(2) + "=" + value;
    }
    for (const SettingChange& change : runLog_.Changes()) address += "&set=" + SetArgument(change);
    return address + "&cluster-threshold=" + Field("cluster-threshold");
  }

  val TakePoints() { return measures_.Take(); }

  // What the analysis window shows: {groupSizes, colors, satisfaction, segregation,
  // dissimilarity (G x G, halved, upper triangle), clusters (per group, sizes above the
  // cluster threshold), rows, cols}.
  val Analysis() {
    const Model& m = sim_.Model();
    const StepMeasures& last = sim_.LastMeasures();
    val out = val::object();
    out.set("timeStep", m.TimeStep());
    out.set("rows", m.Settings().Rows);
    out.set("cols", m.Settings().Cols);
    out.set("agents", m.AgentCountUsed());
    out.set("groupSizes", Ints(m.GroupSizes()));
    val colors = val::array();
    for (Color c : m.GroupColors()) colors.call<void>("push", c);
    out.set("colors", colors);
    out.set("satisfaction", Doubles(last.satisfaction));
    out.set("segregation", Doubles(last.dissimilarity.segregation));
    val d = val::array();
    const auto& dis = last.dissimilarity;
    const std::size_t g = dis.segregation.size();
    for (std::size_t i = 0; i < g; ++i) {
      val row = val::array();
      for (std::size_t j = 0; j < g; ++j) row.call<void>("push", j >= i ? dis.pair[i * g + j] : 0.0);
      d.call<void>("push", row);
    }
    out.set("dissimilarity", d);
    // The analysis window's table as its texts: row i holds D(i, j) for j >= i (0 on the
    // diagonal, blank below it), the last row IS(i).
    val table = val::array();
    for (std::size_t i = 0; i <= g; ++i) {
      val row = val::array();
      for (std::size_t j = 0; j < g; ++j) {
        row.call<void>("push", i == g   ? DisplayText(dis.segregation[j])
                               : j >= i ? DisplayText(dis.pair[i * g + j])
                                        : std::string());
      }
      table.call<void>("push", row);
    }
    out.set("table", table);
    std::int32_t threshold = 1;
    try {
      threshold = StrToInt(fields_["cluster-threshold"]);
    } catch (const SegsimError&) {
    }
    val clusters = val::array();
    for (const auto& sizes : sim_.Clusters()) {
      std::vector<std::int32_t> above;
      for (std::int32_t s : sizes) {
        if (s > threshold) above.push_back(s);
      }
      clusters.call<void>("push", Ints(above));
    }
    out.set("clusters", clusters);
    out.set("clusterThreshold", threshold);
    return out;
  }

  int Width() const { return canvas_.Width(); }
  int Height() const { return canvas_.Height(); }
  // The drawing as bytes R, G, B, A per pixel, as the page's ImageData takes them: the window's
  // pixels (0xFFRRGGBB) with red and blue swapped, renewed when the page asks for a frame.
  std::uintptr_t Pixels() {
    const std::size_t count = static_cast<std::size_t>(canvas_.Width()) * canvas_.Height();
    rgba_.resize(count);
    const Pixel* from = canvas_.Pixels();
    for (std::size_t i = 0; i < count; ++i) {
      const Pixel p = from[i];
      rgba_[i] = (p & 0xFF00FF00u) | (p >> 16 & 0xFFu) | (p & 0xFFu) << 16;
    }
    return reinterpret_cast<std::uintptr_t>(rgba_.data());
  }

private:
  std::int32_t PanelWidth() const {
    try {
      return StrToInt(Field("panel"));
    } catch (const SegsimError&) {
      return kPanelSize;
    }
  }

  // The address's changes that act before this step, made as the page's controls make them, so
  // that the run log, the fields and the model take them as they take a change by hand. A value
  // the run cannot take ends the steps with segsim-cli's message for it.
  void ApplyScheduled(std::uint32_t step) {
    for (const SettingChange& change : scheduled_) {
      if (change.step != step) continue;
      CheckRunSetting(sim_.Model(), change.setting, change.value);
      const std::string refused =
          SetField(RunSettingName(change.setting), std::to_string(change.value));
      if (!refused.empty()) throw SegsimError(refused);
      scheduledMade_ = true;
    }
    std::erase_if(scheduled_, [&](const SettingChange& c) { return c.step <= step; });
  }

  PixelCanvas canvas_;
  std::vector<Pixel> rgba_;
  Measures measures_;
  Simulation sim_;
  RunLog runLog_;
  std::map<std::string, std::string> fields_;
  std::uint32_t setupsMade_ = 0;
  bool atStop_ = false;
  std::vector<SettingChange> scheduled_;  // from the address, for the setup it made
  bool scheduledMade_ = false;
};

namespace {

// Hands the sweep's runs and progress to the worker's callbacks as they come.
class WorkerSink : public SweepSink {
public:
  explicit WorkerSink(val callbacks) : callbacks_(std::move(callbacks)) {}
  void Run(const RunRow& row) override {
    val r = val::object();
    r.set("run", static_cast<double>(row.run));
    r.set("value", row.values.empty() ? 0 : row.values.front());
    r.set("seed", row.seed);
    r.set("clusters", row.clusters);
    r.set("meanIs", row.meanIs);
    callbacks_.call<void>("run", r);
  }
  void Summary(const SummaryRow& row) override {
    val r = val::object();
    r.set("kind", row.kind);
    r.set("x", row.x ? val(*row.x) : val::null());
    r.set("clusters", row.clusters ? val(*row.clusters) : val::null());
    r.set("meanIs", row.meanIs ? val(*row.meanIs) : val::null());
    r.set("note", row.note);
    callbacks_.call<void>("summary", r);
  }
  void Progress(std::int64_t done, std::int64_t planned) override {
    callbacks_.call<void>("progress", static_cast<double>(done), static_cast<double>(planned));
  }

private:
  val callbacks_;
};

// The options of segsim-cli sweep as {name, valueName, meaning}, for the sweep's fields.
val SweepOptions() {
  val out = val::array();
  for (const auto& d : SweepOptionTable().Options()) {
    val o = val::object();
    o.set("name", d.text.name.substr(2));
    o.set("valueName", d.text.valueName);
    o.set("meaning", d.text.meaning);
    out.call<void>("push", o);
  }
  return out;
}

// A sweep from {name: text} read as segsim-cli sweep reads its options, run here (in the
// worker) with its rows handed to callbacks {run, summary, progress}. Returns "" or the message
// that refuses the settings; the messages of fits that could not be computed go to summary
// rows' notes.
std::string RunSweep(val settings, val callbacks) {
  try {
    segsim::SweepOptions options;
    const val keys = val::global("Object").call<val>("keys", settings);
    std::set<std::string> given;
    const int n = keys["length"].as<int>();
    for (int i = 0; i < n; ++i) {
      const std::string name = keys[i].as<std::string>();
      SweepOptionTable().Set(options, "--" + name, settings[name].as<std::string>());
      given.insert("--" + name);
    }
    SweepOptionTable().RequireGiven(given);
    CheckSweepOptions(options);
    const SweepPlan plan = PlanOf(options);
    WorkerSink sink(callbacks);
    RunPlanOptions run;
    run.jobs = 1;
    const std::atomic<bool> stop{false};
    RunPlan(plan, run, sink, stop);
  } catch (const std::exception& e) {
    return e.what();
  }
  return {};
}

// The window's integer conversion of a field's text: "" or its message.
std::string IntMessage(const std::string& text) {
  try {
    StrToInt(text);
  } catch (const SegsimError& e) {
    return e.what();
  }
  return {};
}

}  // namespace

}  // namespace segsim::web

EMSCRIPTEN_BINDINGS(segsim) {
  using segsim::web::Page;
  emscripten::class_<Page>("Page")
      .constructor<>()
      .class_function("options", &Page::Options)
      .function("readAddress", &Page::ReadAddress)
      .function("field", &Page::Field)
      .function("setField", &Page::SetField)
      .function("newSetup", &Page::NewSetup)
      .function("steps", &Page::Steps)
      .function("takeAtStop", &Page::TakeAtStop)
      .function("takeScheduledMade", &Page::TakeScheduledMade)
      .function("timeStep", &Page::TimeStep)
      .function("command", &Page::Command)
      .function("address", &Page::Address)
      .function("takePoints", &Page::TakePoints)
      .function("analysis", &Page::Analysis)
      .function("width", &Page::Width)
      .function("height", &Page::Height)
      .function("pixels", &Page::Pixels);
  emscripten::function("sweepOptions", &segsim::web::SweepOptions);
  emscripten::function("runSweep", &segsim::web::RunSweep);
  emscripten::function("intMessage", &segsim::web::IntMessage);
}

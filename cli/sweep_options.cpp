#include "cli/sweep_options.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "model/model.h"
#include "model/numeric.h"

namespace segsim {

namespace {

constexpr std::int64_t kMaxRuns = std::numeric_limits<std::int32_t>::max();

SweepParam ParseParam(const std::string& text) {
  for (SweepParam p : {SweepParam::Groups, SweepParam::Radius, SweepParam::MoveDistance,
                       SweepParam::Threshold}) {
    if (text == ParamName(p)) return p;
  }
  throw UsageError("--param must be groups, radius, move-distance or threshold, not '" + text +
                   "'");
}

OutputFormat ParseFormat(const std::string& text) {
  if (text == "csv") return OutputFormat::Csv;
  if (text == "jsonl") return OutputFormat::Jsonl;
  throw UsageError("--format must be csv or jsonl, not '" + text + "'");
}

ShardSpec ParseShard(const std::string& text) {
  const auto slash = text.find('/');
  std::int32_t k = -1;
  std::int32_t n = 0;
  if (slash == std::string::npos || !TryStrToInt(text.substr(0, slash), k) ||
      !TryStrToInt(text.substr(slash + 1), n) || n < 1 || k < 0 || k >= n) {
    throw UsageError("--shard must be K/N with 0 <= K < N, not '" + text + "'");
  }
  return {k, n};
}

LimitContext GridOf(const SetupParams& p) {
  LimitContext c;
  c.cols = static_cast<std::int32_t>(Round(static_cast<Extended>(p.PanelWidth) / p.CellSize));
  c.rows = static_cast<std::int32_t>(Round(static_cast<Extended>(p.PanelHeight) / p.CellSize));
  c.panelWidth = p.PanelWidth;
  return c;
}

// Values from, from + I, ... while not above to; the first always runs.
std::int64_t CountValues(std::int64_t from, std::int64_t to, std::int64_t increment) {
  if (from > to) {
    if (from + increment > to) return 1;
  } else if (increment > 0) {
    return (to - from) / increment + 1;
  }
  throw UsageError("the values from " + std::to_string(from) + " by " + std::to_string(increment) +
                   " never exceed " + std::to_string(to) +
                   ": the sweep would not end (the increment must be at least 1)");
}

}  // namespace

const char* ParamName(SweepParam param) {
  switch (param) {
    case SweepParam::Groups: return "groups";
    case SweepParam::Radius: return "radius";
    case SweepParam::MoveDistance: return "move-distance";
    case SweepParam::Threshold: return "threshold";
  }
  return "";
}

const OptionTable<SweepOptions>& SweepOptionTable() {
  static const OptionTable<SweepOptions> table = [] {
    using O = SweepOptions;
    const auto one = [](std::int64_t v) { return std::vector<std::string>{std::to_string(v)}; };
    std::vector<OptionDef<O>> defs;
    defs.push_back({{"--param", "P", "groups, radius, move-distance or threshold", "", true},
                    [](O& o, const std::string& v) { o.param = ParseParam(v); },
                    [](const O& o) { return std::vector<std::string>{ParamName(o.param)}; }});
    defs.push_back(IntOption<O>({"--from", "A",
                                 "first value; each value is limited as the main window's field "
                                 "limits it, and recorded at the value swept",
                                 "", true},
                                &O::from));
    defs.push_back(IntOption<O>(
        {"--to", "B", "the values run are A, A + I, ... not above B (A always runs)", "", true},
        &O::to));
    defs.push_back(IntOption<O>(
        {"--increment", "I", "step between values; at least 1 unless A is above B", "", true},
        &O::increment));
    defs.push_back(IntOption<O>({"--runs", "R", "runs per value, at least 1", "", true}, &O::runs,
                                1, kMaxRuns, "at least 1"));
    defs.push_back({{"--steps", "T", "timesteps per run (below 1 counts as 1)", "", true},
                    [](O& o, const std::string& v) {
                      o.steps = std::max(ParseInt("--steps", v), 1);
                    },
                    [one](const O& o) { return one(o.steps); }});
    defs.push_back(IntOption<O>({"--cluster-threshold", "K", "count clusters of more than K agents"},
                                &O::clusterThreshold));
    defs.push_back(Nested(SeedOption("run i uses seed S + i (modulo 2^32); any 32-bit value, "
                                     "decimal or hexadecimal",
                                     "the clock, printed in the sweep row"),
                          &O::params));
    defs.push_back(IntOption<O>({"--degree", "D", "coefficients of the polynomial fit, 2 to 20"},
                                &O::degree, 2, 20, "from 2 to 20"));
    defs.push_back({{"--format", "F", "csv or jsonl"},
                    [](O& o, const std::string& v) { o.format = ParseFormat(v); },
                    [](const O& o) {
                      return std::vector<std::string>{o.format == OutputFormat::Csv ? "csv"
                                                                                    : "jsonl"};
                    }});
    AppendModelOptions(defs, &O::params);
    defs.push_back({{"--shard", "K/N",
                     "only the runs i with i mod N = K, without averages or fits; needs --seed; "
                     "join the shards with segsim-cli merge"},
                    [](O& o, const std::string& v) { o.shard = ParseShard(v); },
                    [](const O& o) {
                      if (o.shard.count == 1) return std::vector<std::string>{};
                      return std::vector<std::string>{std::to_string(o.shard.index) + "/" +
                                                      std::to_string(o.shard.count)};
                    }});
    defs.push_back({{"--jobs", "J", "runs at once on J threads, 1 to 1024", "every core"},
                    [](O& o, const std::string& v) {
                      o.jobs = ParseInRange("--jobs", v, 1, 1024, "from 1 to 1024");
                    },
                    nullptr});
    defs.push_back(HelpOption(&O::help));
    return OptionTable<O>("sweep",
                          "Runs the model R times for each value A, A + I, ... not above B (A "
                          "always runs) and prints\none row per run, then the per-value averages, "
                          "the linear trend and the polynomial fit.",
                          std::move(defs));
  }();
  return table;
}

SweepOptions ParseSweepOptions(std::span<const std::string> args) {
  const SweepOptions o = SweepOptionTable().Parse(args);
  if (o.help) return o;
  CheckModelOptions(o.params);
  if (o.shard.count > 1 && !o.params.Seed) {
    throw UsageError("--shard needs --seed, so that every shard gives its runs the same seeds");
  }
  const SweepPlan plan(o);  // refuses a sweep that never ends or is too large
  return o;
}

std::string SweepCommand(const SweepOptions& o, bool withShard) {
  if (!o.params.Seed) throw std::logic_error("the command that repeats a sweep needs its seed");
  if (withShard) return SweepOptionTable().RepeatCommand(o);
  return SweepOptionTable().RepeatCommand(o, {"--shard"});
}

SweepPlan::SweepPlan(const SweepOptions& o)
    : param_(o.param), from_(o.from), increment_(o.increment), runsPerValue_(o.runs),
      limits_(GridOf(o.params)), base_(o.params) {
  if (runsPerValue_ < 1) throw UsageError("--runs must be at least 1");
  valueCount_ = CountValues(o.from, o.to, o.increment);
  if (valueCount_ > kMaxRuns / runsPerValue_) {
    throw UsageError("the sweep has " + std::to_string(valueCount_) + " values of " +
                     std::to_string(runsPerValue_) + " runs; at most " + std::to_string(kMaxRuns) +
                     " runs are possible");
  }
  maxGroups_ = base_.GroupCount;
  if (param_ == SweepParam::Groups) {
    // The group field's limit only raises values below 1, so the last value has the most.
    maxGroups_ = std::max(AppliedAt(0), AppliedAt(valueCount_ - 1));
    const std::int64_t cells = static_cast<std::int64_t>(limits_.cols) * limits_.rows;
    if (maxGroups_ > cells) {
      throw UsageError("--param groups: " + std::to_string(maxGroups_) +
                       " groups do not fit a grid of " + std::to_string(cells) + " cells");
    }
    if (maxGroups_ > kMaxGroupCount) {
      throw UsageError("--param groups: at most " + std::to_string(kMaxGroupCount) +
                       " groups, not " + std::to_string(maxGroups_));
    }
  }
}

std::int32_t SweepPlan::ValueAt(std::int64_t k) const {
  return static_cast<std::int32_t>(from_ + k * increment_);
}

std::int32_t SweepPlan::AppliedAt(std::int64_t k) const {
  const std::int32_t v = ValueAt(k);
  switch (param_) {
    case SweepParam::Groups: return ApplyFieldLimits(LimitedField::GroupCount, v, limits_);
    case SweepParam::Radius: return ApplyFieldLimits(LimitedField::NeighbourRadius, v, limits_);
    case SweepParam::MoveDistance: return ApplyFieldLimits(LimitedField::MoveDistance, v, limits_);
    case SweepParam::Threshold: return ClampThreshold(v);
  }
  return v;
}

SetupParams SweepPlan::RunSetup(std::int64_t run, std::uint32_t seed) const {
  SetupParams p = base_;
  const std::int32_t applied = AppliedAt(run / runsPerValue_);
  switch (param_) {
    case SweepParam::Groups: p.GroupCount = applied; break;
    case SweepParam::Radius: p.NeighbourRadius = applied; break;
    case SweepParam::MoveDistance: p.MoveDistance = applied; break;
    case SweepParam::Threshold: p.Threshold = static_cast<std::uint32_t>(applied); break;
  }
  p.Seed = seed + static_cast<std::uint32_t>(run);
  return p;
}

}  // namespace segsim

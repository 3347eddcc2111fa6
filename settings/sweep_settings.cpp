#include "settings/sweep_settings.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "model/error.h"
#include "model/model.h"
#include "model/numeric.h"

namespace segsim {

namespace {

constexpr std::int64_t kMaxRuns = std::numeric_limits<std::int32_t>::max();

constexpr const char* kParamNames =
    "groups, radius, move-distance, threshold, agents, tile-size, minority, share_g or threshold_g";

SweepParam ParseParam(const std::string& text) {
  if (const auto p = ParamByName(text)) return *p;
  throw UsageError(std::string("--param must be ") + kParamNames + ", not '" + text + "'");
}

std::int32_t ParseValue(const std::string& option, const std::string& text) {
  std::int32_t v = 0;
  if (!TryStrToInt(text, v)) {
    throw UsageError("--param " + option + ": '" + text + "' is " +
                     (IsIntegerOutOfRange(text) ? "out of range" : "no integer"));
  }
  return v;
}

std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == separator)
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

// NAME=FROM:TO:STEP or NAME=V1,V2,...
SweepAxis ParseAxis(const std::string& text) {
  const auto equals = text.find('=');
  const std::string name = text.substr(0, equals);
  const SweepParam param = ParseParam(name);
  const std::string values = text.substr(equals + 1);
  try {
    if (values.find(':') != std::string::npos) {
      const auto parts = SplitAt(values, ':');
      if (parts.size() != 3) {
        throw UsageError("--param " + text + ": a range is FROM:TO:STEP, three integers");
      }
      return SweepAxis::Range(param, ParseValue(text, parts[0]), ParseValue(text, parts[1]),
                              ParseValue(text, parts[2]));
    }
    if (values.empty()) throw UsageError("--param " + text + ": the list is empty");
    std::vector<std::int32_t> list;
    for (const std::string& v : SplitAt(values, ',')) list.push_back(ParseValue(text, v));
    return SweepAxis::List(param, std::move(list));
  } catch (const SegsimError& e) {
    throw UsageError(e.what());
  }
}

void ReadParam(SweepOptions& o, const std::string& text) {
  if (text.find('=') == std::string::npos) {
    o.param = ParseParam(text);
    if (o.windowForm) throw UsageError("--param is given twice; --param P sweeps one parameter");
    o.windowForm = true;
    SweepAxis counted;  // its range comes from --from, --to and --increment (DesignOf)
    counted.param = o.param;
    o.axes.push_back(counted);
    return;
  }
  SweepAxis axis = ParseAxis(text);
  for (const SweepAxis& a : o.axes) {
    if (a.param == axis.param) {
      throw UsageError(std::string("--param ") + ParamName(axis.param) + " is given twice");
    }
  }
  o.axes.push_back(std::move(axis));
}

// How --param writes an axis back: NAME=FROM:TO:STEP with TO the last value, or the list.
std::string AxisText(const SweepAxis& a) {
  std::string text = std::string(ParamName(a.param)) + "=";
  if (a.isList) {
    for (std::size_t i = 0; i < a.list.size(); ++i) {
      if (i > 0) text += ',';
      text += std::to_string(a.list[i]);
    }
    return text;
  }
  return text + std::to_string(a.from) + ":" + std::to_string(a.ValueAt(a.count - 1)) + ":" +
         std::to_string(a.increment);
}

// The window form's --from, --to and --increment: read into a field, written only with it.
OptionDef<SweepOptions> RangeOption(OptionText text, std::int32_t SweepOptions::*field,
                                    bool SweepOptions::*given) {
  const std::string name = text.name;
  return {std::move(text),
          [=](SweepOptions& o, const std::string& v) {
            o.*field = ParseInt(name, v);
            o.*given = true;
          },
          [field](const SweepOptions& o) {
            if (!o.windowForm) return std::vector<std::string>{};
            return std::vector<std::string>{std::to_string(o.*field)};
          }};
}

// The two forms of --param do not mix; the window form needs its range.
void CheckParamForm(const SweepOptions& o) {
  if (o.windowForm) {
    if (o.axes.size() > 1) {
      throw UsageError(
          "--param P with --from, --to and --increment sweeps one parameter; for "
          "several give --param NAME=FROM:TO:STEP or NAME=V1,V2,... for each");
    }
    if (!o.fromGiven) throw UsageError("sweep needs --from");
    if (!o.toGiven) throw UsageError("sweep needs --to");
    if (!o.incrementGiven) throw UsageError("sweep needs --increment");
    return;
  }
  if (o.fromGiven || o.toGiven || o.incrementGiven) {
    throw UsageError(
        "--from, --to and --increment belong to --param P; with --param NAME=... "
        "the values follow the name");
  }
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

}  // namespace

const OptionTable<SweepOptions>& SweepOptionTable() {
  static const OptionTable<SweepOptions> table = [] {
    using O = SweepOptions;
    const auto one = [](std::int64_t v) { return std::vector<std::string>{std::to_string(v)}; };
    std::vector<OptionDef<O>> defs;
    defs.push_back({{"--param", "P",
                     "the parameter swept: groups, radius, move-distance, threshold, agents, "
                     "tile-size, minority (group 1's share in percent, 1 to 99, the other groups "
                     "equal), share_g (group g's share in percent, the others in the proportions "
                     "of --shares) or threshold_g (group g's own threshold), with --from, --to "
                     "and --increment; or, repeatable, "
                     "NAME=FROM:TO:STEP or NAME=V1,V2,... for each parameter of a sweep over "
                     "all their combinations (the last varies fastest)",
                     "", true},
                    ReadParam,
                    [](const O& o) {
                      if (o.windowForm) return std::vector<std::string>{ParamName(o.param)};
                      std::vector<std::string> values;
                      for (const SweepAxis& a : o.axes) values.push_back(AxisText(a));
                      return values;
                    }});
    defs.push_back(RangeOption({"--from", "A",
                                "first value; each value is limited as the main window's field "
                                "limits it, and recorded at the value swept",
                                "with --param P"},
                               &O::from, &O::fromGiven));
    defs.push_back(
        RangeOption({"--to", "B", "the values run are A, A + I, ... not above B (A always runs)",
                     "with --param P"},
                    &O::to, &O::toGiven));
    defs.push_back(
        RangeOption({"--increment", "I", "step between values; at least 1 unless A is above B",
                     "with --param P"},
                    &O::increment, &O::incrementGiven));
    defs.push_back(
        IntOption<O>({"--runs", "R", "runs per value (per combination), at least 1", "", true},
                     &O::runs, 1, kMaxRuns, "at least 1"));
    defs.push_back(
        {{"--steps", "T", "timesteps per run (below 1 counts as 1)", "", true},
         [](O& o, const std::string& v) { o.steps = std::max(ParseInt("--steps", v), 1); },
         [one](const O& o) { return one(o.steps); }});
    defs.push_back(
        IntOption<O>({"--cluster-threshold", "K", "count clusters of more than K agents"},
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
                          "always runs), or for each\ncombination of the values of several "
                          "parameters, and prints one row per run, then the\nper-value averages, "
                          "the linear trend and the polynomial fit (one parameter) or the\nmeans "
                          "of each combination (several parameters).",
                          std::move(defs));
  }();
  return table;
}

void CheckSweepOptions(const SweepOptions& o) {
  CheckParamForm(o);
  CheckModelOptions(o.params);
  if (o.shard.count > 1 && !o.params.Seed) {
    throw UsageError("--shard needs --seed, so that every shard gives its runs the same seeds");
  }
  PlanOf(o);  // refuses a sweep that never ends or is too large
}

std::string SweepCommand(const SweepOptions& o, bool withShard) {
  if (!o.params.Seed) throw std::logic_error("the command that repeats a sweep needs its seed");
  if (withShard) return SweepOptionTable().RepeatCommand(o);
  return SweepOptionTable().RepeatCommand(o, {"--shard"});
}

SweepDesign DesignOf(const SweepOptions& o) {
  SweepDesign design;
  design.runs = o.runs;
  design.steps = o.steps;
  design.clusterThreshold = o.clusterThreshold;
  design.degree = o.degree;
  design.params = o.params;
  if (o.runs < 1) throw UsageError("--runs must be at least 1");
  if (!o.windowForm) {
    design.axes = o.axes;
    return design;
  }
  try {
    design.axes.push_back(SweepAxis::WindowRange(o.param, o.from, o.to, o.increment));
  } catch (const SegsimError& e) {
    throw UsageError(e.what());
  }
  return design;
}

SweepPlan PlanOf(const SweepOptions& o) {
  const SweepDesign design = DesignOf(o);
  try {
    return SweepPlan(design);
  } catch (const SegsimError& e) {
    throw UsageError(e.what());
  }
}

}  // namespace segsim

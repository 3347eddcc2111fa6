#include "cli/sweep_options.h"

#include <algorithm>
#include <array>
#include <limits>
#include <set>

#include "model/error.h"
#include "model/model.h"
#include "model/numeric.h"

namespace segsim {

const char* const kSweepUsage =
    "usage: segsim-cli sweep --param P --from A --to B --increment I --runs R --steps T [options]\n"
    "Runs the model R times for each value A, A + I, ... not above B (A always runs) and prints\n"
    "one row per run, then the per-value averages, the linear trend and the polynomial fit.\n"
    "\n"
    "  --param P              groups, radius, move-distance or threshold\n"
    "  --from A, --to B       the range of values; each value is limited as the main window's\n"
    "                         field limits it, and recorded at the value swept\n"
    "  --increment I          step between values; at least 1 unless A is above B\n"
    "  --runs R               runs per value, at least 1\n"
    "  --steps T              timesteps per run (below 1 counts as 1)\n"
    "  --cluster-threshold K  count clusters of more than K agents (1)\n"
    "  --seed S               run i uses seed S + i (default: S from the clock, printed in the\n"
    "                         sweep row)\n"
    "  --jobs J               runs at once on J threads (default: every core)\n"
    "  --shard K/N            only the runs i with i mod N = K, without averages or fits;\n"
    "                         needs --seed; join the shards with segsim-cli merge\n"
    "  --format F             csv (default) or jsonl\n"
    "  --degree D             coefficients of the polynomial fit, 2 to 20 (3)\n"
    "  --agents, --cell-size, --groups, --radius, --move-distance, --threshold, --tile-size,\n"
    "  --panel                the model options of segsim-cli run\n"
    "  --help                 print this text\n";

namespace {

constexpr std::int32_t kMaxRuns = std::numeric_limits<std::int32_t>::max();
constexpr std::array kRequired = {"--param", "--from", "--to", "--increment", "--runs", "--steps"};

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

// The sweep's own options; false for another name.
bool TakeSweepOption(const std::string& name, const std::string& value, SweepOptions& o) {
  if (name == "--param") o.param = ParseParam(value);
  else if (name == "--from") o.from = ParseInt(name, value);
  else if (name == "--to") o.to = ParseInt(name, value);
  else if (name == "--increment") o.increment = ParseInt(name, value);
  else if (name == "--runs") o.runs = ParseInRange(name, value, 1, kMaxRuns, "at least 1");
  else if (name == "--steps") o.steps = std::max(ParseInt(name, value), 1);
  else if (name == "--cluster-threshold") o.clusterThreshold = ParseInt(name, value);
  else if (name == "--degree") o.degree = ParseInRange(name, value, 2, 20, "from 2 to 20");
  else if (name == "--jobs") o.jobs = ParseInRange(name, value, 1, 1024, "from 1 to 1024");
  else if (name == "--format") o.format = ParseFormat(value);
  else if (name == "--shard") o.shard = ParseShard(value);
  else return false;
  return true;
}

void CheckComplete(const std::set<std::string>& given) {
  for (const char* name : kRequired) {
    if (!given.contains(name)) throw UsageError(std::string("sweep needs ") + name);
  }
}

}  // namespace

SweepOptions ParseSweepOptions(std::span<const std::string> args) {
  SweepOptions o;
  std::set<std::string> given;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") {
      o.help = true;
      return o;
    }
    if (name.rfind("--", 0) != 0) throw UsageError("unexpected argument '" + name + "'");
    if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
    const std::string& value = args[++i];
    if (!TakeSweepOption(name, value, o) && !TakeModelOption(name, value, o.params)) {
      throw UsageError("unknown option '" + name + "'");
    }
    given.insert(name);
  }
  CheckComplete(given);
  CheckModelOptions(o.params);
  if (o.shard.count > 1 && !o.params.Seed) {
    throw UsageError("--shard needs --seed, so that every shard gives its runs the same seeds");
  }
  PlanOf(o);  // refuses a sweep that never ends or is too large
  return o;
}

std::string SweepCommand(const SweepOptions& o, bool withShard) {
  const SetupParams& p = o.params;
  auto n = [](auto v) { return std::to_string(v); };
  std::string c = std::string("--param ") + ParamName(o.param) + " --from " + n(o.from) +
                  " --to " + n(o.to) + " --increment " + n(o.increment) + " --runs " +
                  n(o.runs) + " --steps " + n(o.steps) + " --cluster-threshold " +
                  n(o.clusterThreshold) + " --seed " + n(p.Seed.value()) + " --degree " +
                  n(o.degree) + " --format " + (o.format == OutputFormat::Csv ? "csv" : "jsonl");
  c += " --agents " + n(p.AgentCount) + " --cell-size " + n(p.CellSize) + " --groups " +
       n(p.GroupCount) + " --radius " + n(p.NeighbourRadius) + " --move-distance " +
       n(p.MoveDistance) + " --threshold " + n(p.Threshold) + " --tile-size " + n(p.TileSize) +
       " --panel " + n(p.PanelWidth);
  if (withShard && o.shard.count > 1) c += " --shard " + n(o.shard.index) + "/" + n(o.shard.count);
  return c;
}

SweepSpec SpecOf(const SweepOptions& o) {
  SweepSpec spec;
  spec.runs = o.runs;
  spec.steps = o.steps;
  spec.clusterThreshold = o.clusterThreshold;
  spec.degree = o.degree;
  spec.params = o.params;
  if (o.runs < 1) throw UsageError("--runs must be at least 1");
  try {
    spec.axes.push_back(SweepAxis::WindowRange(o.param, o.from, o.to, o.increment));
  } catch (const SegsimError& e) {
    throw UsageError(e.what());
  }
  return spec;
}

SweepPlan PlanOf(const SweepOptions& o) {
  const SweepSpec spec = SpecOf(o);
  try {
    return SweepPlan(spec);
  } catch (const SegsimError& e) {
    throw UsageError(e.what());
  }
}

}  // namespace segsim

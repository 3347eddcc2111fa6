#include "cli/options.h"

#include <charconv>

#include "model/error.h"
#include "model/model.h"
#include "model/numeric.h"

namespace segsim {

const char* const kRunUsage =
    "usage: segsim-cli run [options]\n"
    "Runs one setup and N steps headless and prints the trace as JSON Lines on stdout.\n"
    "\n"
    "  --seed S           fixed generator seed (default: the clock)\n"
    "  --steps N          timesteps to run (500)\n"
    "  --agents A         number of agents (12783); more than the cells is capped\n"
    "  --cell-size C      cell size in pixels (6), at least 1\n"
    "  --groups G         number of groups (6), 1 to 2000\n"
    "  --radius R         neighbourhood radius in cells (5), 0 to 23169\n"
    "  --move-distance M  move distance in cells (55), at least 0\n"
    "  --threshold P      tolerance threshold in percent (20), 0 to 100\n"
    "  --tile-size K      tile edge in cells for the segregation measures (20)\n"
    "  --panel W          drawing panel width and height in pixels (694)\n"
    "  --summary          print a short summary instead of the trace\n"
    "  --help             print this text\n";

std::int32_t ParseInt(const std::string& name, const std::string& text) {
  std::int32_t value = 0;
  if (!TryStrToInt(text, value)) {
    throw UsageError("the value of " + name + " is no integer: '" + text + "'");
  }
  return value;
}

std::uint32_t ParseSeed(const std::string& text) {
  std::int32_t value = 0;
  if (TryStrToInt(text, value)) return static_cast<std::uint32_t>(value);
  std::uint32_t unsignedValue = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, unsignedValue);
  if (result.ec != std::errc() || result.ptr != end || text.empty()) {
    throw UsageError("the value of --seed is no 32-bit integer: '" + text + "'");
  }
  return unsignedValue;
}

std::int32_t ParseInRange(const std::string& name, const std::string& text, std::int32_t lo,
                          std::int32_t hi, const std::string& range) {
  const std::int32_t v = ParseInt(name, text);
  if (v < lo || v > hi) throw UsageError(name + " must be " + range + ", not " + text);
  return v;
}

bool TakeModelOption(const std::string& name, const std::string& value, SetupParams& p) {
  if (name == "--seed") p.Seed = ParseSeed(value);
  else if (name == "--agents") p.AgentCount = ParseInt(name, value);
  else if (name == "--cell-size") p.CellSize = ParseInt(name, value);
  else if (name == "--groups") p.GroupCount = ParseInt(name, value);
  else if (name == "--radius") p.NeighbourRadius = ParseInt(name, value);
  else if (name == "--move-distance") p.MoveDistance = ParseInt(name, value);
  else if (name == "--threshold") {
    p.Threshold = static_cast<std::uint32_t>(ParseInRange(name, value, 0, 100, "from 0 to 100"));
  } else if (name == "--tile-size") p.TileSize = ParseInt(name, value);
  else if (name == "--panel") p.PanelWidth = p.PanelHeight = ParseInt(name, value);
  else return false;
  return true;
}

void CheckModelOptions(const SetupParams& p) {
  if (p.NeighbourRadius < 0) throw UsageError("--radius must be at least 0");
  if (p.MoveDistance < 0) throw UsageError("--move-distance must be at least 0");
  try {
    Model::CheckSetup(p);
  } catch (const SegsimError& e) {
    throw UsageError(e.what());
  }
}

RunOptions ParseRunOptions(std::span<const std::string> args) {
  RunOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }
    if (name == "--summary") {
      options.summary = true;
      continue;
    }
    if (name.rfind("--", 0) != 0) throw UsageError("unexpected argument '" + name + "'");
    if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
    const std::string& value = args[++i];
    if (name == "--steps") {
      options.steps = ParseInt(name, value);
      if (options.steps < 0) throw UsageError("--steps must be at least 0");
    } else if (!TakeModelOption(name, value, options.params)) {
      throw UsageError("unknown option '" + name + "'");
    }
  }
  CheckModelOptions(options.params);
  return options;
}

}  // namespace segsim

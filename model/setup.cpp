#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#ifdef __EMSCRIPTEN__
#include <emscripten/heap.h>
#include <malloc.h>
#endif

#include "model/colors.h"
#include "model/count_cost.h"
#include "model/error.h"
#include "model/limits.h"
#include "model/model.h"
#include "model/numeric.h"

namespace segsim {

namespace {

constexpr int kPlacementTries = 1000;

}  // namespace

std::int32_t AgentLimitFor(std::int64_t cellCount) {
  return static_cast<std::int32_t>(cellCount -
                                   Round(static_cast<Extended>(cellCount) * (Extended(1) / 20)));
}

void Model::CheckSetup(const SetupParams& params) { CheckSetup(params, MemoryLimitBytes()); }

namespace {

// "1.5 GB" and the like: bytes in decimal units, two significant decimals at most.
std::string ByteText(double bytes) {
  const char* units[] = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB"};
  int u = 0;
  while (bytes >= 1000 && u < 6) {
    bytes /= 1000;
    ++u;
  }
  char text[64];
  std::snprintf(text, sizeof text, u == 0 ? "%.0f %s" : "%.3g %s", bytes, units[u]);
  return text;
}

}  // namespace

double Model::SetupBytes(const SetupParams& p) {
  const double cols = CellsAcross(p.PanelWidth, p.CellSize);
  const double rows = CellsAcross(p.PanelHeight, p.CellSize);
  const double cells = cols * rows;
  const double agents = p.AgentCount <= 0 ? 0 : std::min<double>(p.AgentCount, cells);
  const double groups = p.GroupCount;
  double bytes = cells * (Grid::kBytesPerCell + Grid::kFreshBytesPerCell) + agents * sizeof(TAgent);
  if (SumsCheaper(p.NeighbourRadius, p.GroupCount) && cols <= INT32_MAX && rows <= INT32_MAX) {
    bytes += static_cast<double>(NeighbourCounts::BytesFor(static_cast<std::int32_t>(cols),
                                                           static_cast<std::int32_t>(rows),
                                                           p.NeighbourRadius, p.GroupCount));
  }
  // A step's measures: the tile counts, the G x G dissimilarity sums and results, and the
  // cluster sizes (one entry per cluster, at most one per agent).
  const double tiles = TilesPerSideFor(static_cast<std::int32_t>(rows), p.TileSize);
  bytes += tiles * tiles * groups * sizeof(std::int32_t);
  bytes += groups * groups * (sizeof(Extended) + sizeof(double));
  bytes += agents * sizeof(std::int32_t);
  return bytes;
}

double Model::MemoryLimitBytes() {
  double limit = kDefaultMemoryLimit;
  std::ifstream meminfo("/proc/meminfo");
  std::string line;
  while (std::getline(meminfo, line)) {
    std::istringstream fields(line);
    std::string name;
    double kib = 0;
    if (fields >> name >> kib && name == "MemAvailable:") {
      limit = kib * 1024;
      break;
    }
  }
#ifdef __EMSCRIPTEN__
  // WebAssembly: what the module's memory can still grow to, besides what is allocated.
  const struct mallinfo used = mallinfo();
  limit = std::min(limit, static_cast<double>(emscripten_get_heap_max()) -
                              static_cast<double>(static_cast<unsigned>(used.uordblks)));
#endif
  // A lower limit of one's own, in megabytes (a shared machine, a test).
  // Set but empty counts as not set, as a shell writes "SEGSIM_MEMORY_LIMIT_MB= command".
  if (const char* own = std::getenv("SEGSIM_MEMORY_LIMIT_MB"); own != nullptr && *own != 0) {
    char* end = nullptr;
    const double mb = std::strtod(own, &end);
    if (end == own || *end != '\0' || !(mb > 0)) {
      throw SegsimError(std::string("SEGSIM_MEMORY_LIMIT_MB must be a number of megabytes above 0, "
                                    "not '") +
                        own + "'");
    }
    limit = std::min(limit, mb * 1e6);
  }
  return limit;
}

void Model::CheckSetup(const SetupParams& params, double memoryLimitBytes) {
  if (params.CellSize < 1) {
    throw SegsimError("The cell size must be at least 1, not " + std::to_string(params.CellSize));
  }
  if (params.GroupCount < 1) {
    throw SegsimError("The number of groups must be at least 1, not " +
                      std::to_string(params.GroupCount));
  }
  if (params.GroupCount > kMaxGroupCount) {
    throw SegsimError("The number of groups must be at most " + std::to_string(kMaxGroupCount) +
                      ", not " + std::to_string(params.GroupCount));
  }
  if (params.NeighbourRadius > kMaxNeighbourRadius) {
    throw SegsimError("The neighbourhood radius must be at most " +
                      std::to_string(kMaxNeighbourRadius) + ", not " +
                      std::to_string(params.NeighbourRadius));
  }
  if (params.MoveDistance > kMaxMoveDistance || params.MoveDistance < -kMaxMoveDistance) {
    throw SegsimError("The move distance must be at most " + std::to_string(kMaxMoveDistance) +
                      ", not " + std::to_string(params.MoveDistance));
  }
  if (CellsAcross(params.PanelWidth, params.CellSize) < 1 ||
      CellsAcross(params.PanelHeight, params.CellSize) < 1) {
    throw SegsimError("The drawing panel is too small for one cell of size " +
                      std::to_string(params.CellSize));
  }
  if (!params.Shares.empty()) ShareCuts(params.Shares, params.GroupCount);
  if (!params.Thresholds.empty()) {
    if (static_cast<std::int64_t>(params.Thresholds.size()) != params.GroupCount) {
      throw SegsimError("The group thresholds must give " + std::to_string(params.GroupCount) +
                        " percents, one per group, not " + std::to_string(params.Thresholds.size()));
    }
    for (const std::uint32_t t : params.Thresholds) {
      if (t > 100) {
        throw SegsimError("A group's threshold must be from 0 to 100, not " + std::to_string(t));
      }
    }
  }
  const double need = SetupBytes(params);
  if (need > memoryLimitBytes) {
    throw MemoryLimitError(
        "A grid of " + std::to_string(CellsAcross(params.PanelHeight, params.CellSize)) + " x " +
        std::to_string(CellsAcross(params.PanelWidth, params.CellSize)) + " cells needs about " +
        ByteText(need) + " of memory, more than the " + ByteText(memoryLimitBytes) + " available");
  }
}

// Group g (0-based) takes the draws u in [C(g - 1), C(g)), C(g) = Ceil(2^32 S(g) / S(G - 1)) for
// the sums S(g) of the weights 0..g, computed in Extended. Equal weights w make these the cuts of
// Below(G), which gives g exactly when g 2^32 / G <= u < (g + 1) 2^32 / G: each sum (g + 1) w has at
// most 53 + 11 significant bits (G <= 2000 < 2^11), so the sums are exact, and the quotient is
// (g + 1) / G correctly rounded to 64 bits. Where (g + 1) 2^32 / G is a whole number, (g + 1) / G is
// a multiple of 2^-32 and exact; elsewhere that number lies at least 1 / G from a whole number,
// far more than the quotient's error of at most 2^-32 after the scaling, so Ceil gives the same
// cut either way.
std::vector<std::uint64_t> Model::ShareCuts(const std::vector<double>& weights,
                                            std::int32_t groups) {
  if (static_cast<std::int64_t>(weights.size()) != groups) {
    throw SegsimError("The group shares must give " + std::to_string(groups) +
                      " weights, one per group, not " + std::to_string(weights.size()));
  }
  double sum = 0;
  for (const double w : weights) {
    if (!(w > 0) || !std::isfinite(w)) {
      throw SegsimError("A group's weight must be a positive finite number, not " +
                        FormatGeneral(w));
    }
    sum += w;
  }
  if (!(sum >= std::numeric_limits<double>::min()) || !std::isfinite(sum)) {
    throw SegsimError(std::string("The group weights are too ") +
                      (std::isfinite(sum) ? "small: their sum underflows"
                                          : "large: their sum overflows"));
  }
  std::vector<Extended> sums(weights.size());
  Extended running = 0;
  for (std::size_t g = 0; g < weights.size(); ++g) sums[g] = running = running + weights[g];
  const Extended twoTo32 = Extended(4294967296LL);
  std::vector<std::uint64_t> cuts(weights.size());
  for (std::size_t g = 0; g < weights.size(); ++g) {
    cuts[g] = static_cast<std::uint64_t>(Ceil(sums[g] / running * twoTo32));
  }
  cuts.back() = std::uint64_t{1} << 32;  // every draw below it: no share rounds the last away
  return cuts;
}

void Model::NewSetup(const SetupParams& params) {
  CheckSetup(params);
  FreeModel();
  InitSetup(params);
}

void Model::FreeModel() {
  grid_.ClearAll();
  agentList_.clear();
  agentList_.shrink_to_fit();
}

void Model::InitSetup(const SetupParams& params) {
  CheckSetup(params);
  ModelSettings& s = settings_;
  s.CellSize = params.CellSize;
  s.NeighbourRadius = params.NeighbourRadius;
  s.MoveDistance = params.MoveDistance;
  s.AgentRadius = static_cast<std::int32_t>(Floor(static_cast<Extended>(s.CellSize) / 2));
  s.CellOffset = static_cast<std::int32_t>(Round(static_cast<Extended>(s.CellSize) / 2));
  panelWidth_ = params.PanelWidth;
  panelHeight_ = params.PanelHeight;
  s.Cols = CellsAcross(panelWidth_, s.CellSize);
  s.Rows = CellsAcross(panelHeight_, s.CellSize);
  s.GroupCount = params.GroupCount;
  fixedSeed_ = params.Seed;
  agentList_.clear();
  grid_.Reset(s.Cols, s.Rows, {s.CellSize, s.CellOffset});
  CreateImage();
  CreateCells();
  CreateAgents(params.AgentCount, params.Shares);
  ApplyCountMethod();
  BuildPercentTable();
  s.TimeStep = 0;
  s.TileSize = params.TileSize;
  s.StopStep = params.StopStep;
  // Threshold and GraphicUpdate are taken after placement, which draws regardless.
  s.Threshold = params.Threshold;
  s.GroupThresholds = params.Thresholds;
  KeepTestThresholds();
  s.GraphicUpdate = params.GraphicUpdate;
  lastPass_ = {};
  // Placement leaves them unset; the first pass sets them.
  storedAboveKept_ = false;
}

void Model::CreateImage() {
  if (canvas_) canvas_->CreateImage(panelWidth_, panelHeight_);
}

// The grid's Reset made the cells, free and unmarked, with State 0 and the one grey level.
void Model::CreateCells() { ResetCells(); }

void Model::ResetCells() {
  if (!canvas_) return;
  for (std::int32_t row = 0; row < settings_.Rows; ++row) {
    for (std::int32_t column = 0; column < settings_.Cols; ++column) {
      grid_[column][row].DrawCell(*canvas_);
    }
  }
}

void Model::CreateAgents(std::int32_t count, const std::vector<double>& shares) {
  const std::int64_t cells = static_cast<std::int64_t>(settings_.Cols) * settings_.Rows;
  // Never more agents than cells: the same replacement as the agent-count field's limit.
  agentCountCapped_ = count > cells;
  if (agentCountCapped_) count = AgentLimitFor(cells);
  if (count > 0) agentList_.resize(static_cast<std::size_t>(count));
  PlaceAgents(shares);
}

void Model::PlaceAgents(const std::vector<double>& shares) {
  placementSeed_ = fixedSeed_ ? *fixedSeed_ : ClockSeed();
  random_.Seed(placementSeed_);
  MakeGroupColors(settings_.GroupCount, groupColors_);
  groupSizes_.assign(static_cast<std::size_t>(settings_.GroupCount), 0);
  groupShares_ = shares;
  const auto groups = static_cast<std::uint32_t>(settings_.GroupCount);
  const std::vector<std::uint64_t> cuts =
      shares.empty() ? std::vector<std::uint64_t>{} : ShareCuts(shares, settings_.GroupCount);
  for (TAgent& agent : agentList_) {
    const GridPos p = FindFreeCell(agent);
    // The group is drawn after the position: one draw, equal chances or through the cuts.
    std::int32_t group = 0;
    if (cuts.empty()) {
      group = static_cast<std::int32_t>(random_.Below(groups)) + 1;
    } else {
      const std::uint64_t u = random_.NextState();
      group = static_cast<std::int32_t>(std::upper_bound(cuts.begin(), cuts.end(), u) -
                                        cuts.begin()) +
              1;
    }
    SettleAgent(agent, p, group);
  }
}

TAgent& Model::AddAgent(GridPos p, std::int32_t group) {
  if (group < 1 || group > settings_.GroupCount || grid_.IsOccupied(p)) {
    throw SegsimError("No agent of group " + std::to_string(group) + " can stand on cell (" +
                      std::to_string(p.column) + ", " + std::to_string(p.row) + ")");
  }
  TAgent& agent = agentList_.emplace_back();
  SettleAgent(agent, p, group);
  agent.StoredAbove = grid_.At(p).Satisfaction() > TestThreshold(group);
  return agent;
}

// The agent of the group stands on the free cell p: its pixel centre and colour, the drawing of
// its disc, the cell taken and the group counted.
void Model::SettleAgent(TAgent& agent, GridPos p, std::int32_t group) {
  agent.GridX = p.column;
  agent.GridY = p.row;
  agent.Satisfied = false;
  agent.Group = static_cast<std::int16_t>(group);
  DrawAgent(agent);
  grid_.SetOccupied(p, true);
  grid_.SetState(p, group);
  ++groupSizes_[static_cast<std::size_t>(group - 1)];
}

// Up to 1000 random tries (column, then row); when all of them hit occupied cells, the first
// free cell in scan order (rows outer, columns inner), without further draws. The agent count is
// capped at the number of cells, so a free cell always exists.
GridPos Model::FindFreeCell(TAgent& agent) {
  const auto cols = static_cast<std::uint32_t>(settings_.Cols);
  const auto rows = static_cast<std::uint32_t>(settings_.Rows);
  for (int t = 0; t < kPlacementTries; ++t) {
    agent.GridX = static_cast<std::int32_t>(random_.Below(cols));
    agent.GridY = static_cast<std::int32_t>(random_.Below(rows));
    if (!grid_.IsOccupied({agent.GridX, agent.GridY})) return {agent.GridX, agent.GridY};
  }
  for (std::int32_t row = 0; row < settings_.Rows; ++row) {
    for (std::int32_t column = 0; column < settings_.Cols; ++column) {
      if (!grid_.IsOccupied({column, row})) return {column, row};
    }
  }
  return {agent.GridX, agent.GridY};  // unreachable while agents <= cells
}

}  // namespace segsim

namespace segsim {

void Model::SetGroupThreshold(std::int32_t group, std::uint32_t percent) {
  std::vector<std::uint32_t>& own = settings_.GroupThresholds;
  if (own.empty()) own.assign(static_cast<std::size_t>(settings_.GroupCount), settings_.Threshold);
  std::uint32_t& t = own[static_cast<std::size_t>(group - 1)];
  if (t != percent) storedAboveKept_ = false;
  t = percent;
  KeepTestThresholds();
}

void Model::KeepTestThresholds() {
  testThresholds_.resize(static_cast<std::size_t>(settings_.GroupCount) + 1);
  for (std::int32_t g = 1; g <= settings_.GroupCount; ++g) {
    testThresholds_[static_cast<std::size_t>(g)] = ThresholdOf(g);
  }
}

}  // namespace segsim

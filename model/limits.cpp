#include "model/limits.h"

#include <algorithm>

#include "model/error.h"
#include "model/model.h"
#include "model/numeric.h"

namespace segsim {

std::int32_t CellsAcross(std::int32_t panel, std::int32_t cellSize) {
  return static_cast<std::int32_t>(Round(static_cast<Extended>(panel) / cellSize));
}

LimitContext GridOf(const SetupParams& p) {
  LimitContext c;
  c.cols = CellsAcross(p.PanelWidth, p.CellSize);
  c.rows = CellsAcross(p.PanelHeight, p.CellSize);
  c.panelWidth = p.PanelWidth;
  return c;
}

void CheckGroupsFit(std::int32_t groups, const LimitContext& grid, const std::string& option) {
  const std::int64_t cells = static_cast<std::int64_t>(grid.cols) * grid.rows;
  if (groups > cells) {
    throw SegsimError(option + ": " + std::to_string(groups) + " groups do not fit a grid of " +
                      std::to_string(cells) + " cells");
  }
}

std::int32_t TileEdge(std::int32_t tileSize) { return std::max(tileSize, 1); }

std::int32_t TilesPerSideFor(std::int32_t rows, std::int32_t tileSize) {
  return static_cast<std::int32_t>(Ceil(static_cast<Extended>(rows) / TileEdge(tileSize)));
}

std::optional<std::int32_t> UpperReplacement(LimitedField field, std::int32_t value,
                                             const LimitContext& c) {
  const Extended v = value;
  switch (field) {
    case LimitedField::AgentCount: {
      const std::int64_t cells = static_cast<std::int64_t>(c.cols) * c.rows;
      if (value > cells) return AgentLimitFor(cells);
      return std::nullopt;
    }
    case LimitedField::CellSize:
      if (v > static_cast<Extended>(c.panelWidth) / 20) {
        return static_cast<std::int32_t>(Floor(static_cast<Extended>(c.panelWidth) / 20));
      }
      return std::nullopt;
    case LimitedField::GroupCount: return std::nullopt;
    case LimitedField::MoveDistance:
      if (v > static_cast<Extended>(c.rows) / 2) {
        return static_cast<std::int32_t>(Floor(static_cast<Extended>(c.rows) / 2) - 1);
      }
      return std::nullopt;
    case LimitedField::NeighbourRadius:
      if (v > static_cast<Extended>(c.rows) / 2) {
        return static_cast<std::int32_t>(Floor(static_cast<Extended>(c.rows) / 3) - 1);
      }
      return std::nullopt;
  }
  return std::nullopt;
}

std::int32_t LowerLimit(LimitedField field) { return field == LimitedField::AgentCount ? 2 : 1; }

std::int32_t ApplyFieldLimits(LimitedField field, std::int32_t value, const LimitContext& c) {
  value = UpperReplacement(field, value, c).value_or(value);
  return std::max(value, LowerLimit(field));
}

std::int32_t ClampThreshold(std::int64_t position) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(position, 0, 100));
}

}  // namespace segsim

// The limits of the setup fields: a value out of range is not refused but replaced. The main
// window's change handlers and segsim-cli's sweep apply the same rules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/settings.h"

namespace segsim {

enum class LimitedField { AgentCount, CellSize, GroupCount, NeighbourRadius, MoveDistance };

// The grid of the present model (from the last setup) and the drawing panel's width.
struct LimitContext {
  std::int32_t cols = kDefaultGridSize;
  std::int32_t rows = kDefaultGridSize;
  std::int32_t panelWidth = kPanelSize;
};

// Cells across a panel of `panel` pixels at the cell size: Round(panel / cellSize).
std::int32_t CellsAcross(std::int32_t panel, std::int32_t cellSize);
// The grid that a setup's cell size and panel give (CellsAcross each way), for the field limits.
LimitContext GridOf(const SetupParams& params);

// A group per cell at most, for every command and every sweep: more groups raise SegsimError
// "<option>: G groups do not fit a grid of N cells".
void CheckGroupsFit(std::int32_t groups, const LimitContext& grid, const std::string& option);

// The tile edge in cells that the tile measures use: a tile size below 1 counts as 1.
std::int32_t TileEdge(std::int32_t tileSize);
// Tiles of TileEdge x TileEdge cells laid out from row 0 and column 0, the last tile row and
// column perhaps narrower: Ceil(rows / TileEdge) tiles per side.
std::int32_t TilesPerSideFor(std::int32_t rows, std::int32_t tileSize);

// The replacement of a value that is too large, or nothing when it passes:
//   agent count  above P = Cols x Rows   -> P - Round(P x 0.05)
//   cell size    above W / 20            -> Floor(W / 20)
//   group count  no upper limit
//   move distance above Rows / 2         -> Floor(Rows / 2) - 1
//   radius       above Rows / 2          -> Floor(Rows / 3) - 1 (a third, not a half)
// The comparisons are between the integer and the unrounded quotient.
std::optional<std::int32_t> UpperReplacement(LimitedField field, std::int32_t value,
                                             const LimitContext& context);

// The smallest value the field keeps; a smaller one becomes this value (2 agents, else 1).
std::int32_t LowerLimit(LimitedField field);

// Both corrections in the handlers' order: the upper test, then the lower test on the result.
std::int32_t ApplyFieldLimits(LimitedField field, std::int32_t value, const LimitContext& context);

// The threshold track bar keeps its position within 0..100.
std::int32_t ClampThreshold(std::int64_t position);

}  // namespace segsim

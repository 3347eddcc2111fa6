#include "model/grid.h"

#include <algorithm>

namespace segsim {

void Grid::Reset(std::int32_t cols, std::int32_t rows, CellGeometry geometry) {
  counts_.Clear();
  cols_ = cols;
  rows_ = rows;
  geometry_ = geometry;
  const std::size_t count = static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows);
  // Each array is freed before its successor is made, so that two grids never coexist.
  states_ = {};
  occupied_ = {};
  satisfaction_ = {};
  visited_ = {};
  states_.assign(count, 0);
  occupied_.assign(count, 0);
  satisfaction_.assign(count, 0.0);
  visited_.assign(count, false);
}

void Grid::ClearVisited() { std::fill(visited_.begin(), visited_.end(), false); }

void Grid::SetState(GridPos p, std::int32_t state) {
  const std::size_t i = IndexOf(p.column, p.row);
  if (counts_.Active()) {
    const bool occupied = occupied_[i] != 0;
    counts_.Change(p, {states_[i], occupied}, {state, occupied});
  }
  // States are 0..G with G at most kMaxGroupCount (Model::CheckSetup).
  states_[i] = static_cast<std::uint16_t>(state);
}

void Grid::SetOccupied(GridPos p, bool occupied) {
  const std::size_t i = IndexOf(p.column, p.row);
  if (counts_.Active()) counts_.Change(p, {states_[i], occupied_[i] != 0}, {states_[i], occupied});
  occupied_[i] = occupied ? 1 : 0;
}

void Grid::BuildNeighbourCounts(std::int32_t radius, std::int32_t groups) {
  counts_.Build(cols_, rows_, radius, groups, states_.data(), occupied_.data());
}

}  // namespace segsim

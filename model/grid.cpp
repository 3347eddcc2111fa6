#include "model/grid.h"

namespace segsim {

void Grid::Reset(std::int32_t cols, std::int32_t rows) {
  cells_.clear();
  cells_.shrink_to_fit();
  cols_ = cols;
  rows_ = rows;
  const std::size_t count = static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows);
  cells_.reserve(count);
  states_.assign(count, 0);
  occupied_.assign(count, 0);
  counts_.Clear();
}

TCell& Grid::CreateCell(std::int32_t x, std::int32_t y, std::int32_t size, Color fillColor) {
  return cells_.emplace_back(x, y, size, fillColor);
}

void Grid::SetState(GridPos p, std::int32_t state) {
  const std::size_t i = IndexOf(p.column, p.row);
  if (counts_.Active()) {
    const bool occupied = occupied_[i] != 0;
    counts_.Change(p, {states_[i], occupied}, {state, occupied});
  }
  cells_[i].state_ = state;
  states_[i] = state;
}

void Grid::SetOccupied(GridPos p, bool occupied) {
  const std::size_t i = IndexOf(p.column, p.row);
  if (counts_.Active()) counts_.Change(p, {states_[i], occupied_[i] != 0}, {states_[i], occupied});
  cells_[i].occupied_ = occupied;
  occupied_[i] = occupied ? 1 : 0;
}

void Grid::BuildNeighbourCounts(std::int32_t radius, std::int32_t groups) {
  counts_.Build(cols_, rows_, radius, groups, states_.data(), occupied_.data());
}

}  // namespace segsim

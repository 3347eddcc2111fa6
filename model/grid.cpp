#include "model/grid.h"

namespace segsim {

namespace {

std::int64_t WrapOne(std::int64_t v, std::int64_t period) {
  if (v < 0) v += period;
  else if (v > period - 1) v -= period;
  if (v < 0 || v > period - 1) {
    // Further out than one period: wrap as a true modulo.
    v %= period;
    if (v < 0) v += period;
  }
  return v;
}

}  // namespace

void Grid::Reset(std::int32_t cols, std::int32_t rows) {
  cells_.clear();
  cells_.shrink_to_fit();
  cols_ = cols;
  rows_ = rows;
  const std::size_t count = static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows);
  cells_.reserve(count);
  states_.assign(count, 0);
  occupied_.assign(count, 0);
}

TCell& Grid::CreateCell(std::int32_t x, std::int32_t y, std::int32_t size, Color fillColor) {
  return cells_.emplace_back(x, y, size, fillColor);
}

void Grid::SetState(GridPos p, std::int32_t state) {
  const std::size_t i = IndexOf(p.column, p.row);
  cells_[i].state_ = state;
  states_[i] = state;
}

void Grid::SetOccupied(GridPos p, bool occupied) {
  const std::size_t i = IndexOf(p.column, p.row);
  cells_[i].occupied_ = occupied;
  occupied_[i] = occupied ? 1 : 0;
}

void Grid::WrapPosition(std::int32_t& column, std::int32_t& row) const {
  column = static_cast<std::int32_t>(WrapOne(column, cols_));
  row = static_cast<std::int32_t>(WrapOne(row, rows_));
}

GridPos Grid::Wrapped(std::int64_t column, std::int64_t row) const {
  return {static_cast<std::int32_t>(WrapOne(column, cols_)),
          static_cast<std::int32_t>(WrapOne(row, rows_))};
}

}  // namespace segsim

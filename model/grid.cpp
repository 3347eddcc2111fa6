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
  fresh_ = {};
  states_ = {};
  occupied_ = {};
  occupiedBits_ = {};
  satisfaction_ = {};
  visited_ = {};
  states_.assign(count, 0);
  occupied_.assign(count, 0);
  occupiedBits_.assign((count + 63) / 64, 0);
  satisfaction_.assign(count, 0.0);
  visited_.assign(count, false);
  ++changes_;
}

void Grid::ClearVisited() { std::fill(visited_.begin(), visited_.end(), false); }

void Grid::KeepFreshMarks(std::int32_t radius) {
  freshRadius_ = radius;
  fresh_.assign((states_.size() + 63) / 64, 0);
}

void Grid::ClearFreshBits(std::size_t begin, std::size_t end) {
  if (begin >= end) return;
  const std::size_t first = begin / 64;
  const std::size_t last = (end - 1) / 64;
  const std::uint64_t head = ~std::uint64_t{0} << (begin % 64);           // begin % 64 .. 63
  const std::uint64_t tail = ~std::uint64_t{0} >> (63 - (end - 1) % 64);  // 0 .. (end - 1) % 64
  if (first == last) {
    fresh_[first] &= ~(head & tail);
    return;
  }
  fresh_[first] &= ~head;
  std::fill(&fresh_[first + 1], &fresh_[last], std::uint64_t{0});
  fresh_[last] &= ~tail;
}

void Grid::ClearFreshAround(GridPos p) {
  const std::int64_t w = 2 * static_cast<std::int64_t>(freshRadius_) + 1;
  const std::int32_t down = static_cast<std::int32_t>(std::min<std::int64_t>(w, rows_));
  const std::int32_t across = static_cast<std::int32_t>(std::min<std::int64_t>(w, cols_));
  const GridPos corner = Wrapped(static_cast<std::int64_t>(p.column) - freshRadius_,
                                 static_cast<std::int64_t>(p.row) - freshRadius_);
  const std::int32_t first = std::min(across, cols_ - corner.column);
  std::int32_t y = corner.row;
  for (std::int32_t k = 0; k < down; ++k) {
    const std::size_t row = IndexOf(0, y);
    ClearFreshBits(row + corner.column, row + corner.column + first);
    ClearFreshBits(row, row + (across - first));
    if (++y == rows_) y = 0;
  }
}

void Grid::SetState(GridPos p, std::int32_t state) {
  const std::size_t i = IndexOf(p.column, p.row);
  if (!fresh_.empty() && states_[i] != state) ClearFreshAround(p);
  if (counts_.Active()) {
    // The flag's bit rather than its byte: the bits of a big grid stay in the cache.
    const bool occupied = OccupiedBit(i);
    counts_.Change(p, {states_[i], occupied}, {state, occupied});
  }
  // States are 0..G with G at most kMaxGroupCount (Model::CheckSetup).
  states_[i] = static_cast<std::uint16_t>(state);
  ++changes_;
}

void Grid::SetOccupied(GridPos p, bool occupied) {
  const std::size_t i = IndexOf(p.column, p.row);
  const bool was = OccupiedBit(i);
  if (!fresh_.empty() && was != occupied) ClearFreshAround(p);
  if (counts_.Active()) counts_.Change(p, {states_[i], was}, {states_[i], occupied});
  occupied_[i] = occupied ? 1 : 0;
  ++changes_;
  const std::uint64_t bit = std::uint64_t{1} << (i % 64);
  if (occupied) {
    occupiedBits_[i / 64] |= bit;
  } else {
    occupiedBits_[i / 64] &= ~bit;
  }
}

void Grid::BuildNeighbourCounts(std::int32_t radius, std::int32_t groups) {
  counts_.Build(cols_, rows_, radius, groups, states_.data(), occupied_.data());
}

}  // namespace segsim

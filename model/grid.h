// The torus of cells, addressed Grid[column][row].
#pragma once

#include <cstdint>
#include <vector>

#include "model/cell.h"
#include "model/neighbour_counts.h"

namespace segsim {

// Cells are stored row by row in one vector (index row * Cols + column), the order in which they
// are created. Beside them the grid keeps each cell's State and Occupied flag in two compact
// arrays, so that a neighbourhood count streams through a few cache lines per row.
class Grid {
public:
  class Column {
  public:
    TCell& operator[](std::int32_t row) const { return grid_->cells_[grid_->IndexOf(column_, row)]; }

  private:
    friend class Grid;
    Column(Grid* grid, std::int32_t column) : grid_(grid), column_(column) {}
    Grid* grid_;
    std::int32_t column_;
  };
  class ConstColumn {
  public:
    const TCell& operator[](std::int32_t row) const {
      return grid_->cells_[grid_->IndexOf(column_, row)];
    }

  private:
    friend class Grid;
    ConstColumn(const Grid* grid, std::int32_t column) : grid_(grid), column_(column) {}
    const Grid* grid_;
    std::int32_t column_;
  };

  std::int32_t Cols() const { return cols_; }
  std::int32_t Rows() const { return rows_; }
  std::size_t CellCount() const { return cells_.size(); }

  Column operator[](std::int32_t column) { return Column(this, column); }
  ConstColumn operator[](std::int32_t column) const { return ConstColumn(this, column); }
  TCell& At(GridPos p) { return cells_[IndexOf(p.column, p.row)]; }
  const TCell& At(GridPos p) const { return cells_[IndexOf(p.column, p.row)]; }

  std::size_t IndexOf(std::int32_t column, std::int32_t row) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) +
           static_cast<std::size_t>(column);
  }

  // Frees every cell and sets the size; CreateCell then appends the cells in row-major order.
  void Reset(std::int32_t cols, std::int32_t rows);
  void ClearAll() { Reset(0, 0); }
  TCell& CreateCell(std::int32_t x, std::int32_t y, std::int32_t size, Color fillColor);
  bool Complete() const { return cells_.size() == static_cast<std::size_t>(cols_) * rows_; }

  // The only ways to change a cell's State and Occupied flag. Both keep the neighbourhood counts
  // in step while they are kept.
  void SetState(GridPos p, std::int32_t state);
  void SetOccupied(GridPos p, bool occupied);

  // Per-group window sums for fast neighbourhood counts (see NeighbourCounts): built from the
  // cells as they stand, then kept in step by every SetState and SetOccupied until dropped or
  // until the next Reset.
  void BuildNeighbourCounts(std::int32_t radius, std::int32_t groups);
  void DropNeighbourCounts() { counts_.Clear(); }
  // Writes the changes the counts keep pending into their sums (NeighbourCounts::Flush).
  void FlushNeighbourCounts() { counts_.Flush(); }
  const NeighbourCounts& Counts() const { return counts_; }

  // Brings a position back onto the torus. An offset within one period (a column from -Cols to
  // 2 * Cols - 1) moves by exactly one period; anything further out wraps again, as a modulo.
  void WrapPosition(std::int32_t& column, std::int32_t& row) const {
    column = static_cast<std::int32_t>(WrapOne(column, cols_));
    row = static_cast<std::int32_t>(WrapOne(row, rows_));
  }
  GridPos Wrapped(std::int64_t column, std::int64_t row) const {
    return {static_cast<std::int32_t>(WrapOne(column, cols_)),
            static_cast<std::int32_t>(WrapOne(row, rows_))};
  }

  // The Occupied flag from the compact array: the relocation's search probes it many times.
  bool IsOccupied(GridPos p) const { return occupied_[IndexOf(p.column, p.row)] != 0; }

  // Row-major compact views used by the neighbourhood counts.
  const std::int32_t* StateRow(std::int32_t row) const { return &states_[IndexOf(0, row)]; }
  const std::uint8_t* OccupiedRow(std::int32_t row) const { return &occupied_[IndexOf(0, row)]; }

private:
  static std::int64_t WrapOne(std::int64_t v, std::int64_t period) {
    if (v < 0) v += period;
    else if (v > period - 1) v -= period;
    if (v < 0 || v > period - 1) [[unlikely]] {
      // Further out than one period: wrap as a true modulo.
      v %= period;
      if (v < 0) v += period;
    }
    return v;
  }

  std::int32_t cols_ = 0;
  std::int32_t rows_ = 0;
  std::vector<TCell> cells_;
  std::vector<std::int32_t> states_;
  std::vector<std::uint8_t> occupied_;
  NeighbourCounts counts_;
};

}  // namespace segsim

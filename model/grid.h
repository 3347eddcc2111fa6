// The torus of cells, addressed Grid[column][row].
#pragma once

#include <cstdint>
#include <vector>

#include "model/cell.h"
#include "model/neighbour_counts.h"
#include "model/prefetch.h"

namespace segsim {

// The pixel geometry of a setup's cells: centre = position x CellSize + CellOffset, half edge
// CellOffset.
struct CellGeometry {
  std::int32_t cellSize = 0;
  std::int32_t cellOffset = 0;
};

// What a cell holds is kept in compact row-major arrays (index row * Cols + column): its State
// (16 bits: groups are at most kMaxGroupCount), its Occupied flag (a byte), its Satisfaction (a
// double) and its cluster mark (a bit). A neighbourhood count streams through a few cache lines
// per row of them. Grid[column][row] and At hand out views (TCell).
class Grid {
public:
  // Bytes a grid of this many cells takes.
  static constexpr double kBytesPerCell =
      sizeof(std::uint16_t) + sizeof(std::uint8_t) + sizeof(double) + 2.0 / 8;
  // And with fresh marks.
  static constexpr double kFreshBytesPerCell = 1.0 / 8;

  class Column {
  public:
    TCell operator[](std::int32_t row) const { return grid_->At({column_, row}); }

  private:
    friend class Grid;
    Column(const Grid* grid, std::int32_t column) : grid_(grid), column_(column) {}
    const Grid* grid_;
    std::int32_t column_;
  };

  std::int32_t Cols() const { return cols_; }
  std::int32_t Rows() const { return rows_; }
  std::size_t CellCount() const { return states_.size(); }
  const CellGeometry& Geometry() const { return geometry_; }

  Column operator[](std::int32_t column) const { return Column(this, column); }
  TCell At(GridPos p) const { return TCell(this, IndexOf(p.column, p.row)); }

  std::size_t IndexOf(std::int32_t column, std::int32_t row) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) +
           static_cast<std::size_t>(column);
  }
  GridPos PosOf(std::size_t index) const {
    return {static_cast<std::int32_t>(index % static_cast<std::size_t>(cols_)),
            static_cast<std::int32_t>(index / static_cast<std::size_t>(cols_))};
  }

  // Frees the cells and makes cols x rows new ones: free, State 0, Satisfaction 0, unmarked.
  void Reset(std::int32_t cols, std::int32_t rows, CellGeometry geometry);
  void ClearAll() { Reset(0, 0, {}); }
  bool Complete() const { return cols_ > 0 && rows_ > 0; }

  // The only ways to change a cell's State and Occupied flag. Both keep the neighbourhood counts
  // in step while they are kept.
  void SetState(GridPos p, std::int32_t state);
  void SetOccupied(GridPos p, bool occupied);
  // Stores a cell's Satisfaction. `fresh`: the value is the count of the cell's square as it
  // stands, for the cell's own State (see KeepFreshMarks); any other value (a candidate's, one
  // set by hand) is not.
  void SetSatisfaction(GridPos p, double s, bool fresh = false) {
    const std::size_t i = IndexOf(p.column, p.row);
    satisfaction_[i] = s;
    ++satisfactionWrites_;
    ++changes_;
    if (!fresh_.empty()) {
      const std::uint64_t bit = std::uint64_t{1} << (i % 64);
      fresh_[i / 64] = fresh ? fresh_[i / 64] | bit : fresh_[i / 64] & ~bit;
    }
  }
  // How many Satisfaction values have been stored since the grid was made: a reader that keeps
  // something derived from them sees whether any were stored since.
  std::uint64_t SatisfactionWrites() const { return satisfactionWrites_; }
  // How many times a State, an Occupied flag or a Satisfaction has been stored, or the grid
  // reset, since it was made: while this stays, every cell is as it was.
  std::uint64_t Changes() const { return changes_; }
  void SetVisited(GridPos p, bool visited) { visited_[IndexOf(p.column, p.row)] = visited; }
  // Clears every cell's cluster mark.
  void ClearVisited();

  // Fresh marks: a cell is fresh while its stored Satisfaction is what a count of its square
  // would give now, so that the count can be skipped. Every change of a State or an Occupied flag
  // clears the marks of the cells whose square of this radius holds the changed cell (2r + 1 rows
  // of 2r + 1 bits). Kept from this call until DropFreshMarks or the next Reset; all clear at
  // first.
  void KeepFreshMarks(std::int32_t radius);
  void DropFreshMarks() { fresh_ = {}; }
  bool KeepsFreshMarks() const { return !fresh_.empty(); }
  bool IsFresh(GridPos p) const {
    const std::size_t i = IndexOf(p.column, p.row);
    return !fresh_.empty() && ((fresh_[i / 64] >> (i % 64)) & 1) != 0;
  }

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

  // The Occupied flags are kept twice: a byte per cell beside the States, which the counts read
  // in runs, and a bit per cell for the searches of placement and relocation, which probe single
  // cells at random places many times a turn (eight times the cells per cache line).
  bool IsOccupied(GridPos p) const { return OccupiedBit(IndexOf(p.column, p.row)); }
  bool OccupiedBit(std::size_t i) const { return (occupiedBits_[i / 64] >> (i % 64)) & 1; }
  const std::uint64_t* OccupiedBits() const { return occupiedBits_.data(); }
  std::int32_t StateAt(std::size_t i) const { return states_[i]; }
  bool OccupiedAt(std::size_t i) const { return occupied_[i] != 0; }
  double SatisfactionAt(std::size_t i) const { return satisfaction_[i]; }
  bool VisitedAt(std::size_t i) const { return visited_[i]; }

  // Row-major compact views used by the neighbourhood counts and the measures.
  const std::uint16_t* StateRow(std::int32_t row) const { return &states_[IndexOf(0, row)]; }
  const std::uint8_t* OccupiedRow(std::int32_t row) const { return &occupied_[IndexOf(0, row)]; }
  const double* SatisfactionRow(std::int32_t row) const { return &satisfaction_[IndexOf(0, row)]; }
  // Asks the memory system for what an agent's count at its own cell reads and writes: the
  // cell's Satisfaction and fresh mark (a hint; its State is the agent's group).
  void PrefetchForCount(GridPos p) const {
    const std::size_t i = IndexOf(p.column, p.row);
    PrefetchLine(&satisfaction_[i]);
    if (!fresh_.empty()) PrefetchLine(&fresh_[i / 64]);
  }
  // The same, the State and the Occupied flag, which a move changes (a hint).
  void Prefetch(GridPos p) const {
    PrefetchForCount(p);
    PrefetchLine(&states_[IndexOf(p.column, p.row)]);
    PrefetchLine(&occupied_[IndexOf(p.column, p.row)]);
  }

private:
  // Clears the fresh marks of every cell whose square holds p.
  void ClearFreshAround(GridPos p);
  // Clears the marks of the cells of index begin .. end - 1.
  void ClearFreshBits(std::size_t begin, std::size_t end);

  static std::int64_t WrapOne(std::int64_t v, std::int64_t period) {
    // Without a branch: a jump crosses the edge at random.
    v += v < 0 ? period : 0;
    v -= v > period - 1 ? period : 0;
    if (v < 0 || v > period - 1) [[unlikely]] {
      // Further out than one period: wrap as a true modulo.
      v %= period;
      if (v < 0) v += period;
    }
    return v;
  }

  std::int32_t cols_ = 0;
  std::int32_t rows_ = 0;
  CellGeometry geometry_;
  std::vector<std::uint16_t> states_;
  std::vector<std::uint8_t> occupied_;
  std::vector<std::uint64_t> occupiedBits_;  // bit i % 64 of word i / 64: occupied_[i] != 0
  std::vector<double> satisfaction_;
  std::vector<bool> visited_;
  // Bit i % 64 of word i / 64: a bit per cell, so that the marks of a big grid stay in the cache
  // while the turns read them at random places. Empty while no marks are kept.
  std::vector<std::uint64_t> fresh_;
  std::int32_t freshRadius_ = 0;
  std::uint64_t satisfactionWrites_ = 0;
  std::uint64_t changes_ = 0;
  NeighbourCounts counts_;
};

inline double TCell::Satisfaction() const { return grid_->SatisfactionAt(index_); }
inline bool TCell::Visited() const { return grid_->VisitedAt(index_); }
inline std::int32_t TCell::State() const { return grid_->StateAt(index_); }
inline bool TCell::Occupied() const { return grid_->OccupiedAt(index_); }
inline std::int32_t TCell::PositionX() const {
  return grid_->PosOf(index_).column * grid_->Geometry().cellSize + grid_->Geometry().cellOffset;
}
inline std::int32_t TCell::PositionY() const {
  return grid_->PosOf(index_).row * grid_->Geometry().cellSize + grid_->Geometry().cellOffset;
}
inline std::int32_t TCell::Size() const { return grid_->Geometry().cellOffset; }

}  // namespace segsim

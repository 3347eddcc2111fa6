// One square of the grid.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/canvas.h"

namespace segsim {

// A grid position: column 0 .. Cols - 1 (left to right), row 0 .. Rows - 1 (top to bottom).
struct GridPos {
  std::int32_t column = 0;
  std::int32_t row = 0;
  friend bool operator==(const GridPos&, const GridPos&) = default;
};

class Grid;

// Grey level of every cell's square; no operation changes it.
inline constexpr std::int32_t kCellGray = 180;

// A view of one cell. What a cell holds lives in the grid's compact per-cell arrays (State,
// Occupied, the cluster mark and Satisfaction: 11 bytes and two bits); its pixel geometry follows
// from its position and the setup's cell size, and its grey level and fill colour are the same
// for every cell. A view is two words, copied freely; it stays valid while the grid keeps its
// size. Changes go through the Grid.
class TCell {
public:
  double Satisfaction() const;  // percent, 0..100: last value computed at this position
  bool Visited() const;         // cluster-analysis mark
  std::int32_t State() const;   // group 1..G on this cell, 0 for none
  bool Occupied() const;        // an agent stands here

  std::int32_t PositionX() const;                  // pixel x of the centre
  std::int32_t PositionY() const;                  // pixel y of the centre
  std::int32_t Size() const;                       // half edge of the square, pixels
  std::int32_t Gray() const { return kCellGray; }  // only the low byte is drawn
  Color FillColor() const { return 0; }            // never drawn

  // Grey square with a 0x808080 one-pixel outline.
  void DrawCell(Canvas& canvas) const;
  // That square about (x, y), size pixels on either side.
  static void DrawSquare(Canvas& canvas, std::int32_t x, std::int32_t y, std::int32_t size);

private:
  friend class Grid;
  TCell(const Grid* grid, std::size_t index) : grid_(grid), index_(index) {}
  const Grid* grid_;
  std::size_t index_;
};

}  // namespace segsim

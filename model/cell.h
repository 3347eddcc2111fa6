// One square of the grid.
#pragma once

#include <cstdint>
#include <vector>

#include "model/canvas.h"

namespace segsim {

// A grid position: column 0 .. Cols - 1 (left to right), row 0 .. Rows - 1 (top to bottom).
struct GridPos {
  std::int32_t column = 0;
  std::int32_t row = 0;
  friend bool operator==(const GridPos&, const GridPos&) = default;
};

class Grid;

class TCell {
public:
  // The cell's centre in pixels, its half edge and its fill colour, in this order.
  TCell(std::int32_t x, std::int32_t y, std::int32_t size, Color fillColor)
      : positionX_(x), positionY_(y), size_(size), fillColor_(fillColor) {}

  double Satisfaction = 0;               // percent, 0..100: last value computed at this position
  std::vector<GridPos> ClusterLinks;     // cluster-growth edges; scratch of the cluster analysis
  bool Visited = false;                  // cluster-analysis mark
  std::int32_t SameCount = 0;            // neighbourhood cells of this cell's State, itself included
  std::int32_t OtherCount = 0;           // occupied neighbourhood cells of another State
  std::int32_t Gray = 0;                 // grey level of the square; only the low byte is used

  std::int32_t PositionX() const { return positionX_; }  // pixel x of the centre
  std::int32_t PositionY() const { return positionY_; }  // pixel y of the centre
  std::int32_t Size() const { return size_; }            // half edge of the square, pixels
  Color FillColor() const { return fillColor_; }         // given at creation; never drawn
  std::int32_t State() const { return state_; }          // group 1..G on this cell, 0 for none
  bool Occupied() const { return occupied_; }            // an agent stands here

  // Grey square with a 0x808080 one-pixel outline.
  void DrawCell(Canvas& canvas) const;

private:
  // State and Occupied change only through the Grid, which keeps its counting arrays in step.
  friend class Grid;
  std::int32_t positionX_;
  std::int32_t positionY_;
  std::int32_t size_;
  Color fillColor_;
  std::int32_t state_ = 0;
  bool occupied_ = false;
};

}  // namespace segsim

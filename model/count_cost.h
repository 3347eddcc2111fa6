// Which neighbourhood count serves a model: the window sums (NeighbourCounts) or the walk of the
// square. Both give the same counts; this is only about time.
//
// The cost model, in the time of one cell of a walk (w = 2r + 1, G groups):
//   walk  w^2      every cell of the square, read from the grid's compact rows;
//   sums  2(G + 1) two short runs of two planes, plus the share of every move's writes to the
//                  strips (4 columns of w entries) and of the build, in planes of G + 1 bytes a
//                  cell: their cache misses grow with G and, in a run, outweigh the runs' own
//                  reads.
// The sums serve when theirs is the lower cost and r >= 1. The grid's size drops out: measured
// on 116 x 116, 347 x 347 and 694 x 694 (80 % occupied, threshold 20, setup and 30 steps, this
// 2-core machine), the ratio of the two methods' times was the same within the noise at each G
// and r:
//   r = 1:  G = 6 sums 1.35x faster
//   r = 2:  G = 6 1.07x to 1.22x, G = 12 1.05x, G = 40 0.93x (the walk wins)
//   r = 5:  G = 6 1.5x to 1.96x, G = 12 1.2x to 1.8x, G = 20 1.3x to 1.4x, G = 40 1.18x,
//           G = 200 0.96x (the walk wins)
//   r = 10: G = 40 1.48x
// (whole runs: the busy first steps, where the sums gain least, weigh heavily; settled steps
// gain 4x at r = 5). The line 2(G + 1) = w^2 puts G = 11 at r = 2, G = 59 at r = 5, G = 219 at
// r = 10 and G = 839 at r = 20 on the sums' side.
#pragma once

#include <cstdint>

namespace segsim {

// Estimated cost of one count of a running model, each method, in cells of a walk.
struct CountCosts {
  double walk = 0;
  double sums = 0;
};
CountCosts EstimateCountCosts(std::int32_t radius, std::int32_t groups);

// The sums serve when their estimate is the lower one, from radius 1 on.
bool SumsPay(std::int32_t radius, std::int32_t groups);

}  // namespace segsim

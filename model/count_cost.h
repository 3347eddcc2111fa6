// Which neighbourhood count serves a model: the window sums (NeighbourCounts) or the walk of the
// square. Both give the same counts; this is only about time.
//
// Cost per count in cells of a walk (w = 2r + 1): walk w^2, sums (G + 1) / 2. bench/neighbour_bench
// (first and early steps, 116 x 116) has the sums ahead at r = 1, G = 6 (1.1x-1.4x), r = 2, G = 12
// (1.35x-1.7x) and r = 5, G = 200 (1.6x-1.8x); settled steps tie.
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
bool SumsCheaper(std::int32_t radius, std::int32_t groups);

}  // namespace segsim

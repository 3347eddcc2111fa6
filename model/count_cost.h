// Which neighbourhood count serves a model: the window sums (NeighbourCounts) or the walk of the
// square. Both give the same counts; this is only about time.
#pragma once

#include <cstdint>

namespace segsim {

// Estimated nanoseconds per count of a running model, each method with its own memory.
struct CountCosts {
  double walk = 0;
  double sums = 0;
};
CountCosts EstimateCountCosts(std::int32_t cols, std::int32_t rows, std::int32_t radius,
                              std::int32_t groups);

// The sums serve when their estimate is the lower one.
bool SumsPay(std::int32_t cols, std::int32_t rows, std::int32_t radius, std::int32_t groups);

}  // namespace segsim

#include "model/count_cost.h"

namespace segsim {

CountCosts EstimateCountCosts(std::int32_t radius, std::int32_t groups) {
  const double w = 2.0 * radius + 1;
  return {w * w, (static_cast<double>(groups) + 1) / 2};
}

bool SumsCheaper(std::int32_t radius, std::int32_t groups) {
  if (radius < 1) return false;
  const CountCosts c = EstimateCountCosts(radius, groups);
  return c.sums < c.walk;
}

}  // namespace segsim

#include "measures/run_results.h"

#include <cmath>

#include "model/numeric.h"

namespace segsim {

std::int32_t ClustersAbove(const ClusterSizes& sizes, std::int32_t threshold) {
  std::int32_t count = 0;
  for (const auto& group : sizes) {
    for (std::int32_t s : group) count += s > threshold;
  }
  return count;
}

std::optional<double> MeanSegregation(std::span<const double> perGroup) {
  Extended sum = 0;
  std::int32_t counted = 0;
  for (double v : perGroup) {
    if (std::isnan(v)) continue;
    sum += v;
    ++counted;
  }
  if (counted == 0) return std::nullopt;
  return static_cast<double>(sum / counted);
}

}  // namespace segsim

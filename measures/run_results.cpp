#include "measures/run_results.h"

namespace segsim {

std::int32_t ClustersAbove(const ClusterSizes& sizes, std::int32_t threshold) {
  std::int32_t count = 0;
  for (const auto& group : sizes) {
    for (std::int32_t s : group) count += s > threshold;
  }
  return count;
}

}  // namespace segsim

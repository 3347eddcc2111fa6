// The two results of one run of a sweep, as the sweep window and segsim-cli sweep both take them.
#pragma once

#include <cstdint>

#include "measures/clusters.h"

namespace segsim {

// Clusters of more than `threshold` agents at the last cluster analysis (the number of bars the
// analysis window shows).
std::int32_t ClustersAbove(const ClusterSizes& sizes, std::int32_t threshold);

}  // namespace segsim

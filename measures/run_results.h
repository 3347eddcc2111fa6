// The two results of one run of a sweep, as the sweep window and segsim-cli sweep both take them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "measures/clusters.h"

namespace segsim {

// Clusters of more than `threshold` agents at the last cluster analysis (the number of bars the
// analysis window shows).
std::int32_t ClustersAbove(const ClusterSizes& sizes, std::int32_t threshold);

// The mean of the groups' segregation indices of the run's last step, summed in extended
// precision. Groups without a value (NaN) are left out; with none, the run has no mean.
std::optional<double> MeanSegregation(std::span<const double> perGroup);

}  // namespace segsim

// Average satisfaction per group.
#pragma once

#include <cstdint>
#include <vector>

#include "model/grid.h"

namespace segsim {

// Mean of the stored Satisfaction of the occupied cells of each group (index group - 1), scanned
// rows outer, columns inner, the sum rounded to a double after every addition. A group with no
// occupied cell has no value (NaN).
std::vector<double> GroupSatisfaction(const Grid& grid, std::int32_t groupCount);

}  // namespace segsim

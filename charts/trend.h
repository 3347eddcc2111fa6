// The linear trend: the least-squares straight line through all source points.
#pragma once

#include <span>
#include <vector>

#include "charts/series.h"

namespace segsim {

// Produces two points, on the line at the first and at the last source x (the smallest and
// largest in an ordered source); nothing for fewer than two points. When all x are equal the
// line degenerates to y = x. No settings.
class LinearTrend : public SeriesFunction {
public:
  LinearTrend() = default;

  std::vector<ChartPoint> Calculate(std::span<const ChartPoint> source) override;
};

}  // namespace segsim

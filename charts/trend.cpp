#include "charts/trend.h"

#include "model/numeric.h"

namespace segsim {

std::vector<ChartPoint> LinearTrend::Calculate(std::span<const ChartPoint> source) {
  if (source.size() < 2) return {};
  Extended sx = 0;
  Extended sy = 0;
  Extended sxy = 0;
  Extended sxx = 0;
  for (const ChartPoint& p : source) {
    const Extended x = p.x;
    const Extended y = p.y;
    sx += x;
    sy += y;
    sxy += x * y;
    sxx += x * x;
  }
  const Extended n = static_cast<Extended>(source.size());
  // The denominator is kept as a double, so its zero test sees the rounded value.
  const double d = static_cast<double>(n * sxx - sx * sx);
  Extended slope = 1;  // all x equal: the line y = x
  Extended intercept = 0;
  if (d != 0.0) {
    slope = (n * sxy - sx * sy) / d;
    intercept = (sy * sxx - sx * sxy) / d;
  }
  const double first = source.front().x;
  const double last = source.back().x;
  return {{first, static_cast<double>(slope * first + intercept)},
          {last, static_cast<double>(slope * last + intercept)}};
}

}  // namespace segsim

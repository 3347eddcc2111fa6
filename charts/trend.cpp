#include "charts/trend.h"

namespace segsim {

std::vector<ChartPoint> LinearTrend::Calculate(std::span<const ChartPoint> source) {
  if (source.size() < 2) return {};
  long double sx = 0.0L;
  long double sy = 0.0L;
  long double sxy = 0.0L;
  long double sxx = 0.0L;
  for (const ChartPoint& p : source) {
    const long double x = p.x;
    const long double y = p.y;
    sx += x;
    sy += y;
    sxy += x * y;
    sxx += x * x;
  }
  const long double n = static_cast<long double>(source.size());
  // The denominator is kept as a double, so its zero test sees the rounded value.
  const double d = static_cast<double>(n * sxx - sx * sx);
  long double slope = 1.0L;  // all x equal: the line y = x
  long double intercept = 0.0L;
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

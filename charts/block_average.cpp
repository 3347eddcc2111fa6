#include "charts/block_average.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "model/error.h"

namespace segsim {

namespace {

// Nearest whole number, exact halves to the even neighbour, whatever the FPU rounding mode.
double RoundHalfEven(double value) {
  const double lower = std::floor(value);
  const double fraction = value - lower;  // exact
  if (fraction != 0.5) return fraction < 0.5 ? lower : lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

// Period 0: the mean of all points as a horizontal line from the smallest to the largest x.
std::vector<ChartPoint> WholeRange(std::span<const ChartPoint> source) {
  double sum = 0.0;
  for (const ChartPoint& p : source) sum += p.y;
  const double y = sum / static_cast<double>(source.size());
  const auto [lowest, highest] =
      std::minmax_element(source.begin(), source.end(),
                          [](const ChartPoint& a, const ChartPoint& b) { return a.x < b.x; });
  return {{lowest->x, y}, {highest->x, y}};
}

// One point per whole block of `length` consecutive points, at the middle of the block's first
// and last x; the points after the last whole block form no block.
std::vector<ChartPoint> Blocks(std::span<const ChartPoint> source, std::size_t length) {
  std::vector<ChartPoint> result;
  for (std::size_t first = 0; first + length <= source.size(); first += length) {
    const std::size_t last = first + length - 1;
    double sum = 0.0;
    for (std::size_t i = first; i <= last; ++i) sum += source[i].y;
    result.push_back({(source[first].x + source[last].x) / 2.0, sum / static_cast<double>(length)});
  }
  return result;
}

}  // namespace

void BlockAverage::SetPeriod(double period) {
  if (!(period >= 0.0)) throw SegsimError(msg::kPeriodNegative);
  if (period == period_) return;
  period_ = period;
  RecalculateSeries();
}

std::vector<ChartPoint> BlockAverage::Calculate(std::span<const ChartPoint> source) {
  // A period below one half rounds to no points per block; it is read as the whole range, like 0.
  const double length = RoundHalfEven(period_);
  if (length == 0.0) return WholeRange(source);
  if (length > static_cast<double>(source.size())) return {};
  return Blocks(source, static_cast<std::size_t>(length));
}

}  // namespace segsim

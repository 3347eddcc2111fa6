// The block average: the mean of each block of consecutive source points.
#pragma once

#include <span>
#include <vector>

#include "charts/series.h"

namespace segsim {

namespace msg {
inline constexpr const char* kPeriodNegative = "Function Period should be >= 0";
}  // namespace msg

// Blocks are counted in points (period style psNumPoints), and a block's point lies midway
// between its first and last x (period alignment paCenter); there are no other styles.
class BlockAverage : public SeriesFunction {
public:
  BlockAverage() = default;

  // Block length in points, >= 0; rounded to the nearest whole number (halves to even) when
  // used. 0 gives one horizontal line at the mean of all points over the whole x range.
  double Period() const { return period_; }
  // Throws SegsimError(msg::kPeriodNegative) for a negative value (or NaN) and keeps the old
  // one; a different value is stored and the attached series recalculated at once.
  void SetPeriod(double period);

  std::vector<ChartPoint> Calculate(std::span<const ChartPoint> source) override;

private:
  double period_ = 0.0;
};

}  // namespace segsim

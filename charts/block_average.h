// The block average: the mean of each block of consecutive source points.
#pragma once

#include <span>
#include <vector>

#include "charts/series.h"

namespace segsim {

namespace msg {
inline constexpr const char* kPeriodNegative = "Function Period should be >= 0";
}  // namespace msg

// How blocks are counted: by number of points.
enum class TPeriodStyle { psNumPoints };
// Where a block's point lies: midway between its first and last x.
enum class TPeriodAlign { paCenter };

class BlockAverage : public SeriesFunction {
public:
  BlockAverage() = default;

  // Block length in points, >= 0; rounded to the nearest whole number (halves to even) when
  // used. 0 gives one horizontal line at the mean of all points over the whole x range.
  double Period() const { return period_; }
  // Throws SegsimError(msg::kPeriodNegative) for a negative value (or NaN) and keeps the old
  // one; a different value is stored and the attached series recalculated at once.
  void SetPeriod(double period);

  // The only style and alignment there are; kept as settings for the windows' sake.
  TPeriodStyle PeriodStyle() const { return style_; }
  void SetPeriodStyle(TPeriodStyle style) { style_ = style; }
  TPeriodAlign PeriodAlign() const { return align_; }
  void SetPeriodAlign(TPeriodAlign align) { align_ = align; }

  std::vector<ChartPoint> Calculate(std::span<const ChartPoint> source) override;

private:
  double period_ = 0.0;
  TPeriodStyle style_ = TPeriodStyle::psNumPoints;
  TPeriodAlign align_ = TPeriodAlign::paCenter;
};

}  // namespace segsim

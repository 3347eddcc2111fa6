// One result of a sweep over one parameter as its chart has it, shared by the summary rows of
// segsim-cli sweep and the chart of segsim-cli plot: the runs' points at their values and the
// three series derived from them.
#pragma once

#include <cstdint>
#include <string>

#include "charts/series.h"

namespace segsim {

struct ResultSeries {
  // A BlockAverage of period runsPerValue, a LinearTrend and a PolynomialFit of the degree.
  ResultSeries(std::int32_t runsPerValue, std::int32_t degree);

  // The average and the trend from the points as they are now.
  void Recalculate();
  // The fit from the points as they are now; a fit that cannot be computed leaves its series
  // empty and fitError saying why.
  void RecalculateFit();

  PointSeries points;
  DerivedSeries average{&points};
  DerivedSeries trend{&points};
  DerivedSeries fit{&points};
  std::string fitError;  // empty: the fit exists
};

}  // namespace segsim

#include "charts/result_series.h"

#include <memory>

#include "charts/block_average.h"
#include "charts/polyfit.h"
#include "charts/trend.h"
#include "model/error.h"

namespace segsim {

ResultSeries::ResultSeries(std::int32_t runsPerValue, std::int32_t degree) {
  auto block = std::make_unique<BlockAverage>();
  block->SetPeriod(runsPerValue);
  average.SetFunction(std::move(block));
  trend.SetFunction(std::make_unique<LinearTrend>());
  fit.SetFunction(std::make_unique<PolynomialFit>(degree));
}

void ResultSeries::Recalculate() {
  average.Recalculate();
  trend.Recalculate();
}

void ResultSeries::RecalculateFit() {
  fitError.clear();
  try {
    fit.Recalculate();
  } catch (const SegsimError& e) {
    fitError = e.what();
  }
}

}  // namespace segsim

#include "charts/series.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace segsim {

// ---- PointSeries ----

PointSeries::~PointSeries() {
  for (DerivedSeries* series : derived_) series->source_ = nullptr;
}

void PointSeries::Add(double x, double y) {
  // upper_bound: the first point with a larger x, so a repeated x goes after its equals.
  const auto at = std::upper_bound(points_.begin(), points_.end(), x,
                                   [](double value, const ChartPoint& p) { return value < p.x; });
  points_.insert(at, ChartPoint{x, y});
}

void PointSeries::Clear() {
  points_.clear();
  for (DerivedSeries* series : derived_) series->Clear();
}

// ---- SeriesFunction ----

SeriesFunction::~SeriesFunction() {
  // An owning series clears series_ before destroying its function, so reaching here while
  // attached means the function was owned elsewhere; the series simply loses it.
  if (series_ != nullptr) series_->Detach();
}

void SeriesFunction::RecalculateSeries() {
  if (series_ != nullptr) series_->Recalculate();
}

// ---- DerivedSeries ----

DerivedSeries::~DerivedSeries() {
  ReleaseFunction();
  SetDataSource(nullptr);
}

void DerivedSeries::SetDataSource(PointSeries* source) {
  if (source == source_) return;
  if (source_ != nullptr) std::erase(source_->derived_, this);
  source_ = source;
  if (source_ != nullptr) source_->derived_.push_back(this);
}

void DerivedSeries::SetFunction(SeriesFunction& function) {
  if (function_ == &function) return;
  std::unique_ptr<SeriesFunction> ownership;
  if (function.series_ != nullptr) ownership = function.series_->Detach();
  ReleaseFunction();
  Attach(function, std::move(ownership));
  Recalculate();
}

void DerivedSeries::SetFunction(std::unique_ptr<SeriesFunction> function) {
  if (function == nullptr) {
    ReleaseFunction();
    Recalculate();
    return;
  }
  if (function_ == function.get()) {
    // Already attached, owned elsewhere until now: only the ownership changes hands.
    assert(owned_ == nullptr);
    owned_ = std::move(function);
    return;
  }
  if (function->series_ != nullptr) {
    // Whoever attached it there did not own it, since the caller owned it.
    const auto previousOwner = function->series_->Detach();
    assert(previousOwner == nullptr);
  }
  ReleaseFunction();
  SeriesFunction& attached = *function;
  Attach(attached, std::move(function));
  Recalculate();
}

void DerivedSeries::Recalculate() {
  points_.clear();
  if (function_ == nullptr || source_ == nullptr || source_->Count() == 0) return;
  std::vector<ChartPoint> computed = function_->Calculate(source_->Points());
  points_ = std::move(computed);
}

void DerivedSeries::Attach(SeriesFunction& function, std::unique_ptr<SeriesFunction> ownership) {
  assert(function_ == nullptr && function.series_ == nullptr);
  function_ = &function;
  function.series_ = this;
  owned_ = std::move(ownership);
}

std::unique_ptr<SeriesFunction> DerivedSeries::Detach() {
  if (function_ != nullptr) function_->series_ = nullptr;
  function_ = nullptr;
  return std::move(owned_);
}

void DerivedSeries::ReleaseFunction() {
  // Detach first: the owned function's destructor then finds itself unattached.
  const std::unique_ptr<SeriesFunction> released = Detach();
}

}  // namespace segsim

#include "cli/sweep_summary.h"

#include <cmath>
#include <memory>

#include "charts/block_average.h"
#include "charts/polyfit.h"
#include "charts/trend.h"
#include "model/error.h"

namespace segsim {

namespace {

constexpr const char* kFewerThanDegree = "fewer results than the degree";

// One result's chart: the points and the three series derived from them.
struct ResultChart {
  ResultChart(std::int32_t runsPerValue, std::int32_t degree) {
    auto block = std::make_unique<BlockAverage>();
    block->SetPeriod(runsPerValue);
    average.SetFunction(std::move(block));
    trend.SetFunction(std::make_unique<LinearTrend>());
    fit.SetFunction(std::make_unique<PolynomialFit>(degree));
  }

  PointSeries points;
  DerivedSeries average{&points};
  DerivedSeries trend{&points};
  DerivedSeries fit{&points};
  std::string fitError;  // empty: the fit exists
};

// The fit at the end of a sweep; a failure leaves the series empty and says why.
void RecalculateFit(ResultChart& chart, std::int32_t degree) {
  try {
    chart.fit.Recalculate();
  } catch (const SegsimError& e) {
    chart.fitError = e.what();
    return;
  }
  if (chart.points.Count() < static_cast<std::size_t>(degree)) chart.fitError = kFewerThanDegree;
}

Record DerivedRecord(const std::string& kind, bool isClusters, double x, double y) {
  Record r;
  r.kind = kind;
  r.value = x;
  (isClusters ? r.clusters : r.meanIs) = y;
  return r;
}

void AppendRows(const RowFormat& format, const ResultChart& chart, const std::string& name,
                std::vector<std::string>& lines) {
  const bool isClusters = name == "clusters";
  for (const ChartPoint& p : chart.average.Points()) {
    lines.push_back(format.Line(DerivedRecord(name + "_average", isClusters, p.x, p.y)));
  }
  for (const ChartPoint& p : chart.trend.Points()) {
    lines.push_back(format.Line(DerivedRecord(name + "_trend", isClusters, p.x, p.y)));
  }
  if (!chart.fitError.empty()) {
    Record r;
    r.kind = name + "_no_fit";
    r.note = chart.fitError;
    lines.push_back(format.Line(r));
    return;
  }
  const auto fitted = chart.fit.Points();
  for (std::size_t i = 0; i < fitted.size(); ++i) {
    // Equal x give equal fitted points: one row per value.
    if (i > 0 && fitted[i].x == fitted[i - 1].x) continue;
    const ChartPoint& p = fitted[i];
    lines.push_back(format.Line(DerivedRecord(name + "_fit", isClusters, p.x, p.y)));
  }
}

}  // namespace

SummaryRows Summarize(const RowFormat& format, std::span<const RunResult> results,
                      std::int32_t runsPerValue, std::int32_t degree) {
  ResultChart clusters(runsPerValue, degree);
  ResultChart segregation(runsPerValue, degree);
  for (const RunResult& r : results) {
    clusters.points.Add(r.value, r.clusters);
    if (!std::isnan(r.meanIs)) segregation.points.Add(r.value, r.meanIs);
  }
  for (ResultChart* chart : {&clusters, &segregation}) {
    chart->average.Recalculate();
    chart->trend.Recalculate();
  }
  // The window's order at the end of a sweep: the segregation fit, then the cluster fit.
  RecalculateFit(segregation, degree);
  RecalculateFit(clusters, degree);

  SummaryRows rows;
  AppendRows(format, clusters, "clusters", rows.lines);
  AppendRows(format, segregation, "mean_is", rows.lines);
  const std::pair<const ResultChart*, const char*> named[] = {{&clusters, "clusters"},
                                                               {&segregation, "mean_is"}};
  for (const auto& [chart, name] : named) {
    if (chart->fitError.empty()) continue;
    std::string message = std::string("no polynomial fit of degree ") + std::to_string(degree) +
                          " for " + name + ": " + chart->fitError;
    if (chart->fitError == msg::kCannotFit) message += " (fewer different values than the degree)";
    rows.messages.push_back(message);
  }
  return rows;
}

}  // namespace segsim

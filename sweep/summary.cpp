#include "sweep/summary.h"

#include <cmath>
#include <limits>

#include "charts/polyfit.h"
#include "charts/result_series.h"
#include "model/error.h"
#include "model/numeric.h"

namespace segsim {

namespace {

constexpr const char* kFewerThanDegree = "fewer results than the degree";
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The fit at the end of a sweep; a failure leaves the series empty and says why, and so does a
// fit of fewer points than the degree.
void RecalculateFit(ResultSeries& chart, std::int32_t degree) {
  chart.RecalculateFit();
  if (!chart.fitError.empty()) return;
  if (chart.points.Count() < static_cast<std::size_t>(degree)) chart.fitError = kFewerThanDegree;
}

SummaryRow DerivedRow(const std::string& kind, bool isClusters, double x, double y) {
  SummaryRow r;
  r.kind = kind;
  r.x = x;
  (isClusters ? r.clusters : r.meanIs) = y;
  return r;
}

void AppendRows(const ResultSeries& chart, const std::string& name, std::vector<SummaryRow>& rows) {
  const bool isClusters = name == kClustersResult;
  for (const ChartPoint& p : chart.average.Points()) {
    rows.push_back(DerivedRow(name + "_average", isClusters, p.x, p.y));
  }
  for (const ChartPoint& p : chart.trend.Points()) {
    rows.push_back(DerivedRow(name + "_trend", isClusters, p.x, p.y));
  }
  if (!chart.fitError.empty()) {
    SummaryRow r;
    r.kind = name + "_no_fit";
    r.note = chart.fitError;
    rows.push_back(r);
    return;
  }
  const auto fitted = chart.fit.Points();
  for (std::size_t i = 0; i < fitted.size(); ++i) {
    // Equal x give equal fitted points: one row per value.
    if (i > 0 && fitted[i].x == fitted[i - 1].x) continue;
    rows.push_back(DerivedRow(name + "_fit", isClusters, fitted[i].x, fitted[i].y));
  }
}

Summary OneParameter(const SweepPlan& plan, std::span<const RunRow> runs) {
  const std::int32_t degree = plan.Design().degree;
  ResultSeries clusters(plan.RunsPerValue(), degree);
  ResultSeries segregation(plan.RunsPerValue(), degree);
  for (const RunRow& r : runs) {
    const double value = r.values.empty() ? 0.0 : r.values.front();
    clusters.points.Add(value, r.clusters);
    if (!std::isnan(r.meanIs)) segregation.points.Add(value, r.meanIs);
  }
  clusters.Recalculate();
  segregation.Recalculate();
  // The window's order at the end of a sweep: the segregation fit, then the cluster fit.
  RecalculateFit(segregation, degree);
  RecalculateFit(clusters, degree);

  Summary summary;
  AppendRows(clusters, kClustersResult, summary.rows);
  AppendRows(segregation, kMeanIsResult, summary.rows);
  const std::pair<const ResultSeries*, const char*> named[] = {{&clusters, kClustersResult},
                                                               {&segregation, kMeanIsResult}};
  for (const auto& [chart, name] : named) {
    if (chart->fitError.empty()) continue;
    std::string message = std::string("no polynomial fit of degree ") + std::to_string(degree) +
                          " for " + name + ": " + chart->fitError;
    if (chart->fitError == msg::kCannotFit) message += " (fewer different values than the degree)";
    summary.messages.push_back(message);
  }
  return summary;
}

// The values of one column over a combination's runs; their mean is that of the values that
// exist (MeanOfExisting), NaN for none.
class Mean {
public:
  void Add(double v) { values_.push_back(v); }
  double Value() const { return MeanOfExisting(values_).value_or(kNaN); }

private:
  std::vector<double> values_;
};

SummaryRow CombinationMean(std::span<const RunRow> runs) {
  SummaryRow row;
  row.kind = "mean";
  row.values = runs.front().values;
  row.applied = runs.front().applied;
  row.perGroup = true;
  std::size_t groups = 0;
  for (const RunRow& r : runs) groups = std::max(groups, r.segregation.size());
  Mean clusters, meanIs;
  std::vector<Mean> segregation(groups), satisfaction(groups);
  for (const RunRow& r : runs) {
    clusters.Add(r.clusters);
    meanIs.Add(r.meanIs);
    for (std::size_t g = 0; g < r.segregation.size(); ++g) segregation[g].Add(r.segregation[g]);
    for (std::size_t g = 0; g < r.satisfaction.size() && g < groups; ++g) {
      satisfaction[g].Add(r.satisfaction[g]);
    }
  }
  row.clusters = clusters.Value();
  row.meanIs = meanIs.Value();
  for (std::size_t g = 0; g < groups; ++g) {
    row.segregation.push_back(segregation[g].Value());
    row.satisfaction.push_back(satisfaction[g].Value());
  }
  return row;
}

}  // namespace

Summary Summarize(const SweepPlan& plan, std::span<const RunRow> runs) {
  if (plan.AxisCount() == 1) return OneParameter(plan, runs);
  Summary summary;
  const auto r = static_cast<std::size_t>(plan.RunsPerValue());
  for (std::size_t start = 0; start < runs.size(); start += r) {
    summary.rows.push_back(CombinationMean(runs.subspan(start, std::min(r, runs.size() - start))));
  }
  return summary;
}

}  // namespace segsim

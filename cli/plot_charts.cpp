#include "cli/plot_charts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "charts/chart_view.h"
#include "charts/result_chart.h"
#include "charts/result_series.h"
#include "model/numeric.h"
#include "settings/sweep_schema.h"

namespace segsim {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

ChartView* NewChart(const QString& title) {
  auto* chart = new ChartView;
  chart->legend->setVisible(false);
  chart->SetTitle(title);
  return chart;
}

// Ticks at the values' positions 0 … n - 1, labelled with the values (at most about 12).
QSharedPointer<QCPAxisTickerText> ValueTicks(const SweepAxis& axis) {
  QSharedPointer<QCPAxisTickerText> ticker(new QCPAxisTickerText);
  const std::int64_t n = axis.ValueCount();
  const std::int64_t every = std::max<std::int64_t>(1, (n + 11) / 12);
  for (std::int64_t k = 0; k < n; k += every) {
    ticker->addTick(static_cast<double>(k), QString::number(axis.ValueAt(k)));
  }
  return ticker;
}

// The title with the runs a partial sweep holds.
QString Titled(const std::string& title, const SweepChartLook& look) {
  return QString::fromStdString(look.partial.empty() ? title
                                                     : title + " (partial: " + look.partial + ")");
}

// The measure in words, for a title.
std::string MeasureWords(const std::string& measure) {
  if (measure == columns::kMeanIs) return "segregation index";
  if (measure == columns::kClusters) return "number of clusters";
  return measure;
}

// A mean as a person reads it: whole numbers from 10 on, one decimal below.
QString CellText(double value) {
  return QString::number(value, 'f', std::abs(value) >= 10 ? 0 : 1);
}

// Each cell's mean written in it, black on light colours and white on dark ones.
void Annotate(ChartView* chart, QCPColorMap* map) {
  QCPColorGradient gradient = map->gradient();  // color() is not const
  const QCPRange range = map->dataRange();
  QCPColorMapData* data = map->data();
  for (int i = 0; i < data->keySize(); ++i) {
    for (int j = 0; j < data->valueSize(); ++j) {
      const double value = data->cell(i, j);
      if (std::isnan(value)) continue;
      const QColor cell = QColor::fromRgb(gradient.color(value, range));
      const double light = 0.299 * cell.redF() + 0.587 * cell.greenF() + 0.114 * cell.blueF();
      auto* text = new QCPItemText(chart);
      text->position->setCoords(i, j);
      text->setText(CellText(value));
      text->setColor(light > 0.5 ? Qt::black : Qt::white);
      text->setClipToAxisRect(true);
    }
  }
}

}  // namespace

ChartView* ValueChart(const SweepFile& file, const std::string& measure,
                      const SweepChartLook& look) {
  const SweepPlan& plan = *file.plan;
  const std::string param = ParamName(plan.Design().axes.front().param);
  ChartView* chart = NewChart(Titled(measure + " per value of " + param, look));
  SetResultChartLook(chart);
  chart->xAxis->setLabel(QString::fromStdString(param));
  chart->yAxis->setLabel(QString::fromStdString(measure));

  ResultSeries result(plan.RunsPerValue(), plan.Design().degree);
  for (const RunRow& r : file.runs) {
    const double y = MeasureOf(r, measure);
    if (!std::isnan(y)) result.points.Add(r.values.front(), y);
  }
  result.Recalculate();
  result.RecalculateFit();  // no fit (fewer distinct values than the degree): no fit line
  const std::tuple<ResultLook, const ChartSeries*, const char*> graphs[] = {
      {ResultLook::Points, &result.points, "runs"},
      {ResultLook::Average, &result.average, "average"},
      {ResultLook::Fit, &result.fit, "fit"},
      {ResultLook::Trend, &result.trend, "trend"}};
  // The sweep window shows no legend; plot's picture names its four graphs.
  chart->legend->clearItems();
  chart->legend->setVisible(true);
  for (const auto& [kind, series, name] : graphs) {
    LineSeries* graph = AddResultGraph(chart, kind, name);
    for (const ChartPoint& p : series->Points()) graph->Add(p.x, p.y);
    if (!chart->legend->hasItemWithPlottable(graph)) graph->addToLegend();
  }
  chart->ReplotNow();
  return chart;
}

ChartView* PhaseDiagram(const SweepFile& file, const std::string& measure,
                        const SweepChartLook& look) {
  const SweepPlan& plan = *file.plan;
  const SweepAxis& across = plan.Design().axes[0];
  const SweepAxis& up = plan.Design().axes[1];
  const auto nx = static_cast<int>(across.ValueCount());
  const auto ny = static_cast<int>(up.ValueCount());
  std::vector<std::vector<double>> measured(static_cast<std::size_t>(nx) * ny);
  for (const RunRow& r : file.runs) {
    const std::int64_t c = r.run / plan.RunsPerValue();
    const auto cell = static_cast<std::size_t>(plan.ValueIndex(c, 0) * ny + plan.ValueIndex(c, 1));
    measured[cell].push_back(MeasureOf(r, measure));
  }

  const std::int64_t runs = plan.RunsPerValue();
  ChartView* chart = NewChart(Titled("mean " + MeasureWords(measure) + ", " + std::to_string(runs) +
                                         (runs == 1 ? " run" : " runs") + " per combination",
                                     look));
  chart->xAxis->setLabel(ParamName(across.param));
  chart->yAxis->setLabel(ParamName(up.param));
  chart->xAxis->setTicker(ValueTicks(across));
  chart->yAxis->setTicker(ValueTicks(up));
  auto* map = new QCPColorMap(chart->xAxis, chart->yAxis);
  map->data()->setSize(nx, ny);
  map->data()->setRange(QCPRange(0, nx - 1), QCPRange(0, ny - 1));
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j < ny; ++j) {
      const auto cell = static_cast<std::size_t>(i) * ny + j;
      map->data()->setCell(i, j, MeanOfExisting(measured[cell]).value_or(kNaN));
    }
  }
  auto* scale = new QCPColorScale(chart);
  chart->plotLayout()->addElement(1, 1, scale);
  scale->setType(QCPAxis::atRight);
  scale->axis()->setLabel(QString::fromStdString(measure));
  map->setColorScale(scale);
  QCPColorGradient gradient(QCPColorGradient::gpThermal);
  gradient.setNanHandling(QCPColorGradient::nhTransparent);
  map->setGradient(gradient);
  map->setInterpolate(false);
  map->rescaleDataRange(true);
  auto* margins = new QCPMarginGroup(chart);
  chart->axisRect()->setMarginGroup(QCP::msBottom | QCP::msTop, margins);
  scale->setMarginGroup(QCP::msBottom | QCP::msTop, margins);
  chart->xAxis->setRange(-0.5, nx - 0.5);
  chart->yAxis->setRange(-0.5, ny - 0.5);
  if (look.annotate) Annotate(chart, map);
  chart->replot();
  return chart;
}

// Each group's line on the right axis.
ChartView* TraceChart(const Trace& trace, const std::string& measure) {
  const bool satisfaction = measure == "satisfaction";
  ChartView* chart = NewChart(satisfaction ? "average satisfaction of the agents"
                                           : "segregation index of the groups");
  chart->SetLogBottomAxis(true);
  chart->xAxis->setLabel("time in log10");
  chart->yAxis->setVisible(false);
  chart->yAxis2->setVisible(true);
  chart->yAxis2->setLabel(satisfaction ? "satisfaction in %" : "segregation index in %");
  const auto& values = satisfaction ? trace.satisfaction : trace.segregation;
  for (std::size_t g = 0; g < values.size(); ++g) {
    LineSeries* line = chart->AddLineSeries(true);
    line->SetColor(trace.colors[g]);
    for (std::size_t k = 0; k < trace.steps.size(); ++k) line->Add(trace.steps[k], values[g][k]);
  }
  chart->ReplotNow();
  return chart;
}

}  // namespace segsim

// segsim-cli plot: a sweep's rows or a run's trace drawn with the windows' chart layer into a
// PNG, PDF or SVG picture, without a display.
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>

#include <nlohmann/json.hpp>

#include "charts/block_average.h"
#include "charts/chart_view.h"
#include "charts/polyfit.h"
#include "charts/trend.h"
#include "charts/value_format.h"
#include "cli/output.h"
#include "cli/plot_options.h"
#include "cli/sweep_reader.h"
#include "model/error.h"
#include "model/numeric.h"

namespace segsim {

namespace {

using Json = nlohmann::json;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The sweep window's look of its result charts.
const QColor kPointColor(0xD0, 0x00, 0x00);
const QColor kAverageColor(0x00, 0x80, 0x00);
const QColor kFitColor(0x00, 0x80, 0xFF);    // 0x00BBGGRR 16744448
const QColor kTrendColor(0xFF, 0x80, 0x00);  // 0x00BBGGRR 33023
constexpr double kPointSize = 7;
constexpr double kAverageSize = 5;
constexpr double kFitWidth = 2;

// Colours are 0x00BBGGRR.
QColor GroupColor(std::uint32_t c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

// The offscreen platform where there is no display; Qt's note that it chose a runtime
// directory of its own is left out.
void PrepareQt() {
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  }
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtDebugMsg || text.contains("XDG_RUNTIME_DIR")) return;
    std::fprintf(stderr, "segsim-cli: %s\n", text.toLocal8Bit().constData());
  });
}

// ---- the inputs ----

struct Trace {
  std::vector<QColor> colors;  // per group
  std::vector<double> steps;
  std::vector<std::vector<double>> satisfaction;  // per group, per step
  std::vector<std::vector<double>> segregation;
};

bool IsTrace(const std::string& path) {
  for (const std::string& line : ReadFileLines(path)) {
    if (line.empty()) continue;
    if (line.front() != '{') return false;
    try {
      const Json object = Json::parse(line);
      return object.is_object() && object.contains("step");
    } catch (const Json::exception&) {
      return false;
    }
  }
  return false;
}

void AddValues(const Json& values, std::vector<std::vector<double>>& series,
               const std::string& where) {
  if (!values.is_array() || values.size() != series.size()) {
    throw UsageError(where + ": the per-group values do not match the groups");
  }
  for (std::size_t g = 0; g < series.size(); ++g) {
    series[g].push_back(values[g].is_number() ? values[g].get<double>() : kNaN);
  }
}

Trace ReadTrace(const std::string& path) {
  Trace trace;
  const std::vector<std::string> lines = ReadFileLines(path);
  bool setup = false;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    if (lines[n].empty()) continue;
    const std::string where = path + ":" + std::to_string(n + 1);
    try {
      const Json object = Json::parse(lines[n]);
      if (!setup) {
        for (const Json& c : object.at("group_colors")) {
          trace.colors.push_back(GroupColor(c.get<std::uint32_t>()));
        }
        trace.satisfaction.resize(trace.colors.size());
        trace.segregation.resize(trace.colors.size());
        setup = true;
        continue;
      }
      trace.steps.push_back(object.at("step").get<double>());
      AddValues(object.at("satisfaction"), trace.satisfaction, where);
      AddValues(object.at("segregation"), trace.segregation, where);
    } catch (const Json::exception& e) {
      throw UsageError(where + ": is no line of a trace of segsim-cli run: " + e.what());
    }
  }
  if (trace.steps.empty()) throw UsageError(path + ": the trace has no step to draw");
  return trace;
}

double MeasureOf(const RunRow& r, const std::string& measure) {
  if (measure == "clusters") return r.clusters;
  if (measure == "mean_is") return r.meanIs;
  Extended sum = 0;
  int count = 0;
  for (double v : r.satisfaction) {
    if (std::isnan(v)) continue;
    sum += v;
    ++count;
  }
  return count == 0 ? kNaN : static_cast<double>(sum / count);
}

// ---- the charts ----

ChartView* NewChart(const QString& title) {
  auto* chart = new ChartView;
  chart->legend->setVisible(false);
  chart->SetTitle(title);
  return chart;
}

LineSeries* Points(ChartView* chart, const QColor& color, QCPScatterStyle::ScatterShape shape,
                   double size) {
  LineSeries* s = chart->AddLineSeries(false);
  s->SetColor(color);
  s->SetPointMarkers(shape, size);
  return s;
}

void AddAll(LineSeries* series, const DerivedSeries& derived) {
  for (const ChartPoint& p : derived.Points()) series->Add(p.x, p.y);
}

// One swept parameter: the runs, the per-value averages, the fit and the trend.
ChartView* ValueChart(const SweepFile& file, const std::string& measure) {
  const SweepPlan& plan = *file.plan;
  const std::string param = ParamName(plan.Design().axes.front().param);
  ChartView* chart = NewChart(QString::fromStdString(measure + " per value of " + param));
  chart->SetMargins(0.06, 0.04);
  chart->xAxis->setLabel(QString::fromStdString(param));
  chart->SetIntegerSteps(chart->xAxis);
  chart->yAxis->setLabel(QString::fromStdString(measure));

  PointSeries points;
  for (const RunRow& r : file.runs) {
    const double y = MeasureOf(r, measure);
    if (!std::isnan(y)) points.Add(r.values.front(), y);
  }
  DerivedSeries average(&points), fit(&points), trend(&points);
  auto block = std::make_unique<BlockAverage>();
  block->SetPeriod(plan.RunsPerValue());
  average.SetFunction(std::move(block));
  trend.SetFunction(std::make_unique<LinearTrend>());
  fit.SetFunction(std::make_unique<PolynomialFit>(plan.Design().degree));
  average.Recalculate();
  trend.Recalculate();
  try {
    fit.Recalculate();
  } catch (const SegsimError&) {
    // No fit: fewer distinct values than the degree; the fit line is left out.
  }

  LineSeries* runs = Points(chart, kPointColor, QCPScatterStyle::ssCircle, kPointSize);
  runs->SetLineVisible(false);
  for (const ChartPoint& p : points.Points()) runs->Add(p.x, p.y);
  LineSeries* averages = Points(chart, kAverageColor, QCPScatterStyle::ssSquare, kAverageSize);
  averages->SetMarks([](double y) { return QString::fromStdString(FormatValueMark(y)); });
  AddAll(averages, average);
  LineSeries* fitted = chart->AddLineSeries(false);
  fitted->SetColor(kFitColor);
  fitted->SetPenWidth(kFitWidth);
  AddAll(fitted, fit);
  LineSeries* line = chart->AddLineSeries(false);
  line->SetColor(kTrendColor);
  AddAll(line, trend);
  chart->ReplotNow();
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

// Two swept parameters: a heat map of the measure's mean per combination.
ChartView* PhaseDiagram(const SweepFile& file, const std::string& measure) {
  const SweepPlan& plan = *file.plan;
  const SweepAxis& across = plan.Design().axes[0];
  const SweepAxis& up = plan.Design().axes[1];
  const auto nx = static_cast<int>(across.ValueCount());
  const auto ny = static_cast<int>(up.ValueCount());
  std::vector<Extended> sums(static_cast<std::size_t>(nx) * ny, 0);
  std::vector<int> counts(sums.size(), 0);
  for (const RunRow& r : file.runs) {
    const double v = MeasureOf(r, measure);
    if (std::isnan(v)) continue;
    const std::int64_t c = r.run / plan.RunsPerValue();
    const auto cell = static_cast<std::size_t>(plan.ValueIndex(c, 0) * ny + plan.ValueIndex(c, 1));
    sums[cell] += v;
    ++counts[cell];
  }

  ChartView* chart = NewChart(QString::fromStdString(
      "mean " + measure + " of " + std::to_string(plan.RunsPerValue()) + " runs per combination"));
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
      map->data()->setCell(i, j,
                           counts[cell] ? static_cast<double>(sums[cell] / counts[cell]) : kNaN);
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
  chart->replot();
  return chart;
}

// A run's trace: each group's line over log time, on the right axis, as the analysis window.
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

// ---- the picture ----

std::string Extension(const std::string& path) {
  std::string ext = path.substr(path.rfind('.') + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// The charts one above the other, each the full width and an equal share of the height.
void Paint(QCPPainter& painter, const std::vector<std::unique_ptr<ChartView>>& charts, int width,
           int height) {
  const int each = height / static_cast<int>(charts.size());
  for (std::size_t i = 0; i < charts.size(); ++i) {
    painter.save();
    painter.translate(0, static_cast<double>(each) * static_cast<double>(i));
    charts[i]->toPainter(&painter, width, each);
    painter.restore();
  }
}

void Write(const std::vector<std::unique_ptr<ChartView>>& charts, const PlotOptions& o) {
  const std::string ext = Extension(o.out);
  const QString path = QString::fromStdString(o.out);
  const auto failed = [&] { return OutputError("cannot write " + o.out); };
  if (ext == "png") {
    QImage image(o.width, o.height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QCPPainter painter(&image);
    Paint(painter, charts, o.width, o.height);
    painter.end();
    if (!image.save(path, "PNG")) throw failed();
    return;
  }
  if (ext == "pdf") {
    QPdfWriter writer(path);
    writer.setResolution(72);  // one unit is one point
    writer.setPageSize(QPageSize(QSizeF(o.width, o.height), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QCPPainter painter;
    if (!painter.begin(&writer)) throw failed();
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    Paint(painter, charts, o.width, o.height);
    painter.end();
  } else {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(o.width, o.height));
    svg.setViewBox(QRect(0, 0, o.width, o.height));
    svg.setResolution(72);
    QCPPainter painter;
    if (!painter.begin(&svg)) throw failed();
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    Paint(painter, charts, o.width, o.height);
    painter.end();
  }
  if (!QFile(path).exists() || QFile(path).size() == 0) throw failed();
}

[[noreturn]] void NoMeasure(const std::string& measure, const std::string& has) {
  throw UsageError("the input has no measure '" + measure + "'; it has " + has);
}

}  // namespace

int PlotMain(const PlotOptions& options) {
  PrepareQt();
  int argc = 1;
  char name[] = "segsim-cli";
  char* argv[] = {name, nullptr};
  const QApplication app(argc, argv);  // outlives the charts below
  std::vector<std::unique_ptr<ChartView>> charts;
  if (IsTrace(options.input)) {
    const Trace trace = ReadTrace(options.input);
    std::vector<std::string> measures = {"satisfaction", "segregation"};
    if (!options.measure.empty()) {
      if (options.measure != "satisfaction" && options.measure != "segregation") {
        NoMeasure(options.measure, "satisfaction and segregation (a run's trace)");
      }
      measures = {options.measure};
    }
    for (const std::string& m : measures) charts.emplace_back(TraceChart(trace, m));
  } else {
    const SweepFile file = ReadSweepFile(options.input);
    const std::string measure = options.measure.empty() ? "mean_is" : options.measure;
    if (measure != "mean_is" && measure != "clusters" && measure != "satisfaction") {
      NoMeasure(measure, "mean_is, clusters and satisfaction (a sweep)");
    }
    const std::size_t axes = file.plan->AxisCount();
    if (axes > 2) {
      throw UsageError("plot draws a sweep of one or two parameters; this one sweeps " +
                       std::to_string(axes));
    }
    if (file.runs.empty()) throw UsageError(options.input + ": the sweep has no run to draw");
    charts.emplace_back(axes == 1 ? ValueChart(file, measure) : PhaseDiagram(file, measure));
  }
  Write(charts, options);
  return 0;
}

}  // namespace segsim

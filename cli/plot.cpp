// segsim-cli plot: a sweep's rows or a run's trace drawn with the windows' chart layer into a
// PNG, PDF or SVG picture, without a display.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "charts/chart_picture.h"
#include "charts/chart_view.h"
#include "cli/output.h"
#include "cli/plot_charts.h"
#include "cli/plot_inputs.h"
#include "cli/plot_options.h"
#include "cli/sweep_reader.h"
#include "model/error.h"
#include "settings/sweep_schema.h"

namespace segsim {

namespace {

// The offscreen platform where there is no display. Qt's debug notes and warnings (its runtime
// directory, a paint device that would not open, the platform plugin) are left out: a failure
// is told by segsim's own message alone.
void PrepareQt() {
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  }
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtCriticalMsg && type != QtFatalMsg) return;
    std::fprintf(stderr, "segsim-cli: %s\n", text.toLocal8Bit().constData());
  });
}

// The picture's type by the extension, which ParsePlotOptions has checked: png, pdf or svg.
QString Format(const std::string& path) {
  return QString::fromStdString(path.substr(path.rfind('.') + 1)).toLower();
}

void Write(const std::vector<std::unique_ptr<ChartView>>& charts, const PlotOptions& o) {
  std::vector<ChartView*> drawn;
  for (const auto& chart : charts) drawn.push_back(chart.get());
  const QByteArray bytes = ChartsPicture(drawn, QSize(o.width, o.height), Format(o.out));
  if (bytes.isEmpty())
    throw OutputError("cannot write to " + o.out + ": the picture was not drawn");
  WriteFileWhole(o.out,
                 std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
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
    if (options.annotate)
      throw UsageError("--annotate is for a sweep of two parameters, not a trace");
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
    const std::string measure = options.measure.empty() ? columns::kMeanIs : options.measure;
    if (measure != columns::kMeanIs && measure != columns::kClusters &&
        measure != columns::kSatisfaction) {
      NoMeasure(measure, "mean_is, clusters and satisfaction (a sweep)");
    }
    const std::size_t axes = file.plan->AxisCount();
    if (axes > 2) {
      throw UsageError("plot draws a sweep of one or two parameters; this one sweeps " +
                       std::to_string(axes));
    }
    if (options.annotate && axes != 2) {
      throw UsageError(
          "--annotate writes the means in a heat map's cells; this sweep has one "
          "parameter, whose chart shows the averages already");
    }
    if (file.runs.empty()) throw UsageError(options.input + ": the sweep has no run to draw");
    SweepChartLook look;
    look.annotate = options.annotate;
    if (const auto missing = MissingRuns(file)) {
      if (!options.partial) {
        const bool shard = file.options.shard.count > 1;
        throw UsageError(options.input + ": the sweep is incomplete: " + *missing + " (" +
                         (shard ? "merge the shards first, or " : "") +
                         "give --partial to draw what it has)");
      }
      look.partial = *missing;
    }
    charts.emplace_back(axes == 1 ? ValueChart(file, measure, look)
                                  : PhaseDiagram(file, measure, look));
  }
  Write(charts, options);
  return 0;
}

}  // namespace segsim

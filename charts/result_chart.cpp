#include "charts/result_chart.h"

#include "charts/chart_view.h"
#include "charts/qt_color.h"
#include "charts/value_format.h"

namespace segsim {

namespace {

constexpr Color kFitColor = 16744448;  // red 0, green 128, blue 255
constexpr Color kTrendColor = 33023;   // red 255, green 128, blue 0
const QColor kPointColor(0xD0, 0x00, 0x00);
const QColor kAverageColor(0x00, 0x80, 0x00);
// Markers reach 3 pixels (circles) and 2 pixels (squares) from the point on every side, so
// that they can be seen beside the lines: 7 and 5 pixels across.
constexpr double kPointSize = 2 * 3 + 1;
constexpr double kAverageSize = 2 * 2 + 1;
constexpr double kFitWidth = 2;        // pixels
constexpr double kKeyMargin = 0.06;    // room beside the first and last value for their marks
constexpr double kValueMargin = 0.04;  // and below and above the outermost results

}  // namespace

void SetResultChartLook(ChartView* chart) {
  chart->legend->setVisible(false);
  chart->SetMargins(kKeyMargin, kValueMargin);
  chart->SetIntegerSteps(chart->xAxis);
}

LineSeries* AddResultGraph(ChartView* chart, ResultLook look, const QString& name) {
  LineSeries* graph = chart->AddLineSeries(false);
  graph->setName(name);
  switch (look) {
    case ResultLook::Points:
      graph->SetColor(kPointColor);
      graph->SetLineVisible(false);
      graph->SetPointMarkers(QCPScatterStyle::ssCircle, kPointSize);
      break;
    case ResultLook::Average:
      graph->SetColor(kAverageColor);
      graph->SetPointMarkers(QCPScatterStyle::ssSquare, kAverageSize);
      graph->SetMarks([](double y) { return QString::fromStdString(FormatValueMark(y)); });
      break;
    case ResultLook::Fit:
      graph->SetColor(ToQColor(kFitColor));
      graph->SetPenWidth(kFitWidth);
      break;
    case ResultLook::Trend: graph->SetColor(ToQColor(kTrendColor)); break;
  }
  return graph;
}

}  // namespace segsim

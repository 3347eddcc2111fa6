// Time lines over a logarithmic axis, headless: a thinned line draws pixel for pixel as the line
// of all its points, at the sizes of the analysis window's time charts.
#include <QtTest>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "charts/chart_view.h"

using namespace segsim;

namespace {

// Lines like a run's: levels that settle, with step-to-step noise; one group without values for
// stretches when `gaps` is set.
std::vector<std::vector<double>> RunLines(int steps, bool gaps) {
  std::vector<std::vector<double>> lines(3);
  std::uint64_t state = 99;
  for (int t = 1; t <= steps; ++t) {
    for (std::size_t g = 0; g < lines.size(); ++g) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      const double noise = static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
      const double level = 30.0 + 20.0 * static_cast<double>(g) - 25.0 / std::sqrt(double(t));
      const bool gap = gaps && g == 1 && (t / 1500) % 5 == 2 && t % 1500 < 300;
      lines[g].push_back(gap ? std::numeric_limits<double>::quiet_NaN() : level + noise * (3 - g));
    }
  }
  return lines;
}

// Set up as the analysis window's time charts: logarithmic bottom axis, values on the right.
void SetUpTimeChart(ChartView& chart, QSize size) {
  chart.resize(size);
  chart.legend->setVisible(false);
  chart.SetLogBottomAxis(true);
  chart.yAxis->setVisible(false);
  chart.yAxis2->setVisible(true);
  chart.SetTitle("segregation measure in 20x20 tiles");
}

const QColor kColors[] = {QColor(255, 0, 0), QColor(0, 160, 0), QColor(0, 0, 255)};

QImage Render(ChartView& chart, QSize size) {
  chart.ReplotNow();
  return chart.toPixmap(size.width(), size.height()).toImage();
}

}  // namespace

class ThinningTest : public QObject {
  Q_OBJECT

private slots:
  void thinnedLineDrawsAsAllItsPoints_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("steps");
    QTest::addColumn<bool>("gaps");
    QTest::newRow("Chart1, 200000 steps") << QSize(649, 249) << 200000 << false;
    QTest::newRow("Chart4, 200000 steps, gaps") << QSize(442, 234) << 200000 << true;
    QTest::newRow("Chart1, 2000 steps, gaps") << QSize(649, 249) << 2000 << true;
  }
  void thinnedLineDrawsAsAllItsPoints() {
    QFETCH(QSize, size);
    QFETCH(int, steps);
    QFETCH(bool, gaps);
    ChartView thinnedChart, fullChart;
    SetUpTimeChart(thinnedChart, size);
    SetUpTimeChart(fullChart, size);
    std::vector<LineSeries*> thinned, full;
    for (const QColor& color : kColors) {
      thinned.push_back(thinnedChart.AddLineSeries(true));
      thinned.back()->SetThinned(true);
      full.push_back(fullChart.AddLineSeries(true));
      for (LineSeries* s : {thinned.back(), full.back()}) s->SetColor(color);
    }
    const auto lines = RunLines(steps, gaps);
    for (int t = 1; t <= steps; ++t) {
      for (std::size_t g = 0; g < lines.size(); ++g) {
        thinned[g]->Add(t, lines[g][t - 1]);
        full[g]->Add(t, lines[g][t - 1]);
      }
    }
    for (std::size_t g = 0; g < lines.size(); ++g) {
      QCOMPARE(full[g]->KeptPoints().size(), std::size_t(steps));
      QCOMPARE(thinned[g]->Count(), steps);
      if (steps >= 200000) QVERIFY(thinned[g]->KeptPoints().size() <= 5000);
      QCOMPARE(thinned[g]->Y(steps - 1), lines[g][steps - 1]);  // the last point is kept
    }
    const QImage want = Render(fullChart, size);
    const QImage got = Render(thinnedChart, size);
    QCOMPARE(got.size(), size);
    if (qEnvironmentVariableIsSet("SEGSIM_PNG_DIR")) {
      want.save(qEnvironmentVariable("SEGSIM_PNG_DIR") + "/" + QTest::currentDataTag() +
                " all.png");
      got.save(qEnvironmentVariable("SEGSIM_PNG_DIR") + "/" + QTest::currentDataTag() +
               " thinned.png");
    }
    int lineColoured = 0;
    for (int y = 0; y < want.height(); ++y) {
      for (int x = 0; x < want.width(); ++x) {
        const QColor c(want.pixel(x, y));  // the blue line, antialiased
        lineColoured += c.blue() > c.red() + 80 && c.blue() > c.green() + 80;
      }
    }
    QVERIFY(lineColoured > 100);  // the lines are there to compare
    QVERIFY(got == want);
  }

  // Thinning leaves out points; by position they read as no value, the last point never does.
  void thinnedPointsReadAsNoValue() {
    ChartView chart;
    chart.SetLogBottomAxis(true);
    LineSeries* series = chart.AddLineSeries(true);
    series->SetThinned(true);
    for (int t = 1; t <= 20000; ++t) series->Add(t, t % 7);
    QCOMPARE(series->Count(), 20000);
    QCOMPARE(series->Y(0), 1.0);
    QCOMPARE(series->X(19999), 20000.0);
    QCOMPARE(series->Y(19999), double(20000 % 7));
    int noValue = 0;
    for (int k = 10000; k < 10100; ++k)
      noValue += std::isnan(series->Y(k)) && std::isnan(series->X(k));
    QVERIFY(noValue > 50);
    series->Clear();
    QCOMPARE(series->Count(), 0);
  }
};

int RunThinningTests(int argc, char** argv) {
  ThinningTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "ui_thinning_test.moc"

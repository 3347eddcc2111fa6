// The sweep window's test fixture: the three windows on a 20 x 20 grid (380 agents), errors and
// messages recorded instead of shown, and a driver that ticks a sweep by hand (Timer2Timer in a
// loop; no event loop runs, so neither timer fires by itself) and notes every run as the
// analysis window holds it when the run's end tick comes.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <cmath>
#include <optional>
#include <vector>

#include "charts/chart_view.h"
#include "measures/run_results.h"
#include "model/numeric.h"
#include "ui/message_box.h"
#include "ui/up_down.h"
#include "window_fixture.h"

namespace segsim::sweeptest {

using Points = std::vector<ChartPoint>;

inline Points PointsOf(const ChartSeries& series) {
  return {series.Points().begin(), series.Points().end()};
}

inline std::vector<double> XsOf(const ChartSeries& series) {
  std::vector<double> xs;
  for (const ChartPoint& p : series.Points()) xs.push_back(p.x);
  return xs;
}

// One run as the analysis window held it when the run's end tick came.
struct Run {
  double value = 0;                 // SweepValue
  double clusters = 0;              // cluster bars
  std::optional<double> mean;       // mean IS over the groups with a value at point k
  int skipped = 0;                  // groups without a value there
  bool lastPoint = true;            // point k was every group's last point
  std::uint32_t timeStep = 0;       // the main window's TimeStep
  std::int32_t groups = 0;          // G of the model
  std::int32_t sharedClusters = 0;  // what segsim-cli sweep takes for the same model
  std::optional<double> sharedMean;
};

class SweepFixture : public WindowFixture {
protected:
  QStringList messages_;  // "text | caption"
  std::vector<Run> runs_;
  int ticks_ = 0;

  void Set(const char* field, const QString& text) {
    F3()->findChild<QLineEdit*>(field)->setText(text);
  }
  QString Text(const char* name) {
    if (auto* e = F3()->findChild<QLineEdit*>(name)) return e->text();
    if (auto* l = F3()->findChild<QLabel*>(name)) return l->text();
    if (auto* b = F3()->findChild<QAbstractButton*>(name)) return b->text();
    if (auto* g = F3()->findChild<QGroupBox*>(name)) return g->title();
    return "<no control " + QString(name) + ">";
  }
  const Model& M() { return F1()->simulation().Model(); }
  bool Running() { return F3()->Timer2->isActive(); }
  void Start(int item = 0) {
    F3()->CB_param->setCurrentIndex(item);
    F3()->B_start->click();
  }
  void Click(TUpDown* upDown, const char* arrow, int times = 1) {
    for (int i = 0; i < times; ++i) upDown->findChild<QToolButton*>(arrow)->click();
  }

  Run Observe() {
    Run r;
    r.value = F3()->SweepValue;
    r.clusters = F2()->ClusterBarCount();
    const int k = F3()->SweepStepCount - 1;
    Extended sum = 0;
    int counted = 0;
    for (int g = 0; g < F2()->GroupSeriesCount(); ++g) {
      r.lastPoint = r.lastPoint && k == F2()->SegregationCount(g) - 1;
      if (k < 0 || k >= F2()->SegregationCount(g)) continue;
      const double y = F2()->SegregationY(g, k);
      if (std::isnan(y)) {
        ++r.skipped;
        continue;
      }
      sum += y;
      ++counted;
    }
    if (counted > 0) r.mean = static_cast<double>(sum / counted);
    r.timeStep = F1()->TimeStep();
    r.groups = M().Settings().GroupCount;
    r.sharedClusters = ClustersAbove(F1()->simulation().Clusters(),
                                     StrToInt(F1()->E_clusterT->text().toStdString()));
    r.sharedMean = MeanOfExisting(F1()->simulation().LastMeasures().dissimilarity.segregation);
    return r;
  }

  // Ticks until the sweep stops (or maxTicks), noting every run at its end tick.
  void Sweep(int maxTicks = 100000) {
    for (int i = 0; i < maxTicks && Running(); ++i) {
      std::int32_t steps = 1;
      TryStrToInt(F3()->E_toSteps->text().toStdString(), steps);
      if (F3()->SweepStepCount >= std::max(steps, 1)) runs_.push_back(Observe());
      F3()->Timer2Timer();
      ++ticks_;
    }
  }

  std::vector<double> RunValues() {
    std::vector<double> values;
    for (const Run& r : runs_) values.push_back(r.value);
    return values;
  }

  // Every run recorded as the analysis window held it, equal to what the CLI takes.
  void CheckRecorded() {
    Points clusters, segregation;
    for (const Run& r : runs_) {
      QVERIFY(r.lastPoint);
      QCOMPARE(r.clusters, double(r.sharedClusters));
      QCOMPARE(r.mean, r.sharedMean);
      clusters.push_back({r.value, r.clusters});
      if (r.mean) segregation.push_back({r.value, *r.mean});
    }
    QCOMPARE(PointsOf(F3()->Series_Avg), clusters);
    QCOMPARE(PointsOf(F3()->Series_IS), segregation);
  }

  std::vector<std::tuple<int, int, int>> AgentPlaces() {
    std::vector<std::tuple<int, int, int>> places;
    for (const TAgent& a : M().AgentList()) places.emplace_back(a.GridX, a.GridY, a.Group);
    return places;
  }

  // initTestCase, init and cleanup of the test classes.
  void SetUpTestCase() {
    StartCase();
    SetMessagePresenter([this](const QString& text, const QString& caption) {
      messages_ << text + " | " + caption;
    });
  }
  void SetUp() {
    messages_.clear();
    runs_.clear();
    ticks_ = 0;
    Open();
    F1()->Edit_cellSiz->setText("34");  // 20 x 20 cells, 380 agents
    F1()->B_setup->click();
  }
  void TearDown() { Close(); }
};

}  // namespace segsim::sweeptest

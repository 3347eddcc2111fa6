// The sweep window, headless: settings that stop or pause it (no parameter, negative runs per
// value, unreadable fields, steps below 1, increment 0, fits that fail, empty groups), the value
// written through the main window's controls, and the charts' display controls.
#include "sweep_window_fixture.h"

using namespace segsim;
using namespace segsim::sweeptest;

class SweepCaseTest : public SweepFixture {
  Q_OBJECT

private slots:
  void initTestCase() { SetUpTestCase(); }
  void init() { SetUp(); }
  void cleanup() { TearDown(); }

  void missingParameter() {
    Start();
    for (int i = 0; i < 5; ++i) F3()->Timer2Timer();
    F3()->CB_param->setCurrentIndex(-1);
    F3()->B_start->click();
    QCOMPARE(messages_, QStringList{"please select a parameter | missing value"});
    QVERIFY(Running());  // the sweep goes on as it was
    QCOMPARE(F3()->SweepStepCount, 0);
    QCOMPARE(F1()->TimeStep(), 0u);
    QCOMPARE(F3()->SweepRunIndex, 1u);
    QVERIFY(errors_.isEmpty());
  }

  void negativeRunsPerValueDoesNotStart() {
    Set("E_calcVals", "-1");
    Start();
    QCOMPARE(errors_, QStringList{"Function Period should be >= 0"});
    QCOMPARE(F3()->State(), SweepPhase::Ready);
    QCOMPARE(F3()->Chart_Cluster->Title(), "clusters per value | cluster threshold = 1");
    QCOMPARE(F3()->Chart_IS->Title(), "");
  }

  // A field that holds no integer when a tick reads it: the message shows once while the ticks
  // keep failing, Timer2 stays on and nothing changes; once the field is mended the sweep goes on.
  void unreadableFieldKeepsTheSweepRunning() {
    Start();
    for (int i = 0; i < 10; ++i) F3()->Timer2Timer();
    Set("E_toSteps", "x");
    for (int i = 0; i < 5; ++i) F3()->Timer2Timer();
    QCOMPARE(errors_, QStringList{"'x' ist kein gültiger Integerwert"});
    QVERIFY(Running());
    QCOMPARE(F3()->SweepStepCount, 10);
    QCOMPARE(F1()->TimeStep(), 10u);
    Set("E_toSteps", "30");
    for (int i = 0; i < 20; ++i) F3()->Timer2Timer();  // the run's last step: its end comes next
    QCOMPARE(F3()->SweepStepCount, 30);
    errors_.clear();
    Set("E_calcVals", "");
    for (int i = 0; i < 3; ++i) F3()->Timer2Timer();
    QCOMPARE(errors_,  // the field's own handler, then the ticks once
             (QStringList{"'' ist kein gültiger Integerwert", "'' ist kein gültiger Integerwert"}));
    QVERIFY(Running());
    QCOMPARE(F3()->SweepRunsDone, 0u);  // not recorded
    QCOMPARE(F3()->Series_Avg.Count(), 0u);
    QCOMPARE(F3()->SweepStepCount, 30);
    Set("E_calcVals", "3");
    errors_.clear();
    Sweep();
    QVERIFY(errors_.isEmpty());
    QCOMPARE(F3()->State(), SweepPhase::Finished);
    QCOMPARE(F3()->SweepRunsDone, 9u);
    // A later failure shows again: a tick that succeeded ended the series.
    F3()->B_break->click();
    F3()->Timer2Timer();
    Set("E_toSteps", "y");
    F3()->Timer2Timer();
    Set("E_toSteps", "30");
    F3()->Timer2Timer();
    Set("E_toSteps", "y");
    F3()->Timer2Timer();
    QCOMPARE(errors_, (QStringList{"'y' ist kein gültiger Integerwert",
                                   "'y' ist kein gültiger Integerwert"}));
  }

  void stepsBelowOneCountAsOne_data() {
    QTest::addColumn<QString>("steps");
    QTest::newRow("1") << "1";
    QTest::newRow("0") << "0";
    QTest::newRow("-5") << "-5";
  }
  void stepsBelowOneCountAsOne() {
    QFETCH(QString, steps);
    Set("E_toSteps", steps);
    Start();
    Sweep();
    QCOMPARE(ticks_, 10);
    QCOMPARE(runs_.size(), 9u);
    for (const Run& r : runs_) QCOMPARE(r.timeStep, 1u);
    CheckRecorded();
  }

  void incrementZeroRunsUntilStopped() {
    Set("E_incre", "0");
    Set("E_toSteps", "1");
    QCOMPARE(Text("Lbl_proceed"), "/ ∞");
    Start();
    Sweep(200);
    QVERIFY(Running());
    QCOMPARE(F3()->SweepValue, 2);
    QCOMPARE(F3()->SweepRunsDone, 199u);
    F3()->B_break->click();
    QCOMPARE(F3()->State(), SweepPhase::Paused);
  }

  // Two values cannot carry a fit of 3 coefficients: the message shows once for the cluster fit,
  // the segregation fit (now of degree 2) is still computed, and the sweep finishes.
  void failingFitStillFinishes() {
    Set("E_valTo", "3");
    Click(F3()->UpD_polyDegSeg, "down");
    QCOMPARE(F3()->E_polyDegSeg->text(), "2");
    Start();
    Sweep();
    QCOMPARE(errors_, QStringList{"Cannot process fitting"});
    QCOMPARE(F3()->State(), SweepPhase::Finished);
    QCOMPARE(F3()->Series_AvgFit.Count(), 0u);
    QCOMPARE(F3()->Series_IS_Fit.Count(), 6u);
    QCOMPARE(F2()->Chart2->Title(), "cluster sizes at timestep 30");
  }

  void emptyGroups_data() {
    QTest::addColumn<QString>("agents");
    QTest::addColumn<QString>("groups");
    QTest::addColumn<bool>("anyMean");
    QTest::newRow("one group: no index") << "380"
                                         << "1" << false;
    QTest::newRow("five groups, two agents") << "2"
                                             << "5" << true;
  }
  void emptyGroups() {
    QFETCH(QString, agents);
    QFETCH(QString, groups);
    QFETCH(bool, anyMean);
    F1()->Edit_anzAg->setText(agents);
    Set("E_valFrom", groups);
    Set("E_valTo", groups);
    Set("E_toSteps", "1");
    Set("E_calcVals", "20");
    Start();
    Sweep();
    QCOMPARE(runs_.size(), 20u);
    for (const Run& r : runs_) QVERIFY(r.skipped > 0);
    CheckRecorded();
    QCOMPARE(F3()->Series_Avg.Count(), 20u);
    if (!anyMean) QCOMPARE(F3()->Series_IS.Count(), 0u);
    QCOMPARE(errors_, QStringList{"Cannot process fitting"});  // one value cannot carry a fit
  }

  // Runs long enough for the analysis lines to be thinned still read each group's last point.
  void longRunsReadTheirLastPoint() {
    Set("E_valFrom", "2");
    Set("E_valTo", "3");
    Set("E_toSteps", "3000");
    Set("E_calcVals", "1");
    Start();
    Sweep();
    QCOMPARE(runs_.size(), 2u);
    for (const Run& r : runs_) QCOMPARE(r.timeStep, 3000u);
    CheckRecorded();
    for (const LineSeries* line : F2()->SegregationSeries) {
      QCOMPARE(line->Count(), 3000);
      QVERIFY(line->KeptPoints().size() < 1500);
    }
  }

  // The value reaches the model through the main window's control, whose limits apply.
  void valueGoesThroughTheMainWindowsControl_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("inForce");
    QTest::newRow("groups") << 0 << 3 << "3" << 3;
    QTest::newRow("groups below 1") << 0 << 0 << "1" << 1;
    QTest::newRow("radius above half the rows") << 1 << 11 << "5" << 5;
    QTest::newRow("move distance above half the rows") << 2 << 11 << "9" << 9;
    QTest::newRow("threshold above 100") << 3 << 130 << "100" << 100;
    QTest::newRow("threshold below 0") << 3 << -5 << "0" << 0;
  }
  void valueGoesThroughTheMainWindowsControl() {
    QFETCH(int, item);
    QFETCH(int, value);
    QFETCH(QString, control);
    QFETCH(int, inForce);
    F3()->CB_param->setCurrentIndex(item);
    F1()->DoStep();
    F3()->ApplyParameterValue(value);
    QCOMPARE(F1()->TimeStep(), 0u);  // a new setup
    const ModelSettings& s = M().Settings();
    const QString shown[] = {F1()->Edit_anzGr->text(), F1()->Edit_nRad->text(),
                             F1()->Edit_mDist->text(), QString::number(F1()->TrB_thresh->value())};
    const std::int64_t used[] = {s.GroupCount, s.NeighbourRadius, s.MoveDistance, s.Threshold};
    QCOMPARE(shown[item], control);
    QCOMPARE(used[item], std::int64_t{inForce});
  }

  void degreeControls() {
    Start();
    for (int i = 0; i < 7 * 30 + 1; ++i) F3()->Timer2Timer();  // seven runs recorded
    QCOMPARE(F3()->Series_IS.Count(), 7u);
    Click(F3()->UpD_polyDegSeg, "down");  // during the sweep: fits what is there at once
    QCOMPARE(F3()->Series_IS_Fit.Count(), 7u);
    Sweep();
    Click(F3()->UpD_polyDegClust, "down");
    QCOMPARE(F3()->ClusterFit->PolyDegree(), 2);
    // Two coefficients: the least-squares line, which the trend also is.
    const DerivedSeries& fit = F3()->Series_AvgFit;
    const DerivedSeries& trend = F3()->Series_AvgTrend;
    QCOMPARE(fit.Count(), 9u);
    QVERIFY(std::abs(fit.Y(0) - trend.Y(0)) < 1e-9 * std::abs(trend.Y(0)) + 1e-9);
    QVERIFY(std::abs(fit.Y(8) - trend.Y(1)) < 1e-9 * std::abs(trend.Y(1)) + 1e-9);
    Click(F3()->UpD_polyDegClust, "up", 2);
    QCOMPARE(F3()->E_polyDegClust->text(), "4");
    QCOMPARE(F3()->ClusterFit->PolyDegree(), 4);  // stays in force although it cannot fit
    QCOMPARE(errors_, QStringList{"Cannot process fitting"});
    QCOMPARE(fit.Count(), 0u);
    Click(F3()->UpD_polyDegClust, "up", 30);
    QCOMPARE(F3()->E_polyDegClust->text(), "20");
    Click(F3()->UpD_polyDegClust, "down", 30);
    QCOMPARE(F3()->E_polyDegClust->text(), "2");
    QCOMPARE(fit.Count(), 9u);
  }

  void hiddenSeriesAreStillComputed() {
    F3()->CB_data_Clust->click();
    F3()->CB_avg_Seg->click();
    QVERIFY(!F3()->Graph(F3()->Series_Avg)->visible());
    QVERIFY(!F3()->Graph(F3()->Series_IS_Avg)->visible());
    QVERIFY(F3()->Graph(F3()->Series_AvgClust)->visible());
    Start();
    Sweep();
    QCOMPARE(F3()->Series_AvgClust.Count(), 3u);
    QCOMPARE(F3()->Series_IS_Avg.Count(), 3u);
    QCOMPARE(F3()->Graph(F3()->Series_IS_Avg)->Count(), 3);
    F3()->CB_data_Clust->click();
    QVERIFY(F3()->Graph(F3()->Series_Avg)->visible());
  }

  // The user may restart Timer1 during a sweep: both step the same model, and the sweep's
  // counters count only its own steps.
  void bothTimersStepTheSameModel() {
    Start();
    F1()->B_stop->click();
    QVERIFY(F1()->Timer1->isActive());
    for (int i = 0; i < 3; ++i) {
      F3()->Timer2Timer();
      F1()->Timer1Timer();
    }
    F3()->Timer2Timer();
    QCOMPARE(F1()->TimeStep(), 7u);
    QCOMPARE(F3()->SweepStepCount, 4);
    QCOMPARE(Text("lbl_pSteps"), "3");
    F1()->B_stop->click();
  }

  void closingHidesAndTheSweepGoesOn() {
    F1()->Button3->click();
    QVERIFY(F3()->isVisible());
    Start();
    F3()->close();
    QVERIFY(!F3()->isVisible());
    QVERIFY(Running());
  }

  void undoZoomResetsBothCharts() {
    for (ChartView* chart : {F3()->Chart_Cluster, F3()->Chart_IS})
      chart->ZoomToPixels({20, 20}, {200, 150});
    F3()->B_undoZ->click();
    QVERIFY(!F3()->Chart_Cluster->IsZoomed());
    QVERIFY(!F3()->Chart_IS->IsZoomed());
  }
};

int RunSweepCaseTests(int argc, char** argv) {
  SweepCaseTest cases;
  return QTest::qExec(&cases, argc, argv);
}

#include "ui_sweep_cases_test.moc"

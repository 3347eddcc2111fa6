// The sweep window, headless: its controls, the run count, and the runs of a sweep with what
// they record, through "new start", "start / stop" and the sweep's own end.
#include "sweep_window_fixture.h"

using namespace segsim;
using namespace segsim::sweeptest;

class SweepRunTest : public SweepFixture {
  Q_OBJECT

private slots:
  void initTestCase() { SetUpTestCase(); }
  void init() { SetUp(); }
  void cleanup() { TearDown(); }

  void initialControls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const char* rows[][2] = {{"GroupBox1", "settings"},
                             {"E_valFrom", "2"},
                             {"Lbl_valFrom", "values from:"},
                             {"E_valTo", "4"},
                             {"Lbl_valTo", "to:"},
                             {"E_incre", "1"},
                             {"Lbl_incre", "increment:"},
                             {"E_toSteps", "30"},
                             {"Lbl_toSteps", "timesteps per value:"},
                             {"E_calcVals", "3"},
                             {"Lbl_calcVals", "calculations per value:"},
                             {"B_start", "new start"},
                             {"B_break", "start / stop"},
                             {"lbl_pSteps", "0"},
                             {"Lbl_timesteps", ": timesteps"},
                             {"Lbl_akt", "0"},
                             {"Lbl_proceed", "/ 9"},
                             {"Lbl_calculations", ": calculations"},
                             {"GroupBox2", "cluster chart"},
                             {"CB_data_Clust", "show data"},
                             {"CB_avg_Clust", "show average"},
                             {"CB_trend_Clust", "show trend"},
                             {"CB_cFit_Clust", "show curve fitting"},
                             {"E_polyDegClust", "3"},
                             {"Lbl_polyDegClust", "poly degree:"},
                             {"GroupBox3", "segregation chart"},
                             {"CB_data_Seg", "show data"},
                             {"CB_avg_Seg", "show average"},
                             {"CB_trend_Seg", "show trend"},
                             {"CB_cFit_Seg", "show curve fitting"},
                             {"E_polyDegSeg", "3"},
                             {"Lbl_polyDegSeg", "poly degree:"},
                             {"B_undoZ", "undoZoom"}};
    for (const auto& row : rows) QTest::newRow(row[0]) << QString(row[0]) << QString(row[1]);
  }
  void initialControls() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QCOMPARE(Text(qPrintable(name)), text);
  }

  void parameterListChartsAndFits() {
    const QComboBox* list = F3()->CB_param;
    QCOMPARE(list->count(), 4);
    const QStringList items{" number of groups", " radius neighbourhood", " move distance",
                            " tolerance threshold"};
    for (int i = 0; i < 4; ++i) QCOMPARE(list->itemText(i), items[i]);
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(list->placeholderText(), " choose parameter");
    QVERIFY(!Running());
    QCOMPARE(F3()->Timer2->interval(), 1);
    QCOMPARE(F3()->State(), SweepPhase::Ready);
    QCOMPARE(F3()->Chart_Cluster->geometry(), QRect(8, 8, 786, 340));
    QCOMPARE(F3()->Chart_IS->geometry(), QRect(8, 354, 786, 340));
    QCOMPARE(F3()->Chart_Cluster->xAxis->label(), "values");
    QCOMPARE(F3()->Chart_Cluster->yAxis->label(), "clusters");
    QCOMPARE(F3()->Chart_IS->yAxis->label(), "segregation index (IS)");
    QCOMPARE(F3()->ClusterFit->PolyDegree(), 3);
    QCOMPARE(F3()->SegregationFit->PolyDegree(), 3);
    QCOMPARE(F3()->UpD_polyDegClust->Min(), 2);
    QCOMPARE(F3()->UpD_polyDegClust->Max(), 20);
    for (QCheckBox* box : F3()->findChildren<QCheckBox*>())
      QVERIFY2(box->isChecked(), qPrintable(box->objectName()));
  }

  // The colours are 0x00BBGGRR values: 16744448 is red 0, green 128, blue 255.
  void seriesAppearance() {
    const LineSeries* points = F3()->Graph(F3()->Series_IS);
    QVERIFY(!points->LineVisible());
    QCOMPARE(points->PointMarkers(), QCPScatterStyle::ssCircle);
    const LineSeries* average = F3()->Graph(F3()->Series_AvgClust);
    QCOMPARE(average->PointMarkers(), QCPScatterStyle::ssSquare);
    QVERIFY(average->MarksVisible());
    const LineSeries* fit = F3()->Graph(F3()->Series_IS_Fit);
    QCOMPARE(fit->Color(), QColor(0, 128, 255));
    QCOMPARE(fit->pen().widthF(), 2.0);
    QCOMPARE(fit->PointMarkers(), QCPScatterStyle::ssNone);
    QCOMPARE(F3()->Graph(F3()->Series_AvgTrend)->Color(), QColor(255, 128, 0));
    QVERIFY(!F3()->Graph(F3()->Series_AvgTrend)->MarksVisible());
  }

  void runCount_data() {
    QTest::addColumn<QStringList>("fields");  // from, to, increment, runs per value
    QTest::addColumn<QString>("shown");
    QTest::newRow("initial") << QStringList{"2", "4", "1", "3"} << "/ 9";
    QTest::newRow("from above to") << QStringList{"4", "2", "1", "3"} << "/ -3";
    QTest::newRow("step 2 rounds up") << QStringList{"2", "4", "2", "3"} << "/ 6";
    QTest::newRow("step 3") << QStringList{"2", "4", "3", "3"} << "/ 3";
    QTest::newRow("counting down") << QStringList{"4", "2", "-1", "3"} << "/ 3";
    QTest::newRow("no runs") << QStringList{"2", "4", "1", "0"} << "/ 0";
    QTest::newRow("increment 0") << QStringList{"2", "4", "0", "3"} << "/ ∞";
    QTest::newRow("32-bit span") << QStringList{"-2147483648", "2147483647", "2", "1"} << "/ 0";
  }
  void runCount() {
    QFETCH(QStringList, fields);
    QFETCH(QString, shown);
    const char* names[] = {"E_valFrom", "E_valTo", "E_incre", "E_calcVals"};
    for (int i = 0; i < 4; ++i) Set(names[i], fields[i]);
    QCOMPARE(Text("Lbl_proceed"), shown);
    QVERIFY(errors_.isEmpty());
    Set("E_incre", "a");  // the count stays as it was
    QCOMPARE(errors_, QStringList{"'a' ist kein gültiger Integerwert"});
    QCOMPARE(Text("Lbl_proceed"), shown);
  }

  void initialSweepRunsEachValueThreeTimes() {
    Start();
    QCOMPARE(F3()->State(), SweepPhase::Running);
    QCOMPARE(F1()->E_stopT->text(), "30");
    Sweep(1);
    QCOMPARE(Text("lbl_pSteps"), "0");  // steps done before this tick's step
    Sweep(90);                          // the third run's end: the first value is done
    QCOMPARE(runs_.size(), 3u);
    QCOMPARE(F3()->Series_AvgClust.Count(), 1u);  // the average comes with the value's third run
    QCOMPARE(F3()->Series_AvgTrend.Count(), 2u);
    QCOMPARE(F3()->Series_AvgFit.Count(), 0u);  // the fits wait for the end
    Sweep();
    QCOMPARE(ticks_, 9 * 30 + 1);  // 270 steps, and the tick that finishes makes none
    QCOMPARE(RunValues(), (std::vector<double>{2, 2, 2, 3, 3, 3, 4, 4, 4}));
    for (const Run& r : runs_) {
      QCOMPARE(r.timeStep, 30u);
      QCOMPARE(double(r.groups), r.value);
    }
    QCOMPARE(F3()->State(), SweepPhase::Finished);
    QCOMPARE(Text("Lbl_akt"), "9");
    QCOMPARE(Text("Lbl_proceed"), "/ 9");
    QCOMPARE(Text("lbl_pSteps"), "29");
    QCOMPARE(F3()->SweepStepCount, 30);
    QCOMPARE(F3()->SweepRunIndex, 4u);
    QCOMPARE(F3()->SweepValue, 5);
    QCOMPARE(XsOf(F3()->Series_AvgClust), (std::vector<double>{2, 3, 4}));
    QCOMPARE(XsOf(F3()->Series_IS_Fit), (std::vector<double>{2, 2, 2, 3, 3, 3, 4, 4, 4}));
    QCOMPARE(F3()->Graph(F3()->Series_AvgFit)->Count(), 9);           // the chart shows it
    QCOMPARE(F2()->Chart2->Title(), "cluster sizes at timestep 30");  // the closing analysis
    QVERIFY(errors_.isEmpty());
  }

  void recordedResultsAreTheAnalysisWindowsSeries() {
    Start();
    Sweep();
    QCOMPARE(runs_.size(), 9u);
    CheckRecorded();
    for (std::size_t v = 0; v < 3; ++v) {  // each value's three runs form one block
      const double mean =
          (runs_[3 * v].clusters + runs_[3 * v + 1].clusters + runs_[3 * v + 2].clusters) / 3;
      QCOMPARE(F3()->Series_AvgClust.Y(v), mean);
    }
  }

  void fromAboveToRunsTheFirstValueOnly() {
    Set("E_valFrom", "4");
    Set("E_valTo", "2");
    QCOMPARE(Text("Lbl_proceed"), "/ -3");
    Start();
    Sweep();
    QCOMPARE(RunValues(), (std::vector<double>{4, 4, 4}));
    QCOMPARE(Text("Lbl_akt"), "3");
    QCOMPARE(F3()->State(), SweepPhase::Finished);
  }

  void newStartRestartsEverything() {
    Start();
    for (int i = 0; i < 100; ++i) F3()->Timer2Timer();  // value 3 by now
    QCOMPARE(F3()->SweepValue, 3);
    F3()->B_start->click();
    QVERIFY(Running());
    QCOMPARE(F3()->Series_Avg.Count(), 0u);
    QCOMPARE(F3()->Series_IS_Trend.Count(), 0u);
    QCOMPARE(F3()->SweepValue, 2);
    QCOMPARE(F3()->SweepRunIndex, 1u);
    QCOMPARE(F3()->SweepRunsDone, 0u);
    QCOMPARE(F3()->SweepStepCount, 0);
    QCOMPARE(Text("Lbl_akt"), "0");
    QCOMPARE(F1()->Edit_anzGr->text(), "2");
    QCOMPARE(F1()->TimeStep(), 0u);
    Sweep();
    QCOMPARE(F3()->Series_Avg.Count(), 9u);
  }

  // Pausing and resuming start the value's runs afresh from the model as it stands: the value
  // gets R further runs, and the blocks of three then mix two values.
  void startStopPausesAndResumes() {
    Start();
    for (int i = 0; i < 35; ++i) F3()->Timer2Timer();  // one run done, five steps into the next
    const auto places = AgentPlaces();
    F3()->B_break->click();
    QCOMPARE(F3()->State(), SweepPhase::Paused);
    QCOMPARE(F3()->SweepStepCount, 0);
    QCOMPARE(F3()->SweepRunIndex, 1u);
    QCOMPARE(F1()->TimeStep(), 0u);
    QCOMPARE(F3()->SweepValue, 2);
    QCOMPARE(F3()->SweepRunsDone, 1u);
    F3()->B_break->click();
    QCOMPARE(F3()->State(), SweepPhase::Running);
    QCOMPARE(F3()->SweepRunIndex, 1u);
    QVERIFY(AgentPlaces() == places);  // no setup was made
    Sweep();
    QCOMPARE(XsOf(F3()->Series_Avg), (std::vector<double>{2, 2, 2, 2, 3, 3, 3, 4, 4, 4}));
    QCOMPARE(XsOf(F3()->Series_AvgClust), (std::vector<double>{2, 2.5, 3.5}));
    QCOMPARE(Text("Lbl_akt"), "10");
  }

  void startStopAfterFinishRunsTheValueBeyond() {
    Start();
    Sweep();
    runs_.clear();
    F3()->B_break->click();
    QCOMPARE(F3()->State(), SweepPhase::Running);
    Sweep();
    QCOMPARE(RunValues(), (std::vector<double>{5, 5, 5}));
    QCOMPARE(runs_[0].groups, 4);  // the finished model, continued
    QCOMPARE(runs_[1].groups, 5);  // new setups with 5 written into the main window
    QCOMPARE(runs_[2].groups, 5);
    QCOMPARE(F3()->State(), SweepPhase::Finished);
    QCOMPARE(F3()->Series_Avg.Count(), 12u);  // "start / stop" never empties the charts
    QCOMPARE(Text("Lbl_akt"), "12");
  }

  // No chart is prepared: the average keeps Period 0 (one line at the mean of all runs) and the
  // fits keep the window's first fit of degree 5, which two values cannot carry.
  void startStopBeforeAnyStart() {
    Set("E_valTo", "1");
    F3()->B_break->click();
    Sweep();
    QCOMPARE(RunValues(), (std::vector<double>{0, 0, 0, 1, 1, 1}));
    QCOMPARE(F1()->Edit_anzGr->text(), "6");  // no parameter chosen: no control written
    double sum = 0;
    for (const Run& r : runs_) sum += r.clusters;
    QCOMPARE(PointsOf(F3()->Series_AvgClust), (Points{{0, sum / 6}, {1, sum / 6}}));
    QCOMPARE(errors_, QStringList{"Cannot process fitting"});
    QCOMPARE(F3()->State(), SweepPhase::Finished);
  }
};

// The cases of ui_sweep_cases_test.cpp.
int RunSweepCaseTests(int argc, char** argv);

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  SweepRunTest runs;
  const int failed = QTest::qExec(&runs, argc, argv);
  return failed + RunSweepCaseTests(argc, argv);
}

#include "ui_sweep_test.moc"

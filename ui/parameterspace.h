// The parameter-space sweep window. It runs one parameter of the main window over a range of
// integer values, R runs of T steps per value, and charts each run's cluster count and mean
// segregation index against the value, with per-value averages, a linear trend and a polynomial
// fit. It owns no model: it writes each value into the main window's field (whose limits apply),
// rebuilds the model with the main window's NewSetup and steps it with its DoStep.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

#include "charts/block_average.h"
#include "charts/polyfit.h"
#include "charts/series.h"
#include "charts/trend.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace segsim {

class ChartView;
class LineSeries;
class TForm1;
class TForm2;
class TUpDown;

// Where the sweep stands. Timer2 is on exactly in Running.
enum class SweepPhase { Ready, Running, Paused, Finished };

class TForm3 : public QWidget {
  Q_OBJECT
public:
  // Neither window is owned; both must outlive this one. Builds the controls, then FormCreate.
  TForm3(TForm1* form1, TForm2* form2, QWidget* parent = nullptr);
  ~TForm3() override;

  // --- handlers, named after their control and event ----------------------------------------
  // Each may raise SegsimError; the connected slots run them inside the error guard.
  void FormCreate();
  // Lbl_proceed := "/ " and N = Ceil((to - from + 1) / increment) x R ("/ ∞" for increment 0).
  void UpdateRunCount();
  // The change handler shared by E_valFrom, E_valTo, E_incre and E_calcVals.
  void E_calcValsChange() { UpdateRunCount(); }
  // Writes the value into the chosen main-window control (none chosen: none), then NewSetup.
  void ApplyParameterValue(std::int32_t value);
  void B_startClick();
  void B_breakClick();
  // One tick: a run-end tick records the run and sets up the next (or finishes the sweep), and
  // every tick but the finishing one makes one model step. Raises nothing: an error leaves the
  // counters where it left them (a field read failing leaves them untouched) and Timer2 on; its
  // message shows once while the following ticks fail with it.
  void Timer2Timer();
  void PrepareCharts();
  void RecordResults();
  void CB_data_ClustClick();
  void CB_avg_ClustClick();
  void CB_trend_ClustClick();
  void CB_cFit_ClustCli();
  void CB_data_SegClick();
  void CB_avg_SegClick();
  void CB_trend_SegClick();
  void CB_cFit_SegClick();
  void UpD_polyDegClustClick();
  void UpD_polyDegSegClick();
  void B_undoZClick();

  SweepPhase State() const;
  // Copies the result series into their charts if they changed, and asks for a replot (at most
  // about 30 a second). The slots call it after every handler.
  void ShowResults();
  // The chart's drawing of a result series (one of the eight below).
  LineSeries* Graph(const ChartSeries& series) const;

  // --- sweep state, alive as long as the window -----------------------------------------------
  std::int32_t SweepStepCount = 0;            // steps done in the current run
  std::uint32_t SweepRunIndex = 0;            // run within the current value, from 1
  std::int32_t SweepValue = 0;                // the parameter value of the current run
  std::uint32_t SweepRunsDone = 0;            // runs completed since the last "new start"
  std::unique_ptr<PolynomialFit> ClusterFit;  // made by FormCreate
  std::unique_ptr<PolynomialFit> SegregationFit;

  // --- result series: the points of every run, and the lines derived from them ---------------
  PointSeries Series_Avg;         // clusters per run, at the run's value
  DerivedSeries Series_AvgClust;  // block average over R runs
  DerivedSeries Series_AvgFit;    // polynomial fit (ClusterFit)
  DerivedSeries Series_AvgTrend;  // linear trend
  PointSeries Series_IS;          // mean segregation index per run
  DerivedSeries Series_IS_Avg;
  DerivedSeries Series_IS_Fit;  // polynomial fit (SegregationFit)
  DerivedSeries Series_IS_Trend;

  // --- controls, by their documented names ----------------------------------------------------
  ChartView* Chart_Cluster;
  ChartView* Chart_IS;
  QGroupBox* GroupBox1;  // "settings"
  QComboBox* CB_param;
  QLineEdit* E_valFrom;
  QLineEdit* E_valTo;
  QLineEdit* E_incre;
  QLineEdit* E_toSteps;
  QLineEdit* E_calcVals;
  QPushButton* B_start;
  QPushButton* B_break;
  QLabel* lbl_pSteps;
  QLabel* Lbl_akt;
  QLabel* Lbl_proceed;
  QGroupBox* GroupBox2;  // "cluster chart"
  QCheckBox* CB_data_Clust;
  QCheckBox* CB_avg_Clust;
  QCheckBox* CB_trend_Clust;
  QCheckBox* CB_cFit_Clust;
  QLineEdit* E_polyDegClust;
  TUpDown* UpD_polyDegClust;
  QGroupBox* GroupBox3;  // "segregation chart"
  QCheckBox* CB_data_Seg;
  QCheckBox* CB_avg_Seg;
  QCheckBox* CB_trend_Seg;
  QCheckBox* CB_cFit_Seg;
  QLineEdit* E_polyDegSeg;
  TUpDown* UpD_polyDegSeg;
  QPushButton* B_undoZ;
  QTimer* Timer2;

private:
  // Layout (parameterspace_layout.cpp).
  void BuildControls();
  void BuildSettingsBox();
  void BuildProgress();
  void BuildDisplayBoxes();
  void ConnectHandlers();
  // Charts (parameterspace_charts.cpp).
  void BuildCharts();
  void SetActive(const ChartSeries& series, const QCheckBox* box);
  // The run loop (parameterspace.cpp).
  void Tick();
  bool EndRun();
  void FinishSweep();
  void StopSweep(SweepPhase phase);

  TForm1* form1_;
  TForm2* form2_;
  // The computations the window starts with (before the first "new start"): the block
  // averages keep theirs, the fits give way to ClusterFit and SegregationFit. Attached by the
  // constructor; whichever of series and function goes first detaches the other.
  BlockAverage avgClustFunction_;
  LinearTrend trendClustFunction_;
  PolynomialFit initialClustFit_;
  BlockAverage avgSegFunction_;
  LinearTrend trendSegFunction_;
  PolynomialFit initialSegFit_;
  SweepPhase phase_ = SweepPhase::Ready;  // read while Timer2 is off
  bool resultsChanged_ = true;            // the result series changed since ShowResults
  QString failingTickMessage_;            // message of the last tick, while ticks keep failing
  struct Shown {
    const ChartSeries* series;
    LineSeries* graph;
  };
  std::array<Shown, 8> shown_{};
};

}  // namespace segsim

// The sweep's result charts: the cluster count and the mean segregation index of every run at
// the run's value, with the block average of each value's runs, the polynomial fit and the
// linear trend derived from them.
#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "charts/chart_view.h"
#include "charts/result_chart.h"
#include "model/numeric.h"
#include "sweep/run.h"
#include "ui/analyse.h"
#include "ui/cell_form.h"
#include "ui/controls.h"
#include "ui/parameterspace.h"
#include "ui/up_down.h"

namespace segsim {

namespace {

ChartView* MakeResultChart(QWidget* parent, const char* name, int top, const char* valueTitle) {
  auto* chart = new ChartView(parent);
  chart->setObjectName(name);
  chart->setGeometry(8, top, 786, 340);
  SetResultChartLook(chart);
  chart->SetBorder(true);
  chart->xAxis->setLabel("values");
  chart->SetKeyTitle("value");
  chart->yAxis->setLabel(valueTitle);
  return chart;
}

}  // namespace

// Each chart draws its point series first, then the average, the fit and the trend on top.
void TForm3::BuildCharts() {
  Chart_Cluster = MakeResultChart(this, "Chart_Cluster", 8, "clusters");
  Chart_Cluster->SetIntegerSteps(Chart_Cluster->yAxis);
  Chart_IS = MakeResultChart(this, "Chart_IS", 354, "segregation index (IS)");
  shown_ = {Shown{&Series_Avg, AddResultGraph(Chart_Cluster, ResultLook::Points, "clusters")},
            Shown{&Series_AvgClust, AddResultGraph(Chart_Cluster, ResultLook::Average, "average")},
            Shown{&Series_AvgFit, AddResultGraph(Chart_Cluster, ResultLook::Fit, "curve fitting")},
            Shown{&Series_AvgTrend, AddResultGraph(Chart_Cluster, ResultLook::Trend, "trend")},
            Shown{&Series_IS, AddResultGraph(Chart_IS, ResultLook::Points, "segregation index")},
            Shown{&Series_IS_Avg, AddResultGraph(Chart_IS, ResultLook::Average, "average")},
            Shown{&Series_IS_Fit, AddResultGraph(Chart_IS, ResultLook::Fit, "curve fitting")},
            Shown{&Series_IS_Trend, AddResultGraph(Chart_IS, ResultLook::Trend, "trend")}};
}

LineSeries* TForm3::Graph(const ChartSeries& series) const {
  for (const Shown& s : shown_) {
    if (s.series == &series) return s.graph;
  }
  return nullptr;
}

void TForm3::ShowResults() {
  if (!resultsChanged_) return;
  resultsChanged_ = false;
  for (const Shown& s : shown_) {
    s.graph->Clear();
    for (const ChartPoint& p : s.series->Points()) s.graph->Add(p.x, p.y);
  }
  Chart_Cluster->RequestReplot();
  Chart_IS->RequestReplot();
}

// A negative R fails at the cluster chart's period, after that chart was emptied and retitled.
void TForm3::PrepareCharts() {
  resultsChanged_ = true;
  Series_Avg.Clear();  // empties the series derived from it as well
  Series_AvgClust.Clear();
  Series_AvgFit.Clear();
  Chart_Cluster->SetTitle("clusters per value | cluster threshold = " + form1_->E_clusterT->text());
  avgClustFunction_.SetPeriod(ReadInt(E_calcVals));
  Series_AvgFit.SetFunction(*ClusterFit);
  Series_IS.Clear();
  Series_IS_Avg.Clear();
  Series_IS_Fit.Clear();
  Chart_IS->SetTitle("segregation per value");
  avgSegFunction_.SetPeriod(ReadInt(E_calcVals));
  Series_IS_Fit.SetFunction(*SegregationFit);
}

// The run's results as the analysis window holds them after its last step: the number of
// cluster bars (from the last cluster analysis) and the mean of the groups' segregation indices
// at point k = SweepStepCount - 1. A group without a value there (an empty group) is left out of
// the mean; with none, the run adds no segregation point. The fits wait for the sweep's end.
void TForm3::RecordResults() {
  resultsChanged_ = true;
  const std::int32_t groups = form1_->simulation().Model().Settings().GroupCount;
  const int k = SweepStepCount - 1;
  std::vector<double> indices(static_cast<std::size_t>(std::max(groups, 0)),
                              std::numeric_limits<double>::quiet_NaN());
  for (int g = 0; g < groups && g < form2_->GroupSeriesCount(); ++g) {
    if (k >= 0 && k < form2_->SegregationCount(g))
      indices[static_cast<std::size_t>(g)] = form2_->SegregationY(g, k);
  }
  // The same results as a run of segsim-cli sweep, from what the analysis window shows.
  const RunResults results = ResultsOf(form2_->ClusterBarCount(), indices);
  Series_Avg.Add(SweepValue, results.clusters);
  Series_AvgClust.Recalculate();
  Series_AvgTrend.Recalculate();
  if (std::isnan(results.meanIs)) return;
  Series_IS.Add(SweepValue, results.meanIs);
  Series_IS_Avg.Recalculate();
  Series_IS_Trend.Recalculate();
}

// A hidden series goes on being computed.
void TForm3::SetActive(const ChartSeries& series, const QCheckBox* box) {
  Graph(series)->setVisible(box->isChecked());
  Chart_Cluster->RequestReplot();
  Chart_IS->RequestReplot();
}

void TForm3::CB_data_ClustClick() { SetActive(Series_Avg, CB_data_Clust); }
void TForm3::CB_avg_ClustClick() { SetActive(Series_AvgClust, CB_avg_Clust); }
void TForm3::CB_trend_ClustClick() { SetActive(Series_AvgTrend, CB_trend_Clust); }
void TForm3::CB_cFit_ClustCli() { SetActive(Series_AvgFit, CB_cFit_Clust); }
void TForm3::CB_data_SegClick() { SetActive(Series_IS, CB_data_Seg); }
void TForm3::CB_avg_SegClick() { SetActive(Series_IS_Avg, CB_avg_Seg); }
void TForm3::CB_trend_SegClick() { SetActive(Series_IS_Trend, CB_trend_Seg); }
void TForm3::CB_cFit_SegClick() { SetActive(Series_IS_Fit, CB_cFit_Seg); }

// A changed degree refits the results recorded so far at once (a fit not yet attached keeps the
// degree for later); a fit that cannot be computed leaves its series empty, the degree in force.
void TForm3::UpD_polyDegClustClick() {
  resultsChanged_ = true;
  if (UpD_polyDegClust->Position() > 1) ClusterFit->SetPolyDegree(UpD_polyDegClust->Position());
}

void TForm3::UpD_polyDegSegClick() {
  resultsChanged_ = true;
  if (UpD_polyDegSeg->Position() > 1) SegregationFit->SetPolyDegree(UpD_polyDegSeg->Position());
}

void TForm3::B_undoZClick() {
  Chart_Cluster->UndoZoom();
  Chart_IS->UndoZoom();
}

}  // namespace segsim

// The analysis window: satisfaction and segregation lines per group, cluster-size bars,
// group-size bars and the dissimilarity table. It computes nothing; the measures write into it.
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "measures/simulation.h"

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace segsim {

class BarSeries;
class ChartView;
class LineSeries;

class TForm2 : public QWidget, public MeasureSink {
  Q_OBJECT
public:
  explicit TForm2(QWidget* parent = nullptr);

  // The main window's fields this window reads: the tile size's text for Chart4's title and the
  // cluster threshold, converted when the bars are shown. Both must outlive this window's use.
  void BindMainWindowFields(const QLineEdit* tileSize, const QLineEdit* clusterThreshold);

  // MeasureSink.
  void ResetCharts(const Model& model) override;
  void AddSatisfactionPoint(std::int32_t g, double x, double y) override;
  void AddSegregationPoint(std::int32_t g, double x, double y) override;
  void ShowDissimilarity(const Dissimilarity& d) override;
  // Raises the conversion error for a threshold text that is no integer, before any change.
  void ShowClusterSizes(const Model& model, const ClusterSizes& sizes) override;

  void B_undoZClick();

  // What the sweep reads back: the number of cluster bars (clusters above the threshold), and
  // point k (from 0, in order added since ResetCharts) of group index g's segregation line.
  int ClusterBarCount() const;
  int GroupSeriesCount() const { return static_cast<int>(SegregationSeries.size()); }
  int SegregationCount(int g) const;
  double SegregationY(int g, int k) const;

  ChartView* Chart1;  // satisfaction per group over time
  ChartView* Chart2;  // cluster sizes
  ChartView* Chart3;  // group sizes
  ChartView* Chart4;  // segregation index per group over time
  QPushButton* B_undoZ;
  QTableWidget* DissimiGrid;

  std::vector<LineSeries*> SatisfactionSeries;  // index group - 1; owned by Chart1
  std::vector<LineSeries*> SegregationSeries;   // index group - 1; owned by Chart4
  BarSeries* ClusterBarSeries = nullptr;        // owned by Chart2; replaced by ShowClusterSizes
  BarSeries* Series3 = nullptr;                 // owned by Chart3; permanent

private:
  void BuildCharts();
  void BuildTable();
  void LayOutTable(std::int32_t groups);

  const QLineEdit* tileSizeField_ = nullptr;
  const QLineEdit* clusterThresholdField_ = nullptr;
};

}  // namespace segsim

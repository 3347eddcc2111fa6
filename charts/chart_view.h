// The thin Qt chart layer the windows draw their charts with, on top of QCustomPlot: line series
// that keep every point they are given, or when thinned the points a logarithmic axis can draw
// (drawn as a line, as point markers or both, optionally with value marks), bar series with one
// colour per bar, a rubber-band zoom that behaves the same in all four drag directions, undo of the
// zoom, and a replot that runs at most about 30 times a second (less often when replots are slow:
// they take at most about 1 % of the program's processor time, and come at least twice a second)
// and never while the chart is hidden.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QElapsedTimer>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include <qcustomplot.h>

#include "charts/bar_series.h"
#include "charts/line_series.h"

class QRubberBand;

namespace segsim {

// A chart with a context menu: "Save picture..." (PNG, PDF or SVG by the file's type), "Save
// data as CSV..." (every series shown, one column each, with a header), "Copy data" (the same,
// tab-separated) and "Reset zoom".
class ChartView : public QCustomPlot {
public:
  explicit ChartView(QWidget* parent = nullptr);

  // Series are owned by the chart; removing them destroys them (nothing refers to a series taken
  // off a chart).
  LineSeries* AddLineSeries(bool onRightAxis);
  BarSeries* AddBarSeries(Qt::Orientation orientation);
  void RemoveAllSeries();

  // A one-pixel frame round the whole chart.
  void SetBorder(bool on);
  // Room round the data in the automatic ranges, as a share of the data's range on each side of
  // the bottom axis (keyShare) and of the left and right axes (valueShare), so that markers and
  // marks at the outermost points stay inside the plot (0: none, the default).
  void SetMargins(double keyShare, double valueShare);

  // One title line above the plot; an empty text hides it.
  void SetTitle(const QString& text);
  QString Title() const;

  // Logarithmic bottom axis (decades); set before series are added.
  void SetLogBottomAxis(bool on);
  // Ticks at whole numbers with a step of 1, or a whole multiple of 1 where labels would crowd.
  void SetIntegerSteps(QCPAxis* axis);

  // Zoom to the rectangle between two widget points (either may be the start of the drag).
  void ZoomToPixels(QPoint from, QPoint to);
  // Back to the automatic ranges that follow the data.
  void UndoZoom();
  bool IsZoomed() const { return zoomed_; }

  // Marks the chart as changed: the replot follows within about 33 ms (up to 500 ms when
  // replots are slow), or when it is shown.
  void RequestReplot();
  // Rescales (unless zoomed) and replots at once.
  void ReplotNow();
  bool ReplotPending() const { return dirty_; }

  // --- results out --------------------------------------------------------------------------
  // The header of the data's key column ("x" unless set); each series' header is its name().
  void SetKeyTitle(const QString& title) { keyTitle_ = title; }
  // The points of every visible series, one column per series (SeriesTable).
  QString DataTable(char separator);
  // The chart as drawn, at its own size: format "png", "pdf" or "svg"; empty for another.
  QByteArray Picture(const QString& format);
  // The context menu's commands. The save commands ask for a file name (ChooseFileName); the
  // picture's format follows the name's type, PNG for a type other than PDF and SVG. A file
  // that cannot be written is reported and left as it was.
  void SavePicture();
  void SaveData();
  void CopyData();

protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  void RescaleToData();
  void MakeKeyRoomForMarks(const BarSeries* bars);
  void ReplotIfShown();
  void BuildContextMenu();
  void ReplotWhenDue();
  static double ProcessorMs();  // processor time the program has used

  QCPTextElement* title_;
  QRubberBand* band_ = nullptr;
  QPoint dragOrigin_;
  bool dragging_ = false;
  bool zoomed_ = false;
  bool dirty_ = false;
  bool border_ = false;
  double keyMargin_ = 0;
  double valueMargin_ = 0;
  QTimer replotTimer_;
  QString keyTitle_ = "x";
  // The ranges an empty chart shows (those it was built with), per axis.
  std::vector<std::pair<QCPAxis*, QCPRange>> emptyRanges_;
  QElapsedTimer sinceReplot_;
  double cpuAtReplot_ = 0;  // ProcessorMs() after the last replot
  double replotCpuMs_ = 0;  // processor time the last replot took
};

}  // namespace segsim

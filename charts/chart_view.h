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

#include "charts/log_thinning.h"

class QRubberBand;

namespace segsim {

// A line series. It keeps its points in the order added, so that readers can take point k back
// by position; the chart draws those its bottom axis can place (a logarithmic axis leaves out
// points whose x is not above 0). A NaN y is kept and drawn as a gap. On a logarithmic bottom
// axis the line is drawn from the first, lowest, highest and last point of each band of log time
// narrower than a pixel (see charts/log_thinning.h); a thinned series keeps only those points.
class LineSeries : public QCPGraph {
public:
  // The text of a value mark for a point's y.
  using MarkFormat = std::function<QString(double y)>;

  LineSeries(QCPAxis* keyAxis, QCPAxis* valueAxis);

  void Add(double x, double y);
  void Clear();
  // Keep only the points that can change the line drawn over a logarithmic bottom axis at up to
  // kThinningPixels across, so that a long run holds a few thousand points. Empties the series.
  void SetThinned(bool on);
  bool Thinned() const { return thinned_; }
  // Colour of the line and of the point markers; the pen width in pixels (1 by default).
  void SetColor(const QColor& color);
  void SetPenWidth(double width);
  QColor Color() const { return pen().color(); }
  // Whether the points are joined by a line (on by default).
  void SetLineVisible(bool on);
  bool LineVisible() const { return lineStyle() != QCPGraph::lsNone; }
  // A filled marker of the series' colour at every point, `size` pixels across; ssNone (the
  // default) for none.
  void SetPointMarkers(QCPScatterStyle::ScatterShape shape, double size);
  QCPScatterStyle::ScatterShape PointMarkers() const { return markerShape_; }
  // Value marks: a small framed label above every drawn point with format(y); an empty format
  // (the default) shows none.
  void SetMarks(MarkFormat format) { markFormat_ = std::move(format); }
  bool MarksVisible() const { return static_cast<bool>(markFormat_); }

  // Points added since the last Clear; point k (0 <= k < Count()) by position. A point that
  // thinning left out reads as NaN; the last point added is always kept.
  int Count() const { return static_cast<int>(points_.Count()); }
  double X(int k) const;
  double Y(int k) const;
  // The points held, in the order added.
  std::span<const ThinPoint> KeptPoints() const { return points_.Kept(); }

  QCPRange getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
  QCPRange getValueRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                         const QCPRange& inKeyRange = QCPRange()) const override;

protected:
  void draw(QCPPainter* painter) override;

private:
  void ApplyMarkers();
  // Brings the drawn data up to date with the points and the bottom axis's present scale.
  void SyncDrawData() const;

  LogThinnedSeries points_{0};
  bool thinned_ = false;
  std::uint64_t version_ = 0;                   // changes with every Add and Clear
  mutable std::uint64_t drawnVersion_ = ~0ULL;  // of the drawn data
  mutable double drawnBandWidth_ = -1;          // of the drawn data
  QCPScatterStyle::ScatterShape markerShape_ = QCPScatterStyle::ssNone;
  double markerSize_ = 0;
  MarkFormat markFormat_;
};

// A bar series whose bars each carry their own colour, placed at positions 0, 1, 2, ... along the
// key axis (the bottom axis for vertical bars, the left axis for horizontal ones). Value marks,
// when on, write each bar's value beside its end.
class BarSeries : public QCPBars {
public:
  BarSeries(QCPAxis* keyAxis, QCPAxis* valueAxis);

  void AddBar(double value, const QColor& color);
  void Clear();
  void SetMarksVisible(bool on) { marks_ = on; }
  bool MarksVisible() const { return marks_; }

  int Count() const { return static_cast<int>(colors_.size()); }
  double Value(int k) const;  // 0 <= k < Count()
  QColor BarColor(int k) const { return colors_[static_cast<std::size_t>(k)]; }

protected:
  void draw(QCPPainter* painter) override;

private:
  std::vector<QColor> colors_;  // index = position of the bar
  bool marks_ = false;
};

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

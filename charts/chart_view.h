// The thin Qt chart layer the windows draw their charts with, on top of QCustomPlot: line series
// that keep every point they are given (drawn as a line, as point markers or both, optionally
// with value marks), bar series with one colour per bar, a rubber-band zoom that behaves the same
// in all four drag directions, undo of the zoom, and a replot that runs at most about 30 times a
// second and never while the chart is hidden.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

#include <qcustomplot.h>

class QRubberBand;

namespace segsim {

// A line series. It keeps every point in the order added, so that readers can take point k back
// by position; the chart draws those its bottom axis can place (a logarithmic axis leaves out
// points whose x is not above 0). A NaN y is kept and drawn as a gap.
class LineSeries : public QCPGraph {
public:
  // The text of a value mark for a point's y.
  using MarkFormat = std::function<QString(double y)>;

  LineSeries(QCPAxis* keyAxis, QCPAxis* valueAxis);

  void Add(double x, double y);
  void Clear();
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

  int Count() const { return static_cast<int>(points_.size()); }
  double X(int k) const { return points_[static_cast<std::size_t>(k)].x(); }  // 0 <= k < Count()
  double Y(int k) const { return points_[static_cast<std::size_t>(k)].y(); }

protected:
  void draw(QCPPainter* painter) override;

private:
  void ApplyMarkers();

  std::vector<QPointF> points_;
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

  // Marks the chart as changed: the replot follows within about 33 ms, or when it is shown.
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
};

}  // namespace segsim

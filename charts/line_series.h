// A line series of the chart layer (charts/chart_view.h): every point it is given, or when
// thinned the points a logarithmic axis can draw; drawn as a line, as point markers or both,
// optionally with value marks.
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <functional>
#include <span>

#include <qcustomplot.h>

#include "charts/log_thinning.h"

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

}  // namespace segsim

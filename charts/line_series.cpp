#include "charts/line_series.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "charts/value_mark.h"

namespace segsim {

LineSeries::LineSeries(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPGraph(keyAxis, valueAxis) {
  setLineStyle(QCPGraph::lsLine);
}

void LineSeries::Add(double x, double y) {
  points_.Add(x, y);
  ++version_;
}

void LineSeries::Clear() {
  points_.Clear();
  ++version_;
  data()->clear();
}

void LineSeries::SetThinned(bool on) {
  thinned_ = on;
  points_ = LogThinnedSeries(on ? kThinningPixels : 0);
  ++version_;
  data()->clear();
}

double LineSeries::X(int k) const {
  const ThinPoint* p = points_.Find(static_cast<std::uint64_t>(k));
  return p ? p->x : std::numeric_limits<double>::quiet_NaN();
}

double LineSeries::Y(int k) const {
  const ThinPoint* p = points_.Find(static_cast<std::uint64_t>(k));
  return p ? p->y : std::numeric_limits<double>::quiet_NaN();
}

QCPRange LineSeries::getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain) const {
  SyncDrawData();
  return QCPGraph::getKeyRange(foundRange, inSignDomain);
}

QCPRange LineSeries::getValueRange(bool& foundRange, QCP::SignDomain inSignDomain,
                                   const QCPRange& inKeyRange) const {
  SyncDrawData();
  return QCPGraph::getValueRange(foundRange, inSignDomain, inKeyRange);
}

// Over a logarithmic axis the drawn data are the points of each band of log time narrower than
// a pixel that can change the line (ReduceToBands): the same whether the series holds every point
// or only those its thinning kept, since the bands drawn are never narrower than the kept ones.
// The reduction keeps the lowest and highest points and the ends, so the ranges are the data's.
// A logarithmic axis has no place for x <= 0: such points stay in the series, undrawn.
void LineSeries::SyncDrawData() const {
  const QCPAxis* keys = keyAxis();
  const bool logarithmic = keys && keys->scaleType() == QCPAxis::stLogarithmic;
  double bandWidth = 0;
  if (logarithmic) {
    const QCPRange range = keys->range();
    const double pixels = keys->axisRect() ? keys->axisRect()->width() : 0;
    bandWidth = range.lower > 0 ? BandWidthFor(std::log(range.upper / range.lower), pixels) : 0;
    bandWidth = std::max(bandWidth, points_.BandWidth());
  }
  if (drawnVersion_ == version_ && drawnBandWidth_ == bandWidth) return;
  drawnVersion_ = version_;
  drawnBandWidth_ = bandWidth;
  const std::vector<ThinPoint> drawn = ReduceToBands(points_.Kept(), bandWidth);
  QVector<QCPGraphData> data;
  data.reserve(static_cast<qsizetype>(drawn.size()));
  for (const ThinPoint& p : drawn) {
    if (!logarithmic || p.x > 0) data.append(QCPGraphData(p.x, p.y));
  }
  // In the order added where x repeats.
  if (!std::is_sorted(data.cbegin(), data.cend(), qcpLessThanSortKey<QCPGraphData>))
    std::stable_sort(data.begin(), data.end(), qcpLessThanSortKey<QCPGraphData>);
  mDataContainer->set(data, true);
}

void LineSeries::SetColor(const QColor& color) {
  QPen p = pen();
  p.setColor(color);
  setPen(p);
  ApplyMarkers();
}

void LineSeries::SetPenWidth(double width) {
  QPen p = pen();
  p.setWidthF(width);
  setPen(p);
}

void LineSeries::SetLineVisible(bool on) { setLineStyle(on ? QCPGraph::lsLine : QCPGraph::lsNone); }

void LineSeries::SetPointMarkers(QCPScatterStyle::ScatterShape shape, double size) {
  markerShape_ = shape;
  markerSize_ = size;
  ApplyMarkers();
}

void LineSeries::ApplyMarkers() {
  const QColor color = pen().color();
  setScatterStyle(markerShape_ == QCPScatterStyle::ssNone
                      ? QCPScatterStyle()
                      : QCPScatterStyle(markerShape_, color, color, markerSize_));
}

void LineSeries::draw(QCPPainter* painter) {
  SyncDrawData();
  QCPGraph::draw(painter);
  if (!markFormat_ || !mKeyAxis || !mValueAxis) return;
  const QCPRange keys = keyAxis()->range();
  const QCPRange values = valueAxis()->range();
  for (auto it = mDataContainer->constBegin(); it != mDataContainer->constEnd(); ++it) {
    if (!keys.contains(it->key) || !values.contains(it->value)) continue;
    const QPointF point = coordsToPixels(it->key, it->value);
    DrawMark(painter, parentPlot()->font(), markFormat_(it->value), point, MarkSide::Above);
  }
}

}  // namespace segsim

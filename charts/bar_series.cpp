#include "charts/bar_series.h"

#include "charts/value_mark.h"

namespace segsim {

namespace {

constexpr double kBarWidth = 0.7;      // in key units: 70 % of the pitch
constexpr double kMinOutlinedBar = 4;  // pixels across

}  // namespace

BarSeries::BarSeries(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPBars(keyAxis, valueAxis) {
  setWidth(kBarWidth);
  setPen(QPen(Qt::black));
  setAntialiased(false);
}

void BarSeries::AddBar(double value, const QColor& color) {
  addData(static_cast<double>(colors_.size()), value);
  colors_.push_back(color);
}

void BarSeries::Clear() {
  colors_.clear();
  data()->clear();
}

double BarSeries::Value(int k) const { return (mDataContainer->constBegin() + k)->value; }

// QCPBars paints every bar with one brush; here each bar takes its own colour.
void BarSeries::draw(QCPPainter* painter) {
  if (!mKeyAxis || !mValueAxis || mDataContainer->isEmpty()) return;
  applyDefaultAntialiasingHint(painter);
  const auto begin = mDataContainer->constBegin();
  for (auto it = begin; it != mDataContainer->constEnd(); ++it) {
    const auto k = static_cast<std::size_t>(it - begin);
    QRectF bar = getBarRect(it->key, it->value);
    // Bars too narrow for an outline show their colour alone, and every bar at least one pixel
    // across, so that none vanishes among a thousand.
    const bool vertical = keyAxis()->orientation() == Qt::Horizontal;
    const double across = vertical ? bar.width() : bar.height();
    if (across < 1 && vertical) bar.adjust((bar.width() - 1) / 2, 0, (1 - bar.width()) / 2, 0);
    if (across < 1 && !vertical) bar.adjust(0, (bar.height() - 1) / 2, 0, (1 - bar.height()) / 2);
    painter->setPen(across < kMinOutlinedBar ? QPen(Qt::NoPen) : pen());
    painter->setBrush(k < colors_.size() ? colors_[k] : brush().color());
    painter->drawRect(bar);
    // The mark at the bar's end: right of a horizontal bar, above a vertical one.
    if (!marks_) continue;
    const QString text = QString::number(it->value, 'g', 15);
    const QFont font = parentPlot()->font();
    if (vertical) {
      DrawMark(painter, font, text, QPointF(bar.center().x(), bar.top()), MarkSide::Above);
    } else {
      DrawMark(painter, font, text, QPointF(bar.right(), bar.center().y()), MarkSide::Right);
    }
  }
}

}  // namespace segsim

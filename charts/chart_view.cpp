#include "charts/chart_view.h"

#include <QRubberBand>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace segsim {

namespace {

constexpr int kReplotIntervalMs = 33;  // at most about 30 replots a second
constexpr int kMinDragPixels = 3;      // smaller drags are clicks, not zooms
constexpr double kBarWidth = 0.7;      // in key units: 70 % of the pitch
constexpr double kMinOutlinedBar = 4;  // pixels across
constexpr double kMarkRoom = 0.25;     // share of the value range kept free for value marks

QRect RectBetween(QPoint a, QPoint b) {
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

}  // namespace

// --- LineSeries ---------------------------------------------------------------------------------

LineSeries::LineSeries(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPGraph(keyAxis, valueAxis) {
  setLineStyle(QCPGraph::lsLine);
}

void LineSeries::Add(double x, double y) {
  points_.emplace_back(x, y);
  // A logarithmic axis has no place for x <= 0: the point stays in the series, undrawn.
  if (x > 0 || keyAxis()->scaleType() != QCPAxis::stLogarithmic) addData(x, y);
}

void LineSeries::Clear() {
  points_.clear();
  data()->clear();
}

void LineSeries::SetColor(const QColor& color) { setPen(QPen(color)); }

// --- BarSeries ----------------------------------------------------------------------------------

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
    if (marks_) DrawMark(painter, bar, it->value);
  }
}

// A small framed label at the bar's end: right of a horizontal bar, above a vertical one.
void BarSeries::DrawMark(QCPPainter* painter, const QRectF& bar, double value) const {
  const QString text = QString::number(value, 'g', 15);
  const QFontMetrics metrics(parentPlot()->font());
  const QSizeF size(metrics.horizontalAdvance(text) + 6, metrics.height() + 2);
  const bool horizontal = keyAxis()->orientation() == Qt::Vertical;
  const QPointF topLeft = horizontal
      ? QPointF(bar.right() + 4, bar.center().y() - size.height() / 2)
      : QPointF(bar.center().x() - size.width() / 2, bar.top() - size.height() - 4);
  const QRectF box(topLeft, size);
  painter->setFont(parentPlot()->font());
  painter->setPen(QPen(Qt::black));
  painter->setBrush(QColor(0xFF, 0xFF, 0xE1));
  painter->drawRect(box);
  painter->drawText(box, Qt::AlignCenter, text);
}

// --- ChartView ----------------------------------------------------------------------------------

ChartView::ChartView(QWidget* parent) : QCustomPlot(parent), title_(new QCPTextElement(this)) {
  plotLayout()->insertRow(0);
  plotLayout()->addElement(0, 0, title_);
  setBackground(Qt::white);
  xAxis2->setVisible(false);
  replotTimer_.setSingleShot(true);
  replotTimer_.setInterval(kReplotIntervalMs);
  connect(&replotTimer_, &QTimer::timeout, this, &ChartView::ReplotIfShown);
}

LineSeries* ChartView::AddLineSeries(bool onRightAxis) {
  return new LineSeries(xAxis, onRightAxis ? yAxis2 : yAxis);
}

BarSeries* ChartView::AddBarSeries(Qt::Orientation orientation) {
  return orientation == Qt::Vertical ? new BarSeries(xAxis, yAxis) : new BarSeries(yAxis, xAxis);
}

void ChartView::RemoveAllSeries() {
  clearPlottables();
  RequestReplot();
}

void ChartView::SetTitle(const QString& text) {
  title_->setText(text);
  RequestReplot();
}

QString ChartView::Title() const { return title_->text(); }

void ChartView::SetLogBottomAxis(bool on) {
  if (on) {
    xAxis->setScaleType(QCPAxis::stLogarithmic);
    xAxis->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
    xAxis->setRange(1, 1000);
  } else {
    xAxis->setScaleType(QCPAxis::stLinear);
    xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
  }
}

void ChartView::SetIntegerSteps(QCPAxis* axis) {
  QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
  ticker->setTickStep(1.0);
  ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
  axis->setTicker(ticker);
}

// The two corners are ordered before they become a range, so the drag direction cannot matter.
void ChartView::ZoomToPixels(QPoint from, QPoint to) {
  const QRect r = RectBetween(from, to);
  for (QCPAxis* axis : axisRect()->axes()) {
    QCPRange range = axis->orientation() == Qt::Horizontal
        ? QCPRange(axis->pixelToCoord(r.left()), axis->pixelToCoord(r.right()))
        : QCPRange(axis->pixelToCoord(r.bottom()), axis->pixelToCoord(r.top()));
    range.normalize();
    axis->setRange(range);
  }
  zoomed_ = true;
  ReplotIfShown();
}

void ChartView::UndoZoom() {
  zoomed_ = false;
  RescaleToData();
  RequestReplot();
}

void ChartView::RequestReplot() {
  dirty_ = true;
  if (!replotTimer_.isActive()) replotTimer_.start();
}

void ChartView::ReplotNow() {
  if (!zoomed_) RescaleToData();
  replot(QCustomPlot::rpQueuedRefresh);
  dirty_ = false;
}

void ChartView::ReplotIfShown() {
  if (isVisible()) {
    ReplotNow();
  } else {
    dirty_ = true;  // replotted when shown
  }
}

void ChartView::RescaleToData() {
  bool any = false;
  for (int i = 0; i < plottableCount(); ++i) {
    QCPAbstractPlottable* p = plottable(i);
    bool found = false;
    p->getKeyRange(found);
    if (found) any = true;
  }
  if (!any) return;
  rescaleAxes(true);
  for (int i = 0; i < plottableCount(); ++i) {
    const auto* bars = dynamic_cast<const BarSeries*>(plottable(i));
    if (!bars || !bars->MarksVisible()) continue;
    const QCPRange r = bars->valueAxis()->range();
    bars->valueAxis()->setRangeUpper(r.upper + r.size() * kMarkRoom);
  }
}

void ChartView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QCustomPlot::mousePressEvent(event);
    return;
  }
  dragging_ = true;
  dragOrigin_ = event->position().toPoint();
  if (!band_) band_ = new QRubberBand(QRubberBand::Rectangle, this);
  band_->setGeometry(QRect(dragOrigin_, QSize()));
  band_->show();
}

void ChartView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) {
    QCustomPlot::mouseMoveEvent(event);
    return;
  }
  band_->setGeometry(RectBetween(dragOrigin_, event->position().toPoint()));
}

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) {
    QCustomPlot::mouseReleaseEvent(event);
    return;
  }
  dragging_ = false;
  band_->hide();
  const QPoint end = event->position().toPoint();
  if (std::abs(end.x() - dragOrigin_.x()) >= kMinDragPixels &&
      std::abs(end.y() - dragOrigin_.y()) >= kMinDragPixels) {
    ZoomToPixels(dragOrigin_, end);
  }
}

void ChartView::showEvent(QShowEvent* event) {
  QCustomPlot::showEvent(event);
  if (dirty_) ReplotNow();
}

}  // namespace segsim

#include "charts/chart_view.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QRubberBand>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "charts/chart_picture.h"
#include "charts/data_table.h"
#include "charts/export.h"

namespace segsim {

namespace {

constexpr int kReplotIntervalMs = 33;       // at most about 30 replots a second
constexpr int kSlowReplotIntervalMs = 500;  // at least 2 a second, however slow a replot is
constexpr double kReplotShare = 0.01;       // of the program's processor time, per chart
constexpr int kMinDragPixels = 3;           // smaller drags are clicks, not zooms
constexpr double kMarkRoom = 0.25;          // share of the value range kept free for value marks

QRect RectBetween(QPoint a, QPoint b) {
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

}  // namespace

ChartView::ChartView(QWidget* parent) : QCustomPlot(parent), title_(new QCPTextElement(this)) {
  plotLayout()->insertRow(0);
  plotLayout()->addElement(0, 0, title_);
  setBackground(Qt::white);
  xAxis2->setVisible(false);
  replotTimer_.setSingleShot(true);
  replotTimer_.setInterval(kReplotIntervalMs);
  connect(&replotTimer_, &QTimer::timeout, this, &ChartView::ReplotWhenDue);
  sinceReplot_.start();
  for (QCPAxis* axis : {xAxis, yAxis, xAxis2, yAxis2})
    emptyRanges_.emplace_back(axis, axis->range());
  BuildContextMenu();
}

void ChartView::BuildContextMenu() {
  setContextMenuPolicy(Qt::ActionsContextMenu);
  const auto add = [this](const char* name, const QString& caption, auto handler) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
    addAction(action);
  };
  add("SavePicture", "Save picture...", [this] { SavePicture(); });
  add("SaveData", "Save data as CSV...", [this] { SaveData(); });
  add("CopyData", "Copy data", [this] { CopyData(); });
  add("ResetZoom", "Reset zoom", [this] { UndoZoom(); });
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

void ChartView::SetBorder(bool on) {
  border_ = on;
  update();
}

void ChartView::SetMargins(double keyShare, double valueShare) {
  keyMargin_ = keyShare;
  valueMargin_ = valueShare;
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
    emptyRanges_[0].second = xAxis->range();
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
  const double cpuBefore = ProcessorMs();
  if (!zoomed_) RescaleToData();
  replot(QCustomPlot::rpQueuedRefresh);
  dirty_ = false;
  cpuAtReplot_ = ProcessorMs();
  replotCpuMs_ = cpuAtReplot_ - cpuBefore;
  sinceReplot_.restart();
}

// A chart fed at every step would replot about 30 times a second. A replot is due once the
// program has used a hundred times the processor time the last replot took (so replots cost the
// run at most about 1 % of its step rate, on a busy machine too), and at the latest after 500 ms.
void ChartView::ReplotWhenDue() {
  const bool due = ProcessorMs() - cpuAtReplot_ >= replotCpuMs_ / kReplotShare ||
                   sinceReplot_.elapsed() >= kSlowReplotIntervalMs;
  if (due || !isVisible()) {
    ReplotIfShown();
  } else {
    replotTimer_.start();  // look again in kReplotIntervalMs
  }
}

double ChartView::ProcessorMs() {
  return static_cast<double>(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
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
  if (!any) {
    // Nothing to show: the ranges the chart was built with, not those of its last data.
    for (const auto& [axis, range] : emptyRanges_) axis->setRange(range);
    return;
  }
  rescaleAxes(true);
  for (QCPAxis* axis : {xAxis, yAxis, yAxis2}) {
    const double share = axis == xAxis ? keyMargin_ : valueMargin_;
    const QCPRange r = axis->range();
    if (share > 0) axis->setRange(r.lower - r.size() * share, r.upper + r.size() * share);
  }
  // Room above the data for value marks, once per value axis that carries marks.
  std::vector<QCPAxis*> roomMade;
  for (int i = 0; i < plottableCount(); ++i) {
    QCPAbstractPlottable* p = plottable(i);
    const auto* bars = dynamic_cast<const BarSeries*>(p);
    const auto* line = dynamic_cast<const LineSeries*>(p);
    const bool marks = (bars && bars->MarksVisible()) || (line && line->MarksVisible());
    QCPAxis* axis = p->valueAxis();
    const bool made = std::find(roomMade.begin(), roomMade.end(), axis) != roomMade.end();
    if (!marks || !p->visible() || made) continue;
    const QCPRange r = axis->range();
    axis->setRangeUpper(r.upper + r.size() * kMarkRoom);
    roomMade.push_back(axis);
    if (bars) MakeKeyRoomForMarks(bars);
  }
}

// Marks beside horizontal bars are centred on the bars: the key range leaves at least half a
// mark's height in pixels beyond the first and last bar's centre, whatever the number of bars.
void ChartView::MakeKeyRoomForMarks(const BarSeries* bars) {
  QCPAxis* key = bars->keyAxis();
  if (key->orientation() != Qt::Vertical || bars->Count() == 0) return;
  updateLayout();  // the axis rect's height as it will be drawn
  const double pixels = axisRect()->height();
  const double half = (QFontMetrics(font()).height() + 2) / 2.0 + 1;
  if (pixels <= 2 * half + 1) return;
  const double first = 0, last = bars->Count() - 1;  // bar centres, at positions 0 .. n - 1
  const double needed = half * (last - first) / (pixels - 2 * half);
  const QCPRange r = key->range();
  const double margin = std::max({needed, first - r.lower, r.upper - last});
  key->setRange(first - margin, last + margin);
}

// --- results out
// ----------------------------------------------------------------------------------

QString ChartView::DataTable(char separator) {
  std::vector<NamedSeries> columns;
  for (int i = 0; i < plottableCount(); ++i) {
    QCPAbstractPlottable* p = plottable(i);
    if (!p->visible()) continue;
    NamedSeries column{p->name().toStdString(), {}};
    if (const auto* line = dynamic_cast<const LineSeries*>(p)) {
      for (int k = 0; k < line->Count(); ++k) column.points.emplace_back(line->X(k), line->Y(k));
    } else if (const auto* bars = dynamic_cast<const BarSeries*>(p)) {
      for (int k = 0; k < bars->Count(); ++k) column.points.emplace_back(k, bars->Value(k));
    }
    columns.push_back(std::move(column));
  }
  return QString::fromStdString(SeriesTable(keyTitle_.toStdString(), columns, separator));
}

QByteArray ChartView::Picture(const QString& format) {
  if (dirty_) ReplotNow();
  ChartView* const charts[] = {this};
  PictureInfo info;
  info.pngFormat = QImage::Format_RGB32;
  info.svgTitle = Title();
  info.pdfCreator = QCoreApplication::applicationName();
  info.chartStates = false;
  return ChartsPicture(charts, size(), format, info);
}

void ChartView::SavePicture() {
  const QString path = ChooseFileName(this, "Save picture",
                                      "PNG image (*.png);;PDF document (*.pdf);;SVG image (*.svg)");
  if (path.isEmpty()) return;
  QString format = QFileInfo(path).suffix().toLower();
  if (format != "pdf" && format != "svg") format = "png";  // another type: a PNG picture
  WriteWholeFile(this, path, Picture(format));
}

void ChartView::SaveData() {
  const QString path = ChooseFileName(this, "Save data as CSV", "CSV file (*.csv)");
  if (path.isEmpty()) return;
  WriteWholeFile(this, path, DataTable(',').toUtf8());
}

void ChartView::CopyData() { CopyText(DataTable('\t')); }

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

void ChartView::paintEvent(QPaintEvent* event) {
  QCustomPlot::paintEvent(event);
  if (!border_) return;
  QPainter painter(this);
  painter.setPen(QColor(0xA0, 0xA0, 0xA0));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace segsim

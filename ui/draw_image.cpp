#include "ui/draw_image.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace segsim {

namespace {

constexpr int kRefreshMs = 16;  // about the display rate

struct Box {
  int x1, y1, x2, y2;
  bool Empty() const { return x2 <= x1 || y2 <= y1; }
};

// The pixel row spans of a box's rectangle or of the ellipse inscribed in it. A pixel belongs to
// the ellipse when its centre lies inside it; each row of a convex shape is one span.
template <class Span>
void ComputeSpans(const Box& b, bool ellipse, std::vector<Span>& spans) {
  spans.clear();
  if (b.Empty()) return;
  const double rx = (b.x2 - b.x1) / 2.0, ry = (b.y2 - b.y1) / 2.0;
  const double cx = b.x1 + rx, cy = b.y1 + ry;
  for (int y = b.y1; y < b.y2; ++y) {
    if (!ellipse) {
      spans.push_back({b.x1, b.x2 - 1});
      continue;
    }
    const double dy = (y + 0.5 - cy) / ry;
    const double t = 1.0 - dy * dy;
    if (t < 0) {
      spans.push_back({1, 0});
      continue;
    }
    const double half = rx * std::sqrt(t);
    const int first = std::max(b.x1, static_cast<int>(std::ceil(cx - half - 0.5)));
    const int last = std::min(b.x2 - 1, static_cast<int>(std::floor(cx + half - 0.5)));
    spans.push_back({first, last});
  }
}

}  // namespace

ImageCanvas::ImageCanvas(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  refresh_.setSingleShot(true);
  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, [this] {
    update(changed_);
    changed_ = QRect();
  });
}

// A new white image at the panel's top left corner, of the panel's size.
void ImageCanvas::CreateImage(int width, int height) {
  image_ = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  image_.fill(Qt::white);
  setGeometry(0, 0, width, height);
  MarkChanged(QRect(0, 0, width, height));
}

void ImageCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  const Box box{x1, y1, x2, y2};
  const int d = penWidth_ - 1;
  ComputeSpans(box, false, spans_);
  ComputeSpans(Box{x1 + d, y1 + d, x2 - d, y2 - d}, false, inner_);
  FillShape(y1, spans_, d);
}

void ImageCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  const Box box{x1, y1, x2, y2};
  const int d = penWidth_ - 1;
  ComputeSpans(box, true, spans_);
  ComputeSpans(Box{x1 + d, y1 + d, x2 - d, y2 - d}, true, inner_);
  FillShape(y1, spans_, d);
}

// Writes the shape's rows: the pen where a pixel is not inside the interior of the shape inset
// by the extra pen width (inner_), the brush where it is. The interior of a row is the part of its
// inner span whose neighbours above and below belong to the inner shape as well; every span is one
// interval, so that part is an intersection of intervals.
void ImageCanvas::FillShape(int y1, const std::vector<Span>& rows, int inset) {
  if (rows.empty()) return;
  const int innerRows = static_cast<int>(inner_.size());
  const auto inner = [&](int r) { return r >= 0 && r < innerRows ? inner_[r] : Span{1, 0}; };
  const int w = image_.width(), h = image_.height();
  int left = w, right = -1, top = -1, bottom = -1;
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const int y = y1 + r;
    const Span s{std::max(rows[r].first, 0), std::min(rows[r].last, w - 1)};
    if (y < 0 || y >= h || s.first > s.last) continue;
    auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
    std::fill(line + s.first, line + s.last + 1, pen_);
    const int ir = r - inset;
    const Span in = inner(ir), up = inner(ir - 1), down = inner(ir + 1);
    const int first = std::max({in.first + 1, up.first, down.first, s.first});
    const int last = std::min({in.last - 1, up.last, down.last, s.last});
    if (first <= last) std::fill(line + first, line + last + 1, brush_);
    left = std::min(left, s.first);
    right = std::max(right, s.last);
    if (top < 0) top = y;
    bottom = y;
  }
  if (right >= left && top >= 0) MarkChanged(QRect(QPoint(left, top), QPoint(right, bottom)));
}

void ImageCanvas::MarkChanged(const QRect& rect) {
  changed_ |= rect;
  if (!refresh_.isActive()) refresh_.start();
}

void ImageCanvas::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.drawImage(event->rect(), image_, event->rect());
}

}  // namespace segsim

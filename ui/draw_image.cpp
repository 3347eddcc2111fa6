#include "ui/draw_image.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace segsim {

namespace {

constexpr int kRefreshMs = 16;  // about the display rate

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
  MarkChanged(writer_.Rectangle(View(), x1, y1, x2, y2));
}

void ImageCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  MarkChanged(writer_.Ellipse(View(), x1, y1, x2, y2));
}

// The image's own pixels: RGB32 is 0xFFRRGGBB, a Pixel.
PixelView ImageCanvas::View() {
  return {reinterpret_cast<Pixel*>(image_.bits()), image_.width(), image_.height(),
          image_.bytesPerLine() / static_cast<std::ptrdiff_t>(sizeof(Pixel))};
}

void ImageCanvas::MarkChanged(const PixelRect& rect) {
  if (!rect.Empty()) MarkChanged(QRect(QPoint(rect.left, rect.top), QPoint(rect.right, rect.bottom)));
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

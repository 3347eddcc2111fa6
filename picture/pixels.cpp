#include "picture/pixels.h"

#include <algorithm>
#include <cmath>

namespace segsim {

namespace {

using Span = ShapeWriter::Span;

struct Box {
  int x1, y1, x2, y2;
  bool Empty() const { return x2 <= x1 || y2 <= y1; }
};

// The pixel row spans of a box's rectangle or of the ellipse inscribed in it. A pixel belongs to
// the ellipse when its centre lies inside it; each row of a convex shape is one span.
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

PixelRect ShapeWriter::Rectangle(const PixelView& image, int x1, int y1, int x2, int y2) {
  if (penWidth_ == 1) return OutlinedRectangle(image, x1, y1, x2, y2);
  return Shape(image, x1, y1, x2, y2, false);
}

PixelRect ShapeWriter::Ellipse(const PixelView& image, int x1, int y1, int x2, int y2) {
  if (pen_ == brush_) return SolidEllipse(image, x1, y1, x2, y2);
  return Shape(image, x1, y1, x2, y2, true);
}

// Shape's rows for an outline of one pixel: the box's first and last rows are the pen's, the
// others the pen's at x1 and x2 - 1 and the brush's between.
PixelRect ShapeWriter::OutlinedRectangle(const PixelView& image, int x1, int y1, int x2,
                                         int y2) {
  PixelRect changed;
  const int first = std::max(x1, 0), last = std::min(x2 - 1, image.width - 1);
  const int top = std::max(y1, 0), bottom = std::min(y2 - 1, image.height - 1);
  if (x2 <= x1 || y2 <= y1 || first > last || top > bottom) return changed;
  const int inFirst = std::max(x1 + 1, first), inLast = std::min(x2 - 2, last);
  for (int y = top; y <= bottom; ++y) {
    Pixel* line = image.Row(y);
    if (y == y1 || y == y2 - 1 || inFirst > inLast) {
      std::fill(line + first, line + last + 1, pen_);
      continue;
    }
    std::fill(line + first, line + inFirst, pen_);
    std::fill(line + inFirst, line + inLast + 1, brush_);
    std::fill(line + inLast + 1, line + last + 1, pen_);
  }
  return {first, top, last, bottom};
}

// Where pen and brush agree every pixel of the ellipse's spans is that colour, whatever the pen
// width. A row's span depends on y only through y - y1 (exact in doubles), so the spans of a box
// are kept by x1, x2 - x1 and y2 - y1.
PixelRect ShapeWriter::SolidEllipse(const PixelView& image, int x1, int y1, int x2, int y2) {
  PixelRect changed;
  if (x2 <= x1 || y2 <= y1) return changed;
  const DiscKey key{x1, x2 - x1, y2 - y1};
  std::vector<Span>* spans = &spans_;
  if (x1 >= 0 && x1 < kKeptDiscs) {
    const auto at = static_cast<std::size_t>(x1);
    if (discs_.size() <= at) discs_.resize(at + 1);
    DiscSpans& kept = discs_[at];
    spans = &kept.spans;
    if (!(kept.key == key) || spans->empty()) {
      kept.key = key;
      ComputeSpans(Box{x1, 0, x2, y2 - y1}, true, *spans);
    }
  } else {
    ComputeSpans(Box{x1, 0, x2, y2 - y1}, true, *spans);
  }
  const int w = image.width, h = image.height;
  for (int r = 0; r < static_cast<int>(spans->size()); ++r) {
    const int y = y1 + r;
    const Span s{std::max((*spans)[r].first, 0), std::min((*spans)[r].last, w - 1)};
    if (y < 0 || y >= h || s.first > s.last) continue;
    Pixel* line = image.Row(y);
    std::fill(line + s.first, line + s.last + 1, pen_);
    changed.Add(y, s.first, s.last);
  }
  return changed;
}

PixelRect ShapeWriter::Shape(const PixelView& image, int x1, int y1, int x2, int y2,
                             bool ellipse) {
  const int d = penWidth_ - 1;
  ComputeSpans(Box{x1, y1, x2, y2}, ellipse, spans_);
  ComputeSpans(Box{x1 + d, y1 + d, x2 - d, y2 - d}, ellipse, inner_);
  return FillShape(image, y1, d);
}

// Writes the shape's rows: the pen where a pixel is not inside the interior of the shape inset
// by the extra pen width (inner_), the brush where it is. The interior of a row is the part of its
// inner span whose neighbours above and below belong to the inner shape as well; every span is one
// interval, so that part is an intersection of intervals.
PixelRect ShapeWriter::FillShape(const PixelView& image, int y1, int inset) {
  PixelRect changed;
  if (spans_.empty()) return changed;
  const int innerRows = static_cast<int>(inner_.size());
  const auto inner = [&](int r) { return r >= 0 && r < innerRows ? inner_[r] : Span{1, 0}; };
  const int w = image.width, h = image.height;
  for (int r = 0; r < static_cast<int>(spans_.size()); ++r) {
    const int y = y1 + r;
    const Span s{std::max(spans_[r].first, 0), std::min(spans_[r].last, w - 1)};
    if (y < 0 || y >= h || s.first > s.last) continue;
    Pixel* line = image.Row(y);
    std::fill(line + s.first, line + s.last + 1, pen_);
    const int ir = r - inset;
    const Span in = inner(ir), up = inner(ir - 1), down = inner(ir + 1);
    const int first = std::max({in.first + 1, up.first, down.first, s.first});
    const int last = std::min({in.last - 1, up.last, down.last, s.last});
    if (first <= last) std::fill(line + first, line + last + 1, brush_);
    changed.Add(y, s.first, s.last);
  }
  return changed;
}

// A new white image of at least 1 x 1 pixels, as the window makes it.
void PixelCanvas::CreateImage(int width, int height) {
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
                 0xFFFFFFFFu);
  drawn_.Resize(width_, height_);
}

void Tiles::Resize(int width, int height) {
  columns = (std::max(width, 0) + kTile - 1) / kTile;
  rows = (std::max(height, 0) + kTile - 1) / kTile;
  marked.assign(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 1);
}

void Tiles::Mark(const PixelRect& drawn) {
  if (drawn.Empty() || columns == 0) return;
  const int right = std::min(drawn.right / kTile, columns - 1);
  const int bottom = std::min(drawn.bottom / kTile, rows - 1);
  for (int row = std::max(drawn.top / kTile, 0); row <= bottom; ++row) {
    std::uint8_t* line = marked.data() + static_cast<std::ptrdiff_t>(row) * columns;
    for (int column = std::max(drawn.left / kTile, 0); column <= right; ++column) line[column] = 1;
  }
}

PixelRect Tiles::Rect(int t, int width, int height) const {
  const int left = t % columns * kTile, top = t / columns * kTile;
  return {left, top, std::min(left + kTile, width) - 1, std::min(top + kTile, height) - 1};
}

void ScalePixels(const PixelView& from, int scale, int width, int height,
                 std::vector<Pixel>& out) {
  out.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const int scaledWidth = from.width * scale;
  for (int y = 0; y < from.height; ++y) {
    const Pixel* line = from.Row(y);
    Pixel* to = out.data() + static_cast<std::ptrdiff_t>(y) * scale * width;
    if (scale == 1) {
      std::copy_n(line, from.width, to);
    } else {
      for (int x = 0; x < from.width; ++x) std::fill_n(to + x * scale, scale, line[x]);
    }
    std::fill(to + scaledWidth, to + width, 0xFFFFFFFFu);
    for (int r = 1; r < scale; ++r) std::copy_n(to, width, to + r * width);
  }
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(from.height) * scale * width, out.end(),
            0xFFFFFFFFu);
}

void ScaledRgb(const PixelView& from, int scale, std::uint8_t* out) {
  const std::ptrdiff_t rowBytes = static_cast<std::ptrdiff_t>(from.width) * scale * 3;
  for (int y = 0; y < from.height; ++y) {
    const Pixel* line = from.Row(y);
    std::uint8_t* to = out + y * scale * rowBytes;
    std::uint8_t* p = to;
    for (int x = 0; x < from.width; ++x) {
      const Pixel c = line[x];
      for (int i = 0; i < scale; ++i) {
        *p++ = static_cast<std::uint8_t>(c >> 16);
        *p++ = static_cast<std::uint8_t>(c >> 8);
        *p++ = static_cast<std::uint8_t>(c);
      }
    }
    for (int r = 1; r < scale; ++r) std::copy_n(to, rowBytes, to + r * rowBytes);
  }
}

}  // namespace segsim

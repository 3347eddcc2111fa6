#include "web/pixel_canvas.h"

#include <algorithm>
#include <cmath>

namespace segsim::web {

void PixelCanvas::CreateImage(int width, int height) {
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  pixels_.assign(static_cast<std::size_t>(width_) * height_, 0xFFFFFFFFu);
}

void PixelCanvas::Spans(int x1, int y1, int x2, int y2, bool ellipse, std::vector<Span>& spans) {
  spans.clear();
  if (x2 <= x1 || y2 <= y1) return;
  const double rx = (x2 - x1) / 2.0, ry = (y2 - y1) / 2.0;
  const double cx = x1 + rx, cy = y1 + ry;
  for (int y = y1; y < y2; ++y) {
    if (!ellipse) {
      spans.push_back({x1, x2 - 1});
      continue;
    }
    const double dy = (y + 0.5 - cy) / ry;
    const double t = 1.0 - dy * dy;
    if (t < 0) {
      spans.push_back({1, 0});
      continue;
    }
    const double half = rx * std::sqrt(t);
    spans.push_back({std::max(x1, static_cast<int>(std::ceil(cx - half - 0.5))),
                     std::min(x2 - 1, static_cast<int>(std::floor(cx + half - 0.5)))});
  }
}

// The pen where a pixel is not inside the shape inset by the extra pen width, the brush where it
// is: the interior of a row is the part of its inner span whose neighbours above and below belong
// to the inner shape as well.
void PixelCanvas::Shape(int x1, int y1, int x2, int y2, bool ellipse) {
  const int d = penWidth_ - 1;
  Spans(x1, y1, x2, y2, ellipse, outer_);
  Spans(x1 + d, y1 + d, x2 - d, y2 - d, ellipse, inner_);
  const int innerRows = static_cast<int>(inner_.size());
  const auto inner = [&](int r) { return r >= 0 && r < innerRows ? inner_[r] : Span{1, 0}; };
  for (int r = 0; r < static_cast<int>(outer_.size()); ++r) {
    const int y = y1 + r;
    const Span s{std::max(outer_[r].first, 0), std::min(outer_[r].last, width_ - 1)};
    if (y < 0 || y >= height_ || s.first > s.last) continue;
    std::uint32_t* line = pixels_.data() + static_cast<std::size_t>(y) * width_;
    std::fill(line + s.first, line + s.last + 1, pen_);
    const int ir = r - d;
    const Span in = inner(ir), up = inner(ir - 1), down = inner(ir + 1);
    const int first = std::max({in.first + 1, up.first, down.first, s.first});
    const int last = std::min({in.last - 1, up.last, down.last, s.last});
    if (first <= last) std::fill(line + first, line + last + 1, brush_);
  }
}

}  // namespace segsim::web

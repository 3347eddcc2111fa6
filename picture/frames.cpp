#include "picture/frames.h"

#include <algorithm>
#include <cstring>

namespace segsim {

namespace {

constexpr int Even(int n) { return n + n % 2; }

int Red(Pixel p) { return static_cast<int>(p >> 16 & 0xFFu); }
int Green(Pixel p) { return static_cast<int>(p >> 8 & 0xFFu); }
int Blue(Pixel p) { return static_cast<int>(p & 0xFFu); }

std::uint8_t Luma(Pixel p) {
  return static_cast<std::uint8_t>(((66 * Red(p) + 129 * Green(p) + 25 * Blue(p) + 128) >> 8) + 16);
}

}  // namespace

bool FrameDiff::Next(const PixelView& now, const Tiles* drawn, FrameChange& change) {
  change.Clear();
  const bool fresh = last_.empty() || now.width != width_ || now.height != height_;
  if (fresh) {
    width_ = now.width;
    height_ = now.height;
    last_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
    all_.Resize(width_, height_);
  }
  if (!drawn || fresh || drawn->columns != all_.columns || drawn->rows != all_.rows) drawn = &all_;
  const int tiles = all_.columns * all_.rows;
  for (int t = 0; t < tiles; ++t) {
    if (!drawn->marked[static_cast<std::size_t>(t)]) continue;
    const PixelRect rect = all_.Rect(t, width_, height_);
    const int width = rect.right - rect.left + 1;
    const auto bytes = static_cast<std::size_t>(width) * sizeof(Pixel);
    const auto Last = [&](int y) {
      return last_.data() + static_cast<std::ptrdiff_t>(y) * width_ + rect.left;
    };
    bool differs = fresh;
    for (int y = rect.top; y <= rect.bottom && !differs; ++y) {
      differs = std::memcmp(now.Row(y) + rect.left, Last(y), bytes) != 0;
    }
    if (!differs) continue;
    change.parts.push_back({rect, change.pixels.size()});
    for (int y = rect.top; y <= rect.bottom; ++y) {
      const Pixel* row = now.Row(y) + rect.left;
      change.pixels.insert(change.pixels.end(), row, row + width);
      std::memcpy(Last(y), row, bytes);
    }
  }
  return !change.parts.empty();
}

void ToYuv420(const PixelView& from, int scale, int left, int top, const YuvView& to,
              std::vector<Pixel>& scratch) {
  const int width = std::min(Even(from.width * scale), to.width - left);
  const int height = std::min(Even(from.height * scale), to.height - top);
  if (width < from.width * scale || height < from.height * scale || width <= 0) return;
  ScalePixels(from, scale, width, height, scratch);
  // Plain loops over the rows, which the compiler turns into vector code.
  for (int y = 0; y < height; ++y) {
    const Pixel* row = scratch.data() + static_cast<std::ptrdiff_t>(y) * width;
    std::uint8_t* luma = to.plane[0] + (top + y) * to.stride[0] + left;
    for (int x = 0; x < width; ++x) luma[x] = Luma(row[x]);
  }
  for (int y = 0; y + 1 < height; y += 2) {
    const Pixel* upper = scratch.data() + static_cast<std::ptrdiff_t>(y) * width;
    const Pixel* lower = upper + width;
    std::uint8_t* u = to.plane[1] + (top + y) / 2 * to.stride[1] + left / 2;
    std::uint8_t* v = to.plane[2] + (top + y) / 2 * to.stride[2] + left / 2;
    for (int x = 0; x < width / 2; ++x) {
      const Pixel a = upper[2 * x], b = upper[2 * x + 1], c = lower[2 * x], d = lower[2 * x + 1];
      const int r = Red(a) + Red(b) + Red(c) + Red(d);
      const int g = Green(a) + Green(b) + Green(c) + Green(d);
      const int bl = Blue(a) + Blue(b) + Blue(c) + Blue(d);
      u[x] = static_cast<std::uint8_t>(((-38 * r - 74 * g + 112 * bl + 512) >> 10) + 128);
      v[x] = static_cast<std::uint8_t>(((112 * r - 94 * g - 18 * bl + 512) >> 10) + 128);
    }
  }
}

}  // namespace segsim

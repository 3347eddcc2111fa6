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

bool FrameDiff::Next(const PixelView& now, const Tiles* drawn, std::vector<PixelRect>& changed,
                     bool compare) {
  changed.clear();
  const bool fresh = (compare && last_.empty()) || now.width != width_ || now.height != height_;
  if (fresh) {
    width_ = now.width;
    height_ = now.height;
    all_.Resize(width_, height_);
    if (width_ == 0 || height_ == 0) return false;
    changed.push_back({0, 0, width_ - 1, height_ - 1});
    if (compare) {
      last_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
      for (int y = 0; y < height_; ++y) {
        std::copy_n(now.Row(y), width_, last_.data() + static_cast<std::ptrdiff_t>(y) * width_);
      }
    }
    return true;
  }
  if (!compare) last_ = {};
  if (!drawn || drawn->columns != all_.columns || drawn->rows != all_.rows) drawn = &all_;
  const auto Last = [&](int y, int x) {
    return last_.data() + static_cast<std::ptrdiff_t>(y) * width_ + x;
  };
  const auto Differs = [&](int t) {
    if (!drawn->marked[static_cast<std::size_t>(t)]) return false;
    if (!compare) return true;
    const PixelRect rect = all_.Rect(t, width_, height_);
    const auto bytes = static_cast<std::size_t>(rect.right - rect.left + 1) * sizeof(Pixel);
    for (int y = rect.top; y <= rect.bottom; ++y) {
      if (std::memcmp(now.Row(y) + rect.left, Last(y, rect.left), bytes) != 0) return true;
    }
    return false;
  };
  // Each run of changed tiles along a row of tiles is one rectangle.
  for (int row = 0; row < all_.rows; ++row) {
    for (int column = 0; column < all_.columns;) {
      const int first = row * all_.columns + column;
      if (!Differs(first)) {
        ++column;
        continue;
      }
      int end = column + 1;
      while (end < all_.columns && Differs(first + end - column)) ++end;
      PixelRect rect = all_.Rect(first, width_, height_);
      rect.right = all_.Rect(first + end - 1 - column, width_, height_).right;
      changed.push_back(rect);
      if (compare) {
        for (int y = rect.top; y <= rect.bottom; ++y) {
          std::copy_n(now.Row(y) + rect.left, rect.right - rect.left + 1, Last(y, rect.left));
        }
      }
      column = end;
    }
  }
  return !changed.empty();
}

namespace {

// The conversion of rows of pixels (a frame's width and height, both even) into to from (left,
// top) on. Plain loops, which the compiler turns into vector code.
[[gnu::always_inline]] inline void ConvertRows(const Pixel* pixels, std::ptrdiff_t stride,
                                               int width, int height, int left, int top,
                                               const YuvView& to) {
  for (int y = 0; y < height; ++y) {
    const Pixel* row = pixels + y * stride;
    std::uint8_t* luma = to.plane[0] + (top + y) * to.stride[0] + left;
    for (int x = 0; x < width; ++x) luma[x] = Luma(row[x]);
  }
  for (int y = 0; y + 1 < height; y += 2) {
    const Pixel* upper = pixels + y * stride;
    const Pixel* lower = upper + stride;
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

void ConvertRowsPortably(const Pixel* pixels, std::ptrdiff_t stride, int width, int height,
                         int left, int top, const YuvView& to) {
  ConvertRows(pixels, stride, width, height, left, top, to);
}

// The conversion of a run's busy first frames runs beside the model: on x86-64 it is compiled a
// second time for AVX2, taken where the processor has it, which halves its time. (Chosen here
// rather than by the loader, whose choice runs before a sanitizer's runtime is there.)
#if defined(__x86_64__) && defined(__GNUC__)
[[gnu::target("avx2")]] void ConvertRowsAvx2(const Pixel* pixels, std::ptrdiff_t stride, int width,
                                             int height, int left, int top, const YuvView& to) {
  ConvertRows(pixels, stride, width, height, left, top, to);
}
const auto kConvertRows = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? &ConvertRowsAvx2 : &ConvertRowsPortably;
}();
#else
const auto kConvertRows = &ConvertRowsPortably;
#endif

}  // namespace

void ToYuv420(const PixelView& from, int scale, int left, int top, const YuvView& to,
              std::vector<Pixel>& scratch) {
  const int width = std::min(Even(from.width * scale), to.width - left);
  const int height = std::min(Even(from.height * scale), to.height - top);
  if (width < from.width * scale || height < from.height * scale || width <= 0) return;
  // Unscaled pixels of an even size are read where they are; others are scaled and padded first.
  const Pixel* pixels = from.pixels;
  std::ptrdiff_t stride = from.stride;
  if (scale != 1 || width != from.width || height != from.height) {
    ScalePixels(from, scale, width, height, scratch);
    pixels = scratch.data();
    stride = width;
  }
  kConvertRows(pixels, stride, width, height, left, top, to);
}

void CopyYuv(const YuvView& from, int left, int top, const YuvView& to) {
  for (int plane = 0; plane < 3; ++plane) {
    const int shift = plane == 0 ? 0 : 1;
    const int width = from.width >> shift, height = from.height >> shift;
    for (int y = 0; y < height; ++y) {
      std::memcpy(to.plane[plane] + ((top >> shift) + y) * to.stride[plane] + (left >> shift),
                  from.plane[plane] + y * from.stride[plane], static_cast<std::size_t>(width));
    }
  }
}

}  // namespace segsim

// The drawing as pixels, without a display: the shapes of the Canvas interface written straight
// into a 32-bit image. The main window draws through the same writer into its QImage, so the
// window, segsim-cli and the Python module give the same pixels.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/canvas.h"

namespace segsim {

// A pixel as 0xFFRRGGBB (QImage's RGB32); in memory on a little-endian machine B, G, R, 0xFF.
using Pixel = std::uint32_t;

// The model's 0x00BBGGRR as a pixel.
constexpr Pixel ToPixel(Color c) {
  return 0xFF000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}

// Rows of pixels somebody else owns; stride in pixels.
struct PixelView {
  Pixel* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
  Pixel* Row(int y) const { return pixels + y * stride; }
};

// The pixels a shape wrote: left..right, top..bottom inclusive; empty when right < left.
struct PixelRect {
  int left = 0, top = 0, right = -1, bottom = -1;
  bool Empty() const { return right < left || bottom < top; }
  // Grows to hold the pixels first .. last of row y.
  void Add(int y, int first, int last) {
    if (Empty()) {
      *this = {first, y, last, y};
      return;
    }
    left = std::min(left, first);
    right = std::max(right, last);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
  }
};

// Writes Canvas shapes into a PixelView. Boxes cover x1 .. x2 - 1 and y1 .. y2 - 1; the outline
// is pen-width pixels thick inside the box (widths 0 and 1 both give one pixel). A pixel belongs
// to an ellipse when its centre lies inside it. No antialiasing: every pixel is the pen's or the
// brush's colour.
class ShapeWriter {
public:
  void SetPenWidth(int width) { penWidth_ = width < 1 ? 1 : width; }
  void SetPenColor(Color color) { pen_ = ToPixel(color); }
  void SetBrushColor(Color color) { brush_ = ToPixel(color); }
  PixelRect Rectangle(const PixelView& image, int x1, int y1, int x2, int y2);
  PixelRect Ellipse(const PixelView& image, int x1, int y1, int x2, int y2);

  // Pixel spans of a shape, one per row of its box (first > last for an empty row).
  struct Span {
    int first;
    int last;
  };

private:
  PixelRect Shape(const PixelView& image, int x1, int y1, int x2, int y2, bool ellipse);
  PixelRect FillShape(const PixelView& image, int y1, int inset);
  // The common shapes of the drawing, the pixels of Shape without its spans: a one-pixel
  // outlined rectangle (a cell), and an ellipse whose pen and brush agree (a disc), whose spans
  // are kept for the box's left edge and size (a disc's row spans depend on nothing else).
  PixelRect OutlinedRectangle(const PixelView& image, int x1, int y1, int x2, int y2);
  PixelRect SolidEllipse(const PixelView& image, int x1, int y1, int x2, int y2);

  struct DiscKey {
    int x1, width, height;
    friend bool operator==(const DiscKey&, const DiscKey&) = default;
  };
  static constexpr int kKeptDiscs = 1 << 16;
  struct DiscSpans {
    DiscKey key;
    std::vector<Span> spans;  // rows from the box's top
  };

  int penWidth_ = 1;
  Pixel pen_ = 0xFF000000u;
  Pixel brush_ = 0xFFFFFFFFu;
  std::vector<Span> spans_, inner_;  // scratch, kept to spare allocations
  std::vector<DiscSpans> discs_;     // by the box's left edge x1 (0 .. kKeptDiscs - 1)
};

// The view's pixels, each a scale x scale square, as width x height pixels: the scaled picture at
// the top left, white beyond it (width and height at least the scaled size).
void ScalePixels(const PixelView& from, int scale, int width, int height, std::vector<Pixel>& out);
// The view's pixels, each a scale x scale square, as bytes R, G, B row after row: the scaled
// height x width x 3 bytes from out on.
void ScaledRgb(const PixelView& from, int scale, std::uint8_t* out);

// An image cut into squares of kTile x kTile pixels (the last column and row narrower where the
// size is no multiple), row after row from the top left, each marked once something was drawn in
// it: what a video's next frame needs to look at.
struct Tiles {
  static constexpr int kTile = 16;
  int columns = 0, rows = 0;
  std::vector<std::uint8_t> marked;  // columns * rows, 1 where drawn

  void Resize(int width, int height);  // every tile marked
  void Mark(const PixelRect& drawn);
  void Clear() { std::fill(marked.begin(), marked.end(), std::uint8_t{0}); }
  // Tile t's pixels within an image of width x height.
  PixelRect Rect(int t, int width, int height) const;
};

// A Canvas on an image of its own: what the window shows, for segsim-cli and the Python module.
class PixelCanvas : public Canvas {
public:
  void CreateImage(int width, int height) override;
  void SetPenWidth(int width) override { writer_.SetPenWidth(width); }
  void SetPenColor(Color color) override { writer_.SetPenColor(color); }
  void SetBrushColor(Color color) override { writer_.SetBrushColor(color); }
  void Rectangle(int x1, int y1, int x2, int y2) override {
    drawn_.Mark(writer_.Rectangle(View(), x1, y1, x2, y2));
  }
  void Ellipse(int x1, int y1, int x2, int y2) override {
    drawn_.Mark(writer_.Ellipse(View(), x1, y1, x2, y2));
  }

  // Empty (0 x 0) until the first CreateImage.
  PixelView View() { return {pixels_.data(), width_, height_, width_}; }
  const Pixel* Pixels() const { return pixels_.data(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The tiles drawn in since the image was made or ClearDrawn was called.
  const Tiles& Drawn() const { return drawn_; }
  void ClearDrawn() { drawn_.Clear(); }

private:
  std::vector<Pixel> pixels_;
  Tiles drawn_;
  int width_ = 0, height_ = 0;
  ShapeWriter writer_;
};

}  // namespace segsim

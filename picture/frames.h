// A video's frames as changes to the frame before: the tiles whose pixels differ, found among the
// tiles drawn in since (a settled run draws nothing and its frames cost nothing), and the 4:2:0
// YUV picture the encoders take, kept from frame to frame and converted only where it changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/pixels.h"

namespace segsim {

// The tiles of a frame that differ from the frame before, each its rectangle and its pixels.
struct FrameChange {
  struct Part {
    PixelRect rect;
    std::size_t offset;  // of its rows (rect's width pixels each) in pixels
  };
  std::vector<Part> parts;
  std::vector<Pixel> pixels;

  void Clear() {
    parts.clear();
    pixels.clear();
  }
  PixelView View(const Part& part) {
    const int width = part.rect.right - part.rect.left + 1;
    return {pixels.data() + part.offset, width, part.rect.bottom - part.rect.top + 1, width};
  }
};

// Keeps a copy of the last frame and tells what the next one changes.
class FrameDiff {
public:
  // The tiles of now whose pixels differ from the last frame's into change (cleared first): every
  // tile for the first frame or a new size. drawn: the tiles drawn in since the last frame
  // (nullptr: any may have changed). Returns whether anything changed.
  bool Next(const PixelView& now, const Tiles* drawn, FrameChange& change);

private:
  std::vector<Pixel> last_;
  int width_ = 0, height_ = 0;
  Tiles all_;  // every tile, for frames without drawn tiles
};

// A 4:2:0 picture of even width and height: Y for every pixel, U and V for every 2 x 2 square.
struct YuvView {
  std::uint8_t* plane[3];
  std::ptrdiff_t stride[3];
  int width, height;
};

// Writes from's pixels, each a scale x scale square, into to from (left, top) on (both even, and
// the scaled pixels within to), in BT.601 studio range; the chroma of a square is its four
// pixels' mean. Where the scaled pixels end short of an even size (the last column or row of an
// odd frame) they go on white. scratch is kept to spare allocations.
void ToYuv420(const PixelView& from, int scale, int left, int top, const YuvView& to,
              std::vector<Pixel>& scratch);

}  // namespace segsim

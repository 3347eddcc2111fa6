// A video's frames as changes to the frame before: the tiles whose pixels differ, found among the
// tiles drawn in since (a settled run draws nothing and its frames cost nothing), and their 4:2:0
// YUV, which the encoders take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/pixels.h"

namespace segsim {

// Keeps a copy of the last frame and tells what the next one changes.
class FrameDiff {
public:
  // The rectangles of now whose pixels differ from the last frame's into changed (cleared first):
  // runs of 16 x 16 tiles along a row of tiles, the whole frame for the first frame or a new
  // size. drawn: the tiles drawn in since the last frame (nullptr: any may have changed). Returns
  // whether anything changed. With compare false, every drawn tile is taken as changed,
  // uncompared (the caller drew only what changed); the last frame is then no longer kept, and
  // the next compared frame is taken whole.
  bool Next(const PixelView& now, const Tiles* drawn, std::vector<PixelRect>& changed,
            bool compare = true);

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

// Planes of a width x height picture (both even) one after the other from at: Y, U, V.
inline YuvView YuvPlanes(std::uint8_t* at, int width, int height) {
  const std::ptrdiff_t luma = static_cast<std::ptrdiff_t>(width) * height;
  return {{at, at + luma, at + luma + luma / 4}, {width, width / 2, width / 2}, width, height};
}
inline std::size_t YuvBytes(int width, int height) {
  return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3 / 2;
}

// Writes from's pixels, each a scale x scale square, into to from (left, top) on (both even, and
// the scaled pixels within to), in BT.601 studio range; the chroma of a square is its four
// pixels' mean. Where the scaled pixels end short of an even size (the last column or row of an
// odd frame) they go on white. scratch is kept to spare allocations.
void ToYuv420(const PixelView& from, int scale, int left, int top, const YuvView& to,
              std::vector<Pixel>& scratch);

// Copies from's planes into to from (left, top) on (both even; from within to).
void CopyYuv(const YuvView& from, int left, int top, const YuvView& to);

}  // namespace segsim

// The drawing of the page: the model's Canvas on an RGBA image in the module's memory, which the
// page copies to its <canvas>. Shapes are covered as the main window's image covers them: a pixel
// belongs to an ellipse when its centre lies inside it, the pen on the rim, the brush inside.
#pragma once

#include <cstdint>
#include <vector>

#include "model/canvas.h"

namespace segsim::web {

class PixelCanvas : public Canvas {
public:
  void CreateImage(int width, int height) override;
  void SetPenWidth(int width) override { penWidth_ = width; }
  void SetPenColor(Color color) override { pen_ = Rgba(color); }
  void SetBrushColor(Color color) override { brush_ = Rgba(color); }
  void Rectangle(int x1, int y1, int x2, int y2) override { Shape(x1, y1, x2, y2, false); }
  void Ellipse(int x1, int y1, int x2, int y2) override { Shape(x1, y1, x2, y2, true); }

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Bytes R, G, B, A per pixel, row by row.
  const std::uint32_t* Pixels() const { return pixels_.data(); }

private:
  struct Span {
    int first, last;
  };
  // 0x00BBGGRR as the bytes R, G, B, 255 of a little-endian word.
  static std::uint32_t Rgba(Color c) { return (c & 0xFFFFFFu) | 0xFF000000u; }
  static void Spans(int x1, int y1, int x2, int y2, bool ellipse, std::vector<Span>& spans);
  void Shape(int x1, int y1, int x2, int y2, bool ellipse);

  int width_ = 0, height_ = 0, penWidth_ = 1;
  std::uint32_t pen_ = 0xFF000000u, brush_ = 0xFFFFFFFFu;
  std::vector<std::uint32_t> pixels_;
  std::vector<Span> outer_, inner_;
};

}  // namespace segsim::web

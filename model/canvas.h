// The drawing surface the model draws into. The window implements it on its image; tests record
// the calls. Colours are 0x00BBGGRR (red in the low byte).
#pragma once

#include <cstdint>

namespace segsim {

using Color = std::uint32_t;  // 0x00BBGGRR

class Canvas {
public:
  virtual ~Canvas() = default;

  // Replaces the picture by a new white image of the given size in pixels.
  virtual void CreateImage(int width, int height) = 0;
  // Pen width 0 draws one-pixel lines.
  virtual void SetPenWidth(int width) = 0;
  virtual void SetPenColor(Color color) = 0;
  virtual void SetBrushColor(Color color) = 0;
  // Both cover the pixels from (x1, y1) up to but not including (x2, y2): outline with the pen,
  // interior with the solid brush.
  virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
  virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
};

}  // namespace segsim

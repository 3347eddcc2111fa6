#include "model/cell.h"

#include "model/grid.h"

namespace segsim {

void TCell::DrawCell(Canvas& canvas) const { DrawSquare(canvas, PositionX(), PositionY(), Size()); }

void TCell::DrawSquare(Canvas& canvas, std::int32_t x, std::int32_t y, std::int32_t size) {
  const Color g = static_cast<Color>(kCellGray) & 0xFFu;
  canvas.SetPenWidth(0);
  canvas.SetPenColor(0x808080u);
  canvas.SetBrushColor(g + 256u * g + 65536u * g);
  canvas.Rectangle(x - size, y - size, x + size, y + size);
}

}  // namespace segsim

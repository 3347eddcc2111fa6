#include "model/cell.h"

#include "model/grid.h"

namespace segsim {

void TCell::DrawCell(Canvas& canvas) const {
  const Color g = static_cast<Color>(Gray()) & 0xFFu;
  const std::int32_t x = PositionX();
  const std::int32_t y = PositionY();
  const std::int32_t size = Size();
  canvas.SetPenWidth(0);
  canvas.SetPenColor(0x808080u);
  canvas.SetBrushColor(g + 256u * g + 65536u * g);
  canvas.Rectangle(x - size, y - size, x + size, y + size);
}

}  // namespace segsim

#include "model/cell.h"

namespace segsim {

void TCell::DrawCell(Canvas& canvas) const {
  const Color g = static_cast<Color>(Gray) & 0xFFu;
  canvas.SetPenWidth(0);
  canvas.SetPenColor(0x808080u);
  canvas.SetBrushColor(g + 256u * g + 65536u * g);
  canvas.Rectangle(positionX_ - size_, positionY_ - size_, positionX_ + size_, positionY_ + size_);
}

}  // namespace segsim

#include "charts/qt_color.h"

namespace segsim {

QRgb ToQRgb(Color color) {
  const unsigned red = color & 0xFFu, green = (color >> 8) & 0xFFu, blue = (color >> 16) & 0xFFu;
  return qRgb(static_cast<int>(red), static_cast<int>(green), static_cast<int>(blue));
}

}  // namespace segsim

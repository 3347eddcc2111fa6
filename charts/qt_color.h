// Model colours in Qt, for the drawing image and the charts alike.
#pragma once

#include <QColor>
#include <QRgb>

#include "model/canvas.h"

namespace segsim {

// The one place where a model colour (0x00BBGGRR) becomes a QRgb (0xAARRGGBB, opaque).
QRgb ToQRgb(Color color);
inline QColor ToQColor(Color color) { return QColor(ToQRgb(color)); }

}  // namespace segsim

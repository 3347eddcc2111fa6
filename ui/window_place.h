// Where a window opens beside the others.
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <span>

class QWidget;

namespace segsim {

// The top left corner of a window frame of the given size within the screen's available area:
// where it covers none of the rectangles to avoid when the area has room for that, else where it
// covers as little of them as it can (the first counts before the others). Always fully inside
// the area, or at its top left corner when the frame is larger than the area. Among equal places
// the one nearest the area's top, then its left, wins.
QPoint PlaceBeside(QSize frame, QRect area, std::span<const QRect> avoid);

// Moves the window (not yet shown) to PlaceBeside the frames of the others on the screen of the
// first of them. A window not yet shown has no frame of its own: the first window's frame
// margins stand for it.
void OpenBeside(QWidget* window, std::span<QWidget* const> others);

}  // namespace segsim

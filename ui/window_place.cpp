#include "ui/window_place.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <limits>
#include <vector>

namespace segsim {

namespace {

std::int64_t Overlap(const QRect& a, const QRect& b) {
  const QRect i = a.intersected(b);
  return i.isEmpty() ? 0 : std::int64_t{i.width()} * i.height();
}

// Positions along one axis: the area's two ends and the sides of every rectangle to avoid.
std::vector<int> Candidates(int areaStart, int areaLength, int length, std::span<const QRect> avoid,
                            bool horizontal) {
  std::vector<int> starts{areaStart, areaStart + areaLength - length};
  for (const QRect& r : avoid) {
    const int before = horizontal ? r.left() : r.top();
    const int after = horizontal ? r.right() + 1 : r.bottom() + 1;
    starts.push_back(after);
    starts.push_back(before - length);
  }
  std::vector<int> inside;
  for (int s : starts) {
    if (length > areaLength) s = areaStart;
    if (s >= areaStart && s + length <= areaStart + areaLength) inside.push_back(s);
  }
  if (inside.empty()) inside.push_back(areaStart);
  return inside;
}

QMargins FrameMargins(const QWidget* w) {
  const QRect g = w->geometry(), f = w->frameGeometry();
  return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(),
                  f.bottom() - g.bottom());
}

}  // namespace

QPoint PlaceBeside(QSize frame, QRect area, std::span<const QRect> avoid) {
  const std::vector<int> xs = Candidates(area.left(), area.width(), frame.width(), avoid, true);
  const std::vector<int> ys = Candidates(area.top(), area.height(), frame.height(), avoid, false);
  QPoint best = area.topLeft();
  std::vector<std::int64_t> bestCost;
  for (int y : ys) {
    for (int x : xs) {
      const QRect place(QPoint(x, y), frame);
      std::vector<std::int64_t> cost;
      std::int64_t total = 0;
      for (const QRect& r : avoid) total += Overlap(place, r);
      cost.push_back(total);
      for (const QRect& r : avoid) cost.push_back(Overlap(place, r));
      cost.push_back(y - area.top());
      cost.push_back(x - area.left());
      if (bestCost.empty() || cost < bestCost) {
        bestCost = cost;
        best = QPoint(x, y);
      }
    }
  }
  return best;
}

void OpenBeside(QWidget* window, std::span<QWidget* const> others) {
  if (others.empty()) return;
  const QMargins margins = FrameMargins(others.front());
  std::vector<QRect> avoid;
  for (const QWidget* w : others) {
    avoid.push_back(w->isVisible() ? w->frameGeometry() : w->geometry().marginsAdded(margins));
  }
  const QScreen* screen = others.front()->screen();
  if (!screen) return;
  const QSize frame = window->size().grownBy(margins);
  const QPoint at = PlaceBeside(frame, screen->availableGeometry(), avoid);
  // move() places the frame's top left corner of a top-level window.
  window->move(at);
}

}  // namespace segsim

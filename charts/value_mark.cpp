#include "charts/value_mark.h"

namespace segsim {

namespace {

constexpr double kMarkGap = 4;  // pixels between a point or bar end and its mark

}  // namespace

void DrawMark(QCPPainter* painter, const QFont& font, const QString& text, QPointF anchor,
              MarkSide side) {
  const QFontMetrics metrics(font);
  const QSizeF size(metrics.horizontalAdvance(text) + 6, metrics.height() + 2);
  const QPointF topLeft =
      side == MarkSide::Right
          ? QPointF(anchor.x() + kMarkGap, anchor.y() - size.height() / 2)
          : QPointF(anchor.x() - size.width() / 2, anchor.y() - size.height() - kMarkGap);
  const QRectF box(topLeft, size);
  painter->setFont(font);
  painter->setPen(QPen(Qt::black));
  if (side == MarkSide::Above) painter->drawLine(anchor, QPointF(anchor.x(), box.bottom()));
  // Translucent, so that data points under a mark still show.
  painter->setBrush(QColor(0xFF, 0xFF, 0xE1, 170));
  painter->drawRect(box);
  painter->drawText(box, Qt::AlignCenter, text);
}

}  // namespace segsim

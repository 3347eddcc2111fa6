// Value marks: the small framed labels the series draw beside a point or a bar's end.
#pragma once

#include <QFont>
#include <QPointF>
#include <QString>

#include <qcustomplot.h>

namespace segsim {

enum class MarkSide { Above, Right };

// A small framed label beside an anchor point: centred above it, or right of it and centred on
// its height. Above a point a short line joins the label to the point.
void DrawMark(QCPPainter* painter, const QFont& font, const QString& text, QPointF anchor,
              MarkSide side);

}  // namespace segsim

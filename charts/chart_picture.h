// Pictures of charts, written once for the charts' "Save picture..." and segsim-cli plot: PNG,
// PDF or SVG, the charts one above the other, each the full width and an equal share of the
// height, at one pixel a point.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>
#include <span>

namespace segsim {

class ChartView;

// What a picture file holds besides the drawing. The defaults are segsim-cli plot's.
struct PictureInfo {
  QImage::Format pngFormat = QImage::Format_ARGB32;  // Format_RGB32: a PNG without alpha
  std::optional<QString> svgTitle;                   // none: Qt's own title
  std::optional<QString> pdfCreator;                 // none: no creator
  // Each chart painted within a saved and restored painter state, as segsim-cli plot stacks
  // them; false paints a single chart straight onto the picture, as the charts' own pictures
  // have it (the same drawing; a PDF or SVG file holds one painter state fewer).
  bool chartStates = true;
};

// The picture of the charts at `size`: format "png", "pdf" or "svg"; empty for another. The
// charts are drawn as they were last replotted.
QByteArray ChartsPicture(std::span<ChartView* const> charts, QSize size, const QString& format,
                         const PictureInfo& info = {});

}  // namespace segsim

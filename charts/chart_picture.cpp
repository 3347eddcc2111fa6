#include "charts/chart_picture.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "charts/chart_view.h"

namespace segsim {

namespace {

void Paint(QCPPainter& painter, std::span<ChartView* const> charts, QSize size,
           const PictureInfo& info) {
  if (!info.chartStates && charts.size() == 1) {
    charts[0]->toPainter(&painter, size.width(), size.height());
    return;
  }
  const int each = size.height() / static_cast<int>(charts.size());
  for (std::size_t i = 0; i < charts.size(); ++i) {
    painter.save();
    painter.translate(0, static_cast<double>(each) * static_cast<double>(i));
    charts[i]->toPainter(&painter, size.width(), each);
    painter.restore();
  }
}

// PDF and SVG keep the drawing as vectors, without the layers' cached pixels.
void PaintVectors(QPaintDevice* device, std::span<ChartView* const> charts, QSize size,
                  const PictureInfo& info) {
  QCPPainter painter(device);
  painter.setMode(QCPPainter::pmVectorized);
  painter.setMode(QCPPainter::pmNoCaching);
  Paint(painter, charts, size, info);
}

}  // namespace

QByteArray ChartsPicture(std::span<ChartView* const> charts, QSize size, const QString& format,
                         const PictureInfo& info) {
  QByteArray bytes;
  if (charts.empty()) return bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (format == "png") {
    QImage image(size, info.pngFormat);
    image.fill(Qt::white);
    {
      QCPPainter painter(&image);
      Paint(painter, charts, size, info);
    }
    image.save(&buffer, "PNG");
  } else if (format == "pdf") {
    QPdfWriter writer(&buffer);
    writer.setResolution(72);  // one pixel a point
    writer.setPageLayout(
        QPageLayout(QPageSize(QSizeF(size), QPageSize::Point), QPageLayout::Portrait, QMarginsF()));
    if (info.pdfCreator) writer.setCreator(*info.pdfCreator);
    PaintVectors(&writer, charts, size, info);
  } else if (format == "svg") {
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(72);
    if (info.svgTitle) generator.setTitle(*info.svgTitle);
    PaintVectors(&generator, charts, size, info);
  }
  return bytes;
}

}  // namespace segsim

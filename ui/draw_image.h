// The drawing image of the main window: an off-screen QImage that the model draws into through
// the Canvas interface, shown by this widget on the drawing panel. The shapes are written by
// picture/'s ShapeWriter, which draws segsim-cli's and the Python module's pictures as well.
#pragma once

#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include "charts/qt_color.h"
#include "model/canvas.h"
#include "picture/pixels.h"

namespace segsim {

class ImageCanvas : public QWidget, public Canvas {
public:
  explicit ImageCanvas(QWidget* parent = nullptr);

  // Canvas. Shapes are written straight into the pixels: a step draws thousands of small discs
  // and must not pay for a painter per call. Boxes cover x1 .. x2 - 1 and y1 .. y2 - 1; the
  // outline is pen-width pixels thick inside the box (widths 0 and 1 both give one pixel).
  void CreateImage(int width, int height) override;
  void SetPenWidth(int width) override { writer_.SetPenWidth(width); }
  void SetPenColor(Color color) override { writer_.SetPenColor(color); }
  void SetBrushColor(Color color) override { writer_.SetBrushColor(color); }
  void Rectangle(int x1, int y1, int x2, int y2) override;
  void Ellipse(int x1, int y1, int x2, int y2) override;

  const QImage& Image() const { return image_; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  PixelView View();
  void MarkChanged(const PixelRect& rect);
  void MarkChanged(const QRect& rect);

  QImage image_;
  ShapeWriter writer_;
  QRect changed_;   // drawn since the last refresh
  QTimer refresh_;  // shows the changes at most at display rate
};

}  // namespace segsim

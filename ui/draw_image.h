// The drawing image of the main window: an off-screen QImage that the model draws into through
// the Canvas interface, shown by this widget on the drawing panel.
#pragma once

#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "charts/qt_color.h"
#include "model/canvas.h"

namespace segsim {

class ImageCanvas : public QWidget, public Canvas {
public:
  explicit ImageCanvas(QWidget* parent = nullptr);

  // Canvas. Shapes are written straight into the pixels: a step draws thousands of small discs
  // and must not pay for a painter per call. Boxes cover x1 .. x2 - 1 and y1 .. y2 - 1; the
  // outline is pen-width pixels thick inside the box (widths 0 and 1 both give one pixel).
  void CreateImage(int width, int height) override;
  void SetPenWidth(int width) override { penWidth_ = width < 1 ? 1 : width; }
  void SetPenColor(Color color) override { pen_ = ToQRgb(color); }
  void SetBrushColor(Color color) override { brush_ = ToQRgb(color); }
  void Rectangle(int x1, int y1, int x2, int y2) override;
  void Ellipse(int x1, int y1, int x2, int y2) override;

  const QImage& Image() const { return image_; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  // Pixel spans of a shape, one per row of its box (first > last for an empty row).
  struct Span {
    int first;
    int last;
  };
  void FillShape(int y1, const std::vector<Span>& rows, int inset);
  void MarkChanged(const QRect& rect);

  QImage image_;
  int penWidth_ = 1;
  QRgb pen_ = 0xFF000000;
  QRgb brush_ = 0xFFFFFFFF;
  QRect changed_;                    // drawn since the last refresh
  QTimer refresh_;                   // shows the changes at most at display rate
  std::vector<Span> spans_, inner_;  // scratch, kept to spare allocations
};

}  // namespace segsim

// A canvas that records every call, for checking what the model draws and in which order.
#pragma once

#include <string>
#include <vector>

#include "model/canvas.h"

namespace segsim::testing {

struct DrawCall {
  enum Kind { kImage, kPenWidth, kPenColor, kBrushColor, kRectangle, kEllipse } kind;
  int a = 0, b = 0, c = 0, d = 0;  // box, size, width or colour in a
  friend bool operator==(const DrawCall&, const DrawCall&) = default;
};

class RecordingCanvas : public Canvas {
public:
  void CreateImage(int width, int height) override {
    calls.push_back({DrawCall::kImage, width, height});
  }
  void SetPenWidth(int width) override { calls.push_back({DrawCall::kPenWidth, width}); }
  void SetPenColor(Color color) override { calls.push_back({DrawCall::kPenColor, int(color)}); }
  void SetBrushColor(Color color) override { calls.push_back({DrawCall::kBrushColor, int(color)}); }
  void Rectangle(int x1, int y1, int x2, int y2) override {
    calls.push_back({DrawCall::kRectangle, x1, y1, x2, y2});
  }
  void Ellipse(int x1, int y1, int x2, int y2) override {
    calls.push_back({DrawCall::kEllipse, x1, y1, x2, y2});
  }

  // Only the shapes, in order.
  std::vector<DrawCall> Shapes() const {
    std::vector<DrawCall> shapes;
    for (const DrawCall& c : calls) {
      if (c.kind == DrawCall::kRectangle || c.kind == DrawCall::kEllipse) shapes.push_back(c);
    }
    return shapes;
  }

  std::vector<DrawCall> calls;
};

}  // namespace segsim::testing

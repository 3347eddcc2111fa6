// The drawing as pixels: what the steps draw equals the whole drawing redone (Model::DrawOn),
// which segsim-cli and the Python module take their pictures from.
#include <gtest/gtest.h>

#include "measures/simulation.h"
#include "picture/pixels.h"

using namespace segsim;

TEST(Picture, TheDrawingOfTheStepsIsTheWholeDrawingRedone) {
  // Pitches with gaps (5), with overlapping squares (7), one pixel (1) and the default (6).
  for (const int cellSize : {1, 2, 5, 6, 7, 12}) {
    SetupParams p;
    p.CellSize = cellSize;
    p.GroupCount = 4;
    p.Seed = 11;
    p.PanelWidth = p.PanelHeight = cellSize == 1 ? 120 : 301;
    Simulation sim;
    PixelCanvas drawn;
    sim.Model().SetCanvas(&drawn);
    sim.InitSetup(p);
    std::vector<Pixel> before;
    for (int step = 0; step <= 8; ++step) {
      if (step > 0) sim.Step();
      PixelCanvas redone;
      sim.Model().DrawOn(redone);
      ASSERT_EQ(redone.Width(), drawn.Width());
      ASSERT_EQ(redone.Height(), drawn.Height());
      const std::vector<Pixel> now(drawn.Pixels(), drawn.Pixels() + drawn.Width() * drawn.Height());
      EXPECT_TRUE(std::equal(now.begin(), now.end(), redone.Pixels()))
          << "cell size " << cellSize << ", step " << step;
      if (step > 0 && cellSize > 1) {
        EXPECT_NE(now, before) << cellSize << ", step " << step;
      }
      before = now;
    }
  }
}

TEST(Picture, ScalingRepeatsEveryPixel) {
  PixelCanvas canvas;
  canvas.CreateImage(3, 2);
  canvas.SetPenWidth(1);
  canvas.SetPenColor(0x0000FF);
  canvas.SetBrushColor(0x00FF00);
  canvas.Rectangle(1, 0, 3, 1);  // red pixels at (1, 0) and (2, 0)
  std::vector<std::uint8_t> rgb(6 * 4 * 3);
  ScaledRgb(canvas.View(), 2, rgb.data());
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool red = y < 2 && x >= 2;
      const std::uint8_t* p = &rgb[static_cast<std::size_t>((y * 6 + x) * 3)];
      EXPECT_EQ(p[0], 255) << x << "," << y;
      EXPECT_EQ(p[1], red ? 0 : 255) << x << "," << y;
      EXPECT_EQ(p[2], red ? 0 : 255) << x << "," << y;
    }
  }
}

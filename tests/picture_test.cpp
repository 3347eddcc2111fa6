// The drawing as pixels: what the steps draw equals the whole drawing redone (Model::DrawOn),
// which segsim-cli and the Python module take their pictures from.
#include <gtest/gtest.h>

#include "measures/simulation.h"
#include "picture/frames.h"
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

// A video's frame kept from the tiles that changed equals the whole drawing converted, on odd
// sizes (a white edge) and scaled; a step that moves nobody changes nothing (step 9 here).
TEST(Picture, AFrameKeptFromItsChangesIsTheWholeDrawingConverted) {
  for (const int scale : {1, 3}) {
    SetupParams p;
    p.CellSize = 3;
    p.PanelWidth = p.PanelHeight = 51;
    p.AgentCount = 250;
    p.Seed = 5;
    Simulation sim;
    PixelCanvas canvas;
    sim.Model().SetCanvas(&canvas);
    sim.InitSetup(p);
    const int w = (51 * scale + 1) / 2 * 2, h = w;  // 51 * scale, made even
    std::vector<std::uint8_t> kept(static_cast<std::size_t>(w * h * 3 / 2), 0), whole = kept;
    const auto View = [&](std::vector<std::uint8_t>& yuv) {
      std::uint8_t* y = yuv.data();
      return YuvView{{y, y + w * h, y + w * h * 5 / 4}, {w, w / 2, w / 2}, w, h};
    };
    FrameDiff diff;
    std::vector<PixelRect> changed;
    std::vector<Pixel> scratch;
    for (int step = 0; step <= 9; ++step) {
      if (step > 0) sim.Step();
      EXPECT_EQ(diff.Next(canvas.View(), &canvas.Drawn(), changed), step != 9) << step;
      canvas.ClearDrawn();
      std::size_t area = 0;
      for (const PixelRect& r : changed) {
        // Converted apart, as a video's job holds it, then copied into the kept frame.
        const int rw = r.right - r.left + 1, rh = r.bottom - r.top + 1;
        const int pw = (rw * scale + 1) / 2 * 2, ph = (rh * scale + 1) / 2 * 2;
        std::vector<std::uint8_t> part(YuvBytes(pw, ph));
        const PixelView from{canvas.View().Row(r.top) + r.left, rw, rh, canvas.View().stride};
        ToYuv420(from, scale, 0, 0, YuvPlanes(part.data(), pw, ph), scratch);
        CopyYuv(YuvPlanes(part.data(), pw, ph), r.left * scale, r.top * scale, View(kept));
        area += static_cast<std::size_t>(rw * rh);
      }
      ToYuv420(canvas.View(), scale, 0, 0, View(whole), scratch);
      EXPECT_EQ(kept, whole) << "scale " << scale << ", step " << step;
      if (step >= 4) {
        EXPECT_LT(area, 51u * 51u) << step;  // only some tiles converted
      }
    }
  }
}

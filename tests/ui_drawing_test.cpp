// The drawing image's pixels and the chart layer's zoom, headless.
#include <QtTest>

#include "charts/chart_view.h"
#include "model/model.h"
#include "test_setups.h"
#include "ui/draw_image.h"

using namespace segsim;

namespace {

constexpr QRgb kOutline = 0xFF808080;
constexpr QRgb kInterior = 0xFFB4B4B4;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kRed = 0xFFFF0000;  // group 1 of the colour ramp, 0x000000FF in the model

}  // namespace

class DrawingTest : public QObject {
  Q_OBJECT

private slots:
  void drawing_data() {
    QTest::addColumn<int>("cellSize");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<uint>("colour");
    // 6: 6 x 6 squares, outline round the interior; the last column is cut at 694.
    QTest::newRow("6 corner") << 6 << QPoint(0, 0) << uint(kOutline);
    QTest::newRow("6 right edge") << 6 << QPoint(5, 2) << uint(kOutline);
    QTest::newRow("6 inside") << 6 << QPoint(4, 4) << uint(kInterior);
    QTest::newRow("6 next cell") << 6 << QPoint(6, 1) << uint(kOutline);
    QTest::newRow("6 cut last column") << 6 << QPoint(693, 3) << uint(kInterior);
    // 5: squares of edge 4 on a pitch of 5 leave white gaps.
    QTest::newRow("5 edge") << 5 << QPoint(3, 1) << uint(kOutline);
    QTest::newRow("5 inside") << 5 << QPoint(2, 2) << uint(kInterior);
    QTest::newRow("5 gap column") << 5 << QPoint(4, 2) << uint(kWhite);
    QTest::newRow("5 gap row") << 5 << QPoint(2, 4) << uint(kWhite);
    QTest::newRow("5 next cell") << 5 << QPoint(5, 1) << uint(kOutline);
    // 7: squares of edge 8 on a pitch of 7 overlap by one pixel, the later one on top.
    QTest::newRow("7 shared edge") << 7 << QPoint(7, 3) << uint(kOutline);
    QTest::newRow("7 inside") << 7 << QPoint(6, 6) << uint(kInterior);
    QTest::newRow("7 next inside") << 7 << QPoint(8, 8) << uint(kInterior);
    QTest::newRow("7 last cell whole") << 7 << QPoint(693, 690) << uint(kOutline);
    QTest::newRow("7 beside last edge") << 7 << QPoint(692, 690) << uint(kInterior);
  }
  void drawing() {
    QFETCH(int, cellSize);
    QFETCH(QPoint, pixel);
    QFETCH(uint, colour);
    ImageCanvas canvas;
    Model model(&canvas);
    model.InitSetup(testing::EmptySetup({.CellSize = cellSize}));
    QCOMPARE(canvas.Image().size(), QSize(694, 694));
    QCOMPARE(canvas.Image().pixel(pixel), QRgb(colour));
  }

  void agentDiscs_data() {
    QTest::addColumn<int>("cellSize");
    QTest::addColumn<QRect>("box");  // the disc's box: x1 .. x2 - 1, y1 .. y2 - 1
    QTest::newRow("6") << 6 << QRect(QPoint(12, 12), QPoint(17, 17));
    QTest::newRow("5") << 5 << QRect(QPoint(10, 10), QPoint(13, 13));
    QTest::newRow("7") << 7 << QRect(QPoint(15, 15), QPoint(20, 20));
  }
  void agentDiscs() {
    QFETCH(int, cellSize);
    QFETCH(QRect, box);
    ImageCanvas canvas;
    Model model(&canvas);
    model.InitSetup(testing::EmptySetup({.CellSize = cellSize}));
    model.AddAgent({2, 2}, 1);
    const QImage& image = canvas.Image();
    // Red only inside the box, the whole middle cross of the box red, the corners not.
    for (int y = box.top() - 3; y <= box.bottom() + 3; ++y)
      for (int x = box.left() - 3; x <= box.right() + 3; ++x)
        if (image.pixel(x, y) == kRed)
          QVERIFY2(box.contains(x, y), qPrintable(QString("%1,%2").arg(x).arg(y)));
    const QPoint c = box.center();
    QCOMPARE(image.pixel(box.left(), c.y()), kRed);
    QCOMPARE(image.pixel(box.right(), c.y()), kRed);
    QCOMPARE(image.pixel(c.x(), box.top()), kRed);
    QCOMPARE(image.pixel(c.x(), box.bottom()), kRed);
    QVERIFY(image.pixel(box.topLeft()) != kRed);
    QVERIFY(image.pixel(box.bottomRight()) != kRed);
  }

  void penWidthZeroAndOneDrawAlike() {
    ImageCanvas canvas;
    canvas.CreateImage(40, 20);
    canvas.SetPenColor(0x0000FF);
    canvas.SetBrushColor(0x00FF00);
    canvas.SetPenWidth(0);
    canvas.Rectangle(0, 0, 9, 7);
    canvas.Ellipse(0, 10, 9, 17);
    canvas.SetPenWidth(1);
    canvas.Rectangle(20, 0, 29, 7);
    canvas.Ellipse(20, 10, 29, 17);
    const QImage& image = canvas.Image();
    QCOMPARE(image.copy(0, 0, 10, 20), image.copy(20, 0, 10, 20));
    QCOMPARE(image.pixel(0, 0), kRed);
    QCOMPARE(image.pixel(4, 3), 0xFF00FF00u);
    QCOMPARE(image.pixel(9, 3), kWhite);  // x2 is not covered
  }

  void zoomIsTheSameInEveryDragDirection() {
    ChartView chart;
    chart.resize(400, 300);
    LineSeries* series = chart.AddLineSeries(false);
    for (int i = 0; i <= 100; ++i) series->Add(i, i * i);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    chart.ReplotNow();
    const QCPRange autoX = chart.xAxis->range(), autoY = chart.yAxis->range();
    const QPoint a(100, 80), b(250, 200);
    const QList<QPair<QPoint, QPoint>> drags{{a, b},
                                             {b, a},
                                             {QPoint(a.x(), b.y()), QPoint(b.x(), a.y())},
                                             {QPoint(b.x(), a.y()), QPoint(a.x(), b.y())}};
    const QCPRange wantX(chart.xAxis->pixelToCoord(a.x()), chart.xAxis->pixelToCoord(b.x()));
    const QCPRange wantY(chart.yAxis->pixelToCoord(b.y()), chart.yAxis->pixelToCoord(a.y()));
    for (const auto& [from, to] : drags) {
      QTest::mousePress(&chart, Qt::LeftButton, {}, from);
      QTest::mouseMove(&chart, to);
      QTest::mouseRelease(&chart, Qt::LeftButton, {}, to);
      QVERIFY(chart.IsZoomed());
      QCOMPARE(chart.xAxis->range().lower, wantX.lower);
      QCOMPARE(chart.xAxis->range().upper, wantX.upper);
      QCOMPARE(chart.yAxis->range().lower, wantY.lower);
      QCOMPARE(chart.yAxis->range().upper, wantY.upper);
      chart.UndoZoom();
      chart.ReplotNow();
      QVERIFY(!chart.IsZoomed());
      QCOMPARE(chart.xAxis->range(), autoX);
      QCOMPARE(chart.yAxis->range(), autoY);
    }
  }
};

int RunDrawingTests(int argc, char** argv) {
  DrawingTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "ui_drawing_test.moc"

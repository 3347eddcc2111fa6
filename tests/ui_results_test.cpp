// Results out of the windows: the charts', the table's and the drawing panel's context menus,
// files written or refused, the session seed; and the faults a review found (the tile size kept
// as typed, the frozen table headers, the cluster caption, value marks with many groups, emptied
// charts, the sweep window's place). The repeat command run end to end is ui_repeat_test.cpp.
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QImageReader>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <csignal>

#include <sys/resource.h>

#include "charts/chart_view.h"
#include "charts/export.h"
#include "settings/version.h"
#include "cli_process.h"
#include "ui/draw_image.h"
#include "ui/error_display.h"
#include "ui/frozen_table.h"
#include "ui/message_box.h"
#include "ui/window_place.h"
#include "window_fixture.h"

using namespace segsim;

namespace {

QStringList Captions(QWidget* w) {
  QStringList captions;
  for (QAction* a : w->actions()) captions << a->text();
  return captions;
}

void Trigger(QWidget* w, const char* action) {
  QAction* a = w->findChild<QAction*>(action);
  QVERIFY2(a, action);
  a->trigger();
}

QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class ResultsTest : public WindowFixture {
  Q_OBJECT

  QStringList failures_;
  QString chosen_;  // what the file-name chooser answers
  QString filter_;  // the index of the filter it chooses; empty: the first
  QTemporaryDir dir_;

  void Setup(const char* cellSize, const char* groups) {
    F1()->Edit_cellSiz->setText(cellSize);
    F1()->Edit_anzGr->setText(groups);
    F1()->B_setup->click();
  }
  QString Path(const char* name) { return dir_.filePath(name); }

private slots:
  void initTestCase() {
    StartCase();
    SetMessagePresenter([](const QString&, const QString&) {});
    SetWriteFailureReporter([this](const QString& m) { failures_ << m; });
    SetFileNameChooser([this](QWidget*, const QString&, const QString& filter, QString* selected) {
      if (!filter_.isEmpty()) *selected = filter.section(";;", filter_.toInt(), filter_.toInt());
      return chosen_;
    });
    QVERIFY(dir_.isValid());
  }
  void init() {
    filter_.clear();
    failures_.clear();
    Open(1000);
  }
  void cleanup() { Close(); }

  void everyChartHasTheMenu() {
    const QStringList menu{"Save picture...", "Save data as CSV...", "Copy data", "Reset zoom"};
    for (ChartView* chart : {F2()->Chart1, F2()->Chart2, F2()->Chart3, F2()->Chart4,
                             F3()->Chart_Cluster, F3()->Chart_IS}) {
      QCOMPARE(Captions(chart), menu);
      QCOMPARE(chart->contextMenuPolicy(), Qt::ActionsContextMenu);
    }
    QCOMPARE(Captions(F1()->ZeichenPanel),
             (QStringList{"Save picture...", "Save grid as CSV...", "Copy run as command",
                          "Group shares and tolerances...", "Record video...", "Stop recording",
                          "About segsim"}));
    QCOMPARE(Captions(F2()->DissimiGrid), QStringList{"Copy"});
  }

  void aboutShowsTheVersion() {
    QStringList shown;
    SetMessagePresenter(
        [&](const QString& text, const QString& caption) { shown << caption << text; });
    Trigger(F1()->ZeichenPanel, "About");
    SetMessagePresenter([](const QString&, const QString&) {});
    QCOMPARE(shown.value(0), QString("About segsim"));
    QVERIFY(shown.value(1).startsWith(QString("segsim ") + Version() + "\n"));
  }

  // One column per series with a header; the copy is the same table, tab-separated.
  void chartDataAsCsvAndCopy() {
    Setup("34", "2");
    Steps(3);
    ChartView* chart = F2()->Chart4;
    chosen_ = Path("segregation");  // no suffix: .csv is added
    Trigger(chart, "SaveData");
    const QStringList lines = QString::fromUtf8(FileBytes(Path("segregation.csv"))).split('\n');
    QCOMPARE(lines.value(0), "timestep,group 0,group 1");
    QCOMPARE(lines.size(), 5);  // the header, 3 steps, the empty text after the last newline
    for (int k = 0; k < 3; ++k) {
      const QStringList cells = lines[k + 1].split(',');
      QCOMPARE(cells[0].toDouble(), k + 1.0);
      for (int g = 0; g < 2; ++g) QCOMPARE(cells[g + 1].toDouble(), F2()->SegregationY(g, k));
    }
    Trigger(chart, "CopyData");
    QCOMPARE(QApplication::clipboard()->text(), QString(lines.join('\n')).replace(',', '\t'));
    // The sweep's results: several runs at one value keep a row each; hidden series are left out.
    F3()->Series_Avg.Add(2, 5);
    F3()->Series_Avg.Add(2, 7);
    F3()->Series_Avg.Add(3, 4);
    F3()->Series_AvgTrend.Recalculate();
    F3()->CB_avg_Clust->setChecked(false);
    F3()->CB_cFit_Clust->setChecked(false);
    F3()->ShowResults();
    QCOMPARE(F3()->Chart_Cluster->DataTable(','), "value,clusters,trend\n2,5,6\n2,7,\n3,4,4\n");
  }

  void picturesByTheFilesType_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("filter");  // the chosen filter's index
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("png") << "chart.png"
                         << ""
                         << "chart.png" << QByteArray("\x89PNG");
    QTest::newRow("no suffix") << "chart"
                               << ""
                               << "chart.png" << QByteArray("\x89PNG");
    QTest::newRow("pdf") << "chart.PDF"
                         << ""
                         << "chart.PDF" << QByteArray("%PDF");
    QTest::newRow("svg") << "chart.svg"
                         << "0"
                         << "chart.svg" << QByteArray("<?xml");
    QTest::newRow("svg filter") << "drawn"
                                << "2"
                                << "drawn.svg" << QByteArray("<?xml");
    QTest::newRow("pdf filter") << "drawn"
                                << "1"
                                << "drawn.pdf" << QByteArray("%PDF");
  }
  void picturesByTheFilesType() {
    QFETCH(QString, name);
    QFETCH(QString, filter);
    QFETCH(QString, written);
    QFETCH(QByteArray, magic);
    filter_ = filter;
    Steps(2);
    chosen_ = Path(qPrintable(name));
    Trigger(F2()->Chart1, "SavePicture");
    const QByteArray bytes = FileBytes(Path(qPrintable(written)));
    QVERIFY2(bytes.startsWith(magic), bytes.left(16).constData());
    if (magic.startsWith("\x89")) {
      QCOMPARE(QImage::fromData(bytes).size(), F2()->Chart1->size());
    }
    QVERIFY(failures_.isEmpty());
  }

  // A file that cannot be written: one message naming it and the reason; nothing else changes.
  void aFileThatCannotBeWrittenIsReported() {
    QFile blocker(Path("plain"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.write("kept");
    blocker.close();
    const QString bad = Path("plain/inside.csv");  // a file is no directory
    chosen_ = bad;
    const QString title = F2()->Chart3->Title();
    Trigger(F2()->Chart3, "SaveData");
    Trigger(F1()->ZeichenPanel, "SaveGrid");
    QCOMPARE(failures_.size(), 2);
    for (const QString& f : failures_) {
      QVERIFY2(f.startsWith("Cannot write " + bad + ": ") && f.size() > bad.size() + 16,
               qPrintable(f));
    }
    QCOMPARE(FileBytes(Path("plain")), QByteArray("kept"));
    QCOMPARE(F2()->Chart3->Title(), title);
    chosen_.clear();  // cancelled: nothing written, nothing reported
    Trigger(F2()->Chart3, "SavePicture");
    QCOMPARE(failures_.size(), 2);
  }

  // Past a file-size limit (SIGXFSZ ignored, as the program does) each save reports "File too
  // large" and leaves no file, neither under the name chosen nor a temporary beside it. (Chart
  // data is written by the same WriteWholeFile; here it is shorter than the limit.)
  void aSavePastAFileSizeLimitLeavesNoFile() {
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limit{512, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    for (const QString suffix : {"png", "svg", "pdf", "csv"}) {
      chosen_ = Path("limit.") + suffix;
      const bool grid = suffix == "csv";
      Trigger(grid ? static_cast<QWidget*>(F1()->ZeichenPanel) : F2()->Chart1,
              grid ? "SaveGrid" : "SavePicture");
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(failures_.size(), 4);
    for (const QString& f : failures_) QVERIFY2(f.endsWith(": File too large"), qPrintable(f));
    QCOMPARE(QDir(dir_.path()).entryList({"limit*"}, QDir::AllEntries | QDir::Hidden), {});
    failures_.clear();
  }

  // Chart4 has no other way back from a zoom.
  void resetZoomFromTheMenu() {
    F2()->Chart4->ZoomToPixels({20, 20}, {200, 150});
    F2()->B_undoZ->click();
    QVERIFY(F2()->Chart4->IsZoomed());
    Trigger(F2()->Chart4, "ResetZoom");
    QVERIFY(!F2()->Chart4->IsZoomed());
  }

  void tableCopiesSelectionOrWholeTable() {
    Setup("34", "3");
    Steps(1);
    QTableWidget* table = F2()->DissimiGrid;
    const auto cell = [&](int c, int r) {
      const QString t = table->item(r, c)->text();
      return t == " " ? QString() : t;
    };
    QString whole;
    for (int r = 0; r < 5; ++r) {
      QStringList row;
      for (int c = 0; c < 4; ++c) row << cell(c, r);
      whole += row.join('\t') + '\n';
    }
    QCOMPARE(TableText(table), whole);
    QVERIFY(whole.startsWith("groups\tgroup 0\tgroup 1\tgroup 2\n"));
    table->setRangeSelected(QTableWidgetSelectionRange(1, 1, 2, 3), true);
    const QString part = cell(1, 1) + '\t' + cell(2, 1) + '\t' + cell(3, 1) + '\n' + cell(1, 2) +
                         '\t' + cell(2, 2) + '\t' + cell(3, 2) + '\n';
    QCOMPARE(TableText(table), part);
    F2()->show();
    QVERIFY(QTest::qWaitForWindowExposed(F2()));
    F2()->activateWindow();
    table->setFocus();
    QApplication::clipboard()->clear();
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), part);
  }

  // With 12 groups the table scrolls both ways; its first row and column stay in view, and
  // stay its own row 0 and column 0.
  void tableHeadersStayInView() {
    Setup("34", "12");
    Steps(1);
    F2()->show();
    QVERIFY(QTest::qWaitForWindowExposed(F2()));
    QTableWidget* table = F2()->DissimiGrid;
    QCOMPARE(table->item(0, 0)->text(), "groups");
    QCOMPARE(table->item(0, 12)->text(), "group 11");
    QCOMPARE(table->item(13, 0)->text(), "IS");
    auto* row = table->findChild<QTableView*>("FrozenRow");
    auto* column = table->findChild<QTableView*>("FrozenColumn");
    auto* corner = table->findChild<QTableView*>("FrozenCorner");
    QVERIFY(row && column && corner);
    QVERIFY(row->isVisible() && column->isVisible() && corner->isVisible());
    QCOMPARE(row->height(), 20);
    QCOMPARE(column->width(), 45);
    QCOMPARE(corner->size(), QSize(45, 20));
    QVERIFY(table->horizontalScrollBar()->maximum() > 0);
    QVERIFY(table->verticalScrollBar()->maximum() > 0);
    table->horizontalScrollBar()->setValue(table->horizontalScrollBar()->maximum());
    table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
    QApplication::processEvents();
    // Below the frozen row the table shows a scrolled row; the frozen views show row 0 and
    // column 0 beside the same scrolled cells.
    const QModelIndex scrolled = table->indexAt(QPoint(60, 30));
    QVERIFY(scrolled.row() > 1 && scrolled.column() > 1);
    QCOMPARE(row->indexAt(QPoint(60, 5)).row(), 0);
    QCOMPARE(row->indexAt(QPoint(60, 5)).column(), scrolled.column());
    QCOMPARE(column->indexAt(QPoint(5, 30)).column(), 0);
    QCOMPARE(column->indexAt(QPoint(5, 30)).row(), scrolled.row());
    QCOMPARE(corner->indexAt(QPoint(5, 5)), table->model()->index(0, 0));
    // Moving up with the keys brings a cell hidden under the frozen row back into view.
    table->setFocus();
    table->setCurrentCell(scrolled.row(), scrolled.column());
    QTest::keyClick(table, Qt::Key_Up);
    QCOMPARE(table->currentRow(), scrolled.row() - 1);
    QVERIFY(table->visualRect(table->currentIndex()).top() >= 20);
    // A new layout with fewer groups: the views follow.
    Setup("34", "2");
    QCOMPARE(table->columnCount(), 3);
    QCOMPARE(column->indexAt(QPoint(5, 30)).row(), 1);
  }

  void panelGridAndPicture() {
    Setup("34", "3");
    Steps(2);
    const Model& m = F1()->simulation().Model();
    const QStringList lines = F1()->GridCsv().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + 400);
    QCOMPARE(lines[0], "row,column,group");
    int occupied = 0;
    for (int i = 1; i < lines.size(); ++i) occupied += !lines[i].endsWith(',');
    QCOMPARE(occupied, m.AgentCountUsed());
    const TAgent& a = m.AgentList()[7];
    QVERIFY(lines.contains(QString("%1,%2,%3").arg(a.GridY).arg(a.GridX).arg(a.Group)));
    QCOMPARE(lines[1 + 20 * 3 + 4].section(',', 0, 1), "3,4");  // rows outer, columns inner
    chosen_ = Path("grid.csv");
    Trigger(F1()->ZeichenPanel, "SaveGrid");
    QCOMPARE(QString::fromUtf8(FileBytes(chosen_)), F1()->GridCsv());
    chosen_ = Path("drawing");
    Trigger(F1()->ZeichenPanel, "SavePicture");
    const QImage saved = QImage::fromData(FileBytes(Path("drawing.png")));
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
             F1()->DrawImage->Image().convertToFormat(QImage::Format_RGB32));
    Trigger(F1()->ZeichenPanel, "CopyRunCommand");
    QCOMPARE(QApplication::clipboard()->text(), F1()->RunCommand());
  }

  // A GIF recorded from the menu holds the window's drawing at every step, which is what
  // segsim-cli run --picture draws for the run's repeat command.
  void recordedVideoHoldsTheWindowsDrawing() {
    Steps(2);
    chosen_ = Path("run.gif");
    Trigger(F1()->ZeichenPanel, "RecordVideo");
    QVERIFY(F1()->Recording());
    QVERIFY2(F1()->windowTitle().endsWith(" || recording run.gif"), qPrintable(F1()->windowTitle()));
    QList<QImage> shown{F1()->DrawImage->Image().copy()};
    for (int i = 0; i < 3; ++i) {
      Steps(1);
      shown << F1()->DrawImage->Image().copy();
    }
    QVERIFY(!QFile::exists(chosen_));  // written when the recording stops
    Trigger(F1()->ZeichenPanel, "StopRecording");
    QVERIFY(!F1()->Recording() && !F1()->windowTitle().contains("recording"));
    QVERIFY2(errors_.isEmpty(), qPrintable(errors_.join('\n')));
    QImageReader gif(chosen_);
    QCOMPARE(gif.imageCount(), shown.size());
    for (const QImage& want : shown) {
      QCOMPARE(gif.read().convertToFormat(QImage::Format_RGB32), want);
    }
    std::vector<std::string> args;
    for (const QString& word : F1()->RunCommand().split(' ').mid(1)) args.push_back(word.toStdString());
    args.insert(args.end(), {"--picture", Path("cli.png").toStdString()});
    testing::Child child = testing::StartCli(args);
    QCOMPARE(testing::Finish(child).status, 0);
    QCOMPARE(QImage(Path("cli.png")).convertToFormat(QImage::Format_RGB32), shown.back());
    chosen_ = Path("run.avi");  // no such format: refused, nothing recorded
    Trigger(F1()->ZeichenPanel, "RecordVideo");
    QVERIFY(!F1()->Recording() && errors_.size() == 1 && errors_[0].contains("must end in"));
  }

  // Setup k of the session uses S + k: the one at start, the button's, the sweep's.
  void sessionSeedNumbersTheSetups() {
    QCOMPARE(F1()->Seed(), 1000u);
    F1()->B_setup->click();
    QCOMPARE(F1()->Seed(), 1001u);
    F1()->Edit_cellSiz->setText("x");
    F1()->B_setup->click();  // refused: no setup made, no seed used
    QCOMPARE(errors_.size(), 2);
    F1()->Edit_cellSiz->setText("34");
    F3()->CB_param->setCurrentIndex(0);
    F3()->B_start->click();
    QCOMPARE(F1()->Seed(), 1002u);
    QVERIFY(F1()->RunCommand().startsWith("segsim-cli run --seed 1002 --steps 0 --agents 380 "));
    w_ = CreateWindows(4294967295u);
    QCOMPARE(w_.Form1->Seed(), 4294967295u);
    w_.Form1->B_setup->click();
    QCOMPARE(w_.Form1->Seed(), 0u);  // wraps
  }

  // --- the faults a review found -----------------------------------------------------------

  // The field keeps its text; a size below 1 counts as 1 where the tiles are counted.
  void tileSizeBelowOneCountsAsOne() {
    Setup("34", "2");
    QLineEdit* field = F1()->E_nbSize;
    field->selectAll();
    QTest::keyClicks(field, "05");
    QCOMPARE(field->text(), "05");
    QCOMPARE(F1()->simulation().Model().Settings().TileSize, 5);
    field->setText("0");
    Steps(1);
    QVERIFY(errors_.isEmpty());
    const double atZero = F1()->simulation().LastMeasures().dissimilarity.segregation[0];
    field->setText("1");
    F1()->Button2->click();
    QCOMPARE(F1()->simulation().LastMeasures().dissimilarity.segregation[0], atZero);
    QVERIFY(F1()->RunCommand().contains("--set 1:tile-size=1"));
  }

  void clusterCaptionFitsItsButton() {
    QPushButton* button = F1()->B_cluster;
    QCOMPARE(button->geometry(), QRect(708, 310, 75, 26));
    QStyleOptionButton option;
    option.initFrom(button);
    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
    QVERIFY(QFontMetrics(button->font()).horizontalAdvance(button->text()) + margin <=
            button->width());
    QCOMPARE(F1()->B_setup->font(), F1()->font());  // the other captions keep the window's font
  }

  void valueMarksStayInsideTheChart_data() {
    QTest::addColumn<QString>("groups");
    for (const char* g : {"1", "6", "12", "30"}) QTest::newRow(g) << g;
  }
  void valueMarksStayInsideTheChart() {
    QFETCH(QString, groups);
    Setup("34", qPrintable(groups));
    F2()->show();
    QVERIFY(QTest::qWaitForWindowExposed(F2()));
    ChartView* chart = F2()->Chart3;
    chart->ReplotNow();
    const QRect plot = chart->axisRect()->rect();
    const double half = (QFontMetrics(chart->font()).height() + 2) / 2.0;
    const int n = F2()->Series3->Count();
    QCOMPARE(n, groups.toInt());
    const double top = chart->yAxis->coordToPixel(n - 1) - half;
    const double bottom = chart->yAxis->coordToPixel(0) + half;
    QVERIFY2(top >= plot.top(), qPrintable(QString("%1 above %2").arg(top).arg(plot.top())));
    QVERIFY2(bottom <= plot.bottom(),
             qPrintable(QString("%1 below %2").arg(bottom).arg(plot.bottom())));
  }

  void emptiedChartsRescale() {
    ChartView* chart = F2()->Chart1;
    chart->ReplotNow();
    const QCPRange x = chart->xAxis->range(), y = chart->yAxis2->range();
    Setup("34", "2");
    Steps(40);
    chart->ReplotNow();
    QVERIFY(chart->xAxis->range() != x);
    F1()->B_setup->click();  // a new setup empties the lines
    chart->ReplotNow();
    QCOMPARE(chart->xAxis->range(), x);
    QCOMPARE(chart->yAxis2->range(), y);
    // The sweep's charts after a start that fails once they are emptied.
    F3()->E_toSteps->setText("2");
    F3()->CB_param->setCurrentIndex(0);
    F3()->B_start->click();
    for (int i = 0; i < 10; ++i) F3()->Timer2Timer();
    F3()->Chart_Cluster->ReplotNow();
    const QCPRange before = F3()->Chart_Cluster->yAxis->range();
    F3()->E_calcVals->setText("-1");
    F3()->B_start->click();
    QCOMPARE(errors_.back(), "Function Period should be >= 0");
    F3()->Chart_Cluster->ReplotNow();
    QVERIFY(F3()->Chart_Cluster->yAxis->range() != before);
    QCOMPARE(F3()->Chart_Cluster->yAxis->range(), QCPRange(0, 5));
  }

  void sweepWindowOpensBesideTheOthers_data() {
    QTest::addColumn<QRect>("area");
    QTest::addColumn<bool>("room");
    QTest::newRow("large screen") << QRect(0, 0, 2560, 1440) << true;
    QTest::newRow("screen with an offset") << QRect(1920, 30, 2560, 1410) << true;
    QTest::newRow("full HD") << QRect(0, 0, 1920, 1050) << false;
    QTest::newRow("smaller than the window") << QRect(0, 0, 800, 600) << false;
  }
  void sweepWindowOpensBesideTheOthers() {
    QFETCH(QRect, area);
    QFETCH(bool, room);
    const QPoint o = area.topLeft();
    const QRect main = QRect(600, 0, 890, 740).translated(o);
    const QRect analysis = QRect(0, 131, 800, 780).translated(o);
    const QSize frame(1008, 730);
    const QRect avoid[] = {main, analysis};
    const QRect placed(PlaceBeside(frame, area, avoid), frame);
    if (frame.width() > area.width()) {
      QCOMPARE(placed.topLeft(), area.topLeft());
      return;
    }
    QVERIFY(area.contains(placed));
    QCOMPARE(!placed.intersects(main) && !placed.intersects(analysis), room);
    // Without room: no place fully on screen covers less.
    const auto covered = [&](QPoint at) {
      std::int64_t sum = 0;
      for (const QRect& r : avoid) {
        const QRect i = QRect(at, frame).intersected(r);
        if (!i.isEmpty()) sum += std::int64_t{i.width()} * i.height();
      }
      return sum;
    };
    for (int x = area.left(); x + frame.width() <= area.right() + 1; x += 16) {
      for (int y = area.top(); y + frame.height() <= area.bottom() + 1; y += 16) {
        QVERIFY(covered(placed.topLeft()) <= covered(QPoint(x, y)));
      }
    }
  }

  void sweepWindowIsPlacedWhenFirstShown() {
    F1()->show();
    F1()->Button3->click();
    const QRect screen = F1()->screen()->availableGeometry();
    const QRect placed = F3()->frameGeometry();
    if (placed.width() <= screen.width() && placed.height() <= screen.height()) {
      QVERIFY(screen.contains(placed));
    } else {
      QCOMPARE(placed.topLeft(), screen.topLeft());
    }
    F3()->move(40, 50);  // where the person put it stays
    F3()->hide();
    F1()->Button3->click();
    QCOMPARE(F3()->pos(), QPoint(40, 50));
  }
};

int RunRepeatTests(int argc, char** argv);

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ResultsTest results;
  const int failed = QTest::qExec(&results, argc, argv);
  return failed + RunRepeatTests(argc, argv);
}

#include "ui_results_test.moc"

// The windows, headless: field limits, run states, caption, table, bars, titles, errors, drawing
// and the chart zoom. Controls are found by their objectName, as a person finds them by caption.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "charts/chart_view.h"
#include "model/numeric.h"
#include "ui/draw_image.h"
#include "ui/error_display.h"
#include "window_fixture.h"

using namespace segsim;

namespace {

QString Text(QWidget* root, const char* name) {
  if (auto* edit = root->findChild<QLineEdit*>(name)) return edit->text();
  if (auto* label = root->findChild<QLabel*>(name)) return label->text();
  return "<no control " + QString(name) + ">";
}

// Replaces the whole text by typing: the first key replaces the selection, so every prefix of
// the text passes the field's handler, as it does under a person's fingers.
void Type(QLineEdit* field, const QString& text) {
  field->selectAll();
  QTest::keyClicks(field, text);
}

void Erase(QLineEdit* field) {
  field->selectAll();
  QTest::keyClick(field, Qt::Key_Backspace);
}

}  // namespace

class UiTest : public WindowFixture {
  Q_OBJECT

  QLineEdit* Field(const char* name) { return F1()->findChild<QLineEdit*>(name); }
  QPushButton* Button(const char* name) { return F1()->findChild<QPushButton*>(name); }
  QTimer* Timer1() { return F1()->findChild<QTimer*>("Timer1"); }
  // A small grid (20 x 20 cells, 380 agents) so that steps are quick.
  void SmallModel() {
    Field("Edit_cellSiz")->setText("34");
    Button("B_setup")->click();
  }

private slots:
  void initTestCase() { StartCase(); }
  void init() { Open(); }  // tests step by hand unless they test the run loop
  void cleanup() { Close(); }

  void fieldLimits_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("typed");  // typed key by key, else written whole
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("errors");
    const QStringList none;
    const QStringList minus{"'-' ist kein gültiger Integerwert"};
    struct Row {
      const char *name, *field;
      bool typed;
      const char *input, *expected;
      QStringList errors;
    };
    const Row rows[] = {
        {"agents above cells", "Edit_anzAg", true, "20000", "12783", none},
        {"agents equal to cells", "Edit_anzAg", false, "13456", "13456", none},
        {"agents one above", "Edit_anzAg", false, "13457", "12783", none},
        {"agents 1", "Edit_anzAg", true, "1", "2", none},
        {"agents 0", "Edit_anzAg", true, "0", "2", none},
        {"agents -5", "Edit_anzAg", true, "-5", "2", minus},
        {"cell size 35", "Edit_cellSiz", true, "35", "34", none},
        {"cell size 34", "Edit_cellSiz", true, "34", "34", none},
        {"cell size 0", "Edit_cellSiz", true, "0", "1", none},
        {"cell size -3", "Edit_cellSiz", true, "-3", "1", minus},
        {"groups 0", "Edit_anzGr", true, "0", "1", none},
        {"groups 1", "Edit_anzGr", true, "1", "1", none},
        {"groups 250", "Edit_anzGr", true, "250", "250", none},
        {"distance 58", "Edit_mDist", true, "58", "58", none},
        {"distance 59", "Edit_mDist", true, "59", "57", none},
        {"distance 0", "Edit_mDist", true, "0", "1", none},
        {"radius 58", "Edit_nRad", true, "58", "58", none},
        {"radius 59, a third", "Edit_nRad", true, "59", "37", none},
        {"radius 0", "Edit_nRad", true, "0", "1", none},
        {"hex accepted", "Edit_mDist", false, "$1F", "$1F", none},
        {"tile size 0 kept as typed", "E_nbSize", true, "0", "0", none},
        {"tile size 015", "E_nbSize", true, "015", "015", none},
        {"tile size 05", "E_nbSize", true, "05", "05", none},
        {"tile size -3", "E_nbSize", true, "-3", "-3", minus},
        {"stop step -1", "E_stopT", true, "-1", "-1", minus},
        {"letters", "Edit_nRad", true, "a", "a", QStringList{"'a' ist kein gültiger Integerwert"}},
    };
    for (const Row& r : rows) {
      QTest::newRow(r.name) << r.field << r.typed << r.input << r.expected << r.errors;
    }
  }

  void fieldLimits() {
    QFETCH(QString, field);
    QFETCH(bool, typed);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QFETCH(QStringList, errors);
    QLineEdit* edit = Field(qPrintable(field));
    QVERIFY(edit);
    if (typed) {
      Type(edit, input);
    } else {
      edit->setText(input);
    }
    QCOMPARE(edit->text(), expected);
    QCOMPARE(errors_, errors);
  }

  void correctionRunsNestedBeforeTheOuterCallGoesOn() {
    QLineEdit* edit = Field("Edit_cellSiz");
    QStringList seen;  // connected after the handler: sees each change once the handler is done
    connect(edit, &QLineEdit::textChanged, this, [&](const QString& t) { seen << t; });
    edit->setText("35");
    QCOMPARE(seen, (QStringList{"34", "35"}));
    QCOMPARE(edit->text(), "34");
    seen.clear();
    edit->setText("34");  // the same text: no change event
    QVERIFY(seen.isEmpty());
  }

  void emptiedFieldShowsMessageAndKeepsSetting() {
    QLineEdit* stop = Field("E_stopT");
    Erase(stop);
    QCOMPARE(errors_, QStringList{"'' ist kein gültiger Integerwert"});
    QCOMPARE(stop->text(), "");
    QCOMPARE(F1()->simulation().Model().Settings().StopStep, 500);
    // A new setup reads every field first: the running model stays whole.
    Field("Edit_cellSiz")->setText("10");
    F1()->DoStep();
    const auto agents = F1()->simulation().Model().AgentList().size();
    Button("B_setup")->click();
    QCOMPARE(errors_.size(), 2);
    QCOMPARE(F1()->simulation().Model().Settings().CellSize, 6);
    QCOMPARE(F1()->simulation().Model().AgentList().size(), agents);
    QCOMPARE(F1()->TimeStep(), 1u);
  }

  void settingsThatActAtOnce() {
    Field("E_nbSize")->setText("015");
    Field("E_stopT")->setText("-7");
    F1()->findChild<QSlider*>("TrB_thresh")->setValue(130);  // brought to the nearer end
    const ModelSettings& s = F1()->simulation().Model().Settings();
    QCOMPARE(s.TileSize, 15);
    QCOMPARE(s.StopStep, -7);
    QCOMPARE(s.Threshold, 100u);
    QCOMPARE(Text(F1(), "Lbl_P"), "100");
    w_.Form2->ResetCharts(F1()->simulation().Model());
    QCOMPARE(w_.Form2->Chart4->Title(), "segregation measure in 015x015 tiles");
  }

  void setupCapsAgentsAndShowsGrid() {
    QCOMPARE(Text(F1(), "Lbl_cellS"), "116 x 116 = 13456");
    QCOMPARE(F1()->findChild<QWidget*>("DrawImage")->geometry(), QRect(0, 0, 694, 694));
    SmallModel();
    QCOMPARE(Text(F1(), "Lbl_cellS"), "20 x 20 = 400");
    QCOMPARE(Text(F1(), "Edit_anzAg"), "380");  // 400 - Round(20), the count created
    QCOMPARE(F1()->simulation().Model().AgentCountUsed(), 380);
    // Limits now follow the 20-row grid: 10 is the largest kept by both.
    Type(Field("Edit_mDist"), "11");
    Type(Field("Edit_nRad"), "11");
    QCOMPARE(Text(F1(), "Edit_mDist"), "9");
    QCOMPARE(Text(F1(), "Edit_nRad"), "5");
  }

  void runStates() {
    w_ = CreateWindows();  // running from creation, without a click
    QCOMPARE(Text(F1(), "lbl_Steps"), "lbl_Steps");
    QTRY_VERIFY(Text(F1(), "lbl_Steps") != "lbl_Steps");
    SmallModel();
    QVERIFY(Timer1()->isActive());  // "new Setup" while running leaves it running
    QCOMPARE(Text(F1(), "lbl_Steps"), "0");
    Field("E_stopT")->setText("3");
    QTRY_VERIFY(!Timer1()->isActive());
    QCOMPARE(Text(F1(), "lbl_Steps"), "3");
    Button("B_stop")->click();  // resumes past the stop step, which no longer stops it
    QVERIFY(Timer1()->isActive());
    QTRY_VERIFY(F1()->TimeStep() >= 8);
    Button("B_stop")->click();
    QVERIFY(!Timer1()->isActive());
    const QString stoppedAt = Text(F1(), "lbl_Steps");
    QTest::qWait(20);
    QCOMPARE(Text(F1(), "lbl_Steps"), stoppedAt);
    Button("B_setup")->click();  // while stopped: stays still at 0
    QVERIFY(!Timer1()->isActive());
    QTest::qWait(20);
    QCOMPARE(Text(F1(), "lbl_Steps"), "0");
    QVERIFY(!w_.Form3->isVisible());
    Button("Button3")->click();
    QVERIFY(!Timer1()->isActive());
    QVERIFY(w_.Form3->isVisible());
    Button("B_stop")->click();
    QVERIFY(Timer1()->isActive());
    Button("Button3")->click();
    QVERIFY(!Timer1()->isActive());
    QCOMPARE(w_.Form3->windowTitle(), "Analyse Parameterspace");
    QCOMPARE(w_.Form3->size(), QSize(1000, 700));
  }

  void startStopClearsClusterMarks() {
    SmallModel();
    Button("B_cluster")->click();
    const Grid& grid = F1()->simulation().Model().Grid();
    const auto anyVisited = [&] {
      for (std::int32_t r = 0; r < grid.Rows(); ++r)
        for (std::int32_t c = 0; c < grid.Cols(); ++c)
          if (grid[c][r].Visited()) return true;
      return false;
    };
    QVERIFY(anyVisited());
    Button("B_stop")->click();
    QVERIFY(!anyVisited());
  }

  void captionShowsStepRate() {
    SmallModel();
    F1()->DoStep();
    const QRegularExpression rate(R"(^Group seperation \|\| fps= (\d+)$)");
    QVERIFY2(rate.match(F1()->windowTitle()).hasMatch(), qPrintable(F1()->windowTitle()));
    // Ten steps over the last second give 10.
    F1()->FpsFrameCount = 9;
    F1()->FpsLastTick = TickCount() - 1000;
    F1()->DoStep();
    QCOMPARE(F1()->windowTitle(), "Group seperation || fps= 10");
    QCOMPARE(F1()->FpsFrameCount, 0u);
    F1()->DoStep();  // within the second: unchanged
    QCOMPARE(F1()->windowTitle(), "Group seperation || fps= 10");
  }

  void dissimilarityTableMatchesCore() {
    F1()->DoStep();
    const QTableWidget* grid = w_.Form2->DissimiGrid;
    QCOMPARE(grid->columnCount(), 7);
    QCOMPARE(grid->rowCount(), 8);
    const auto cell = [&](int column, int row) { return grid->item(row, column)->text(); };
    QCOMPARE(cell(0, 0), "groups");
    QCOMPARE(cell(0, 7), "IS");
    for (int k = 0; k < 6; ++k) {
      QCOMPARE(cell(k + 1, 0), QString("group %1").arg(k));
      QCOMPARE(cell(0, k + 1), QString("group %1").arg(k));
    }
    const Dissimilarity& d = F1()->simulation().LastMeasures().dissimilarity;
    for (int i = 0; i < 6; ++i) {
      for (int j = 0; j < 6; ++j) {
        const QString expected = j >= i ? QString::fromStdString(DisplayText(d.Pair(i, j))) : " ";
        QCOMPARE(cell(j + 1, i + 1), expected);
      }
      QCOMPARE(cell(i + 1, 7), QString::fromStdString(DisplayText(d.segregation[i])));
      QCOMPARE(w_.Form2->SegregationY(i, 0), d.segregation[i]);
    }
    QCOMPARE(cell(1, 1), "0");
  }

  void dissimilarBeforeFirstStepAndUnreadableTotal() {
    Button("Button2")->click();  // laid out at creation: one point at x = 0
    QVERIFY(errors_.isEmpty());
    QCOMPARE(w_.Form2->SegregationCount(0), 1);
    QCOMPARE(w_.Form2->SegregationSeries[0]->X(0), 0.0);
    QCOMPARE(w_.Form2->SegregationSeries[0]->data()->size(), 0);  // not placed on the log axis
    const QString before = w_.Form2->DissimiGrid->item(1, 2)->text();
    Field("Edit_anzAg")->setText("x");
    errors_.clear();
    Button("Button2")->click();  // T unreadable: nothing written
    QCOMPARE(errors_, QStringList{"'x' ist kein gültiger Integerwert"});
    QCOMPARE(w_.Form2->SegregationCount(0), 1);
    QCOMPARE(w_.Form2->DissimiGrid->item(1, 2)->text(), before);
  }

  void clusterBars_data() {
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<QList<double>>("bars");
    QTest::addColumn<QList<int>>("groups");
    QTest::newRow("1 hides single agents") << "1" << QList<double>{5, 3, 2} << QList<int>{0, 0, 1};
    QTest::newRow("0 shows all") << "0" << QList<double>{5, 1, 3, 2, 1}
                                 << QList<int>{0, 0, 0, 1, 1};
    QTest::newRow("at the largest") << "5" << QList<double>{} << QList<int>{};
  }
  void clusterBars() {
    QFETCH(QString, threshold);
    QFETCH(QList<double>, bars);
    QFETCH(QList<int>, groups);
    Field("E_clusterT")->setText(threshold);
    const Model& model = F1()->simulation().Model();
    w_.Form2->ShowClusterSizes(model, ClusterSizes{{5, 1, 3}, {2, 1}});
    const BarSeries* series = w_.Form2->ClusterBarSeries;
    QCOMPARE(w_.Form2->ClusterBarCount(), bars.size());
    for (int k = 0; k < bars.size(); ++k) {
      QCOMPARE(series->Value(k), bars[k]);
      QCOMPARE(series->BarColor(k).rgb(), ToQRgb(model.GroupColors()[groups[k]]));
    }
    QCOMPARE(w_.Form2->Chart2->Title(), "cluster sizes at timestep 0");
  }

  void clusterThresholdNoIntegerChangesNothing() {
    F1()->DoStep();  // step 1 shows the bars
    const BarSeries* before = w_.Form2->ClusterBarSeries;
    const int count = w_.Form2->ClusterBarCount();
    Field("E_clusterT")->setText("1.5");
    Button("B_cluster")->click();
    QCOMPARE(errors_, QStringList{"'1.5' ist kein gültiger Integerwert"});
    QCOMPARE(w_.Form2->ClusterBarSeries, before);
    QCOMPARE(w_.Form2->ClusterBarCount(), count);
    QCOMPARE(w_.Form2->Chart2->Title(), "cluster sizes at timestep 1");
  }

  void chartTitlesAndGroupSizes() {
    const TForm2* f2 = w_.Form2.get();
    QCOMPARE(f2->Chart1->Title(), "average satisfaction of the agents");
    QCOMPARE(f2->Chart2->Title(), "cluster sizes");
    QCOMPARE(f2->Chart3->Title(), "group sizes");
    QCOMPARE(f2->Chart4->Title(), "segregation measure in 20x20 tiles");
    QCOMPARE(f2->Series3->Count(), 6);
    double total = 0;
    for (int k = 0; k < 6; ++k) total += f2->Series3->Value(k);
    QCOMPARE(total, 12783.0);
    QCOMPARE(f2->Chart1->xAxis->scaleType(), QCPAxis::stLogarithmic);
    QCOMPARE(f2->SatisfactionSeries[0]->valueAxis(), f2->Chart1->yAxis2);
    QCOMPARE(f2->windowTitle(), "Analysis");
    QCOMPARE(f2->size(), QSize(792, 750));
  }

  void seriesFillWhileHiddenAndReplotWhenShown() {
    SmallModel();
    for (int i = 0; i < 5; ++i) F1()->DoStep();
    QCOMPARE(w_.Form2->SatisfactionSeries[0]->Count(), 5);
    QCOMPARE(w_.Form2->SegregationCount(5), 5);
    QTest::qWait(60);  // past the replot interval
    QVERIFY(w_.Form2->Chart1->ReplotPending());
    Button("Button1")->click();
    QVERIFY(w_.Form2->isVisible());
    QVERIFY(!w_.Form2->Chart1->ReplotPending());
  }

  void errorText_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Division durch Null"
                            << "Division durch Null.";
    QTest::newRow("full stop") << "done."
                               << "done.";
    QTest::newRow("bracket") << "(x)"
                             << "(x)";
    QTest::newRow("minus") << "a-"
                           << "a-";
    QTest::newRow("slash") << "a/"
                           << "a/.";
    QTest::newRow("umlaut") << "Gleitkommaüberlauf"
                            << "Gleitkommaüberlauf.";
    QTest::newRow("empty") << ""
                           << "";
  }
  void errorText() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(ErrorText(message), shown);
  }

  // While the agent-count field is being retyped every tick fails in the tile measures; the
  // person sees that message once, not at every tick, and again after a step that succeeded.
  void repeatedStepFailuresShowOnce() {
    SmallModel();
    Erase(Field("Edit_anzAg"));
    QCOMPARE(errors_, QStringList{"'' ist kein gültiger Integerwert"});
    for (int i = 0; i < 3; ++i) F1()->Timer1Tick();
    QCOMPARE(errors_.size(), 2);
    QCOMPARE(F1()->TimeStep(), 3u);  // the failing steps still moved the model
    Field("Edit_anzAg")->setText("300");
    F1()->Timer1Tick();
    Field("Edit_anzAg")->setText("x");
    F1()->Timer1Tick();
    QCOMPARE(
        errors_,
        (QStringList{"'' ist kein gültiger Integerwert", "'' ist kein gültiger Integerwert",
                     "'x' ist kein gültiger Integerwert", "'x' ist kein gültiger Integerwert"}));
  }

  void errorBoxIsOneAtATime() {
    const ErrorPresenter recorder = SetErrorPresenter({});
    QString title, text;
    int boxes = -1, buttons = 0;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    // Runs inside the box's own event loop; looks again until the box is up, then closes it.
    std::function<void()> inspect = [&] {
      QMessageBox* box = nullptr;
      for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QMessageBox*>(top); b && b->isVisible()) box = b;
      if (!box) {
        QTimer::singleShot(5, this, inspect);
        return;
      }
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      buttons = static_cast<int>(box->buttons().size());
      ShowError("a second failure");  // while one is open: not stacked
      boxes = 0;
      for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(top) && top->isVisible()) ++boxes;
      box->button(QMessageBox::Ok)->click();
    };
    QTimer::singleShot(0, this, inspect);
    Erase(Field("E_nbSize"));
    SetErrorPresenter(recorder);
    QCOMPARE(title, "segsim");
    QCOMPARE(text, "'' ist kein gültiger Integerwert.");
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons, 1);
    QCOMPARE(boxes, 1);
    QCOMPARE(F1()->simulation().Model().Settings().TileSize, 20);
  }

  void undoZoomButtonLeavesChart4() {
    TForm2* f2 = w_.Form2.get();
    for (ChartView* chart : {f2->Chart1, f2->Chart4}) chart->ZoomToPixels({20, 20}, {200, 150});
    f2->B_undoZ->click();
    QVERIFY(!f2->Chart1->IsZoomed());
    QVERIFY(f2->Chart4->IsZoomed());
  }
};

// The drawing image and the chart layer (ui_drawing_test.cpp).
int RunDrawingTests(int argc, char** argv);
// Thinned time lines (ui_thinning_test.cpp).
int RunThinningTests(int argc, char** argv);

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  UiTest windows;
  const int failed = QTest::qExec(&windows, argc, argv);
  return failed + RunDrawingTests(argc, argv) + RunThinningTests(argc, argv);
}

#include "ui_test.moc"

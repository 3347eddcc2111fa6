// A run repeated exactly: the main window is driven by its own timer with a fixed session seed,
// the threshold moved and fields typed into while it runs, then stopped; the copied
// "segsim-cli run" command is run by the built segsim-cli, and its last step's measures equal
// what the window's table and charts show.
#include <QApplication>
#include <QClipboard>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <cmath>

#include "charts/chart_view.h"
#include "cli_process.h"
#include "measures/dissimilarity.h"
#include "ui/error_display.h"
#include "ui/windows.h"

using namespace segsim;

namespace {

// Types the text key by key, letting the timer tick between keys.
void TypeWhileRunning(QLineEdit* field, const QString& text) {
  field->selectAll();
  for (const QChar c : text) {
    QTest::keyClicks(field, QString(c));
    QTest::qWait(3);
  }
}

// y as the JSON holds it; null for no value.
double Number(const QJsonValue& v) { return v.isDouble() ? v.toDouble() : std::nan(""); }

bool Same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

}  // namespace

class RepeatTest : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() {
    SetErrorPresenter([](const QString& m) { QFAIL(qPrintable(m)); });
  }

  void copiedCommandRepeatsTheRun() {
    const Windows w = CreateWindows(20261208);
    TForm1* f1 = w.Form1.get();
    f1->Timer1->stop();
    f1->Edit_cellSiz->setText("20");  // 35 x 35 cells
    f1->Edit_anzGr->setText("4");
    f1->B_setup->click();
    f1->show();
    f1->B_stop->click();  // running
    QTRY_VERIFY(f1->TimeStep() >= 4);
    f1->TrB_thresh->setFocus();
    QTest::keyClick(f1->TrB_thresh, Qt::Key_PageUp);  // 20 -> 25
    QTest::keyClick(f1->TrB_thresh, Qt::Key_PageUp);  // -> 30
    QTRY_VERIFY(f1->TimeStep() >= 12);
    TypeWhileRunning(f1->E_nbSize, "7");
    QTRY_VERIFY(f1->TimeStep() >= 20);
    TypeWhileRunning(f1->Edit_anzAg, "900");  // 9, 90, 900
    QTRY_VERIFY(f1->TimeStep() >= 33);
    f1->B_stop->click();  // stopped
    QVERIFY(!f1->Timer1->isActive());
    const std::uint32_t steps = f1->TimeStep();
    QCOMPARE(f1->CurrentRun().Steps(), steps);
    QVERIFY(f1->CurrentRun().Changes().size() >= 3);

    f1->findChild<QAction*>("CopyRunCommand")->trigger();
    const QString command = QApplication::clipboard()->text();
    QVERIFY2(command.startsWith("segsim-cli run --seed 20261209 --steps " + QString::number(steps) +
                                " "),
             qPrintable(command));
    QVERIFY2(command.contains(":threshold=30") && command.contains(":tile-size=7") &&
                 command.contains(":agents=900"),
             qPrintable(command));
    std::vector<std::string> args;
    for (const QString& word : command.split(' ').mid(1)) args.push_back(word.toStdString());
    segsim::testing::Child child = segsim::testing::StartCli(args);
    const segsim::testing::Ended ended = segsim::testing::Finish(child);
    QCOMPARE(ended.status, 0);
    const QList<QByteArray> lines = QByteArray::fromStdString(ended.out).trimmed().split('\n');
    QCOMPARE(lines.size(), static_cast<qsizetype>(steps) + 1);
    const QJsonObject last = QJsonDocument::fromJson(lines.back()).object();
    QCOMPARE(last["step"].toInt(), static_cast<int>(steps));

    // The charts: each group's last satisfaction and segregation point.
    const TForm2* f2 = w.Form2.get();
    const QJsonArray satisfaction = last["satisfaction"].toArray();
    const QJsonArray segregation = last["segregation"].toArray();
    QCOMPARE(satisfaction.size(), 4);
    for (int g = 0; g < 4; ++g) {
      const LineSeries* s = f2->SatisfactionSeries[static_cast<std::size_t>(g)];
      QCOMPARE(s->Count(), static_cast<int>(steps));
      QVERIFY(Same(s->Y(s->Count() - 1), Number(satisfaction[g])));
      const int k = f2->SegregationCount(g) - 1;
      QVERIFY(Same(f2->SegregationY(g, k), Number(segregation[g])));
    }
    // The table: D(i, j) above the diagonal and the IS row, as the window writes them.
    const QTableWidget* table = f2->DissimiGrid;
    const QJsonArray pairs = last["dissimilarity"].toArray();
    for (int i = 0; i < 4; ++i) {
      const QJsonArray row = pairs[i].toArray();
      for (int j = i + 1; j < 4; ++j) {
        const QString shown = table->item(i + 1, j + 1)->text();
        QCOMPARE(shown, QString::fromStdString(DisplayText(Number(row[j - i - 1]))));
      }
      QCOMPARE(table->item(5, i + 1)->text(),
               QString::fromStdString(DisplayText(Number(segregation[i]))));
    }
    // The cluster bars: those above the threshold 1 at the last cluster analysis.
    QJsonArray clusters;
    for (const QByteArray& line : lines) {
      const QJsonObject step = QJsonDocument::fromJson(line).object();
      if (step.contains("clusters")) clusters = step["clusters"].toArray();
    }
    int bars = 0;
    for (const QJsonValue& group : clusters) {
      for (const QJsonValue& size : group.toArray()) bars += size.toInt() > 1;
    }
    QCOMPARE(f2->ClusterBarCount(), bars);
    const std::uint32_t lastAnalysis = 30 * ((steps - 1) / 30) + 1;
    QCOMPARE(f2->Chart2->Title(), "cluster sizes at timestep " + QString::number(lastAnalysis));
  }
};

int RunRepeatTests(int argc, char** argv) {
  RepeatTest repeat;
  return QTest::qExec(&repeat, argc, argv);
}

#include "ui_repeat_test.moc"

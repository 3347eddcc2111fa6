// The main window and a setup that does not fit in memory: the error box with the estimate, and
// the running model kept whole.
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <cstdlib>

#include "ui/error_display.h"
#include "ui/windows.h"

namespace segsim {

class BigWorldUiTest : public QObject {
  Q_OBJECT

private slots:
  void aSetupBeyondTheMemoryLimitIsRefusedAndTheModelKept() {
    QStringList errors;
    SetErrorPresenter([&](const QString& m) { errors << m; });
    const Windows w = CreateWindows();
    TForm1* form = w.Form1.get();
    auto field = [&](const char* name) { return form->findChild<QLineEdit*>(name); };
    auto setup = [&] { form->findChild<QPushButton*>("B_setup")->click(); };
    form->Timer1->stop();
    form->DoStep();
    const Model& model = form->simulation().Model();
    const std::int32_t agents = model.AgentCountUsed();
    const TAgent first = model.AgentList()[0];
    // Cell size 1 on the 694-pixel panel needs about 9.5 MB (with the default agents); allow 5.
    qputenv("SEGSIM_MEMORY_LIMIT_MB", "5");
    field("Edit_cellSiz")->setText("1");
    setup();
    qunsetenv("SEGSIM_MEMORY_LIMIT_MB");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith("A grid of 694 x 694 cells needs about "), qPrintable(errors[0]));
    QVERIFY2(errors[0].contains("MB of memory, more than the 5 MB available"),
             qPrintable(errors[0]));
    QCOMPARE(model.Settings().Cols, 116);
    QCOMPARE(model.AgentCountUsed(), agents);
    QCOMPARE(model.AgentList()[0].GridX, first.GridX);
    QCOMPARE(model.TimeStep(), 1u);
    form->DoStep();  // and it runs on
    QCOMPARE(model.TimeStep(), 2u);
    // Within the limit the same setup goes through.
    setup();
    QCOMPARE(errors.size(), 1);
    QCOMPARE(model.Settings().Cols, 694);
  }
};

}  // namespace segsim

QTEST_MAIN(segsim::BigWorldUiTest)
#include "big_world_ui_test.moc"

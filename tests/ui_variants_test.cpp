// "Group shares and tolerances...": a text refused shows its message beside its field and leaves
// the setup as it was; the lists taken act at the next setup and in "Copy run as command".
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "ui/group_variants_dialog.h"
#include "window_fixture.h"

using namespace segsim;

class VariantsTest : public WindowFixture {
  Q_OBJECT

  // Opens the dialog from the drawing's menu, types the two texts and presses OK; returns the
  // two messages shown after OK. The dialog is closed whatever happened.
  QStringList Enter(const QString& shares, const QString& thresholds) {
    QStringList messages;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<GroupVariantsDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      dialog->findChild<QLineEdit*>("E_shares")->setText(shares);
      dialog->findChild<QLineEdit*>("E_thresholds")->setText(thresholds);
      dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
      for (const char* name : {"Lbl_sharesMessage", "Lbl_thresholdsMessage"}) {
        messages << dialog->findChild<QLabel*>(name)->text();
      }
      const QString png = qEnvironmentVariable("SEGSIM_VARIANTS_PNG");
      if (!png.isEmpty() && !messages.join("").isEmpty()) {
        dialog->grab().save(png);
      }
      if (dialog->isVisible()) dialog->reject();
    });
    F1()->ZeichenPanel->findChild<QAction*>("GroupVariants")->trigger();
    return messages;
  }

private slots:
  void initTestCase() { StartCase(); }
  void init() {
    Open(7);
    F1()->Edit_cellSiz->setText("20");
    F1()->Edit_anzGr->setText("2");
  }
  void cleanup() { Close(); }

  void refusedTextsLeaveTheSetupAndTakenOnesActAtTheNext() {
    QCOMPARE(Enter("1,x", "30,60,90"),
             QStringList({"Group shares 1,x: the weight 'x' is not a positive finite number.",
                          "Thresholds 30,60,90: 3 thresholds for 2 groups; give one per group."}));
    F1()->B_setup->click();
    const Model& m = F1()->simulation().Model();
    QVERIFY(m.GroupShares().empty());
    QVERIFY(m.Settings().GroupThresholds.empty());

    QCOMPARE(Enter("1,3", "30,60"), QStringList({"", ""}));
    QVERIFY(F1()->simulation().Model().GroupShares().empty());  // not before the next setup
    F1()->B_setup->click();
    QCOMPARE(m.GroupShares(), (std::vector<double>{1, 3}));
    QCOMPARE(m.Settings().GroupThresholds, (std::vector<std::uint32_t>{30, 60}));
    F1()->ZeichenPanel->findChild<QAction*>("CopyRunCommand")->trigger();
    QVERIFY2(QApplication::clipboard()->text().contains("--shares 1,3 --thresholds 30,60"),
             qPrintable(QApplication::clipboard()->text()));
    // Emptied, the fields give equal shares and the track bar's threshold again.
    QCOMPARE(Enter("", ""), QStringList({"", ""}));
    F1()->B_setup->click();
    QVERIFY(m.GroupShares().empty() && m.Settings().GroupThresholds.empty());
    QVERIFY(errors_.isEmpty());
  }
};

QTEST_MAIN(VariantsTest)
#include "ui_variants_test.moc"

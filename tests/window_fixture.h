// The fixture of the window tests: the three windows created afresh for every test with their
// run timer stopped (the tests step by hand; no event loop runs), and the errors recorded
// instead of shown.
#pragma once

#include <QCoreApplication>
#include <QTimer>
#include <QtTest>
#include <cstdint>
#include <optional>

#include "ui/error_display.h"
#include "ui/windows.h"

namespace segsim {

class WindowFixture : public QObject {
protected:
  Windows w_;
  QStringList errors_;

  TForm1* F1() { return w_.Form1.get(); }
  TForm2* F2() { return w_.Form2.get(); }
  TForm3* F3() { return w_.Form3.get(); }
  void Steps(int n) {
    for (int i = 0; i < n; ++i) F1()->Timer1Tick();
  }

  // From initTestCase.
  void StartCase() {
    QCoreApplication::setApplicationName("segsim");
    SetErrorPresenter([this](const QString& m) { errors_ << m; });
  }
  // From init: the windows open with the run timer started, which is stopped here.
  void Open(std::optional<std::uint32_t> sessionSeed = {}) {
    errors_.clear();
    w_ = CreateWindows(sessionSeed);
    QVERIFY(F1()->Timer1->isActive());
    F1()->Timer1->stop();
  }
  // From cleanup.
  void Close() { w_ = Windows{}; }
};

}  // namespace segsim

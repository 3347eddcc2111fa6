// What the benchmarks of the real windows share: a headless application whose error boxes go to
// stderr, and running its event loop for a while.
#pragma once

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

#include "ui/error_display.h"

namespace segsim::bench {

// Offscreen unless QT_QPA_PLATFORM says otherwise; must be set before the QApplication exists.
inline int& UseOffscreen(int& argc) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return argc;
}

class HeadlessApp {
public:
  HeadlessApp(int& argc, char** argv) : app_(UseOffscreen(argc), argv) {
    QApplication::setApplicationName("segsim");
    SetErrorPresenter([](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); });
  }

private:
  QApplication app_;
};

inline void RunEventLoop(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace segsim::bench

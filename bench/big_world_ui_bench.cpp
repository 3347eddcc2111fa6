// The main window at cell size 1 (694 x 694 cells, 80 % occupied) with graphics on, headless:
// its steps per second against the steps per second of the same model run without a window,
// and how long the window takes to answer a click and a key while it runs.
//
// Goal: the window's rate at least 90 % of the headless rate, and the window answering between
// steps (a click or a key press handled within one step's time plus a few milliseconds).
//
// big_world_ui_bench [SECONDS]: prints one CSV line.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "measures/simulation.h"
#include "ui/windows.h"
#include "window_bench.h"

namespace {

using segsim::bench::RunEventLoop;

constexpr int kAgents = 385308;  // 80 % of 694 x 694

// Steps per second of the same setting without a window, after `settle` steps.
double HeadlessRate(int ms, int settle) {
  segsim::SetupParams p;
  p.CellSize = 1;
  p.AgentCount = kAgents;
  p.GraphicUpdate = true;  // nothing to draw on without a canvas
  segsim::Simulation sim;
  sim.InitSetup(p);
  for (int t = 0; t < settle; ++t) sim.Step();
  QElapsedTimer clock;
  clock.start();
  int steps = 0;
  while (clock.elapsed() < ms) {
    sim.Step();
    ++steps;
  }
  return steps * 1000.0 / static_cast<double>(clock.elapsed());
}

struct WindowRun {
  double rate = 0;     // steps per second
  double clickMs = 0;  // from a posted click to its handler
  double keyMs = 0;    // from a posted key press to the field's new text
};

WindowRun RunWindow(int ms, int settle) {
  const segsim::Windows w = segsim::CreateWindows();
  segsim::TForm1* form = w.Form1.get();
  form->findChild<QLineEdit*>("E_stopT")->setText("0");  // never stops by itself
  form->show();
  // The agent field's limit follows the grid in force: the cell size first, then the agents.
  form->findChild<QLineEdit*>("Edit_cellSiz")->setText("1");
  form->findChild<QPushButton*>("B_setup")->click();
  form->findChild<QLineEdit*>("Edit_anzAg")->setText(QString::number(kAgents));
  form->findChild<QPushButton*>("B_setup")->click();
  if (form->simulation().Model().AgentCountUsed() != kAgents) {
    std::fprintf(stderr, "the window set up %d agents\n",
                 form->simulation().Model().AgentCountUsed());
  }
  while (form->TimeStep() < static_cast<std::uint32_t>(settle)) RunEventLoop(10);
  WindowRun r;
  // A press on "new Setup"'s neighbour "show charts" and a key typed into the stop-step field,
  // posted as a person's input arrives, while the timer keeps stepping: the time until the
  // window takes each (the button's pressed signal, the field's new text).
  QPushButton* charts = form->findChild<QPushButton*>("Button1");
  QLineEdit* stop = form->findChild<QLineEdit*>("E_stopT");
  QElapsedTimer answer;
  double pressed = -1;
  double typed = -1;
  QObject::connect(charts, &QPushButton::pressed,
                   [&] { pressed = static_cast<double>(answer.nsecsElapsed()) / 1e6; });
  QObject::connect(stop, &QLineEdit::textChanged,
                   [&] { typed = static_cast<double>(answer.nsecsElapsed()) / 1e6; });
  const QPointF centre(charts->width() / 2.0, charts->height() / 2.0);
  answer.start();
  QCoreApplication::postEvent(
      charts, new QMouseEvent(QEvent::MouseButtonPress, centre, charts->mapToGlobal(centre),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  while (pressed < 0 && answer.elapsed() < 5000) RunEventLoop(0);
  QCoreApplication::postEvent(
      charts, new QMouseEvent(QEvent::MouseButtonRelease, centre, charts->mapToGlobal(centre),
                              Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
  RunEventLoop(200);
  stop->setFocus();
  stop->setCursorPosition(1);
  answer.restart();
  QCoreApplication::postEvent(stop,
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_9, Qt::NoModifier, "9"));
  while (typed < 0 && answer.elapsed() < 5000) RunEventLoop(0);
  r.clickMs = pressed;
  r.keyMs = typed;
  stop->setText("0");
  w.Form2->hide();
  const std::uint32_t first = form->TimeStep();
  QElapsedTimer clock;
  clock.start();
  RunEventLoop(ms);
  r.rate = (form->TimeStep() - first) * 1000.0 / static_cast<double>(clock.elapsed());
  return r;
}

}  // namespace

int main(int argc, char* argv[]) {
  const segsim::bench::HeadlessApp app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
  const int settle = 30;
  const double headless = HeadlessRate(seconds * 1000, settle);
  const WindowRun window = RunWindow(seconds * 1000, settle);
  std::printf(
      "bench,seconds,headless_steps_per_s,window_steps_per_s,window_over_headless,"
      "click_ms,key_ms\n");
  std::printf("big_world_window,%d,%.2f,%.2f,%.3f,%.1f,%.1f\n", seconds, headless, window.rate,
              window.rate / headless, window.clickMs, window.keyMs);
  return 0;
}

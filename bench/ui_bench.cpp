// The real main window, headless, at the default settings with graphics on and the analysis
// window shown: steps per second as the caption reports them, next to the ticks per second of a
// bare 1 ms QTimer measured in the same run.
//
// ui_bench [SECONDS] [RUNS]: each run first counts the bare timer's ticks for SECONDS (3 by
// default), then runs the window for SECONDS. Prints one CSV line per run.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ui/windows.h"
#include "window_bench.h"

namespace {

using segsim::bench::RunEventLoop;

double BareTimerTicksPerSecond(int ms) {
  QTimer bare;
  bare.setTimerType(Qt::PreciseTimer);
  bare.setInterval(1);
  long ticks = 0;
  QObject::connect(&bare, &QTimer::timeout, [&] { ++ticks; });
  QElapsedTimer clock;
  bare.start();
  clock.start();
  RunEventLoop(ms);
  return ticks * 1000.0 / static_cast<double>(clock.elapsed());
}

struct WindowRun {
  double captionMean = 0;  // mean of the rates the caption showed after the first
  double counted = 0;      // steps counted over the whole run, per second
};

WindowRun RunWindow(int ms) {
  const segsim::Windows w = segsim::CreateWindows();
  w.Form1->findChild<QLineEdit*>("E_stopT")->setText("0");  // never stops by itself
  w.Form1->show();
  w.Form1->Button1->click();
  std::vector<double> rates;
  const QRegularExpression rate(R"(fps= (\d+)$)");
  QObject::connect(w.Form1.get(), &QWidget::windowTitleChanged, [&](const QString& title) {
    if (const auto m = rate.match(title); m.hasMatch()) rates.push_back(m.captured(1).toDouble());
  });
  QElapsedTimer clock;
  clock.start();
  RunEventLoop(ms);
  WindowRun r;
  r.counted = w.Form1->TimeStep() * 1000.0 / static_cast<double>(clock.elapsed());
  // The first caption covers the time since system start, not the run.
  if (rates.size() > 1) {
    double sum = 0;
    for (std::size_t i = 1; i < rates.size(); ++i) sum += rates[i];
    r.captionMean = sum / static_cast<double>(rates.size() - 1);
  }
  return r;
}

}  // namespace

int main(int argc, char* argv[]) {
  const segsim::bench::HeadlessApp app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 3;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 1;
  std::printf(
      "bench,run,seconds,bare_timer_ticks_per_s,caption_steps_per_s,counted_steps_per_s,"
      "caption_over_bare\n");
  for (int run = 0; run < runs; ++run) {
    const double bare = BareTimerTicksPerSecond(seconds * 1000);
    const WindowRun window = RunWindow(seconds * 1000);
    std::printf("ui_main_window,%d,%d,%.1f,%.1f,%.1f,%.3f\n", run, seconds, bare,
                window.captionMean, window.counted, window.captionMean / bare);
    std::fflush(stdout);
  }
  return 0;
}

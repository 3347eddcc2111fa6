// Long runs of the real main window, headless, at the default settings.
//
// long_run_bench soak [WARM_S] [SOAK_S] [charts]
//   Runs until the run stops by itself at the stop step, presses "start / stop" and lets the run
//   go on: after WARM_S seconds (20 by default) it notes the resident memory, after SOAK_S more
//   (60) again, and prints the growth. With "charts" the analysis window is shown throughout.
//   Goal: at most 4 MB growth.
//
// long_run_bench rate [STEPS] [SECONDS] [ROUNDS]
//   Brings the run to STEPS steps (400000 by default): 500 real steps, then the analysis window
//   receives the points of the steps after them as a run would give them (the settled values with
//   a little noise) and the step counter is set to STEPS. Then it counts steps per second for
//   SECONDS (5) with the analysis window hidden and SECONDS with it shown, ROUNDS times (5)
//   alternately, and prints the rates and their ratio, per second of wall time and per second of
//   the process's CPU time (steadier on a shared machine), then the median ratios. Goal: shown at
//   least 90 % of hidden.
//
// Without a mode it runs both at their defaults.
#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "ui/windows.h"
#include "window_bench.h"

namespace {

using segsim::bench::RunEventLoop;

using segsim::Windows;

double ResidentMegabytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

int Arg(int argc, char** argv, int i, int fallback) {
  return argc > i ? std::atoi(argv[i]) : fallback;
}

// Until the run stops by itself at the stop step (500 by default).
void RunToStopStep(const Windows& w) {
  while (w.Form1->Timer1->isActive()) RunEventLoop(100);
}

int Soak(int argc, char** argv) {
  const int warm = Arg(argc, argv, 2, 20);
  const int soak = Arg(argc, argv, 3, 60);
  const bool charts = argc > 4 && std::strcmp(argv[4], "charts") == 0;
  const Windows w = segsim::CreateWindows();
  w.Form1->show();
  if (charts) w.Form1->Button1->click();
  RunToStopStep(w);
  const std::uint32_t stopped = w.Form1->TimeStep();
  w.Form1->B_stop->click();  // "start / stop": the run goes on past the stop step
  RunEventLoop(warm * 1000);
  const double before = ResidentMegabytes();
  const std::uint32_t stepBefore = w.Form1->TimeStep();
  QElapsedTimer clock;
  clock.start();
  RunEventLoop(soak * 1000);
  const double after = ResidentMegabytes();
  const std::uint32_t steps = w.Form1->TimeStep() - stepBefore;
  std::printf(
      "bench,analysis_window,stopped_at,warm_s,soak_s,steps,steps_per_s,rss_before_mb,"
      "rss_after_mb,growth_mb,bytes_per_step\n");
  std::printf("soak,%s,%u,%d,%d,%u,%.1f,%.2f,%.2f,%.2f,%.1f\n", charts ? "shown" : "hidden",
              stopped, warm, soak, steps, steps * 1000.0 / static_cast<double>(clock.elapsed()),
              before, after, after - before,
              steps > 0 ? (after - before) * 1048576.0 / steps : 0.0);
  return 0;
}

// The analysis window's lines brought to `steps` points as a settled run gives them: each group's
// last values, the segregation index moving a little from step to step.
void FillTo(const Windows& w, std::uint32_t steps) {
  segsim::Simulation& sim = w.Form1->simulation();
  const segsim::StepMeasures last = sim.LastMeasures();
  std::uint64_t state = 7;
  for (std::uint32_t t = w.Form1->TimeStep() + 1; t <= steps; ++t) {
    for (std::size_t g = 0; g < last.satisfaction.size(); ++g) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      const double noise = static_cast<double>(state >> 40) / 16777216.0 - 0.5;
      w.Form2->AddSatisfactionPoint(static_cast<std::int32_t>(g), t, last.satisfaction[g]);
      w.Form2->AddSegregationPoint(static_cast<std::int32_t>(g), t,
                                   last.dissimilarity.segregation[g] + 0.05 * noise);
    }
  }
  w.Form1->SetTimeStep(steps);
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Steps per second of wall time, and per second of the process's CPU time: the second is what a
// run that has a core to itself reaches, and is steady when other work shares the machine.
struct StepRate {
  double wall = 0;
  double cpu = 0;
};

StepRate StepsPerSecond(const Windows& w, int seconds) {
  const std::uint32_t from = w.Form1->TimeStep();
  QElapsedTimer clock;
  clock.start();
  const double cpuFrom = CpuSeconds();
  RunEventLoop(seconds * 1000);
  const double steps = w.Form1->TimeStep() - from;
  return {steps * 1000.0 / static_cast<double>(clock.elapsed()), steps / (CpuSeconds() - cpuFrom)};
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int Rate(int argc, char** argv) {
  const auto steps = static_cast<std::uint32_t>(Arg(argc, argv, 2, 400000));
  const int seconds = Arg(argc, argv, 3, 5);
  const int rounds = Arg(argc, argv, 4, 5);
  const Windows w = segsim::CreateWindows();
  w.Form1->show();
  RunToStopStep(w);
  FillTo(w, steps);
  w.Form1->E_stopT->setText("0");  // never stops by itself
  w.Form1->B_stop->click();
  RunEventLoop(1000);
  std::printf(
      "bench,round,steps_at_start,seconds,hidden_steps_per_s,shown_steps_per_s,"
      "shown_over_hidden,hidden_steps_per_cpu_s,shown_steps_per_cpu_s,"
      "shown_over_hidden_cpu\n");
  std::vector<double> wallRatios, cpuRatios;
  for (int round = 0; round < rounds; ++round) {
    const std::uint32_t at = w.Form1->TimeStep();
    w.Form2->hide();
    const StepRate hidden = StepsPerSecond(w, seconds);
    w.Form1->Button1->click();  // "show charts"
    const StepRate shown = StepsPerSecond(w, seconds);
    std::printf("rate_with_analysis_window,%d,%u,%d,%.1f,%.1f,%.3f,%.1f,%.1f,%.3f\n", round, at,
                seconds, hidden.wall, shown.wall, shown.wall / hidden.wall, hidden.cpu, shown.cpu,
                shown.cpu / hidden.cpu);
    std::fflush(stdout);
    wallRatios.push_back(shown.wall / hidden.wall);
    cpuRatios.push_back(shown.cpu / hidden.cpu);
  }
  std::printf("rate_with_analysis_window,median,,,,,%.3f,,,%.3f\n", Median(wallRatios),
              Median(cpuRatios));
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  const segsim::bench::HeadlessApp app(argc, argv);
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "soak") return Soak(argc, argv);
  if (mode == "rate") return Rate(argc, argv);
  // Without a mode (as ./dev bench runs every benchmark): both, at their defaults.
  char* none[] = {argv[0], nullptr};
  return Soak(1, none) + Rate(1, none);
}

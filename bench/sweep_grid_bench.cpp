// The sweep engine over two parameters: threshold 10 to 80 by 10 against 2 to 8 groups (8 x 7
// combinations), 10 runs each, 200 steps per run at the window's default settings, on one and
// on two threads. The two-thread run reports its speed-up over the one-thread run (goal: at
// least 1.8 on two free cores). One CSV line per run of the benchmark on stderr.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "sweep/engine.h"

namespace {

double gOneThreadSeconds = 0.0;

class CountingSink : public segsim::SweepSink {
public:
  void Run(const segsim::RunRow& row) override { clusters += row.clusters; }
  std::int64_t clusters = 0;
};

segsim::SweepDesign GridSweep() {
  segsim::SweepDesign design;
  design.axes = {segsim::SweepAxis::Range(segsim::SweepParam::Threshold, 10, 80, 10),
                 segsim::SweepAxis::Range(segsim::SweepParam::Groups, 2, 8, 1)};
  design.runs = 10;
  design.steps = 200;
  design.params.Seed = 1;
  return design;
}

void BM_SweepGrid(benchmark::State& state) {
  const segsim::SweepPlan plan(GridSweep());
  const auto jobs = static_cast<std::int32_t>(state.range(0));
  const std::atomic<bool> stop{false};
  double seconds = 0.0;
  for (auto _ : state) {
    CountingSink sink;
    const auto start = std::chrono::steady_clock::now();
    const segsim::PlanOutcome outcome = segsim::RunPlan(plan, {{}, jobs}, sink, stop);
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    seconds += s;
    std::fprintf(stderr, "sweep_grid,%d,%lld,%.3f\n", jobs,
                 static_cast<long long>(outcome.runsDone), s);
    benchmark::DoNotOptimize(sink.clusters);
  }
  seconds /= static_cast<double>(state.iterations());
  if (jobs == 1) gOneThreadSeconds = seconds;
  if (jobs > 1 && gOneThreadSeconds > 0.0) state.counters["speedup"] = gOneThreadSeconds / seconds;
  state.counters["runs"] = static_cast<double>(plan.TotalRuns());
}
BENCHMARK(BM_SweepGrid)
    ->ArgName("jobs")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

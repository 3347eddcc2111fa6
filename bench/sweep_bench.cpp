// segsim-cli sweep on one and on two threads: 3 values x 4 runs x 200 steps at the window's
// default settings. The two-thread run reports its speed-up over the one-thread run.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/sweep.h"
#include "cli/sweep_options.h"

namespace {

double gOneThreadSeconds = 0.0;  // per sweep, from the one-thread benchmark

void BM_Sweep(benchmark::State& state) {
  const std::string jobs = std::to_string(state.range(0));
  const std::vector<std::string> args = {"--param",     "groups", "--from", "2", "--to",    "4",
                                         "--increment", "1",      "--runs", "4", "--steps", "200",
                                         "--seed",      "1",      "--jobs", jobs};
  const segsim::SweepOptions options = segsim::ParseSweepOptions(args);
  std::FILE* sink = std::fopen("/dev/null", "w");
  const std::atomic<bool> stop{false};
  double seconds = 0.0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const segsim::SweepOutcome outcome = segsim::RunSweep(options, sink, stop, nullptr);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    benchmark::DoNotOptimize(outcome.runsPrinted);
  }
  std::fclose(sink);
  seconds /= static_cast<double>(state.iterations());
  if (state.range(0) == 1) gOneThreadSeconds = seconds;
  if (state.range(0) > 1 && gOneThreadSeconds > 0.0) {
    state.counters["speedup"] = gOneThreadSeconds / seconds;
  }
}
BENCHMARK(BM_Sweep)
    ->ArgName("jobs")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();

// One full step (MoveAgents + UpdateStatistics) of a running model, at the defaults, at radius 20
// and at cell size 2; and at the defaults with the group variants on: per-group thresholds all
// 20 and equal weights (the same run as the defaults, through the variants' code), and a 70 / 30
// population of two groups with thresholds 30 and 50.
#include <benchmark/benchmark.h>

#include "measures/simulation.h"

namespace {

void RunSteps(benchmark::State& state, segsim::SetupParams params) {
  params.Seed = 1;
  segsim::Simulation sim;
  sim.InitSetup(params);
  // Past the first steps, where nearly every agent is unsatisfied.
  for (int i = 0; i < 5; ++i) sim.Step();
  for (auto _ : state) {
    sim.Step();
    benchmark::DoNotOptimize(sim.LastMeasures().satisfaction.data());
  }
  state.counters["moved"] = sim.Model().LastPass().moved;
}

void BM_StepDefaults(benchmark::State& state) { RunSteps(state, {}); }

void BM_StepRadius20(benchmark::State& state) {
  segsim::SetupParams p;
  p.NeighbourRadius = 20;
  RunSteps(state, p);
}

void BM_StepCellSize2(benchmark::State& state) {
  segsim::SetupParams p;
  p.CellSize = 2;
  p.AgentCount = segsim::AgentLimitFor(347LL * 347);
  RunSteps(state, p);
}

void BM_StepVariantsSameRun(benchmark::State& state) {
  segsim::SetupParams p;
  p.Shares.assign(6, 1.0);
  p.Thresholds.assign(6, 20);
  RunSteps(state, p);
}

void BM_StepVariantsMinority(benchmark::State& state) {
  segsim::SetupParams p;
  p.GroupCount = 2;
  p.Shares = {30, 70};
  p.Thresholds = {30, 50};
  RunSteps(state, p);
}

void BM_FirstStepDefaults(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    segsim::SetupParams p;
    p.Seed = 1;
    segsim::Simulation sim;
    sim.InitSetup(p);
    state.ResumeTiming();
    sim.Step();
  }
}

}  // namespace

BENCHMARK(BM_StepDefaults)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepRadius20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepCellSize2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepVariantsSameRun)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepVariantsMinority)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstStepDefaults)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

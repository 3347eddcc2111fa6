// Neighbourhood counts: one full step (MoveAgents + UpdateStatistics) with the window sums and
// with the straightforward walk of the square, at the defaults (radius 5), at radius 20 and at
// cell size 2; and the measures of UpdateStatistics one by one, to see whether any of them
// dominates a step once the counts are fast.
//
// Goals: a step at least 5x faster than the walk at the defaults and 20x at radius 20; a step at
// radius 20 within 2x of a step at radius 5.
//
// Three kinds of step:
//   First   the first step after a setup, the busiest: about 8000 of the 12783 default agents
//           are unsatisfied and 5000 move; each unsatisfied agent counts three squares. It is
//           also a step of the cluster analysis (every 30th).
//   Early   steps 2 to 10, per step: from 2800 moves at step 2 down to a few hundred.
//   Settled a step of a run that has settled (after 100 steps): nearly every agent is satisfied
//           and counts its square once.
// "fast" is the model's default, kCheaper (the sums where SumsCheaper says so), "direct" the walk;
// both run the same model from the same seed and give the same results, so they time the same work.
// The label says which counts served: "sums" or "walk".
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "measures/clusters.h"
#include "measures/dissimilarity.h"
#include "measures/simulation.h"
#include "measures/statistics.h"

namespace {

using segsim::CountMethod;
using segsim::SetupParams;
using segsim::Simulation;

enum Config { kDefaults, kRadius20, kCellSize2, kGroups40, kGroups200, kRadius1, kRadius2Groups12 };

SetupParams ParamsFor(Config config) {
  SetupParams p;
  p.Seed = 1;
  p.GraphicUpdate = false;
  switch (config) {
    case kDefaults: break;
    case kRadius20: p.NeighbourRadius = 20; break;
    case kCellSize2:
      p.CellSize = 2;
      p.AgentCount = segsim::AgentLimitFor(347LL * 347);
      break;
    case kGroups40: p.GroupCount = 40; break;
    case kGroups200: p.GroupCount = 200; break;
    case kRadius1: p.NeighbourRadius = 1; break;
    case kRadius2Groups12:
      p.NeighbourRadius = 2;
      p.GroupCount = 12;
      break;
  }
  return p;
}

const char* NameOf(Config config) {
  switch (config) {
    case kDefaults: return "defaults";
    case kRadius20: return "radius20";
    case kCellSize2: return "cellsize2";
    case kGroups40: return "groups40";
    case kGroups200: return "groups200";
    case kRadius1: return "radius1";
    case kRadius2Groups12: return "radius2groups12";
  }
  return "";
}

void Label(benchmark::State& state, const Simulation& sim) {
  const segsim::Model& m = sim.Model();
  state.counters["moved"] = m.LastPass().moved;
  state.counters["unsatisfied"] = m.LastPass().unsatisfied;
  state.SetLabel(m.SumsInUse() ? "sums" : "walk");
}

// The first step after a setup; the setup is not timed.
void BM_FirstStep(benchmark::State& state, Config config, CountMethod method) {
  Simulation sim;
  for (auto _ : state) {
    state.PauseTiming();
    sim.Model().SetCountMethod(method);
    sim.InitSetup(ParamsFor(config));
    state.ResumeTiming();
    sim.Step();
  }
  Label(state, sim);
}

// Steps 2 to 10 after a setup, timed per step; the setup and the first step are not timed.
void BM_EarlySteps(benchmark::State& state, Config config, CountMethod method) {
  Simulation sim;
  for (auto _ : state) {
    sim.Model().SetCountMethod(method);
    sim.InitSetup(ParamsFor(config));
    sim.Step();
    const auto start = std::chrono::steady_clock::now();
    for (int t = 2; t <= 10; ++t) sim.Step();
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(spent.count() / 9);
  }
  Label(state, sim);
}

// A step of a settled run; the first 100 steps run with the window sums, untimed.
void BM_SettledStep(benchmark::State& state, Config config, CountMethod method) {
  Simulation sim;
  sim.InitSetup(ParamsFor(config));
  for (int i = 0; i < 100; ++i) sim.Step();
  sim.Model().SetCountMethod(method);
  for (auto _ : state) sim.Step();
  Label(state, sim);
}

// The measures of UpdateStatistics one by one on a settled model.
template <typename F>
void MeasureSettled(benchmark::State& state, Config config, F measure) {
  Simulation sim;
  sim.InitSetup(ParamsFor(config));
  for (int i = 0; i < 100; ++i) sim.Step();
  for (auto _ : state) measure(sim);
}

void RegisterAll() {
  // groups200 is past the line where the sums are cheaper (SumsCheaper), so "fast" walks
  // there; "sums" forces them, to show what they would cost.
  // radius1 and radius2groups12 lie just past the line as well: "sums" there measures the
  // crossover of count_cost.h.
  const Config stepConfigs[] = {kDefaults,  kRadius20, kCellSize2,      kGroups40,
                                kGroups200, kRadius1,  kRadius2Groups12};
  for (Config c : stepConfigs) {
    for (CountMethod m : {CountMethod::kCheaper, CountMethod::kDirect, CountMethod::kSums}) {
      if (m == CountMethod::kSums && c != kGroups200 && c != kRadius1 && c != kRadius2Groups12)
        continue;
      const char* method = m == CountMethod::kCheaper ? "/fast"
                           : m == CountMethod::kSums  ? "/sums"
                                                      : "/direct";
      const std::string suffix = std::string(NameOf(c)) + method;
      // Each iteration of these two sets a model up and runs untimed steps: a fixed number of
      // iterations keeps the whole run short.
      benchmark::RegisterBenchmark(("FirstStep/" + suffix).c_str(), BM_FirstStep, c, m)
          ->Iterations(12)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("EarlyStep/" + suffix).c_str(), BM_EarlySteps, c, m)
          ->UseManualTime()
          ->Iterations(4)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("SettledStep/" + suffix).c_str(), BM_SettledStep, c, m)
          ->MinTime(0.3)
          ->Unit(benchmark::kMillisecond);
    }
  }
  for (Config c : {kDefaults, kCellSize2, kGroups40}) {
    const std::string suffix = std::string("/") + NameOf(c);
    auto measure = [&](const char* name, auto f) {
      benchmark::RegisterBenchmark((std::string("Measure/") + name + suffix).c_str(),
                                   [c, f](benchmark::State& s) { MeasureSettled(s, c, f); })
          ->Unit(benchmark::kMicrosecond);
    };
    measure("UpdateStatistics", [](Simulation& sim) { sim.UpdateStatistics(); });
    measure("GroupSatisfaction", [](Simulation& sim) {
      const segsim::Model& m = sim.Model();
      benchmark::DoNotOptimize(segsim::GroupSatisfaction(m.Grid(), m.Settings().GroupCount));
    });
    measure("CountTileGroups", [](Simulation& sim) {
      const segsim::Model& m = sim.Model();
      const segsim::ModelSettings& st = m.Settings();
      benchmark::DoNotOptimize(segsim::CountTileGroups(m.Grid(), st.TileSize, st.GroupCount));
    });
    benchmark::RegisterBenchmark(("Measure/ComputeDissimilarity" + suffix).c_str(),
                                 [c](benchmark::State& s) {
                                   Simulation sim;
                                   sim.InitSetup(ParamsFor(c));
                                   const segsim::Model& m = sim.Model();
                                   const segsim::TileCounts counts = segsim::CountTileGroups(
                                       m.Grid(), m.Settings().TileSize, m.Settings().GroupCount);
                                   for (auto _ : s) {
                                     benchmark::DoNotOptimize(segsim::ComputeDissimilarity(
                                         counts, m.GroupSizes(), m.AgentCountUsed()));
                                   }
                                 })
        ->Unit(benchmark::kMicrosecond);
    measure("ResetClusterMarks",
            [](Simulation& sim) { segsim::ResetClusterMarks(sim.Model().Grid()); });
    measure("ClusterAnalysis", [](Simulation& sim) {
      segsim::Model& m = sim.Model();
      benchmark::DoNotOptimize(segsim::ClusterAnalysis(m.Grid(), m.Settings().GroupCount));
    });
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

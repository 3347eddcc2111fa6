// Big worlds. Goals:
//   - whole runs with the fast counts at least 8x faster than with the walk of the square, both
//     in this build from the same seeds, side by side: cell size 1 on the 694 x 694 panel
//     (694 x 694 cells, 80 % occupied, seed 1, setup and 20 steps) and a 2048 x 2048 panel at
//     cell size 1 (80 % occupied, setup and 3 steps); and as before at the defaults (5x) and at
//     radius 20 (20x), settled steps (whole runs of setup and 30 steps are shown beside them);
//   - peak memory of `segsim-cli run --panel 2048 --cell-size 1 --steps 3` with 80 % of the
//     cells occupied at most 160 MB (a child process, measured by the system);
//   - the cost per agent-step of a settled step flat within 1.5x from 116 x 116 to 2048 x 2048;
//   - a step of 2000 groups on tiles of one cell under 2 s.
// Each benchmark runs its work once (they are long); the figures are in the counters. Times are
// the process's CPU time: the machine is shared, and the work is single-threaded.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

#include "measures/simulation.h"

namespace {

using segsim::CountMethod;
using segsim::SetupParams;
using segsim::Simulation;

// CPU seconds of this process so far.
double CpuNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// A square panel of `cells` cells a side at cell size `cellSize`, `percent` % occupied.
SetupParams Grid(std::int32_t cells, std::int32_t cellSize, double percent) {
  SetupParams p;
  p.Seed = 1;
  p.GraphicUpdate = false;
  p.CellSize = cellSize;
  p.PanelWidth = p.PanelHeight = cells * cellSize;
  p.AgentCount = static_cast<std::int32_t>(static_cast<double>(cells) * cells * percent / 100);
  return p;
}

// Setup and `steps` full steps (relocation and measures), in seconds.
double WholeRun(const SetupParams& p, CountMethod method, int steps) {
  Simulation sim;
  sim.Model().SetCountMethod(method);
  const double start = CpuNow();
  sim.InitSetup(p);
  for (int t = 0; t < steps; ++t) sim.Step();
  return CpuNow() - start;
}

// The same run with the fast counts and with the walk; counters fast_s, direct_s and speedup.
void BM_FastAgainstWalk(benchmark::State& state, SetupParams p, int steps) {
  for (auto _ : state) {
    const double fast = WholeRun(p, CountMethod::kCheaper, steps);
    const double direct = WholeRun(p, CountMethod::kDirect, steps);
    state.SetIterationTime(fast);
    state.counters["fast_s"] = fast;
    state.counters["direct_s"] = direct;
    state.counters["speedup"] = direct / fast;
  }
}

// Settled steps (measures included) with the fast counts and with the walk, after `settle`
// steps of each; counters fast_ms, direct_ms and speedup per step.
void BM_SettledFastAgainstWalk(benchmark::State& state, SetupParams p, int settle, int timed) {
  auto perStep = [&](CountMethod method) {
    Simulation sim;
    sim.Model().SetCountMethod(method);
    sim.InitSetup(p);
    for (int t = 0; t < settle; ++t) sim.Step();
    const double start = CpuNow();
    for (int t = 0; t < timed; ++t) sim.Step();
    return (CpuNow() - start) / timed;
  };
  for (auto _ : state) {
    const double fast = perStep(CountMethod::kCheaper);
    const double direct = perStep(CountMethod::kDirect);
    state.SetIterationTime(fast);
    state.counters["fast_ms"] = fast * 1e3;
    state.counters["direct_ms"] = direct * 1e3;
    state.counters["speedup"] = direct / fast;
  }
}

// Peak resident memory of a child that sets the model up and makes 3 steps, as segsim-cli run
// does; counters peak_MB and the model's own estimate estimate_MB.
void BM_PeakMemory(benchmark::State& state, SetupParams p) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      Simulation sim;
      sim.InitSetup(p);
      for (int t = 0; t < 3; ++t) sim.Step();
      _exit(0);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    state.SetIterationTime(Seconds(std::chrono::steady_clock::now() - start));
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) * 1024 / 1e6;
    state.counters["estimate_MB"] = segsim::Model::SetupBytes(p) / 1e6;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the child failed");
  }
}

// Nanoseconds per agent and step of `timed` settled steps, after `settle` untimed ones.
void BM_SettledAgentStep(benchmark::State& state, SetupParams p, int settle, int timed) {
  for (auto _ : state) {
    Simulation sim;
    sim.InitSetup(p);
    for (int t = 0; t < settle; ++t) sim.Step();
    const double start = CpuNow();
    for (int t = 0; t < timed; ++t) sim.Step();
    const double spent = CpuNow() - start;
    state.SetIterationTime(spent / timed);
    state.counters["ns_per_agent_step"] = spent / timed / sim.Model().AgentCountUsed() * 1e9;
    state.counters["moved"] = sim.Model().LastPass().moved;
    state.SetLabel(sim.Model().SumsInUse() ? "sums" : "walk");
  }
}

// One step of `groups` groups on tiles of one cell (the dissimilarities dominate).
void BM_ManyGroupsStep(benchmark::State& state, std::int32_t groups) {
  SetupParams p;
  p.Seed = 1;
  p.GraphicUpdate = false;
  p.GroupCount = groups;
  p.TileSize = 1;
  Simulation sim;
  sim.InitSetup(p);
  sim.Step();
  for (auto _ : state) {
    const double start = CpuNow();
    sim.Step();
    state.SetIterationTime(CpuNow() - start);
  }
}

void RegisterAll() {
  auto once = [](benchmark::internal::Benchmark* b) {
    b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
  };
  SetupParams defaults;
  defaults.Seed = 1;
  defaults.GraphicUpdate = false;
  SetupParams radius20 = defaults;
  radius20.NeighbourRadius = 20;
  once(benchmark::RegisterBenchmark("FastAgainstWalk/defaults/setup+30", BM_FastAgainstWalk,
                                    defaults, 30));
  once(benchmark::RegisterBenchmark("FastAgainstWalk/radius20/setup+30", BM_FastAgainstWalk,
                                    radius20, 30));
  once(benchmark::RegisterBenchmark("SettledFastAgainstWalk/defaults", BM_SettledFastAgainstWalk,
                                    defaults, 40, 200));
  once(benchmark::RegisterBenchmark("SettledFastAgainstWalk/radius20", BM_SettledFastAgainstWalk,
                                    radius20, 40, 200));
  once(benchmark::RegisterBenchmark("FastAgainstWalk/694x694/setup+20", BM_FastAgainstWalk,
                                    Grid(694, 1, 80), 20));
  once(benchmark::RegisterBenchmark("FastAgainstWalk/2048x2048/setup+3", BM_FastAgainstWalk,
                                    Grid(2048, 1, 80), 3));
  once(benchmark::RegisterBenchmark("PeakMemory/2048x2048", BM_PeakMemory, Grid(2048, 1, 80)));
  // Settled steps across grid sizes, all 80 % occupied: the cost per agent-step stays flat.
  struct Size {
    const char* name;
    std::int32_t cells;
    std::int32_t cellSize;
  };
  for (const Size s : {Size{"116x116", 116, 6}, Size{"347x347", 347, 2}, Size{"694x694", 694, 1},
                       Size{"2048x2048", 2048, 1}}) {
    once(benchmark::RegisterBenchmark((std::string("SettledAgentStep/") + s.name).c_str(),
                                      BM_SettledAgentStep, Grid(s.cells, s.cellSize, 80), 40, 5));
  }
  benchmark::RegisterBenchmark("ManyGroupsStep/2000groups/tile1", BM_ManyGroupsStep, 2000)
      ->Iterations(3)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
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

#include "cli/run.h"

#include <string>

#include "cli/trace.h"
#include "measures/simulation.h"
#include "model/numeric.h"

namespace segsim {

namespace {

void WriteLine(std::FILE* out, const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), out);
  std::fputc('\n', out);
}

void WriteSummary(const Simulation& sim, std::FILE* out) {
  const Model& model = sim.model();
  const StepMeasures& m = sim.LastMeasures();
  std::fprintf(out, "segsim: %d x %d cells, %d agents in %d groups, seed %u\n",
               model.Settings().Rows, model.Settings().Cols, model.AgentCountUsed(),
               model.Settings().GroupCount, model.PlacementSeed());
  std::fprintf(out, "final step: %u\n", model.TimeStep());
  std::fprintf(out, "%-8s %8s %14s %10s\n", "group", "agents", "satisfaction", "IS");
  for (std::size_t g = 0; g < model.groupSizes().size(); ++g) {
    const double sat = g < m.satisfaction.size() ? m.satisfaction[g] : 0.0;
    const double is = g < m.dissimilarity.segregation.size() ? m.dissimilarity.segregation[g] : 0.0;
    std::fprintf(out, "%-8zu %8d %14s %10s\n", g + 1, model.groupSizes()[g],
                 DisplayText(sat).c_str(), DisplayText(is).c_str());
  }
  std::size_t clusters = 0;
  std::size_t larger = 0;
  for (const auto& sizes : sim.Clusters()) {
    clusters += sizes.size();
    for (std::int32_t s : sizes) larger += s > 1;
  }
  std::fprintf(out, "clusters at the last analysis: %zu (%zu of more than one agent)\n", clusters,
               larger);
}

}  // namespace

void RunTrace(const RunOptions& options, std::FILE* out) {
  Simulation sim;
  sim.InitSetup(options.params);
  if (!options.summary) WriteLine(out, SetupLine(sim.model()));
  for (std::int32_t t = 1; t <= options.steps; ++t) {
    sim.Step();
    if (!options.summary) WriteLine(out, StepLine(sim));
  }
  if (options.summary) WriteSummary(sim, out);
}

}  // namespace segsim

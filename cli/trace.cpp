#include "cli/trace.h"

#include "cli/json.h"
#include "settings/group_lists.h"

namespace segsim {

std::string SetupLine(const Model& model) {
  std::string line = "{";
  json::AppendKey(line, "step");
  json::AppendInt(line, 0);
  json::AppendKey(line, "cols");
  json::AppendInt(line, model.Settings().Cols);
  json::AppendKey(line, "rows");
  json::AppendInt(line, model.Settings().Rows);
  json::AppendKey(line, "agents");
  json::AppendInt(line, model.AgentCountUsed());
  json::AppendKey(line, "group_sizes");
  json::AppendIntArray(line, model.GroupSizes());
  json::AppendKey(line, "group_colors");
  json::AppendUIntArray(line, model.GroupColors());
  // The variants only when in use, so that the default setup line keeps its bytes.
  if (SharesInUse(model.GroupShares())) {
    json::AppendKey(line, "shares");
    json::AppendArray(line, model.GroupShares());
  }
  if (!model.Settings().GroupThresholds.empty()) {
    json::AppendKey(line, "thresholds");
    json::AppendUIntArray(line, model.Settings().GroupThresholds);
  }
  line += '}';
  return line;
}

std::string StepLine(const Simulation& simulation) {
  const Model& model = simulation.Model();
  const StepMeasures& m = simulation.LastMeasures();
  const Dissimilarity& d = m.dissimilarity;
  std::string line = "{";
  json::AppendKey(line, "step");
  json::AppendInt(line, model.TimeStep());
  json::AppendKey(line, "moved");
  json::AppendInt(line, model.LastPass().moved);
  json::AppendKey(line, "unsatisfied");
  json::AppendInt(line, model.LastPass().unsatisfied);
  json::AppendKey(line, "satisfaction");
  json::AppendArray(line, m.satisfaction);
  json::AppendKey(line, "segregation");
  json::AppendArray(line, d.segregation);
  json::AppendKey(line, "dissimilarity");
  line += '[';
  for (std::int32_t i = 0; i < d.groups; ++i) {
    if (i > 0) line += ',';
    const auto row = std::span<const double>(d.pair).subspan(
        static_cast<std::size_t>(i) * d.groups + i + 1, static_cast<std::size_t>(d.groups - i - 1));
    json::AppendArray(line, row);
  }
  line += ']';
  if (m.clustersRan) {
    json::AppendKey(line, "clusters");
    line += '[';
    const ClusterSizes& clusters = simulation.Clusters();
    for (std::size_t g = 0; g < clusters.size(); ++g) {
      if (g > 0) line += ',';
      json::AppendIntArray(line, clusters[g]);
    }
    line += ']';
  }
  line += '}';
  return line;
}

}  // namespace segsim

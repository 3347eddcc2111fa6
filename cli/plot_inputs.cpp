#include "cli/plot_inputs.h"

#include <limits>
#include <set>

#include <nlohmann/json.hpp>

#include "charts/qt_color.h"
#include "cli/sweep_reader.h"
#include "model/numeric.h"
#include "settings/option_table.h"
#include "settings/sweep_schema.h"

namespace segsim {

namespace {

using Json = nlohmann::json;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void AddValues(const Json& values, std::vector<std::vector<double>>& series,
               const std::string& where) {
  if (!values.is_array() || values.size() != series.size()) {
    throw UsageError(where + ": the per-group values do not match the groups");
  }
  for (std::size_t g = 0; g < series.size(); ++g) {
    series[g].push_back(values[g].is_number() ? values[g].get<double>() : kNaN);
  }
}

}  // namespace

bool IsTrace(const std::string& path) {
  for (const std::string& line : ReadFileLines(path)) {
    if (line.empty()) continue;
    if (line.front() != '{') return false;
    try {
      const Json object = Json::parse(line);
      return object.is_object() && object.contains("step");
    } catch (const Json::exception&) {
      return false;
    }
  }
  return false;
}

Trace ReadTrace(const std::string& path) {
  Trace trace;
  const std::vector<std::string> lines = ReadFileLines(path);
  bool setup = false;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    if (lines[n].empty()) continue;
    const std::string where = path + ":" + std::to_string(n + 1);
    try {
      const Json object = Json::parse(lines[n]);
      if (!setup) {
        for (const Json& c : object.at("group_colors")) {
          trace.colors.push_back(ToQColor(c.get<std::uint32_t>()));
        }
        trace.satisfaction.resize(trace.colors.size());
        trace.segregation.resize(trace.colors.size());
        setup = true;
        continue;
      }
      trace.steps.push_back(object.at("step").get<double>());
      AddValues(object.at("satisfaction"), trace.satisfaction, where);
      AddValues(object.at("segregation"), trace.segregation, where);
    } catch (const Json::exception& e) {
      throw UsageError(where + ": is no line of a trace of segsim-cli run: " + e.what());
    }
  }
  if (trace.steps.empty()) throw UsageError(path + ": the trace has no step to draw");
  return trace;
}

std::optional<std::string> MissingRuns(const SweepFile& file) {
  std::set<std::int64_t> runs;
  for (const RunRow& r : file.runs) runs.insert(r.run);
  const std::int64_t total = file.plan->TotalRuns();
  const auto held = static_cast<std::int64_t>(runs.size());
  if (held == total) return std::nullopt;
  const ShardSpec shard = file.options.shard;
  const std::string counted = std::to_string(held) + " of " + std::to_string(total) + " runs";
  if (shard.count <= 1) return counted;
  return "shard " + std::to_string(shard.index) + "/" + std::to_string(shard.count) + ", " +
         counted;
}

double MeasureOf(const RunRow& r, const std::string& measure) {
  if (measure == columns::kClusters) return r.clusters;
  if (measure == columns::kMeanIs) return r.meanIs;
  return MeanOfExisting(r.satisfaction).value_or(kNaN);
}

}  // namespace segsim

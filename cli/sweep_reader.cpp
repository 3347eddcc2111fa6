#include "cli/sweep_reader.h"

#include <fstream>
#include <limits>
#include <set>

#include <nlohmann/json.hpp>

#include "cli/row_check.h"
#include "cli/row_parse.h"
#include "cli/sweep_rows.h"
#include "settings/sweep_schema.h"

namespace segsim {

namespace {

using Json = nlohmann::json;

SweepOptions OptionsOfCommand(const std::string& path, const std::string& command) {
  std::vector<std::string> args;
  for (std::size_t start = 0; start < command.size();) {
    const std::size_t space = command.find(' ', start);
    const std::size_t end = space == std::string::npos ? command.size() : space;
    if (end > start) args.push_back(command.substr(start, end - start));
    start = end + 1;
  }
  SweepOptions options;
  try {
    options = ParseSweepOptions(args);
  } catch (const UsageError& e) {
    throw UsageError(path + ": its sweep row holds no sweep that can run: " + e.what());
  }
  if (!options.params.Seed) throw UsageError(path + ": its sweep row's command has no --seed");
  return options;
}

// The keys a JSON row of this kind may have.
std::set<std::string> JsonKeys(const std::string& kind, const SweepPlan& plan) {
  std::set<std::string> keys = {columns::kKind};
  if (plan.AxisCount() == 1) {
    keys.insert(columns::kParam);
    keys.insert(columns::kValue);
    keys.insert(columns::kApplied);
  } else {
    for (const SweepAxis& a : plan.Design().axes) {
      keys.insert(ParamName(a.param));
      keys.insert(std::string(ParamName(a.param)) + columns::kAppliedSuffix);
    }
  }
  if (kind == columns::kSweepKind)
    return {columns::kKind, columns::kParam, columns::kSeed, columns::kNote};
  for (const char* k : {columns::kRun, columns::kSeed, columns::kClusters, columns::kMeanIs,
                        columns::kSegregation, columns::kSatisfaction, columns::kNote}) {
    keys.insert(k);
  }
  return keys;
}

class FileReader {
public:
  FileReader(const std::string& path, SweepFile& file) : path_(path), file_(file) {}

  void Read() {
    const std::vector<std::string> lines = ReadFileLines(path_);
    std::size_t n = 0;
    while (n < lines.size() && lines[n].empty()) ++n;
    if (n == lines.size()) throw UsageError(path_ + ": is empty");
    file_.format = lines[n].front() == '{' ? OutputFormat::Jsonl : OutputFormat::Csv;
    if (file_.format == OutputFormat::Csv) {
      const auto header = SplitCsv(lines[n]);
      if (!header || header->empty() || (*header)[0] != columns::kKind) {
        throw UsageError(path_ + ":" + std::to_string(n + 1) +
                         ": is no output of segsim-cli sweep (no header row)");
      }
      header_ = *header;
      headerLine_ = n + 1;
      ++n;
    }
    for (; n < lines.size(); ++n) {
      if (lines[n].empty()) continue;
      ReadLine(lines[n], n + 1);
    }
    if (!file_.plan) throw UsageError(path_ + ": has no sweep row");
  }

private:
  Row Parse(const std::string& text, std::size_t line) const {
    if (file_.format == OutputFormat::Jsonl) {
      Json object;
      try {
        object = Json::parse(text);
      } catch (const Json::exception& e) {
        throw UsageError(path_ + ":" + std::to_string(line) + ": is no JSON object: " + e.what());
      }
      if (!object.is_object()) {
        throw UsageError(path_ + ":" + std::to_string(line) + ": is no JSON object");
      }
      return Row(std::move(object));
    }
    auto cells = SplitCsv(text);
    if (!cells || cells->size() != header_.size()) {
      throw UsageError(path_ + ":" + std::to_string(line) + ": has " +
                       (cells ? std::to_string(cells->size()) : std::string("unbalanced")) +
                       " columns where the header has " + std::to_string(header_.size()));
    }
    return Row(header_, std::move(*cells));
  }

  void ReadLine(const std::string& text, std::size_t line) {
    const Row row = Parse(text, line);
    const RowCheck check(path_, line, row);
    const auto kind = row.Text(columns::kKind);
    // The setup line and the step lines of segsim-cli run carry a step and no kind.
    if (!file_.plan && !kind && row.IsJson() && row.Object().contains("step")) {
      throw UsageError(path_ + ":" + std::to_string(line) +
                       ": is a run's trace (segsim-cli run), not a sweep; merge takes the "
                       "output of segsim-cli sweep");
    }
    if (!kind) check.Fault(columns::kKind, "is empty");
    if (!file_.plan) {
      if (*kind != columns::kSweepKind)
        check.Fault(columns::kKind, "the file does not begin with the sweep row");
      ReadSweepRow(row, check);
      return;
    }
    if (row.IsJson()) {
      const std::set<std::string> keys = JsonKeys(*kind, *file_.plan);
      for (const auto& [key, value] : row.Object().items()) {
        if (!keys.contains(key)) check.Fault(key, "does not belong to a " + *kind + " row");
      }
    }
    if (*kind == columns::kSweepKind) check.Fault(columns::kKind, "a second sweep row");
    CheckParam(row, check);
    if (*kind == columns::kRunKind) {
      ReadRun(check, text);
    } else {
      ReadSummary(*kind, check);
    }
  }

  SweepParam Axis0() const { return file_.plan->Design().axes.front().param; }

  // One swept parameter: every row names it in "param".
  void CheckParam(const Row& row, const RowCheck& check) const {
    if (file_.plan->AxisCount() == 1 && row.Text(columns::kParam) != ParamName(Axis0())) {
      check.Fault(columns::kParam, std::string("must be ") + ParamName(Axis0()));
    }
  }

  void ReadSweepRow(const Row& row, const RowCheck& check) {
    const auto note = row.Text(columns::kNote);
    if (!note) check.Fault(columns::kNote, "holds no command");
    file_.options = OptionsOfCommand(path_, *note);
    SweepOptions whole = file_.options;
    whole.shard = {};
    file_.plan = std::make_unique<SweepPlan>(PlanOf(whole));
    if (file_.options.format != file_.format) {
      check.Fault(columns::kNote, "its command's --format is not the file's format");
    }
    if (SweepCommand(file_.options, true) != *note) {
      check.Fault(columns::kNote, "is not the command the sweep writes");
    }
    const RowFormat expected(file_.format, *file_.plan);
    if (file_.format == OutputFormat::Csv) {
      std::string header;
      for (std::size_t i = 0; i < header_.size(); ++i) header += (i ? "," : "") + header_[i];
      if (header != expected.Header()) {
        throw UsageError(path_ + ":" + std::to_string(headerLine_) +
                         ": the header row does not fit the sweep of its sweep row");
      }
    }
    const auto seed = check.Int(columns::kSeed, true);
    if (*seed != static_cast<std::int64_t>(*file_.options.params.Seed)) {
      check.Fault(columns::kSeed, "is not S + i of its command");
    }
    CheckParam(row, check);
    for (const char* column : {columns::kValue, columns::kRun, columns::kClusters, columns::kMeanIs,
                               columns::kApplied}) {
      check.Empty(column);
    }
    for (const SweepAxis& a : file_.plan->Design().axes) {
      check.Empty(ParamName(a.param));
      check.Empty(std::string(ParamName(a.param)) + columns::kAppliedSuffix);
    }
    NoGroups(check);
  }

  std::size_t GroupsOfRun(std::int64_t combination) const {
    const SweepPlan& plan = *file_.plan;
    for (std::size_t a = 0; a < plan.AxisCount(); ++a) {
      if (plan.Design().axes[a].param == SweepParam::Groups) {
        return static_cast<std::size_t>(plan.AppliedAt(combination, a));
      }
    }
    return static_cast<std::size_t>(plan.Design().params.GroupCount);
  }

  void ReadAxes(const RowCheck& check, std::int64_t combination, std::vector<std::int32_t>& values,
                std::vector<std::int32_t>& applied) const {
    const SweepPlan& plan = *file_.plan;
    for (std::size_t a = 0; a < plan.AxisCount(); ++a) {
      const std::string name = ParamName(plan.Design().axes[a].param);
      const std::string valueColumn = plan.AxisCount() == 1 ? columns::kValue : name;
      const std::string appliedColumn =
          plan.AxisCount() == 1 ? columns::kApplied : name + columns::kAppliedSuffix;
      const std::int64_t v = *check.Int(valueColumn, true);
      if (v != plan.ValueAt(combination, a)) {
        check.Fault(valueColumn, "has a value that this sweep does not give it (" +
                                     std::to_string(v) + "; the sweep has " +
                                     std::to_string(plan.ValueAt(combination, a)) + ")");
      }
      const std::int64_t w = *check.Int(appliedColumn, true);
      if (w != plan.AppliedAt(combination, a)) {
        check.Fault(appliedColumn, "is " + std::to_string(w) + " where the field limits give " +
                                       std::to_string(plan.AppliedAt(combination, a)));
      }
      values.push_back(static_cast<std::int32_t>(v));
      applied.push_back(static_cast<std::int32_t>(w));
    }
  }

  void ReadRun(const RowCheck& check, const std::string& text) {
    const SweepPlan& plan = *file_.plan;
    const ShardSpec shard = file_.options.shard;
    RunRow r;
    r.run = *check.Int(columns::kRun, true);
    if (r.run < 0 || r.run >= plan.TotalRuns()) {
      check.Fault(columns::kRun, std::to_string(r.run) + " is not a run of this sweep of " +
                                     std::to_string(plan.TotalRuns()) + " runs");
    }
    if (r.run % shard.count != shard.index) {
      check.Fault(columns::kRun, std::to_string(r.run) + " does not belong to shard " +
                                     std::to_string(shard.index) + "/" +
                                     std::to_string(shard.count));
    }
    const std::int64_t combination = r.run / plan.RunsPerValue();
    const std::int64_t seed = *check.Int(columns::kSeed, true);
    const std::uint32_t expected = *file_.options.params.Seed + static_cast<std::uint32_t>(r.run);
    if (seed != expected) {
      check.Fault(columns::kSeed, std::to_string(seed) + " is not S + " + std::to_string(r.run) +
                                      " = " + std::to_string(expected));
    }
    r.seed = expected;
    ReadAxes(check, combination, r.values, r.applied);
    const std::int64_t clusters = *check.Int(columns::kClusters, true);
    if (clusters < 0 || clusters > std::numeric_limits<std::int32_t>::max()) {
      check.Fault(columns::kClusters, "is no count of clusters: " + std::to_string(clusters));
    }
    r.clusters = static_cast<std::int32_t>(clusters);
    r.meanIs = check.Real(columns::kMeanIs, true);
    const std::size_t groups = GroupsOfRun(combination);
    const auto maxGroups = static_cast<std::size_t>(plan.MaxGroups());
    r.segregation = check.Groups(columns::kSegregation, groups, maxGroups);
    r.satisfaction = check.Groups(columns::kSatisfaction, groups, maxGroups);
    check.Empty(columns::kNote);
    file_.runs.push_back(std::move(r));
    file_.runLines.push_back(text);
  }

  void NoGroups(const RowCheck& check) const {
    if (file_.format == OutputFormat::Jsonl) {
      check.Empty(columns::kSegregation);
      check.Empty(columns::kSatisfaction);
      return;
    }
    const auto maxGroups = static_cast<std::size_t>(file_.plan->MaxGroups());
    check.Groups(columns::kSegregation, 0, maxGroups);
    check.Groups(columns::kSatisfaction, 0, maxGroups);
  }

  void ReadSummary(const std::string& kind, const RowCheck& check) {
    const SweepPlan& plan = *file_.plan;
    const auto maxGroups = static_cast<std::size_t>(plan.MaxGroups());
    for (const char* column : {columns::kRun, columns::kSeed}) check.Empty(column);
    if (plan.AxisCount() > 1) {
      if (kind != "mean") check.Fault(columns::kKind, "'" + kind + "' is no row of this sweep");
      const std::int64_t combination = meanRows_++;
      if (combination >= plan.CombinationCount())
        check.Fault(columns::kKind, "one mean row too many");
      std::vector<std::int32_t> values, applied;
      ReadAxes(check, combination, values, applied);
      check.Real(columns::kClusters, false);
      check.Real(columns::kMeanIs, true);
      const std::size_t groups = GroupsOfRun(combination);
      check.Groups(columns::kSegregation, groups, maxGroups);
      check.Groups(columns::kSatisfaction, groups, maxGroups);
      check.Empty(columns::kNote);
      return;
    }
    check.Empty(columns::kApplied);
    NoGroups(check);
    for (const char* result : {columns::kClusters, columns::kMeanIs}) {
      const std::string other =
          std::string(result) == columns::kClusters ? columns::kMeanIs : columns::kClusters;
      const std::string prefix = std::string(result) + "_";
      if (kind.rfind(prefix, 0) != 0) continue;
      const std::string derived = kind.substr(prefix.size());
      if (derived == "no_fit") {
        for (const std::string& column :
             {std::string(columns::kValue), other, std::string(result)}) {
          check.Empty(column);
        }
        return;
      }
      if (derived != "average" && derived != "trend" && derived != "fit") break;
      check.Real(columns::kValue, false);
      check.Real(result, false);
      check.Empty(other);
      check.Empty(columns::kNote);
      return;
    }
    check.Fault(columns::kKind, "'" + kind + "' is no row of segsim-cli sweep");
  }

  const std::string& path_;
  SweepFile& file_;
  std::vector<std::string> header_;
  std::size_t headerLine_ = 0;
  std::int64_t meanRows_ = 0;
};

}  // namespace

std::vector<std::string> ReadFileLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw UsageError(path + ": cannot be read");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (in.bad()) throw UsageError(path + ": cannot be read");
  return lines;
}

SweepFile ReadSweepFile(const std::string& path) {
  SweepFile file;
  file.path = path;
  FileReader(path, file).Read();
  return file;
}

}  // namespace segsim

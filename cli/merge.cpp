#include "cli/merge.h"

#include <cmath>
#include <fstream>
#include <map>
#include <optional>
#include <set>

#include "cli/options.h"
#include "cli/row_parse.h"
#include "cli/sweep_options.h"
#include "cli/sweep_rows.h"
#include "cli/sweep_summary.h"

namespace segsim {

namespace {

struct MergedRun {
  std::string line;  // as the shard printed it
  RunResult result;
};

// One shard file, read.
struct Shard {
  std::string path;
  SweepOptions options;
  std::map<std::int64_t, MergedRun> runs;
};

[[noreturn]] void Refuse(const std::string& path, const std::string& why) {
  throw UsageError(path + ": " + why);
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Refuse(path, "cannot be read");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  if (in.bad()) Refuse(path, "cannot be read");
  return lines;
}

SweepOptions OptionsOfSweepRow(const std::string& path, const RowFields& row) {
  std::vector<std::string> args;
  for (std::size_t start = 0; start < row.note.size();) {
    const std::size_t space = row.note.find(' ', start);
    const std::size_t end = space == std::string::npos ? row.note.size() : space;
    if (end > start) args.push_back(row.note.substr(start, end - start));
    start = end + 1;
  }
  try {
    return ParseSweepOptions(args);
  } catch (const UsageError& e) {
    Refuse(path, std::string("its sweep row holds no sweep that can run: ") + e.what());
  }
}

void AddRun(Shard& shard, const SweepPlan& plan, const RowFields& row, const std::string& line) {
  const ShardSpec s = shard.options.shard;
  const auto run = ParseNumber(row.run);
  const auto value = ParseNumber(row.value);
  const auto clusters = ParseNumber(row.clusters);
  const auto meanIs = ParseNumber(row.meanIs);
  if (!run || !value || !clusters || !meanIs || std::isnan(*clusters) ||
      *run != std::floor(*run) || *run < 0 ||
      *run >= static_cast<double>(plan.TotalRuns())) {
    Refuse(shard.path, "a run row that this sweep cannot have: " + line);
  }
  const auto i = static_cast<std::int64_t>(*run);
  if (i % s.count != s.index) {
    Refuse(shard.path, "run " + row.run + " does not belong to shard " +
                           std::to_string(s.index) + "/" + std::to_string(s.count));
  }
  if (*value != plan.ValueAt(i / plan.RunsPerValue())) {
    Refuse(shard.path, "run " + row.run + " has a value that this sweep does not give it");
  }
  if (!shard.runs.emplace(i, MergedRun{line, {*value, *clusters, *meanIs}}).second) {
    Refuse(shard.path, "run " + row.run + " appears twice");
  }
}

Shard ReadShard(const std::string& path) {
  const std::vector<std::string> lines = ReadLines(path);
  if (lines.empty()) Refuse(path, "is empty");
  const OutputFormat format =
      lines[0].front() == '{' ? OutputFormat::Jsonl : OutputFormat::Csv;
  const auto header = format == OutputFormat::Csv ? SplitCsv(lines[0]) : std::nullopt;
  if (format == OutputFormat::Csv && (!header || header->size() < 9 || (*header)[0] != "kind")) {
    Refuse(path, "is no output of segsim-cli sweep (no header row)");
  }
  const std::size_t columns = header ? header->size() : 0;
  Shard shard{path, {}, {}};
  std::optional<SweepPlan> plan;
  for (std::size_t n = format == OutputFormat::Csv ? 1 : 0; n < lines.size(); ++n) {
    const std::optional<RowFields> row = ParseRow(lines[n], format, columns);
    if (!row) Refuse(path, "line " + std::to_string(n + 1) + " is no row of segsim-cli sweep");
    if (!plan) {
      if (row->kind != "sweep") Refuse(path, "does not begin with the sweep row");
      shard.options = OptionsOfSweepRow(path, *row);
      if (shard.options.format != format) Refuse(path, "its rows are not in its sweep's format");
      plan.emplace(shard.options);
      const RowFormat expected(format, shard.options.param, plan->MaxGroups());
      if (format == OutputFormat::Csv && lines[0] != expected.Header()) {
        Refuse(path, "its header row does not fit its sweep");
      }
    } else if (row->kind == "run") {
      AddRun(shard, *plan, *row, lines[n]);
    } else if (row->kind == "sweep") {
      Refuse(path, "holds more than one sweep");
    }  // the summary rows of a whole sweep are computed afresh
  }
  if (!plan) Refuse(path, "has no sweep row");
  return shard;
}

std::string ShardName(const ShardSpec& s) {
  return std::to_string(s.index) + "/" + std::to_string(s.count);
}

// The shards must make up one sweep: the same command apart from --shard, each shard once,
// every run present.
void CheckWhole(const std::vector<Shard>& shards, const SweepPlan& plan) {
  const Shard& first = shards.front();
  const std::string command = SweepCommand(first.options, false);
  std::set<std::int32_t> seen;
  std::int64_t runs = 0;
  for (const Shard& s : shards) {
    if (SweepCommand(s.options, false) != command ||
        s.options.shard.count != first.options.shard.count) {
      Refuse(s.path, "belongs to another sweep than " + first.path);
    }
    if (!seen.insert(s.options.shard.index).second) {
      Refuse(s.path, "repeats shard " + ShardName(s.options.shard));
    }
    runs += static_cast<std::int64_t>(s.runs.size());
  }
  if (runs == plan.TotalRuns()) return;
  for (std::int32_t k = 0; k < first.options.shard.count; ++k) {
    if (!seen.contains(k)) {
      throw UsageError("shard " + std::to_string(k) + "/" +
                       std::to_string(first.options.shard.count) + " is missing");
    }
  }
  throw UsageError("the shards hold " + std::to_string(runs) + " of the sweep's " +
                   std::to_string(plan.TotalRuns()) + " runs; a shard was stopped early");
}

}  // namespace

std::vector<std::string> MergeShards(std::span<const std::string> paths, std::FILE* out) {
  if (paths.empty()) throw UsageError("merge needs the files of the shards");
  std::vector<Shard> shards;
  for (const std::string& path : paths) shards.push_back(ReadShard(path));
  SweepOptions options = shards.front().options;
  options.shard = {};
  const SweepPlan plan(options);
  CheckWhole(shards, plan);

  std::map<std::int64_t, const MergedRun*> ordered;
  for (const Shard& s : shards) {
    for (const auto& [i, run] : s.runs) ordered.emplace(i, &run);
  }
  const RowFormat format(options.format, options.param, plan.MaxGroups());
  std::string text;
  if (const std::string header = format.Header(); !header.empty()) text += header + '\n';
  text += format.SweepLine(*options.params.Seed, SweepCommand(options, false)) + '\n';
  std::vector<RunResult> results;
  for (const auto& [i, run] : ordered) {
    text += run->line + '\n';
    results.push_back(run->result);
  }
  SummaryRows summary = Summarize(format, results, plan.RunsPerValue(), options.degree);
  for (const std::string& line : summary.lines) text += line + '\n';
  std::fwrite(text.data(), 1, text.size(), out);
  std::fflush(out);
  return summary.messages;
}

}  // namespace segsim

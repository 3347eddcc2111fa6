#include "cli/merge.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <set>

#include "cli/options.h"
#include "cli/output.h"
#include "cli/sweep_options.h"
#include "cli/sweep_reader.h"
#include "cli/sweep_rows.h"
#include "model/random.h"
#include "sweep/summary.h"

namespace segsim {

namespace {

std::string ShardName(const ShardSpec& s) {
  return std::to_string(s.index) + "/" + std::to_string(s.count);
}

// The shards must make up one sweep: the same command apart from --shard, each shard once,
// every run present.
void CheckWhole(const std::vector<SweepFile>& shards, const SweepPlan& plan) {
  const SweepFile& first = shards.front();
  const std::string command = SweepCommand(first.options, false);
  std::set<std::int32_t> seen;
  std::set<std::int64_t> runs;
  for (const SweepFile& s : shards) {
    if (SweepCommand(s.options, false) != command ||
        s.options.shard.count != first.options.shard.count) {
      throw UsageError(s.path + ": belongs to another sweep than " + first.path);
    }
    if (!seen.insert(s.options.shard.index).second) {
      throw UsageError(s.path + ": repeats shard " + ShardName(s.options.shard));
    }
    for (const RunRow& r : s.runs) {
      if (!runs.insert(r.run).second) {
        throw UsageError(s.path + ": run " + std::to_string(r.run) + " appears twice");
      }
    }
  }
  const auto count = static_cast<std::int64_t>(runs.size());
  if (count == plan.TotalRuns()) return;
  std::string missing;
  std::int32_t missingCount = 0;
  for (std::int32_t k = 0; k < first.options.shard.count; ++k) {
    if (!seen.contains(k)) {
      missing += (missingCount++ > 0 ? ", " : "") + ShardName({k, first.options.shard.count});
    }
  }
  if (missingCount == 1) throw UsageError("shard " + missing + " is missing");
  if (missingCount > 1) throw UsageError("shards " + missing + " are missing");
  throw UsageError("the shards hold " + std::to_string(count) + " of the sweep's " +
                   std::to_string(plan.TotalRuns()) + " runs; a shard was stopped early");
}

struct MergedRun {
  const SweepFile* file;
  std::size_t index;  // in file->runs
};

// Runs the chosen runs again and compares their rows as they would be printed. K runs are
// drawn by the model's generator seeded with the sweep's S, so the same files and K check the
// same runs and a failure can be replayed.
void Verify(const std::map<std::int64_t, MergedRun>& ordered, const SweepPlan& plan,
            const RowFormat& format, MergeVerify verify) {
  std::vector<std::int64_t> chosen;
  for (const auto& [i, run] : ordered) chosen.push_back(i);
  const std::uint32_t seed = *plan.Design().params.Seed;
  if (!verify.all) {
    const std::size_t k = static_cast<std::size_t>(
        std::min<std::int64_t>(verify.runs, static_cast<std::int64_t>(chosen.size())));
    RandomGenerator random;
    random.Seed(seed);
    for (std::size_t n = 0; n < k; ++n) {  // the first k of a shuffle
      const auto left = static_cast<std::uint32_t>(chosen.size() - n);
      std::swap(chosen[n], chosen[n + random.Below(left)]);
    }
    chosen.resize(k);
    std::sort(chosen.begin(), chosen.end());
  }
  const std::atomic<bool> neverCancel{false};
  for (std::int64_t i : chosen) {
    const MergedRun& run = ordered.at(i);
    const auto again = RunOne(plan, i, seed, neverCancel);
    if (format.RunLine(*again) != run.file->runLines[run.index]) {
      std::string message = run.file->path + ": run " + std::to_string(i) +
                            " made again gives another row than the file holds";
      if (!verify.all) {
        message += " (--verify " + std::to_string(verify.runs) +
                   " chose its runs with the sweep's seed " + std::to_string(seed) + ")";
      }
      throw UsageError(message);
    }
  }
}

}  // namespace

std::vector<std::string> MergeShards(std::span<const std::string> paths, std::FILE* out,
                                     MergeVerify verify) {
  if (paths.empty()) throw UsageError("merge needs the files of the shards");
  std::vector<SweepFile> shards;
  for (const std::string& path : paths) shards.push_back(ReadSweepFile(path));
  SweepOptions options = shards.front().options;
  options.shard = {};
  const SweepPlan& plan = *shards.front().plan;
  CheckWhole(shards, plan);

  std::map<std::int64_t, MergedRun> ordered;
  for (const SweepFile& s : shards) {
    for (std::size_t k = 0; k < s.runs.size(); ++k)
      ordered.emplace(s.runs[k].run, MergedRun{&s, k});
  }
  const RowFormat format(options.format, plan);
  if (verify.all || verify.runs > 0) Verify(ordered, plan, format, verify);
  std::vector<std::string> lines;
  if (const std::string header = format.Header(); !header.empty()) lines.push_back(header);
  lines.push_back(format.SweepLine(*options.params.Seed, SweepCommand(options, false)));
  std::vector<RunRow> results;
  for (const auto& [i, run] : ordered) {
    lines.push_back(run.file->runLines[run.index]);
    results.push_back(run.file->runs[run.index]);
  }
  Summary summary = Summarize(plan, results);
  for (const SummaryRow& row : summary.rows) lines.push_back(format.SummaryLine(row));
  // Everything is checked before the first line is written.
  LineWriter writer(out);
  for (const std::string& line : lines) writer.WriteLine(line);
  writer.Flush();
  return summary.messages;
}

}  // namespace segsim

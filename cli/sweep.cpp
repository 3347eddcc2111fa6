#include "cli/sweep.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <thread>

#include <unistd.h>

#include "cli/stop_signals.h"
#include "cli/sweep_summary.h"
#include "measures/run_results.h"
#include "measures/simulation.h"
#include "model/random.h"

namespace segsim {

namespace {

// Runs 0 … count - 1 of a job list on worker threads; the results are taken in order.
class ParallelRuns {
public:
  using Work = std::function<std::optional<RunRow>(std::int64_t, const std::atomic<bool>&)>;

  ParallelRuns(std::int64_t count, std::int32_t jobs, Work work)
      : count_(count), work_(std::move(work)) {
    for (std::int32_t t = 0; t < jobs; ++t) threads_.emplace_back([this] { Loop(); });
  }
  ~ParallelRuns() {
    Cancel();
    for (std::thread& t : threads_) t.join();
  }
  ParallelRuns(const ParallelRuns&) = delete;
  ParallelRuns& operator=(const ParallelRuns&) = delete;

  // No job starts from now on; those in flight end early and give nothing.
  void Cancel() { cancel_.store(true); }

  // Job j's result once it is done, or nothing after the wait. Rethrows a worker's error.
  std::optional<RunRow> Take(std::int64_t j, std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    ready_.wait_for(lock, wait, [&] { return error_ || done_.contains(j); });
    if (error_) std::rethrow_exception(error_);
    const auto found = done_.find(j);
    if (found == done_.end()) return std::nullopt;
    RunRow row = std::move(found->second);
    done_.erase(found);
    return row;
  }

private:
  void Loop() {
    while (!cancel_.load()) {
      const std::int64_t j = next_.fetch_add(1);
      if (j >= count_) return;
      try {
        std::optional<RunRow> row = work_(j, cancel_);
        if (!row) return;
        const std::lock_guard lock(mutex_);
        done_.emplace(j, std::move(*row));
      } catch (...) {
        const std::lock_guard lock(mutex_);
        if (!error_) error_ = std::current_exception();
        cancel_.store(true);
      }
      ready_.notify_all();
    }
  }

  const std::int64_t count_;
  const Work work_;
  std::atomic<bool> cancel_{false};
  std::atomic<std::int64_t> next_{0};
  std::mutex mutex_;
  std::condition_variable ready_;
  std::map<std::int64_t, RunRow> done_;
  std::exception_ptr error_;
  std::vector<std::thread> threads_;
};

void WriteLine(std::FILE* out, const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), out);
  std::fputc('\n', out);
}

std::int32_t JobCount(std::int32_t asked, std::int64_t runs) {
  std::int64_t jobs = asked > 0 ? asked : std::max(1u, std::thread::hardware_concurrency());
  return static_cast<std::int32_t>(std::max<std::int64_t>(1, std::min(jobs, runs)));
}

std::int64_t ShardRunCount(std::int64_t total, const ShardSpec& shard) {
  return total > shard.index ? (total - shard.index - 1) / shard.count + 1 : 0;
}

// Prints the shard's runs in run order as they complete, until all are printed or stop is set.
// Collects the results for the summary when results is given.
void PrintRuns(const SweepPlan& plan, const SweepOptions& options, const RowFormat& format,
               std::FILE* out, const std::atomic<bool>& stop, SweepProgress* progress,
               SweepOutcome& outcome, std::vector<RunResult>* results) {
  const ShardSpec shard = options.shard;
  ParallelRuns runs(outcome.runsPlanned, JobCount(options.jobs, outcome.runsPlanned),
                    [&](std::int64_t j, const std::atomic<bool>& cancel) {
                      return RunOne(plan, options, shard.index + j * shard.count, cancel);
                    });
  while (outcome.runsPrinted < outcome.runsPlanned) {
    if (stop.load()) {
      outcome.interrupted = true;
      return;
    }
    const auto row = runs.Take(outcome.runsPrinted, std::chrono::milliseconds(100));
    if (row) {
      if (progress) progress->BeforeOutput();
      WriteLine(out, format.RunLine(*row));
      std::fflush(out);
      if (results) results->push_back({double(row->value), double(row->clusters), row->meanIs});
      ++outcome.runsPrinted;
    }
    if (progress) progress->Update(outcome.runsPrinted, outcome.runsPlanned);
  }
}

}  // namespace

std::optional<RunRow> RunOne(const SweepPlan& plan, const SweepOptions& options,
                             std::int64_t run, const std::atomic<bool>& cancel) {
  const SetupParams setup = plan.RunSetup(run, options.params.Seed.value());
  Simulation sim;
  sim.InitSetup(setup);
  for (std::int32_t t = 0; t < options.steps; ++t) {
    if (cancel.load(std::memory_order_relaxed)) return std::nullopt;
    sim.Step();
  }
  const std::int64_t k = run / plan.RunsPerValue();
  RunRow row;
  row.run = run;
  row.value = plan.ValueAt(k);
  row.applied = plan.AppliedAt(k);
  row.seed = *setup.Seed;
  row.clusters = ClustersAbove(sim.Clusters(), options.clusterThreshold);
  const StepMeasures& m = sim.LastMeasures();
  row.meanIs = MeanSegregation(m.dissimilarity.segregation)
                   .value_or(std::numeric_limits<double>::quiet_NaN());
  row.segregation = m.dissimilarity.segregation;
  row.satisfaction = m.satisfaction;
  return row;
}

SweepOutcome RunSweep(const SweepOptions& given, std::FILE* out, const std::atomic<bool>& stop,
                      SweepProgress* progress) {
  SweepOptions options = given;
  if (!options.params.Seed) options.params.Seed = ClockSeed();
  const SweepPlan plan(options);
  const RowFormat format(options.format, options.param, plan.MaxGroups());
  if (const std::string header = format.Header(); !header.empty()) WriteLine(out, header);
  WriteLine(out, format.SweepLine(*options.params.Seed, SweepCommand(options, true)));
  std::fflush(out);

  SweepOutcome outcome;
  outcome.runsPlanned = ShardRunCount(plan.TotalRuns(), options.shard);
  const bool whole = options.shard.count == 1;
  std::vector<RunResult> results;
  PrintRuns(plan, options, format, out, stop, progress, outcome, whole ? &results : nullptr);
  if (progress) progress->Finish();
  if (outcome.interrupted || !whole) return outcome;
  SummaryRows summary = Summarize(format, results, plan.RunsPerValue(), options.degree);
  for (const std::string& line : summary.lines) WriteLine(out, line);
  std::fflush(out);
  outcome.messages = std::move(summary.messages);
  return outcome;
}

int SweepMain(const SweepOptions& options) {
  SweepOutcome outcome;
  {
    const StopSignals signals;
    std::optional<TerminalProgress> bar;
    if (isatty(STDERR_FILENO)) bar.emplace(stderr, isatty(STDOUT_FILENO) != 0);
    outcome = RunSweep(options, stdout, StopSignals::Stop(), bar ? &*bar : nullptr);
  }
  for (const std::string& message : outcome.messages) {
    std::fprintf(stderr, "segsim-cli: %s\n", message.c_str());
  }
  if (!outcome.interrupted) return 0;
  std::fprintf(stderr, "segsim-cli: stopped; %lld of %lld runs printed\n",
               static_cast<long long>(outcome.runsPrinted),
               static_cast<long long>(outcome.runsPlanned));
  return StopSignals::ExitStatus();
}

}  // namespace segsim

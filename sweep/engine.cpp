#include "sweep/engine.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace segsim {

namespace {

// WebAssembly built without threads (the page's worker, segsim-cli.js) runs each job in Take,
// on the caller's thread, in the same order and with the same results.
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
constexpr bool kThreads = false;
#else
constexpr bool kThreads = true;
#endif

// Runs 0 … count - 1 of a job list on worker threads; the results are taken in order.
class ParallelRuns {
public:
  using Work = std::function<std::optional<RunRow>(std::int64_t, const std::atomic<bool>&)>;

  ParallelRuns(std::int64_t count, std::int32_t jobs, Work work)
      : count_(count), work_(std::move(work)) {
    if (!kThreads) return;
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
    if (!kThreads) return j < count_ && !cancel_.load() ? work_(j, cancel_) : std::nullopt;
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

std::int32_t JobCount(std::int32_t asked, std::int64_t runs) {
  if (!kThreads) return 1;
  std::int64_t jobs = asked > 0 ? asked : std::max(1u, std::thread::hardware_concurrency());
  return static_cast<std::int32_t>(std::max<std::int64_t>(1, std::min(jobs, runs)));
}

}  // namespace

std::int64_t ShardRunCount(std::int64_t total, const ShardSpec& shard) {
  return total > shard.index ? (total - shard.index - 1) / shard.count + 1 : 0;
}

PlanOutcome RunPlan(const SweepPlan& plan, const RunPlanOptions& options, SweepSink& sink,
                    const std::atomic<bool>& stop) {
  const ShardSpec shard = options.shard;
  const std::uint32_t seed = plan.Design().params.Seed.value();
  PlanOutcome outcome;
  outcome.runsPlanned = ShardRunCount(plan.TotalRuns(), shard);
  const bool whole = shard.count == 1;
  std::vector<RunRow> kept;  // for the summary
  {
    ParallelRuns runs(outcome.runsPlanned, JobCount(options.jobs, outcome.runsPlanned),
                      [&](std::int64_t j, const std::atomic<bool>& cancel) {
                        return RunOne(plan, shard.index + j * shard.count, seed, cancel);
                      });
    while (outcome.runsDone < outcome.runsPlanned) {
      if (stop.load()) {
        outcome.interrupted = true;
        return outcome;
      }
      auto row = runs.Take(outcome.runsDone, std::chrono::milliseconds(100));
      if (row) {
        sink.Run(*row);
        ++outcome.runsDone;
        if (whole) {
          // The summary needs no per-group values of a one-parameter sweep.
          if (plan.AxisCount() == 1) {
            row->segregation.clear();
            row->satisfaction.clear();
          }
          kept.push_back(std::move(*row));
        }
      }
      sink.Progress(outcome.runsDone, outcome.runsPlanned);
    }
  }
  if (!whole) return outcome;
  Summary summary = Summarize(plan, kept);
  for (const SummaryRow& row : summary.rows) sink.Summary(row);
  outcome.messages = std::move(summary.messages);
  return outcome;
}

}  // namespace segsim

// Running a sweep: independent runs on worker threads, handed on in run order.
//
// A front end (the command line, a scripting module) builds a SweepDesign, makes its SweepPlan
// (which refuses a design no sweep can run), and hands RunPlan a sink:
//
//   SweepDesign design;
//   design.axes = {SweepAxis::Range(SweepParam::Threshold, 10, 80, 10),
//                SweepAxis::List(SweepParam::Groups, {2, 4, 8})};
//   design.runs = 5;
//   design.steps = 200;
//   design.params.Seed = 42;            // S; run i uses S + i
//   const SweepPlan plan(design);
//   RunPlan(plan, {.jobs = 2}, sink, stop);
//
// The sink receives every run's RunRow in run order, then the SummaryRows, on the calling
// thread; setting stop (from another thread or from the sink) cancels the runs in flight. The
// rows are those segsim-cli sweep prints, as numbers: cli/sweep_rows formats them.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "sweep/plan.h"
#include "sweep/run.h"
#include "sweep/summary.h"

namespace segsim {

// A shard of a sweep: the runs i with i mod count = index.
struct ShardSpec {
  std::int32_t index = 0;
  std::int32_t count = 1;
  friend bool operator==(const ShardSpec&, const ShardSpec&) = default;
};

// The runs of the shard.
std::int64_t ShardRunCount(std::int64_t totalRuns, const ShardSpec& shard);

// Receives a sweep's rows, always on the thread that called RunPlan.
class SweepSink {
public:
  virtual ~SweepSink() = default;
  // Each run of the shard, in run order, as soon as it and every earlier run are done.
  virtual void Run(const RunRow& row) = 0;
  // The summary rows, after the last run of a whole (unsharded) sweep.
  virtual void Summary(const SummaryRow& row) { (void)row; }
  // After every run and about ten times a second while none completes.
  virtual void Progress(std::int64_t runsDone, std::int64_t runsPlanned) {
    (void)runsDone;
    (void)runsPlanned;
  }
};

struct PlanOutcome {
  std::int64_t runsDone = 0;
  std::int64_t runsPlanned = 0;       // of the shard
  bool interrupted = false;           // stop was set before the last run
  std::vector<std::string> messages;  // the fits that could not be computed
};

struct RunPlanOptions {
  ShardSpec shard;        // {0, 1}: the whole sweep
  std::int32_t jobs = 0;  // worker threads; 0: every core
};

// Runs the plan's runs (or the shard's) with seed S = plan.Design().params.Seed (required) and
// hands each row to sink, then, for a whole sweep, the summary rows. Once stop is set no run
// starts, the runs in flight are abandoned and the summary is left out. An error of a run (or
// of the sink) ends the sweep and is raised again here.
PlanOutcome RunPlan(const SweepPlan& plan, const RunPlanOptions& options, SweepSink& sink,
                    const std::atomic<bool>& stop);

}  // namespace segsim

#include "cli/sweep.h"

#include <unistd.h>

#include "cli/stop_signals.h"
#include "model/random.h"
#include "sweep/engine.h"

namespace segsim {

namespace {

void WriteLine(std::FILE* out, const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), out);
  std::fputc('\n', out);
}

// Prints the engine's rows as they come.
class PrintingSink : public SweepSink {
public:
  PrintingSink(const RowFormat& format, std::FILE* out, SweepProgress* progress)
      : format_(format), out_(out), progress_(progress) {}

  void Run(const RunRow& row) override {
    if (progress_) progress_->BeforeOutput();
    WriteLine(out_, format_.RunLine(row));
    std::fflush(out_);
  }
  void Summary(const SummaryRow& row) override {
    if (progress_) progress_->BeforeOutput();
    WriteLine(out_, format_.SummaryLine(row));
  }
  void Progress(std::int64_t done, std::int64_t total) override {
    if (progress_) progress_->Update(done, total);
  }

private:
  const RowFormat& format_;
  std::FILE* out_;
  SweepProgress* progress_;
};

}  // namespace

SweepOutcome RunSweep(const SweepOptions& given, std::FILE* out, const std::atomic<bool>& stop,
                      SweepProgress* progress) {
  SweepOptions options = given;
  if (!options.params.Seed) options.params.Seed = ClockSeed();
  const SweepPlan plan = PlanOf(options);
  const RowFormat format(options.format, plan);
  if (const std::string header = format.Header(); !header.empty()) WriteLine(out, header);
  WriteLine(out, format.SweepLine(*options.params.Seed, SweepCommand(options, true)));
  std::fflush(out);

  PrintingSink sink(format, out, progress);
  PlanOutcome planned = RunPlan(plan, {options.shard, options.jobs}, sink, stop);
  if (progress) progress->Finish();
  std::fflush(out);
  SweepOutcome outcome;
  outcome.runsPrinted = planned.runsDone;
  outcome.runsPlanned = planned.runsPlanned;
  outcome.interrupted = planned.interrupted;
  outcome.messages = std::move(planned.messages);
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

#include "cli/sweep.h"

#include <unistd.h>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include "cli/output.h"
#include "cli/stop_signals.h"
#include "model/random.h"
#include "sweep/engine.h"

namespace segsim {

namespace {

// A terminal on fd: under Node (segsim-cli.js) Node knows, the C library's isatty does not.
#ifdef __EMSCRIPTEN__
EM_JS(int, NodeIsTerminal, (int fd), { return require('tty').isatty(fd) ? 1 : 0; });
bool IsTerminal(int fd) { return NodeIsTerminal(fd) != 0; }
#else
bool IsTerminal(int fd) { return isatty(fd) != 0; }
#endif

// Prints the engine's rows as they come, whole lines only, every write checked.
class PrintingSink : public SweepSink {
public:
  PrintingSink(const RowFormat& format, LineWriter& out, SweepProgress* progress)
      : format_(format), out_(out), progress_(progress) {}

  void Run(const RunRow& row) override {
    if (progress_) progress_->BeforeOutput();
    out_.WriteLine(format_.RunLine(row));
    out_.Flush();
  }
  void Summary(const SummaryRow& row) override {
    if (progress_) progress_->BeforeOutput();
    out_.WriteLine(format_.SummaryLine(row));
  }
  void Progress(std::int64_t done, std::int64_t total) override {
    if (progress_) progress_->Update(done, total);
  }

private:
  const RowFormat& format_;
  LineWriter& out_;
  SweepProgress* progress_;
};

}  // namespace

SweepOutcome RunSweep(const SweepOptions& given, std::FILE* out, const std::atomic<bool>& stop,
                      SweepProgress* progress) {
  SweepOptions options = given;
  if (!options.params.Seed) options.params.Seed = ClockSeed();
  const SweepPlan plan = PlanOf(options);
  const RowFormat format(options.format, plan);
  LineWriter writer(out);
  if (const std::string header = format.Header(); !header.empty()) writer.WriteLine(header);
  writer.WriteLine(format.SweepLine(*options.params.Seed, SweepCommand(options, true)));
  writer.Flush();

  if (progress) progress->SetCombinations(plan.RunsPerValue(), options.shard.count == 1);
  PrintingSink sink(format, writer, progress);
  PlanOutcome planned;
  try {
    planned = RunPlan(plan, {options.shard, options.jobs}, sink, stop);
  } catch (...) {
    if (progress) progress->Finish();
    throw;
  }
  if (progress) progress->Finish();
  writer.Flush();
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
    if (IsTerminal(STDERR_FILENO)) bar.emplace(stderr, IsTerminal(STDOUT_FILENO));
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

// The progress bar of segsim-cli sweep on a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace segsim {

// Told of every completed run, and now and then while none completes.
class SweepProgress {
public:
  virtual ~SweepProgress() = default;
  virtual void Update(std::int64_t done, std::int64_t total) = 0;
  // Before the first run: runs per combination of values, and whether the runs are the whole
  // sweep (so that complete combinations can be counted).
  virtual void SetCombinations(std::int32_t runsPerCombination, bool whole) {
    (void)runsPerCombination;
    (void)whole;
  }
  // Rows are about to be printed.
  virtual void BeforeOutput() {}
  // The sweep has ended, whole or not.
  virtual void Finish() {}
};

// One line redrawn in place at most ten times a second: a bar, the combinations and runs done
// of their totals, the time elapsed and an estimate of the time left. Finish erases the line. When
// the rows go to the same screen (sharesScreen), the line is erased before rows are printed and
// drawn again below them.
class TerminalProgress : public SweepProgress {
public:
  TerminalProgress(std::FILE* terminal, bool sharesScreen);
  void Update(std::int64_t done, std::int64_t total) override;
  void SetCombinations(std::int32_t runsPerCombination, bool whole) override;
  void BeforeOutput() override;
  void Finish() override;

  // The line for done of total runs after elapsed seconds (no carriage return).
  static std::string Line(std::int64_t done, std::int64_t total, double elapsed);
  // The same with the combinations done of their total before the runs, for a whole sweep of
  // runsPerCombination runs each (0: the combinations are not shown).
  static std::string Line(std::int64_t done, std::int64_t total, double elapsed,
                          std::int32_t runsPerCombination);

private:
  using Clock = std::chrono::steady_clock;
  std::FILE* terminal_;
  bool sharesScreen_;
  bool drawn_ = false;
  std::int32_t runsPerCombination_ = 0;  // 0: not shown
  Clock::time_point start_;
  Clock::time_point lastDraw_;
};

}  // namespace segsim

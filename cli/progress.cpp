#include "cli/progress.h"

#include <cmath>
#include <string>

namespace segsim {

namespace {

constexpr int kBarWidth = 24;

std::string Duration(double seconds) {
  const auto s = static_cast<std::int64_t>(std::llround(seconds));
  char text[32];
  if (s >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(s / 60),
                  static_cast<long long>(s % 60));
  }
  return text;
}

}  // namespace

TerminalProgress::TerminalProgress(std::FILE* terminal, bool sharesScreen)
    : terminal_(terminal), sharesScreen_(sharesScreen), start_(Clock::now()), lastDraw_(start_) {}

std::string TerminalProgress::Line(std::int64_t done, std::int64_t total, double elapsed) {
  return Line(done, total, elapsed, 0);
}

void TerminalProgress::SetCombinations(std::int32_t runsPerCombination, bool whole) {
  runsPerCombination_ = whole ? runsPerCombination : 0;
}

std::string TerminalProgress::Line(std::int64_t done, std::int64_t total, double elapsed,
                                   std::int32_t runsPerCombination) {
  const double fraction = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
  const int filled = static_cast<int>(fraction * kBarWidth);
  std::string line = "[";
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  line += "] ";
  if (runsPerCombination > 0) {
    line += std::to_string(done / runsPerCombination) + '/' +
            std::to_string(total / runsPerCombination) + " combinations  ";
  }
  line += std::to_string(done);
  line += '/';
  line += std::to_string(total);
  line += " runs  ";
  line += Duration(elapsed);
  line += " elapsed  ";
  if (done == 0) return line + "? left";
  const double left = elapsed / static_cast<double>(done) * static_cast<double>(total - done);
  return line + "~" + Duration(left) + " left";
}

void TerminalProgress::Update(std::int64_t done, std::int64_t total) {
  const auto now = Clock::now();
  const bool due = !drawn_ || done == total || now - lastDraw_ >= std::chrono::milliseconds(100);
  if (!due) return;
  lastDraw_ = now;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  std::fprintf(terminal_, "\r%s\033[K", Line(done, total, elapsed, runsPerCombination_).c_str());
  std::fflush(terminal_);
  drawn_ = true;
}

void TerminalProgress::BeforeOutput() {
  if (sharesScreen_ && drawn_) Finish();
}

void TerminalProgress::Finish() {
  std::fputs("\r\033[K", terminal_);
  std::fflush(terminal_);
  drawn_ = false;
}

}  // namespace segsim

// segsim-cli's output when the world goes wrong: a full device, a closed stdout, a file-size
// limit, a reader that goes away, Ctrl-C, and signals a script ignored before starting it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/run.h"
#include "cli_process.h"
#include "sweep_test_util.h"

namespace segsim {
namespace {

using namespace segsim::testing;
namespace fs = std::filesystem;

// The trace that run prints, written in process.
std::string Trace(const std::vector<std::string>& args) {
  return Capture([&](std::FILE* f) { RunTrace(ParseRunOptions(args), f); });
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++n;
  }
  return n;
}

TEST(Output, AFullDeviceOrAClosedStdoutFailsOnceWithItsCause) {
  struct Case {
    std::vector<std::string> args;
    Stdout out;
    std::string cause;
  };
  const std::vector<Case> cases = {
      {{"run", "--seed", "1", "--steps", "50", "--cell-size", "20"},
       Stdout::File,
       "No space left on device"},
      {{"run", "--seed", "1", "--steps", "5", "--cell-size", "20", "--summary"},
       Stdout::File,
       "No space left on device"},
      {{"run", "--help"}, Stdout::File, "No space left on device"},
      {{"run", "--seed", "1", "--steps", "5", "--cell-size", "20"},
       Stdout::Closed,
       "Bad file descriptor"},
      {{"sweep", "--help"}, Stdout::Closed, "Bad file descriptor"},
  };
  for (const Case& c : cases) {
    Child child = StartCli(c.args, {c.out, "/dev/full", {}});
    const Ended e = Finish(child);
    EXPECT_EQ(e.status, 1) << c.args[1] << " " << c.cause;
    EXPECT_EQ(Count(e.err, "segsim-cli: cannot write to standard output: " + c.cause), 1u) << e.err;
  }
}

// Past the limit the file is cut back to whole lines: what stays is the start of the trace.
TEST(Output, AFileSizeLimitLeavesOnlyWholeLines) {
  const std::vector<std::string> args = {"--seed",      "4",  "--steps",  "30",
                                         "--cell-size", "12", "--groups", "40"};
  const fs::path path = fs::temp_directory_path() / ("segsim_limit_" + std::to_string(getpid()));
  std::vector<std::string> command = args;
  command.insert(command.begin(), "run");
  Child child = StartCli(command, {Stdout::File, path.string(), {}, 100 * 1024});
  const Ended e = Finish(child);
  std::ifstream in(path, std::ios::binary);
  std::stringstream written;
  written << in.rdbuf();
  fs::remove(path);
  const std::string whole = Trace(args);
  ASSERT_GT(whole.size(), 100u * 1024);
  EXPECT_EQ(e.status, 1);
  EXPECT_NE(e.err.find("cannot write to standard output: File too large"), std::string::npos)
      << e.err;
  ASSERT_FALSE(written.str().empty());
  EXPECT_EQ(written.str().back(), '\n');
  EXPECT_EQ(whole.rfind(written.str(), 0), 0u);
}

// Like `segsim-cli run | head`: the run ends as soon as it writes again, without a message,
// whether SIGPIPE ends it or, ignored, EPIPE does.
TEST(Output, AReaderThatGoesEndsTheRunAtOnceAndQuietly) {
  for (const bool ignored : {false, true}) {
    Child child =
        StartCli({"run", "--seed", "1", "--steps", "2000000", "--cell-size", "60"},
                 {Stdout::Pipe, "", ignored ? std::vector<int>{SIGPIPE} : std::vector<int>{}});
    std::string out;
    ReadSome(child.out, out, 1);
    close(child.out);
    child.out = -1;
    const Ended e = Finish(child);
    EXPECT_EQ(e.status, 128 + SIGPIPE) << "SIGPIPE ignored: " << ignored;
    EXPECT_EQ(e.err, "");
  }
}

TEST(Output, CtrlCStopsARunAfterWholeLinesWithStatus130) {
  const std::vector<std::string> args = {"--seed", "2", "--steps", "2000000", "--cell-size", "60"};
  std::vector<std::string> command = args;
  command.insert(command.begin(), "run");
  Child child = StartCli(command);
  std::string out;
  ReadSome(child.out, out, 100 * 1024);
  kill(child.pid, SIGINT);
  const Ended e = Finish(child, out);
  EXPECT_EQ(e.status, 130);
  EXPECT_NE(e.err.find("segsim-cli: stopped after step "), std::string::npos) << e.err;
  ASSERT_FALSE(e.out.empty());
  EXPECT_EQ(e.out.back(), '\n');
  const std::size_t steps = Lines(e.out).size() - 1;
  EXPECT_LT(steps, 2000000u);
  EXPECT_EQ(e.out, Trace({"--seed", "2", "--steps", std::to_string(steps), "--cell-size", "60"}));
}

// A background job of a script starts with SIGINT ignored; Ctrl-C in the terminal must not
// stop it.
TEST(Output, ASignalIgnoredAtTheStartStaysIgnored) {
  const std::vector<std::string> run = {"--seed", "3", "--steps", "5000", "--cell-size", "60"};
  const std::vector<std::string> sweep = {
      "--param",     "threshold", "--from", "10", "--to",    "60",
      "--increment", "10",        "--runs", "2",  "--steps", "200",
      "--cell-size", "20",        "--seed", "5",  "--jobs",  "2"};
  for (const auto& [command, args] : {std::pair{"run", run}, std::pair{"sweep", sweep}}) {
    std::vector<std::string> line = args;
    line.insert(line.begin(), command);
    Child child = StartCli(line, {Stdout::Pipe, "", {SIGINT}});
    std::string out;
    ReadSome(child.out, out, 1);
    kill(child.pid, SIGINT);
    const Ended e = Finish(child, out);
    EXPECT_EQ(e.status, 0) << command;
    EXPECT_EQ(e.out, std::string(command) == "run" ? Trace(args) : SweepText(args)) << command;
  }
}

}  // namespace
}  // namespace segsim

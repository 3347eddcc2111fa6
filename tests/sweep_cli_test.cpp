// segsim-cli sweep and merge as a person runs them: exit status, stdout, stderr, Ctrl-C.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sweep_test_util.h"

extern char** environ;

namespace segsim {
namespace {

using namespace segsim::testing;
namespace fs = std::filesystem;

struct Finished {
  int status = -1;  // exit status, or 128 + the signal that ended it
  std::string out, err;
};

int StatusOf(int wait) { return WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait); }

std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs segsim-cli with stdout and stderr in files (so stderr is no terminal).
Finished RunCli(std::vector<std::string> args) {
  args.insert(args.begin(), SEGSIM_CLI);
  const fs::path dir = fs::temp_directory_path();
  const std::string out = (dir / ("segsim_cli_out_" + std::to_string(getpid()))).string();
  const std::string err = (dir / ("segsim_cli_err_" + std::to_string(getpid()))).string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  auto argv = Argv(args);
  Finished f;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int wait = 0;
    waitpid(pid, &wait, 0);
    f.status = StatusOf(wait);
  }
  posix_spawn_file_actions_destroy(&actions);
  f.out = ReadFile(out);
  f.err = ReadFile(err);
  fs::remove(out);
  fs::remove(err);
  return f;
}

TEST(SweepCommand, BadOptionsGiveAReasonStatus2AndNothingOnStdout) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"sweep", "--from", "2"}, "sweep needs --param"},
      {{"sweep", "--param", "groups", "--from", "2", "--to", "4", "--increment", "0", "--runs", "3",
        "--steps", "5"},
       "the sweep would not end"},
      {{"sweep", "--param", "groups", "--from", "2", "--to", "4", "--increment", "1", "--runs", "0",
        "--steps", "5"},
       "--runs must be at least 1"},
      {{"sweep", "--param", "groups", "--from", "2", "--to", "4", "--increment", "1", "--runs", "3",
        "--steps", "5", "--shard", "0/2"},
       "--shard needs --seed"},
      {{"sweep", "--param", "groups", "--steps", "x"}, "the value of --steps is no integer"},
      {{"merge"}, "merge needs the files of the shards"},
      {{"merge", "/nonexistent/shard.csv"}, "/nonexistent/shard.csv: cannot be read"},
  };
  for (const auto& [args, message] : cases) {
    const Finished f = RunCli(args);
    EXPECT_EQ(f.status, 2) << message;
    EXPECT_EQ(f.out, "") << message;
    EXPECT_NE(f.err.find(message), std::string::npos) << f.err;
  }
}

TEST(SweepCommand, PrintsOnlyToStdoutWhenStderrIsNoTerminal) {
  auto args = SmallSweep();
  args.insert(args.begin(), "sweep");
  const Finished f = RunCli(args);
  EXPECT_EQ(f.status, 0);
  EXPECT_EQ(f.err, "");
  EXPECT_EQ(f.out, SweepText(SmallSweep()));
}

TEST(SweepCommand, AFitThatCannotBeComputedStillEndsWithStatus0) {
  auto args = SmallSweep({"--to", "3"});  // two values, degree 3
  args.insert(args.begin(), "sweep");
  const Finished f = RunCli(args);
  EXPECT_EQ(f.status, 0);
  EXPECT_EQ(CsvRows(f.out, "run").size(), 6u);
  EXPECT_EQ(CsvRows(f.out, "clusters_no_fit").size(), 1u);
  EXPECT_NE(f.err.find("no polynomial fit of degree 3 for clusters: Cannot process fitting"),
            std::string::npos)
      << f.err;
}

// Ctrl-C after the first run: the rows printed are whole and the sweep's own, status 130.
TEST(SweepCommand, CtrlCKeepsThePrintedRowsAndEndsWith130) {
  const std::vector<std::string> sweep = {
      "--param",     "threshold", "--from", "10", "--to",    "60",
      "--increment", "10",        "--runs", "20", "--steps", "300",
      "--cell-size", "10",        "--seed", "5",  "--jobs",  "2"};
  std::vector<std::string> args = sweep;
  args.insert(args.begin(), {SEGSIM_CLI, "sweep"});
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  auto argv = Argv(args);
  ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);

  std::string out;
  bool signalled = false;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
    out.append(buffer, static_cast<std::size_t>(n));
    if (!signalled && Lines(out).size() >= 3) {  // header, sweep row, run 0
      kill(pid, SIGINT);
      signalled = true;
    }
  }
  close(pipeEnds[0]);
  int wait = 0;
  waitpid(pid, &wait, 0);
  EXPECT_EQ(StatusOf(wait), 130);

  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.back(), '\n');
  const SweepOptions options = ParseSweepOptions(sweep);
  const SweepPlan plan = PlanOf(options);
  const RowFormat format(options.format, options.param, plan.MaxGroups());
  const auto rows = CsvRows(out, "run");
  EXPECT_LT(rows.size(), 120u);
  EXPECT_TRUE(CsvRows(out, "clusters_average").empty());
  const std::atomic<bool> go{false};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto row = RunOne(plan, std::int64_t(i), *options.params.Seed, go);
    EXPECT_EQ(Lines(out)[i + 2], format.RunLine(*row));
  }
}

}  // namespace
}  // namespace segsim

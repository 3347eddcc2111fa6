// Runs the built segsim-cli as a person or a script runs it: stdout to a pipe, a file or closed,
// signals ignored from the start, a file-size limit.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace segsim::testing {

enum class Stdout { Pipe, File, Closed };

struct ChildSetup {
  Stdout out = Stdout::Pipe;
  std::string path;          // Stdout::File: where stdout goes
  std::vector<int> ignored;  // signals ignored when the program starts
  rlim_t fileSizeLimit = RLIM_INFINITY;
};

struct Child {
  pid_t pid = -1;
  int out = -1;  // read end of stdout (Stdout::Pipe)
  int err = -1;  // read end of stderr
};

inline Child StartCli(std::vector<std::string> args, const ChildSetup& setup = {}) {
  args.insert(args.begin(), SEGSIM_CLI);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int out[2] = {-1, -1};
  int err[2] = {-1, -1};
  if (setup.out == Stdout::Pipe && pipe(out) != 0) return {};
  if (pipe(err) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (setup.out == Stdout::Pipe) {
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
  } else if (setup.out == Stdout::File) {
    posix_spawn_file_actions_addopen(&actions, 1, setup.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
  } else {
    posix_spawn_file_actions_addclose(&actions, 1);
  }
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawn_file_actions_addclose(&actions, err[0]);
  posix_spawn_file_actions_addclose(&actions, err[1]);
  // Ignored signals and resource limits pass to the child: set them here for the spawn only.
  std::vector<struct sigaction> old(setup.ignored.size());
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  for (std::size_t i = 0; i < setup.ignored.size(); ++i) {
    sigaction(setup.ignored[i], &ignore, &old[i]);
  }
  rlimit oldLimit{};
  getrlimit(RLIMIT_FSIZE, &oldLimit);
  rlimit limit = oldLimit;
  limit.rlim_cur = setup.fileSizeLimit;
  setrlimit(RLIMIT_FSIZE, &limit);
  Child child;
  if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    child.pid = -1;
  }
  setrlimit(RLIMIT_FSIZE, &oldLimit);
  for (std::size_t i = 0; i < setup.ignored.size(); ++i) {
    sigaction(setup.ignored[i], &old[i], nullptr);
  }
  posix_spawn_file_actions_destroy(&actions);
  if (setup.out == Stdout::Pipe) close(out[1]);
  close(err[1]);
  child.out = out[0];
  child.err = err[0];
  return child;
}

// Appends what fd holds until its end (or, with limit, until text holds at least limit bytes).
inline bool ReadSome(int fd, std::string& text, std::size_t limit = std::string::npos) {
  char buffer[4096];
  while (text.size() < limit) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

struct Ended {
  int status = -1;  // exit status, or 128 + the signal that ended it
  std::string out, err;
};

// Reads the rest of stdout and stderr and waits for the child.
inline Ended Finish(Child& child, std::string out = {}) {
  Ended e;
  e.out = std::move(out);
  if (child.out >= 0) {
    ReadSome(child.out, e.out);
    close(child.out);
  }
  ReadSome(child.err, e.err);
  close(child.err);
  int wait = 0;
  waitpid(child.pid, &wait, 0);
  e.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
  return e;
}

}  // namespace segsim::testing

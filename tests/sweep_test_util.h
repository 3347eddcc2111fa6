// Helpers of the sweep tests: running a sweep into a string, and reading its rows back.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "cli/row_parse.h"
#include "cli/sweep.h"
#include "cli/sweep_options.h"

namespace segsim::testing {

// A test with a folder of its own, removed afterwards, and files written into it.
class TempDirTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("segsim_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& text) {
    const std::filesystem::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  std::filesystem::path dir_;
};

// What write printed into a FILE*.
inline std::string Capture(const std::function<void(std::FILE*)>& write) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* f = open_memstream(&buffer, &size);
  write(f);
  std::fclose(f);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}

// A small, quick sweep over the groups: 3 values of 3 runs of 5 steps on a 35 x 35 grid.
inline std::vector<std::string> SmallSweep(std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"--param",     "groups", "--from", "2", "--to",    "4",
                                   "--increment", "1",      "--runs", "3", "--steps", "5",
                                   "--cell-size", "20",     "--seed", "11"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

inline std::string SweepText(const std::vector<std::string>& args, SweepOutcome* outcome = nullptr,
                             SweepProgress* progress = nullptr) {
  const std::atomic<bool> stop{false};
  return Capture([&](std::FILE* f) {
    const SweepOutcome o = RunSweep(ParseSweepOptions(args), f, stop, progress);
    if (outcome) *outcome = o;
  });
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// The CSV rows of one kind, split into their fields.
inline std::vector<std::vector<std::string>> CsvRows(const std::string& text,
                                                     const std::string& kind) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : Lines(text)) {
    auto fields = SplitCsv(line);
    if (fields && !fields->empty() && (*fields)[0] == kind) rows.push_back(*fields);
  }
  return rows;
}

// CSV columns.
inline constexpr std::size_t kValueColumn = 2, kRunColumn = 3, kClustersColumn = 5,
                             kMeanIsColumn = 6, kAppliedColumn = 7;

}  // namespace segsim::testing

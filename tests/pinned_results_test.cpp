// The model's results pinned to stored values. Every other test compares the program with itself
// (two runs, fast counts against the direct count), so a change that alters every result would
// still pass them; this one does not. When a change is meant to alter results, the stored values
// below change in the same commit, and its message gives the reason.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/json.h"
#include "cli/options.h"
#include "cli/trace.h"
#include "measures/simulation.h"

namespace segsim {
namespace {

struct Pinned {
  const char* name;
  std::vector<std::string> args;  // options of segsim-cli run
  // Stored results: a hash of the whole trace, and a few values to read at a glance.
  std::uint64_t traceHash;
  std::int32_t agents;           // agents placed
  std::int32_t movedLast;        // moves at the last step
  std::int32_t unsatisfiedLast;  // unsatisfied agents at the last step
  const char* satisfaction1;     // group 1's average satisfaction at the last step, as printed
};

// FNV-1a, 64 bits.
std::uint64_t Hash(const std::string& text) {
  std::uint64_t h = 14695981039346656037ull;
  for (const unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

struct Result {
  std::uint64_t traceHash = 0;
  std::int32_t agents = 0, movedLast = 0, unsatisfiedLast = 0;
  std::string satisfaction1;
};

// What `segsim-cli run` prints for the options, hashed, and the readable values.
Result Compute(const std::vector<std::string>& args) {
  const RunOptions options = ParseRunOptions(args);
  Simulation sim;
  sim.InitSetup(options.params);
  std::string trace = SetupLine(sim.Model()) + "\n";
  for (std::int32_t t = 0; t < options.steps; ++t) {
    sim.Step();
    trace += StepLine(sim) + "\n";
  }
  Result r;
  r.traceHash = Hash(trace);
  r.agents = sim.Model().AgentCountUsed();
  r.movedLast = sim.Model().LastPass().moved;
  r.unsatisfiedLast = sim.Model().LastPass().unsatisfied;
  json::AppendNumber(r.satisfaction1, sim.LastMeasures().satisfaction.at(0));
  return r;
}

std::string Stored(const Result& r) {
  char text[160];
  std::snprintf(text, sizeof text, "0x%016" PRIx64 "ull, %d, %d, %d, \"%s\"", r.traceHash, r.agents,
                r.movedLast, r.unsatisfiedLast, r.satisfaction1.c_str());
  return text;
}

const std::vector<Pinned> kPinned = {
    {"defaults",
     {"--seed", "1", "--steps", "100"},
     0xe5f8d397867f5a43ull,
     12783,
     0,
     0,
     "41.825495981740765"},
    {"radius 20",
     {"--seed", "2", "--steps", "100", "--radius", "20"},
     0x17c0073ae59f6969ull,
     12783,
     1,
     9,
     "35.40394804582432"},
    {"one group",
     {"--seed", "3", "--steps", "100", "--groups", "1", "--threshold", "100"},
     0x4c3197a77742b532ull,
     12783,
     0,
     12783,
     "100"},
    {"many groups",
     {"--seed", "4", "--steps", "100", "--groups", "40", "--cell-size", "8"},
     0x799cc6aa8ae26864ull,
     7191,
     21,
     415,
     "36.26290401904585"},
    {"capped agents",
     {"--seed", "5", "--steps", "100", "--agents", "20000", "--cell-size", "12"},
     0x4f40bb8c6990c301ull,
     3196,
     0,
     0,
     "40.26549641133933"},
    {"tile size 7",
     {"--seed", "6", "--steps", "100", "--tile-size", "7", "--threshold", "45"},
     0xcb16f1a87d322897ull,
     12783,
     2,
     28,
     "82.41495872499326"},
};

TEST(PinnedResults, TheModelGivesTheStoredResults) {
  for (const Pinned& p : kPinned) {
    const Result r = Compute(p.args);
    const bool same = r.traceHash == p.traceHash && r.agents == p.agents &&
                      r.movedLast == p.movedLast && r.unsatisfiedLast == p.unsatisfiedLast &&
                      r.satisfaction1 == p.satisfaction1;
    EXPECT_TRUE(same)
        << "\n*** RESULTS CHANGED (" << p.name << ") ***\n"
        << "The model no longer gives the stored results for these settings. If the change is\n"
        << "meant to alter results, replace the stored values in tests/pinned_results_test.cpp\n"
        << "in the same commit and say in its message why the results change. If it is not,\n"
        << "the change has a fault.\n"
        << "stored: "
        << Stored({p.traceHash, p.agents, p.movedLast, p.unsatisfiedLast, p.satisfaction1})
        << "\nnow:    " << Stored(r) << "\n";
  }
}

}  // namespace
}  // namespace segsim

#include "model/count_cost.h"

#include <algorithm>

#include "model/neighbour_counts.h"

namespace segsim {

namespace {

// Measured on this 2-core machine (see the figures in EstimateCountCosts).
constexpr double kWalkCellNs = 0.45;   // one cell of the square, the grid in cache
constexpr double kSumEntryNs = 0.05;   // one entry of a run (16 at a time)
constexpr double kCountFixedNs = 6;    // a count's own bookkeeping (either method)
constexpr double kSumsFixedNs = 8;     // the sums' corrections for pending cells
constexpr double kLineL2Ns = 2;        // a cache line at random within 512 KiB
constexpr double kLineL3Ns = 12;       // ... within 8 MiB
constexpr double kLineMemNs = 45;      // ... beyond
constexpr double kMoveShare = 0.15;    // changes of a cell per count, over a whole run
constexpr double kBuildEntryNs = 0.4;  // one plane entry of a build
constexpr double kCountsPerCellRun = 40;  // counts per cell over a run (setup and 30 steps)

double LineNs(double bytes) {
  if (bytes <= 512.0 * 1024) return kLineL2Ns;
  if (bytes <= 8.0 * 1024 * 1024) return kLineL3Ns;
  return kLineMemNs;
}

}  // namespace

CountCosts EstimateCountCosts(std::int32_t cols, std::int32_t rows, std::int32_t radius,
                              std::int32_t groups) {
  const double cells = static_cast<double>(cols) * rows;
  const double w = 2.0 * radius + 1;
  const double across = std::min<double>(w, cols);
  const double down = std::min<double>(w, rows);
  // The walk: every cell of the square from the States (2 bytes) and Occupied flags (1 byte) of
  // its rows, one or more lines of each array per row.
  const double walkLine = LineNs(cells * 3);
  const double walk =
      kCountFixedNs + w * w * kWalkCellNs + down * (2 + across * 3 / 64) * walkLine;
  // The sums: two runs of one row, a change of a cell (a move's share) writes w entries of a
  // column in each of two planes, and a build per setup.
  const double entry = w <= NeighbourCounts::kMaxNarrowWidth ? 1 : 2;
  const double planes = static_cast<double>(
      NeighbourCounts::BytesFor(cols, rows, radius, groups));
  const double sumLine = LineNs(planes);
  const double sums = kCountFixedNs + kSumsFixedNs + 2 * across * kSumEntryNs +
                      2 * (1 + across * entry / 64) * sumLine +
                      kMoveShare * 4 * down * sumLine +
                      planes / entry * kBuildEntryNs / (cells * kCountsPerCellRun);
  return {walk, sums};
}

bool SumsPay(std::int32_t cols, std::int32_t rows, std::int32_t radius, std::int32_t groups) {
  const CountCosts c = EstimateCountCosts(cols, rows, radius, groups);
  return c.sums < c.walk;
}

}  // namespace segsim

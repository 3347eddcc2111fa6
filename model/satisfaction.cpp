#include <algorithm>
#include <cassert>

#include "model/model.h"
#include "model/numeric.h"

namespace segsim {

namespace {

struct RunCount {
  std::int64_t same = 0;
  std::int64_t other = 0;
  RunCount& operator+=(const RunCount& c) {
    same += c.same;
    other += c.other;
    return *this;
  }
  RunCount Times(std::int64_t n) const { return {same * n, other * n}; }
};

// Cells from..from + length - 1 of one row (no wrap).
RunCount CountRun(const std::uint16_t* states, const std::uint8_t* occupied, std::int32_t from,
                  std::int32_t length, std::int32_t centreState) {
  std::int32_t s = 0;
  std::int32_t o = 0;
  for (std::int32_t i = from; i < from + length; ++i) {
    const bool isSame = states[i] == centreState;
    s += isSame;
    o += !isSame & (occupied[i] != 0);
  }
  return {s, o};
}

// `width` cells of one row from column x, wrapped round the torus as often as the width asks: a
// square wider than the grid counts each cell once per appearance, `width / cols` times for
// every cell plus once more for the remaining `width % cols` cells from x.
RunCount CountRow(const std::uint16_t* states, const std::uint8_t* occupied, std::int32_t x,
                  std::int64_t width, std::int32_t cols, std::int32_t centreState) {
  RunCount c;
  if (const std::int64_t full = width / cols; full > 0) {
    c += CountRun(states, occupied, 0, cols, centreState).Times(full);
  }
  const auto part = static_cast<std::int32_t>(width % cols);
  const std::int32_t first = std::min(part, cols - x);
  c += CountRun(states, occupied, x, first, centreState);
  c += CountRun(states, occupied, 0, part - first, centreState);
  return c;
}

}  // namespace

// The comparison is by State alone: the centre always counts as same, free cells of another
// State are not counted, and an occupied cell whose State is 0 (the moving agent's old cell
// during an evaluation) counts as other for every group.
NeighbourCount Model::CountNeighbours(std::int32_t column, std::int32_t row) const {
  return CountNeighboursAs({column, row}, grid_.At({column, row}).State());
}

NeighbourCount Model::CountNeighboursDirect(std::int32_t column, std::int32_t row) const {
  const std::int32_t centreState = grid_.At({column, row}).State();
  const std::int32_t r = settings_.NeighbourRadius;
  const std::int32_t cols = grid_.Cols();
  const std::int32_t rows = grid_.Rows();
  const std::int64_t width = 2 * static_cast<std::int64_t>(r) + 1;
  RunCount total;
  if (width > 0) {
    const GridPos corner =
        grid_.Wrapped(static_cast<std::int64_t>(column) - r, static_cast<std::int64_t>(row) - r);
    auto countRow = [&](std::int32_t y) {
      return CountRow(grid_.StateRow(y), grid_.OccupiedRow(y), corner.column, width, cols,
                      centreState);
    };
    // Rows as columns: every row width / rows times, then width % rows rows from the corner.
    if (const std::int64_t full = width / rows; full > 0) {
      RunCount all;
      for (std::int32_t y = 0; y < rows; ++y) all += countRow(y);
      total += all.Times(full);
    }
    for (std::int64_t k = 0; k < width % rows; ++k) {
      total += countRow(static_cast<std::int32_t>((corner.row + k) % rows));
    }
  }
  // The radius is limited so that (2r + 1)^2 fits 32-bit counts.
  return {static_cast<std::int32_t>(total.same), static_cast<std::int32_t>(total.other)};
}

void Model::SetCountMethod(CountMethod method) {
  countMethod_ = method;
  if (HasModel()) ApplyCountMethod();
}

void Model::ApplyCountMethod() {
  const ModelSettings& s = settings_;
  const bool sums = countMethod_ == CountMethod::kSums ||
                    (countMethod_ == CountMethod::kCheaper &&
                     NeighbourCounts::SumsCheaper(s.Cols, s.Rows, s.NeighbourRadius, s.GroupCount));
  if (sums) {
    if (!grid_.Counts().Active()) grid_.BuildNeighbourCounts(s.NeighbourRadius, s.GroupCount);
  } else {
    grid_.DropNeighbourCounts();
  }
  // The direct method counts every time (the fast ones keep fresh marks in quiet passes,
  // MoveAgents).
  if (countMethod_ == CountMethod::kDirect) grid_.DropFreshMarks();
}

namespace {

// A square of at most this many cells has its percentages in a table (r <= 7: 256 x 256 entries).
constexpr std::int64_t kMaxTabledTotal = 255;

// Quotient and product in extended precision, one rounding to double at the end: a share that
// is a whole percentage (11 of 20) comes out as exactly that number, which decides ties at the
// threshold.
double PercentOf(std::int32_t same, std::int32_t total) {
  return total > 0 ? static_cast<double>(Percent(same, total)) : 0.0;
}

}  // namespace

void Model::BuildPercentTable() {
  const std::int64_t width = 2 * static_cast<std::int64_t>(settings_.NeighbourRadius) + 1;
  percents_.clear();
  maxTotal_ = -1;
  if (width <= 0 || width * width > kMaxTabledTotal) return;
  maxTotal_ = static_cast<std::int32_t>(width * width);
  const auto stride = static_cast<std::size_t>(maxTotal_) + 1;
  percents_.assign(stride * stride, 0.0);
  for (std::int32_t total = 1; total <= maxTotal_; ++total) {
    for (std::int32_t same = 0; same <= total; ++same) {
      percents_[static_cast<std::size_t>(same) * stride + total] = PercentOf(same, total);
    }
  }
}

double Model::Percent(std::int32_t same, std::int32_t total) const {
  if (total <= maxTotal_ && same >= 0 && same <= total) {
    return percents_[static_cast<std::size_t>(same) * (static_cast<std::size_t>(maxTotal_) + 1) +
                     static_cast<std::size_t>(total)];
  }
  return PercentOf(same, total);
}

void Model::CalcSatisfaction(std::int32_t column, std::int32_t row, double& s) {
  // A fresh cell's stored value is what the count would give.
  if (grid_.IsFresh({column, row})) {
    s = grid_.At({column, row}).Satisfaction();
    return;
  }
  const NeighbourCount c = CountNeighbours(column, row);
  s = Percent(c.same, c.same + c.other);
  grid_.SetSatisfaction({column, row}, s, true);
  // An agent's StoredAbove is kept by its own turns; a value stored at its cell from elsewhere
  // is caught by the grid's count of writes.
}

void Model::CountOwn(TAgent& agent, GridPos here, double* value) {
  if (grid_.IsFresh(here)) {
    if (value) *value = grid_.At(here).Satisfaction();
    return;
  }
  // The cell holds the agent's group: its State is not read (on a big grid it stands at a
  // random place).
  assert(grid_.At(here).State() == agent.Group);
  const NeighbourCount c = CountNeighboursAs(here, agent.Group);
  const double s = Percent(c.same, c.same + c.other);
  grid_.SetSatisfaction(here, s, true);
  agent.StoredAbove = s > TestThreshold(agent.Group);
  if (value) *value = s;
}

}  // namespace segsim

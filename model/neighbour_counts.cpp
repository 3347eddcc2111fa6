#include "model/neighbour_counts.h"

#include <algorithm>
#include <cstring>

namespace segsim {

namespace {

// Entries read past the end of the last row by the 8-entry loads of a count.
constexpr std::size_t kSlack = 8;

using U16x8 = std::uint16_t __attribute__((vector_size(16)));

inline U16x8 Load8(const std::uint16_t* p) {
  U16x8 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline std::uint32_t LaneSum(U16x8 v) {
  std::uint32_t s = 0;
  for (int i = 0; i < 8; ++i) s += v[i];
  return s;
}

// Sums of two planes over the same run of one row, entry by entry in 32 bits; a count stays
// below (2r + 1)^2 < 2^31 for every radius served.
inline void SumRun(const std::uint16_t* a, const std::uint16_t* b, std::int64_t begin,
                   std::int64_t end, std::uint32_t& sumA, std::uint32_t& sumB) {
  std::uint32_t sa = 0;
  std::uint32_t sb = 0;
  for (std::int64_t i = begin; i < end; ++i) {
    sa += a[i];
    sb += b[i];
  }
  sumA += sa;
  sumB += sb;
}

std::int32_t PadFor(std::int32_t cols, std::int32_t radius) {
  const std::int64_t width = 2 * static_cast<std::int64_t>(radius) + 1;
  return width < cols ? static_cast<std::int32_t>(width - 1) : 0;
}

}  // namespace

std::size_t NeighbourCounts::BytesFor(std::int32_t cols, std::int32_t rows, std::int32_t radius,
                                      std::int32_t groups) {
  const std::size_t stride = static_cast<std::size_t>(cols) + PadFor(cols, radius);
  return ((static_cast<std::size_t>(groups) + 1) * stride * static_cast<std::size_t>(rows) +
          kSlack) * sizeof(std::uint16_t);
}

bool NeighbourCounts::Pays(std::int32_t cols, std::int32_t rows, std::int32_t radius,
                           std::int32_t groups) {
  if (cols < 1 || rows < 1 || groups < 1) return false;
  if (radius < kMinRadius || radius > kMaxRadius) return false;
  const std::size_t bytes = BytesFor(cols, rows, radius, groups);
  const auto width = static_cast<std::size_t>(2 * radius + 1);
  return bytes <= kMaxBytes && bytes <= kBytesPerSquareCell * width * width;
}

void NeighbourCounts::Clear() {
  active_ = false;
  planes_.clear();
  planes_.shrink_to_fit();
  freeHolders_.clear();
  pendingCount_ = 0;
  cols_ = rows_ = radius_ = groups_ = pad_ = 0;
  cells_ = stride_ = planeSize_ = 0;
}

void NeighbourCounts::Build(std::int32_t cols, std::int32_t rows, std::int32_t radius,
                            std::int32_t groups, const std::int32_t* states,
                            const std::uint8_t* occupied) {
  Clear();
  if (cols < 1 || rows < 1 || radius < 0 || radius > kMaxRadius || groups < 1) return;
  cols_ = cols;
  rows_ = rows;
  radius_ = radius;
  groups_ = groups;
  cells_ = static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows);
  width_ = 2 * static_cast<std::int64_t>(radius) + 1;
  fullRows_ = static_cast<std::int32_t>(width_ / rows);
  partRows_ = static_cast<std::int32_t>(width_ % rows);
  fullCols_ = static_cast<std::int32_t>(width_ / cols);
  partCols_ = static_cast<std::int32_t>(width_ % cols);
  radiusRows_ = radius % rows;
  radiusCols_ = radius % cols;
  pad_ = PadFor(cols, radius);
  stride_ = static_cast<std::size_t>(cols) + pad_;
  planeSize_ = stride_ * static_cast<std::size_t>(rows);
  planes_.assign((static_cast<std::size_t>(groups) + 1) * planeSize_ + kSlack, 0);

  // Adds `times` copies of grid row `source` into row `target` of every plane.
  auto addRow = [&](std::int32_t target, std::int32_t source, std::uint16_t times) {
    const std::size_t from = static_cast<std::size_t>(source) * cols;
    const std::size_t to = static_cast<std::size_t>(target) * stride_;
    for (std::int32_t x = 0; x < cols; ++x) {
      const std::int32_t state = states[from + x];
      if (occupied[from + x]) Plane(0)[to + x] += times;
      if (IsGroup(state)) Plane(state)[to + x] += times;
    }
  };

  // Row 0's strip starts at row -r: every row fullRows_ times, partRows_ rows once more.
  std::int32_t start = WrapOnce(-radiusRows_, rows);
  for (std::int32_t y = 0; y < rows; ++y) {
    const std::int32_t offset = WrapOnce(y - start, rows);
    const auto times = static_cast<std::uint16_t>(fullRows_ + (offset < partRows_ ? 1 : 0));
    if (times > 0) addRow(0, y, times);
  }
  // Each next strip drops its first row and takes the row after its last.
  for (std::int32_t y = 1; y < rows; ++y) {
    for (std::int32_t k = 0; k <= groups; ++k) {
      std::uint16_t* plane = Plane(k);
      std::copy_n(plane + (y - 1) * stride_, cols, plane + y * stride_);
    }
    const std::int32_t entering = WrapOnce(start + partRows_, rows);
    if (entering != start) {
      addRow(y, entering, 1);
      addRow(y, start, static_cast<std::uint16_t>(-1));
    }
    start = WrapOnce(start + 1, rows);
  }
  FillPads();

  for (std::size_t i = 0; i < cells_; ++i) {
    if (!occupied[i] && IsGroup(states[i])) {
      freeHolders_.push_back(
          {{static_cast<std::int32_t>(i % cols), static_cast<std::int32_t>(i / cols)}, states[i]});
    }
  }
  active_ = true;
}

void NeighbourCounts::FillPads() {
  if (pad_ == 0) return;
  for (std::int32_t k = 0; k <= groups_; ++k) {
    std::uint16_t* plane = Plane(k);
    for (std::int32_t y = 0; y < rows_; ++y) {
      std::uint16_t* row = plane + y * stride_;
      std::copy_n(row, pad_, row + cols_);
    }
  }
}

void NeighbourCounts::AddToStrips(std::int32_t k, GridPos p, int delta) {
  std::uint16_t* column = Plane(k) + p.column;
  const std::size_t step = stride_;
  // A column near the left edge also has a copy behind its row.
  const std::size_t copy = p.column < pad_ ? static_cast<std::size_t>(cols_) : 0;
  if (fullRows_ > 0) {
    const auto all = static_cast<std::uint16_t>(fullRows_ * delta);
    for (std::int32_t y = 0; y < rows_; ++y) column[y * step] += all;
    if (copy) {
      for (std::int32_t y = 0; y < rows_; ++y) column[y * step + copy] += all;
    }
  }
  // The strips of rows p.row - r .. p.row + r hold p (for a strip taller than the grid: the last
  // partRows_ of them once more).
  const std::int32_t first = WrapOnce(WrapOnce(p.row + radiusRows_, rows_) - partRows_ + 1, rows_);
  const auto d = static_cast<std::uint16_t>(delta);
  const std::int32_t firstRun = std::min(partRows_, rows_ - first);
  std::uint16_t* e = column + first * step;
  for (std::int32_t i = 0; i < firstRun; ++i, e += step) {
    e[0] += d;
    e[copy] += copy ? d : 0;
  }
  e = column;
  for (std::int32_t i = firstRun; i < partRows_; ++i, e += step) {
    e[0] += d;
    e[copy] += copy ? d : 0;
  }
}

void NeighbourCounts::RemoveFreeHolder(GridPos p) {
  for (std::size_t i = 0; i < freeHolders_.size(); ++i) {
    if (freeHolders_[i].p == p) {
      freeHolders_[i] = freeHolders_.back();
      freeHolders_.pop_back();
      return;
    }
  }
}

void NeighbourCounts::Apply(GridPos p, Content from, Content to) {
  if (from.state != to.state) {
    if (IsGroup(from.state)) AddToStrips(from.state, p, -1);
    if (IsGroup(to.state)) AddToStrips(to.state, p, +1);
  }
  if (from.occupied != to.occupied) AddToStrips(0, p, to.occupied ? +1 : -1);
  if (!from.occupied && IsGroup(from.state)) RemoveFreeHolder(p);
  if (!to.occupied && IsGroup(to.state)) freeHolders_.push_back({p, to.state});
}

void NeighbourCounts::Flush() {
  for (std::size_t i = 0; i < pendingCount_; ++i) {
    Apply(pending_[i].p, pending_[i].planes, pending_[i].now);
  }
  pendingCount_ = 0;
}

void NeighbourCounts::Change(GridPos p, Content before, Content after) {
  if (!active_ || before == after) return;
  for (std::size_t i = 0; i < pendingCount_; ++i) {
    Pending& e = pending_[i];
    if (e.p == p) {
      e.now = after;
      // Back to what the planes hold: nothing left to correct.
      if (e.now == e.planes) e = pending_[--pendingCount_];
      return;
    }
  }
  if (pendingCount_ == kMaxPending) Flush();
  pending_[pendingCount_++] = {p, before, after};
}

bool NeighbourCounts::Count(GridPos p, std::int32_t state, std::int32_t& same,
                            std::int32_t& other) const {
  if (!active_ || !IsGroup(state) || freeHolders_.size() > kMaxFreeHolders) return false;
  const std::size_t row = static_cast<std::size_t>(p.row) * stride_;
  const std::uint16_t* group = Plane(state) + row;
  const std::uint16_t* occupied = Plane(0) + row;
  const std::int32_t x0 = WrapOnce(p.column - radiusCols_, cols_);
  std::uint32_t sameSum = 0;
  std::uint32_t occupiedSum = 0;
  if (NarrowSquares()) {
    // One contiguous run of w entries from x0, eight at a time in 16-bit lanes (w <= 255 keeps
    // a lane's sum below 2^16); the last load is masked to the run.
    const std::uint16_t* g = group + x0;
    const std::uint16_t* o = occupied + x0;
    const auto w = static_cast<std::int32_t>(width_);
    U16x8 sg = {};
    U16x8 so = {};
    std::int32_t i = 0;
    for (; i + 8 <= w; i += 8) {
      sg += Load8(g + i);
      so += Load8(o + i);
    }
    if (i < w) {
      const U16x8 lane = {0, 1, 2, 3, 4, 5, 6, 7};
      const U16x8 mask = lane < static_cast<std::uint16_t>(w - i);
      sg += Load8(g + i) & mask;
      so += Load8(o + i) & mask;
    }
    sameSum = LaneSum(sg);
    occupiedSum = LaneSum(so);
  } else {
    if (fullCols_ > 0) {
      SumRun(group, occupied, 0, cols_, sameSum, occupiedSum);
      sameSum *= static_cast<std::uint32_t>(fullCols_);
      occupiedSum *= static_cast<std::uint32_t>(fullCols_);
    }
    // Within the padded row while w < Cols; a square at least as wide as the grid has no pad
    // and its remaining run may wrap.
    const std::int64_t firstRun = pad_ > 0 ? partCols_ : std::min(partCols_, cols_ - x0);
    SumRun(group, occupied, x0, x0 + firstRun, sameSum, occupiedSum);
    SumRun(group, occupied, 0, partCols_ - firstRun, sameSum, occupiedSum);
  }
  std::int64_t sameCount = sameSum;
  std::int64_t otherCount = static_cast<std::int64_t>(occupiedSum) - sameSum;
  // A free cell holding the centre's State is same but was taken off the occupied sum.
  for (const FreeHolder& h : freeHolders_) {
    if (h.state == state) otherCount += Appearances(p, h.p);
  }
  // A pending cell counts as it is now, not as the planes hold it.
  for (std::size_t i = 0; i < pendingCount_; ++i) {
    const Pending& e = pending_[i];
    const std::int64_t times = Appearances(p, e.p);
    if (times == 0) continue;
    sameCount += times * ((e.now.state == state) - (e.planes.state == state));
    otherCount += times * ((e.now.state != state && e.now.occupied) -
                           (e.planes.state != state && e.planes.occupied));
  }
  same = static_cast<std::int32_t>(sameCount);
  other = static_cast<std::int32_t>(otherCount);
  return true;
}

}  // namespace segsim

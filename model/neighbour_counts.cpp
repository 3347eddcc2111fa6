#include "model/neighbour_counts.h"

#include <algorithm>
#include <cstring>

#include "model/count_cost.h"

namespace segsim {

namespace {

// Entries read past the end of the last row by the 16-entry loads of a count.
constexpr std::size_t kSlack = 16;

// Sums of two planes over the same run of one row, entry by entry in 32 bits; a count stays
// below (2r + 1)^2 < 2^31 for every radius served.
template <class E>
inline void SumRun(const E* a, const E* b, std::int64_t begin, std::int64_t end,
                   std::uint32_t& sumA, std::uint32_t& sumB) {
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
  const std::size_t entry = 2 * static_cast<std::int64_t>(radius) + 1 <= kMaxNarrowWidth ? 1 : 2;
  return ((static_cast<std::size_t>(groups) + 1) * stride * static_cast<std::size_t>(rows) +
          kSlack) *
         entry;
}

bool NeighbourCounts::SumsCheaper(std::int32_t cols, std::int32_t rows, std::int32_t radius,
                                  std::int32_t groups) {
  if (cols < 1 || rows < 1 || groups < 1 || radius < 0 || radius > kMaxRadius) return false;
  return segsim::SumsCheaper(radius, groups);
}

void NeighbourCounts::Clear() {
  active_ = false;
  runsOnly_ = false;
  storage_ = {};
  freeHolders_ = {};
  pendingCount_ = 0;
  cols_ = rows_ = radius_ = groups_ = pad_ = 0;
  cells_ = stride_ = planeSize_ = 0;
}

void NeighbourCounts::Build(std::int32_t cols, std::int32_t rows, std::int32_t radius,
                            std::int32_t groups, const std::uint16_t* states,
                            const std::uint8_t* occupied) {
  Clear();
  if (cols < 1 || rows < 1 || radius < 0 || radius > kMaxRadius || groups < 1) return;
  SetGeometry(cols, rows, radius, groups);
  const std::size_t entries = (static_cast<std::size_t>(groups) + 1) * planeSize_ + kSlack;
  storage_.assign(narrow_ ? (entries + 1) / 2 : entries, 0);
  if (narrow_) {
    BuildStrips<std::uint8_t>(states, occupied);
    FillPads<std::uint8_t>();
  } else {
    BuildStrips<std::uint16_t>(states, occupied);
    FillPads<std::uint16_t>();
  }
  CollectFreeHolders(states, occupied);
  active_ = true;
  runsOnly_ = narrow_ && fullCols_ == 0;
}

void NeighbourCounts::SetGeometry(std::int32_t cols, std::int32_t rows, std::int32_t radius,
                                  std::int32_t groups) {
  cols_ = cols;
  rows_ = rows;
  radius_ = radius;
  groups_ = groups;
  cells_ = static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows);
  width_ = 2 * static_cast<std::int64_t>(radius) + 1;
  narrow_ = width_ <= kMaxNarrowWidth;
  fullRows_ = static_cast<std::int32_t>(width_ / rows);
  partRows_ = static_cast<std::int32_t>(width_ % rows);
  fullCols_ = static_cast<std::int32_t>(width_ / cols);
  partCols_ = static_cast<std::int32_t>(width_ % cols);
  radiusRows_ = radius % rows;
  radiusCols_ = radius % cols;
  pad_ = PadFor(cols, radius);
  stride_ = static_cast<std::size_t>(cols) + pad_;
  planeSize_ = stride_ * static_cast<std::size_t>(rows);
}

// Adds `times` copies of grid row `source` into row `target` of every plane.
template <class E>
void NeighbourCounts::AddRow(std::int32_t target, std::int32_t source, E times,
                             const std::uint16_t* states, const std::uint8_t* occupied) {
  const std::size_t from = static_cast<std::size_t>(source) * cols_;
  const std::size_t to = static_cast<std::size_t>(target) * stride_;
  E* occupiedPlane = Plane<E>(0) + to;
  for (std::int32_t x = 0; x < cols_; ++x) {
    const std::int32_t state = states[from + x];
    if (occupied[from + x]) occupiedPlane[x] += times;
    if (IsGroup(state)) Plane<E>(state)[to + x] += times;
  }
}

// Row 0's strip starts at row -r: every row fullRows_ times, partRows_ rows once more. Each next
// strip is the one before less its first row and plus the row after its last.
template <class E>
void NeighbourCounts::BuildStrips(const std::uint16_t* states, const std::uint8_t* occupied) {
  std::int32_t start = WrapOnce(-radiusRows_, rows_);
  for (std::int32_t y = 0; y < rows_; ++y) {
    const std::int32_t offset = WrapOnce(y - start, rows_);
    const auto times = static_cast<E>(fullRows_ + (offset < partRows_ ? 1 : 0));
    if (times > 0) AddRow<E>(0, y, times, states, occupied);
  }
  for (std::int32_t y = 1; y < rows_; ++y) {
    for (std::int32_t k = 0; k <= groups_; ++k) {
      E* plane = Plane<E>(k);
      std::copy_n(plane + (y - 1) * stride_, cols_, plane + y * stride_);
    }
    const std::int32_t entering = WrapOnce(start + partRows_, rows_);
    if (entering != start) {
      AddRow<E>(y, entering, E{1}, states, occupied);
      AddRow<E>(y, start, static_cast<E>(-1), states, occupied);
    }
    start = WrapOnce(start + 1, rows_);
  }
}

template <class E>
void NeighbourCounts::FillPads() {
  if (pad_ == 0) return;
  for (std::int32_t k = 0; k <= groups_; ++k) {
    E* plane = Plane<E>(k);
    for (std::int32_t y = 0; y < rows_; ++y) {
      E* row = plane + y * stride_;
      std::copy_n(row, pad_, row + cols_);
    }
  }
}

void NeighbourCounts::CollectFreeHolders(const std::uint16_t* states,
                                         const std::uint8_t* occupied) {
  for (std::size_t i = 0; i < cells_; ++i) {
    if (!occupied[i] && IsGroup(states[i])) {
      freeHolders_.push_back(
          {{static_cast<std::int32_t>(i % cols_), static_cast<std::int32_t>(i / cols_)},
           states[i]});
    }
  }
}

void NeighbourCounts::AddToStrips(std::int32_t k, GridPos p, int delta) {
  if (narrow_) {
    AddToStripsOf<std::uint8_t>(k, p, delta);
  } else {
    AddToStripsOf<std::uint16_t>(k, p, delta);
  }
}

template <class E>
void NeighbourCounts::AddToStripsOf(std::int32_t k, GridPos p, int delta) {
  E* column = Plane<E>(k) + p.column;
  const std::size_t step = stride_;
  // A column near the left edge also has a copy behind its row.
  const std::size_t copy = p.column < pad_ ? static_cast<std::size_t>(cols_) : 0;
  if (fullRows_ > 0) {
    const auto all = static_cast<E>(fullRows_ * delta);
    for (std::int32_t y = 0; y < rows_; ++y) column[y * step] += all;
    if (copy) {
      for (std::int32_t y = 0; y < rows_; ++y) column[y * step + copy] += all;
    }
  }
  // The strips of rows p.row - r .. p.row + r hold p (for a strip taller than the grid: the last
  // partRows_ of them once more).
  const std::int32_t first = WrapOnce(WrapOnce(p.row + radiusRows_, rows_) - partRows_ + 1, rows_);
  const auto d = static_cast<E>(delta);
  const std::int32_t firstRun = std::min(partRows_, rows_ - first);
  E* e = column + first * step;
  for (std::int32_t i = 0; i < firstRun; ++i, e += step) {
    e[0] += d;
    if (copy) e[copy] += d;
  }
  e = column;
  for (std::int32_t i = firstRun; i < partRows_; ++i, e += step) {
    e[0] += d;
    if (copy) e[copy] += d;
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

void NeighbourCounts::PrefetchMove(GridPos from, GridPos to, std::int32_t group) const {
  // Planes that fit in the cache are there already; the hints would only cost their addresses.
  if (!active_ || Bytes() < kCachedBytes) return;
  PrefetchStrips(0, from);
  PrefetchStrips(0, to);
  if (IsGroup(group)) {
    PrefetchStrips(group, from);
    PrefetchStrips(group, to);
  }
}

void NeighbourCounts::PrefetchStrips(std::int32_t k, GridPos p) const {
  if (fullRows_ > 0) return;  // strips taller than the grid: every row changes
  const char* column = PlaneBytes(k) + static_cast<std::size_t>(p.column) * (narrow_ ? 1 : 2);
  const std::size_t rowBytes = stride_ * (narrow_ ? 1 : 2);
  std::int32_t y = WrapOnce(p.row - radiusRows_, rows_);
  for (std::int32_t i = 0; i < partRows_; ++i) {
    PrefetchLine(column + static_cast<std::size_t>(y) * rowBytes);
    if (++y == rows_) y = 0;
  }
}

bool NeighbourCounts::CountCandidate(GridPos target, std::int32_t group, GridPos here,
                                     std::int32_t targetState, std::int32_t& same,
                                     std::int32_t& other) const {
  std::int32_t s = 0;
  std::int32_t o = 0;
  if (!Count(target, group, s, o)) return false;
  // The target is free: counted as same once it holds the group, unless it held it already.
  const std::int64_t atTarget = targetState == group ? 0 : Appearances(target, target);
  // The agent's own cell turns from same into other.
  const std::int64_t atHere = Appearances(target, here);
  same = static_cast<std::int32_t>(s + atTarget - atHere);
  other = static_cast<std::int32_t>(o + atHere);
  return true;
}

bool NeighbourCounts::CountGeneral(GridPos p, std::int32_t state, std::int32_t& same,
                                   std::int32_t& other) const {
  if (!active_ || !IsGroup(state) || freeHolders_.size() > kMaxFreeHolders) return false;
  std::uint32_t sameSum = 0;
  std::uint32_t occupiedSum = 0;
  if (narrow_) {
    SumSquare<std::uint8_t>(p, state, sameSum, occupiedSum);
  } else {
    SumSquare<std::uint16_t>(p, state, sameSum, occupiedSum);
  }
  std::int64_t sameCount = sameSum;
  std::int64_t otherCount = static_cast<std::int64_t>(occupiedSum) - sameSum;
  CorrectFreeHolders(p, state, otherCount);
  CorrectPending(p, state, sameCount, otherCount);
  same = static_cast<std::int32_t>(sameCount);
  other = static_cast<std::int32_t>(otherCount);
  return true;
}

// The square's 2r + 1 strips are one run of one row of each plane: a contiguous run of w entries
// from x0 while the square is narrower than the grid (the row's padding holds the wrapped part),
// else every column fullCols_ times and partCols_ columns from x0 once more, wrapping.
template <class E>
void NeighbourCounts::SumSquare(GridPos p, std::int32_t state, std::uint32_t& sameSum,
                                std::uint32_t& occupiedSum) const {
  const std::size_t row = static_cast<std::size_t>(p.row) * stride_;
  const E* group = Plane<E>(state) + row;
  const E* occupied = Plane<E>(0) + row;
  const std::int32_t x0 = WrapOnce(p.column - radiusCols_, cols_);
  if constexpr (sizeof(E) == 1) {
    if (fullCols_ == 0) {
      SumByteRuns(group + x0, occupied + x0, static_cast<std::int32_t>(width_), sameSum,
                  occupiedSum);
      return;
    }
  }
  if (fullCols_ > 0) {
    SumRun(group, occupied, 0, cols_, sameSum, occupiedSum);
    sameSum *= static_cast<std::uint32_t>(fullCols_);
    occupiedSum *= static_cast<std::uint32_t>(fullCols_);
  }
  // Within the padded row while w < Cols; a square at least as wide as the grid has no pad and
  // its remaining run may wrap.
  const std::int64_t firstRun = pad_ > 0 ? partCols_ : std::min(partCols_, cols_ - x0);
  SumRun(group, occupied, x0, x0 + firstRun, sameSum, occupiedSum);
  SumRun(group, occupied, 0, partCols_ - firstRun, sameSum, occupiedSum);
}

// A free cell holding the centre's State is same but was taken off the occupied sum.
void NeighbourCounts::CorrectFreeHolders(GridPos p, std::int32_t state, std::int64_t& other) const {
  for (const FreeHolder& h : freeHolders_) {
    if (h.state == state) other += Appearances(p, h.p);
  }
}

// A pending cell counts as it is now, not as the planes hold it.
void NeighbourCounts::CorrectPending(GridPos p, std::int32_t state, std::int64_t& same,
                                     std::int64_t& other) const {
  for (std::size_t i = 0; i < pendingCount_; ++i) {
    const Pending& e = pending_[i];
    const std::int64_t times = Appearances(p, e.p);
    if (times == 0) continue;
    same += times * ((e.now.state == state) - (e.planes.state == state));
    other += times * ((e.now.state != state && e.now.occupied) -
                      (e.planes.state != state && e.planes.occupied));
  }
}

}  // namespace segsim

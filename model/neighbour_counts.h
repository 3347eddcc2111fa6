// Per-group window sums from which the SameCount and OtherCount of any cell follow in O(r).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/byte_sums.h"
#include "model/cell.h"
#include "model/prefetch.h"
#include "model/settings.h"

namespace segsim {

// Kept beside the grid's State and Occupied arrays and changed with them.
//
// Planes. Plane 0 counts occupied cells, plane g (1..G) cells whose State is g (occupied or not).
// Entry [row][column] of a plane is the plane's count over the vertical strip of the 2r + 1 rows
// row - r .. row + r of that column, wrapped round the torus; a strip taller than the grid counts a
// repeated row once per appearance. The square about (column, row) is the 2r + 1 strips of the
// columns column - r .. column + r, so with s the centre's State (1..G)
//   same  = sum of plane s over that run of one row,
//   other = sum of plane 0 over the run - same + (free cells of State s in the square),
// where the last term, the free cells that hold a group, is corrected cell by cell from a short
// list (a running model has none in its planes: an evaluation's target only waits among the
// pending changes below).
// Cells of State 0 or of a State outside 1..G appear in no group plane, so an occupied cell of
// State 0 (the moving agent's old cell during an evaluation) counts as other for every group.
// Changes wait. A change of a cell's State or Occupied flag is first kept in a short list of
// pending cells, each with the content the planes hold for it and its content now; a count
// corrects for them cell by cell. A cell that returns to the content the planes hold leaves the
// list without touching a plane. When the list is full, or at Flush, its cells are written into
// the planes. (The relocation flushes after every move, which a count then finds written: a
// correction on every later count costs more than the write. It asks for the strip entries of a
// move with PrefetchMove as soon as the search has found the target.) The evaluation of a move
// records nothing: CountCandidate corrects a count for the two cells it changes.
// Each row of a plane carries, after its Cols entries, copies of its first 2r entries, so that
// the run of a square that crosses the right edge is still one contiguous run (while the square
// is no wider than the grid).
//
// Costs with w = 2r + 1: a count reads w contiguous entries of one row of two planes, plus a
// few operations per pending cell; a cell written into the planes costs w entries (2w near the
// left edge) of one column for each plane it changes (a move: 4 columns in all); memory is
// (G + 1) x (Cols + 2r) x Rows entries of one byte while w <= 255 (a strip count fits a byte),
// else of two; a build reads every cell once per plane.
class NeighbourCounts {
public:
  // Largest radius served: a square's counts, up to (2r + 1)^2, must fit 32-bit counts and a
  // strip count, up to 2r + 1, a 16-bit entry.
  static constexpr std::int32_t kMaxRadius = kMaxNeighbourRadius;
  // Strips up to this tall keep one-byte entries.
  static constexpr std::int64_t kMaxNarrowWidth = 255;
  // More free cells holding a group than this (only a scene set by hand makes them) and a count
  // is left to the straightforward walk, since each costs a correction per count.
  static constexpr std::size_t kMaxFreeHolders = 16;
  // Cells whose change may wait: a move's two cells and an evaluation's two. Each costs every
  // count a correction, so the list stays short.
  static constexpr std::size_t kMaxPending = 4;

  // Planes up to this size stay in the cache between a move's search and its writes.
  static constexpr std::size_t kCachedBytes = std::size_t{512} << 10;

  // Bytes the planes of a grid take.
  static std::size_t BytesFor(std::int32_t cols, std::int32_t rows, std::int32_t radius,
                              std::int32_t groups);
  // Whether the sums are cheaper for a model of this grid, radius and group count than walking
  // the square at every count (SumsCheaper of count_cost.h), and can be built for it at all.
  static bool SumsCheaper(std::int32_t cols, std::int32_t rows, std::int32_t radius,
                          std::int32_t groups);

  bool Active() const { return active_; }
  std::int32_t Radius() const { return radius_; }
  std::int32_t Groups() const { return groups_; }
  std::size_t Bytes() const { return storage_.size() * sizeof(std::uint16_t); }
  // One-byte entries: strips no taller than kMaxNarrowWidth.
  bool NarrowEntries() const { return narrow_; }

  // Frees the planes; counts are then no longer kept.
  void Clear();
  // Builds the planes from the grid's compact arrays (row-major, Cols x Rows).
  void Build(std::int32_t cols, std::int32_t rows, std::int32_t radius, std::int32_t groups,
             const std::uint16_t* states, const std::uint8_t* occupied);

  // What the counts know of a cell.
  struct Content {
    std::int32_t state = 0;
    bool occupied = false;
    friend bool operator==(const Content&, const Content&) = default;
  };
  // The cell at p changes from `before` to `after`.
  void Change(GridPos p, Content before, Content after);
  // Writes every pending change into the planes.
  void Flush();

  // The counts of the square about p for a centre of State `state`, as the straightforward walk
  // finds them. False, with nothing written, when the counts cannot say: a State outside 1..G,
  // or too many free cells holding a group.
  bool Count(GridPos p, std::int32_t state, std::int32_t& same, std::int32_t& other) const {
    // The usual case inline: one-byte entries, a square narrower than the grid, nothing to
    // correct for.
    if (runsOnly_ && pendingCount_ == 0 && freeHolders_.empty() && IsGroup(state)) {
      const std::size_t at = static_cast<std::size_t>(p.row) * stride_ +
                             static_cast<std::size_t>(WrapOnce(p.column - radiusCols_, cols_));
      std::uint32_t sameSum = 0;
      std::uint32_t occupiedSum = 0;
      SumByteRuns(NarrowPlane(state) + at, NarrowPlane(0) + at, static_cast<std::int32_t>(width_),
                  sameSum, occupiedSum);
      same = static_cast<std::int32_t>(sameSum);
      other = static_cast<std::int32_t>(occupiedSum - sameSum);
      return true;
    }
    return CountGeneral(p, state, same, other);
  }

  // Whether every free cell holds State 0 or a State outside 1..G, as far as the counts know
  // (no free cell holding a group and no change pending): then a free cell's State need not be
  // read to count at it.
  bool FreeCellsHoldNoGroup() const { return freeHolders_.empty() && pendingCount_ == 0; }

  // The counts at the free cell `target` for a centre of State `group` as an evaluation asks
  // for them (Model::EvaluateCandidate): `target` holding the group and `here`, the moving
  // agent's occupied cell, holding State 0, without a change of either being recorded.
  // `targetState` is the State `target` holds now. False when the counts cannot say.
  bool CountCandidate(GridPos target, std::int32_t group, GridPos here, std::int32_t targetState,
                      std::int32_t& same, std::int32_t& other) const;

  // Asks the memory system for the rows a later Count at p will read (a hint; no effect on
  // results).
  void Prefetch(GridPos p, std::int32_t state) const {
    if (!active_ || !IsGroup(state)) return;
    std::int32_t x0 = p.column - radiusCols_;
    if (x0 < 0) x0 += cols_;
    const std::size_t entry = narrow_ ? 1 : 2;
    const std::size_t at = (static_cast<std::size_t>(p.row) * stride_ + x0) * entry;
    const auto run = static_cast<std::size_t>(std::min<std::int64_t>(width_, cols_)) * entry;
    const char* group = PlaneBytes(state) + at;
    const char* occupied = PlaneBytes(0) + at;
    PrefetchLine(group);
    PrefetchLine(occupied);
    PrefetchLine(group + run - 1);
    PrefetchLine(occupied + run - 1);
  }

  // Asks the memory system for the strip entries a move of an agent of the group from `from` to
  // `to` changes (a hint).
  void PrefetchMove(GridPos from, GridPos to, std::int32_t group) const;

  // How often the square about `centre` covers the cell p.
  std::int64_t Appearances(GridPos centre, GridPos p) const {
    const std::int32_t x0 = WrapOnce(centre.column - radiusCols_, cols_);
    const std::int32_t y0 = WrapOnce(centre.row - radiusRows_, rows_);
    const std::int64_t across = fullCols_ + (WrapOnce(p.column - x0, cols_) < partCols_ ? 1 : 0);
    const std::int64_t down = fullRows_ + (WrapOnce(p.row - y0, rows_) < partRows_ ? 1 : 0);
    return across * down;
  }

private:
  struct FreeHolder {
    GridPos p;
    std::int32_t state;
  };
  struct Pending {
    GridPos p;
    Content planes;  // what the planes hold
    Content now;
  };

  // Plane k with entries of type E (std::uint8_t while narrow_, else std::uint16_t).
  template <class E>
  E* Plane(std::int32_t k) {
    return reinterpret_cast<E*>(storage_.data()) + static_cast<std::size_t>(k) * planeSize_;
  }
  template <class E>
  const E* Plane(std::int32_t k) const {
    return reinterpret_cast<const E*>(storage_.data()) + static_cast<std::size_t>(k) * planeSize_;
  }
  const std::uint8_t* NarrowPlane(std::int32_t k) const {
    return reinterpret_cast<const std::uint8_t*>(storage_.data()) +
           static_cast<std::size_t>(k) * planeSize_;
  }
  bool CountGeneral(GridPos p, std::int32_t state, std::int32_t& same, std::int32_t& other) const;
  const char* PlaneBytes(std::int32_t k) const {
    return reinterpret_cast<const char*>(storage_.data()) +
           static_cast<std::size_t>(k) * planeSize_ * (narrow_ ? 1 : 2);
  }
  // The steps of Build: the geometry of strips and rows, the planes' strips, the padding, the
  // list of free cells that hold a group.
  void SetGeometry(std::int32_t cols, std::int32_t rows, std::int32_t radius, std::int32_t groups);
  template <class E>
  void BuildStrips(const std::uint16_t* states, const std::uint8_t* occupied);
  template <class E>
  void AddRow(std::int32_t target, std::int32_t source, E times, const std::uint16_t* states,
              const std::uint8_t* occupied);
  template <class E>
  void FillPads();
  void CollectFreeHolders(const std::uint16_t* states, const std::uint8_t* occupied);
  // The steps of Count: the sums of the two planes over the square's run, then the corrections
  // for free cells holding a group and for pending cells.
  template <class E>
  void SumSquare(GridPos p, std::int32_t state, std::uint32_t& sameSum,
                 std::uint32_t& occupiedSum) const;
  void CorrectFreeHolders(GridPos p, std::int32_t state, std::int64_t& other) const;
  void CorrectPending(GridPos p, std::int32_t state, std::int64_t& same, std::int64_t& other) const;
  bool IsGroup(std::int32_t state) const { return state >= 1 && state <= groups_; }
  // Adds delta to the strips of plane k that contain the cell p.
  void AddToStrips(std::int32_t k, GridPos p, int delta);
  template <class E>
  void AddToStripsOf(std::int32_t k, GridPos p, int delta);
  // v mod n for v in -n .. 2n - 1.
  static std::int32_t WrapOnce(std::int32_t v, std::int32_t n) {
    if (v < 0) return v + n;
    if (v >= n) return v - n;
    return v;
  }
  void RemoveFreeHolder(GridPos p);
  // Writes one cell's change into the planes.
  void Apply(GridPos p, Content from, Content to);
  // Asks the memory system for the strip entries Apply will change (a hint).
  void PrefetchStrips(std::int32_t k, GridPos p) const;

  bool active_ = false;
  bool narrow_ = false;
  bool runsOnly_ = false;  // active, one-byte entries and squares narrower than the grid
  std::int32_t cols_ = 0;
  std::int32_t rows_ = 0;
  std::int32_t radius_ = 0;
  std::int32_t groups_ = 0;
  std::size_t cells_ = 0;
  std::size_t stride_ = 0;               // entries per plane row: Cols + pad_
  std::size_t planeSize_ = 0;            // Rows x stride_
  std::int32_t pad_ = 0;                 // 2r while the square is narrower than the grid, else 0
  std::int64_t width_ = 0;               // 2r + 1
  std::int32_t fullRows_ = 0;            // times a strip covers every row: w / Rows
  std::int32_t partRows_ = 0;            // rows it covers once more: w % Rows
  std::int32_t fullCols_ = 0;            // the same across: w / Cols
  std::int32_t partCols_ = 0;            // w % Cols
  std::int32_t radiusRows_ = 0;          // r mod Rows: a strip starts at row - r, wrapped
  std::int32_t radiusCols_ = 0;          // r mod Cols
  std::vector<std::uint16_t> storage_;   // the planes [plane][row][column], entries of 1 or 2 bytes
  std::vector<FreeHolder> freeHolders_;  // free cells holding a group, as the planes hold them
  Pending pending_[kMaxPending];
  std::size_t pendingCount_ = 0;
};

}  // namespace segsim

// Per-group window sums from which the SameCount and OtherCount of any cell follow in O(r).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/cell.h"
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
// list without touching a plane: the evaluation of a move, which gives two cells another State
// for one count and restores them, costs no plane update. When the list is full, its cells are
// written into the planes.
// Each row of a plane carries, after its Cols entries, copies of its first 2r entries, so that
// the run of a square that crosses the right edge is still one contiguous run (while the square
// is no wider than the grid).
//
// Costs with w = 2r + 1: a count reads 2w contiguous entries of one row of two planes, plus a
// few operations per pending cell; a cell written into the planes costs w entries (2w near the
// left edge) of one column for each plane it changes (a move: 4 columns in all);
// memory is about (G + 1) x (Cols + 2r) x Rows 16-bit entries; a build reads every cell once per
// plane.
class NeighbourCounts {
public:
  // Largest radius served: a square's counts, up to (2r + 1)^2, must fit the cells' 32-bit counts
  // and a strip count, up to 2r + 1, a 16-bit entry.
  static constexpr std::int32_t kMaxRadius = kMaxNeighbourRadius;
  // More free cells holding a group than this (only a scene set by hand makes them) and a count
  // is left to the straightforward walk, since each costs a correction per count.
  static constexpr std::size_t kMaxFreeHolders = 16;
  // Cells whose change may wait: a move's two cells and an evaluation's two. Each costs every
  // count a correction, so the list stays short.
  static constexpr std::size_t kMaxPending = 4;

  // Where the sums pay (Pays). A count from the sums reads two short runs of two planes, a walk
  // reads the (2r + 1)^2 square from the grid's compact State and Occupied rows (5 bytes a cell).
  // The walk's cost grows with the square; the sums' with their memory: G + 1 planes of 2 bytes
  // a cell which, once they outgrow the caches, cost every count and every change of a cell
  // cache misses that the walk, reading far less memory, does not pay, and a build at every
  // setup. Measured over whole runs (setup and 30 steps; 1 MiB of L2 and 32 MiB of L3 cache),
  // the sums stop paying when their planes pass about 32 KiB per cell of the square. On the
  // 116 x 116 grid at r = 5 they won 1.36x at 40 groups (1.1 MiB) and 1.08x at 100 (2.8 MiB),
  // lost at 200 (0.86x, 5.6 MiB) and 400 (0.82x); at r = 2 they won 1.45x at 6 groups, broke
  // even at 40 (1.1 MiB) and lost at 100 (0.93x). On 347 x 347 at r = 5 they were even at 12
  // groups (3.2 MiB) and lost at 20 (0.92x, 5.2 MiB); on 694 x 694 at 6 groups (6.8 MiB) even.
  // So the line: on 116 x 116 the sums serve up to 28 groups at r = 2, 134 at r = 5, 1520 at
  // r = 20; on 347 x 347 up to 15 groups at r = 5 and 204 at r = 20; on 694 x 694 up to 3
  // groups at r = 5 and 53 at r = 20. Beyond it the walk is as fast or faster and the memory
  // is saved.
  static constexpr std::size_t kBytesPerSquareCell = std::size_t{32} << 10;
  // At r = 1 the walk reads 9 cells, about what the sums' bookkeeping costs (measured from 0.9x
  // to 1.2x at 6 to 40 groups); r = 0 is the centre alone.
  static constexpr std::int32_t kMinRadius = 2;
  // Never more memory than this, whatever the radius.
  static constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

  // Bytes the planes of a grid take.
  static std::size_t BytesFor(std::int32_t cols, std::int32_t rows, std::int32_t radius,
                              std::int32_t groups);
  // Whether the sums pay for a model of this grid, radius and group count, against walking the
  // square at every count.
  static bool Pays(std::int32_t cols, std::int32_t rows, std::int32_t radius, std::int32_t groups);

  bool Active() const { return active_; }
  std::int32_t Radius() const { return radius_; }
  std::int32_t Groups() const { return groups_; }
  std::size_t Bytes() const { return planes_.size() * sizeof(std::uint16_t); }
  // A square no wider than the grid and at most 255 wide: its run is one contiguous read, and
  // 16-bit lanes hold its sums.
  bool NarrowSquares() const { return fullCols_ == 0 && width_ <= 255; }

  // Frees the planes; counts are then no longer kept.
  void Clear();
  // Builds the planes from the grid's compact arrays (row-major, Cols x Rows).
  void Build(std::int32_t cols, std::int32_t rows, std::int32_t radius, std::int32_t groups,
             const std::int32_t* states, const std::uint8_t* occupied);

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
  bool Count(GridPos p, std::int32_t state, std::int32_t& same, std::int32_t& other) const;

  // Asks the memory system for the rows a later Count at p will read (a hint; no effect on
  // results).
  void Prefetch(GridPos p, std::int32_t state) const {
    if (!active_ || !IsGroup(state)) return;
    std::int32_t x0 = p.column - radiusCols_;
    if (x0 < 0) x0 += cols_;
    const std::size_t at = static_cast<std::size_t>(p.row) * stride_ + x0;
    const auto run = static_cast<std::size_t>(std::min<std::int64_t>(width_, cols_));
    const std::size_t last = at + run - 1;
    __builtin_prefetch(Plane(state) + at);
    __builtin_prefetch(Plane(0) + at);
    __builtin_prefetch(Plane(state) + last);
    __builtin_prefetch(Plane(0) + last);
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

  std::uint16_t* Plane(std::int32_t k) {
    return planes_.data() + static_cast<std::size_t>(k) * planeSize_;
  }
  const std::uint16_t* Plane(std::int32_t k) const {
    return planes_.data() + static_cast<std::size_t>(k) * planeSize_;
  }
  // Copies the first pad_ entries of every row of every plane behind the row.
  void FillPads();
  bool IsGroup(std::int32_t state) const { return state >= 1 && state <= groups_; }
  // Adds delta to the strips of plane k that contain the cell p.
  void AddToStrips(std::int32_t k, GridPos p, int delta);
  // How often the square about `centre` covers the cell p.
  std::int64_t Appearances(GridPos centre, GridPos p) const {
    const std::int32_t x0 = WrapOnce(centre.column - radiusCols_, cols_);
    const std::int32_t y0 = WrapOnce(centre.row - radiusRows_, rows_);
    const std::int64_t across = fullCols_ + (WrapOnce(p.column - x0, cols_) < partCols_ ? 1 : 0);
    const std::int64_t down = fullRows_ + (WrapOnce(p.row - y0, rows_) < partRows_ ? 1 : 0);
    return across * down;
  }
  // v mod n for v in -n .. 2n - 1.
  static std::int32_t WrapOnce(std::int32_t v, std::int32_t n) {
    if (v < 0) return v + n;
    if (v >= n) return v - n;
    return v;
  }
  void RemoveFreeHolder(GridPos p);
  // Writes one cell's change into the planes.
  void Apply(GridPos p, Content from, Content to);

  bool active_ = false;
  std::int32_t cols_ = 0;
  std::int32_t rows_ = 0;
  std::int32_t radius_ = 0;
  std::int32_t groups_ = 0;
  std::size_t cells_ = 0;
  std::size_t stride_ = 0;       // entries per plane row: Cols + pad_
  std::size_t planeSize_ = 0;    // Rows x stride_
  std::int32_t pad_ = 0;         // 2r while the square is narrower than the grid, else 0
  std::int64_t width_ = 0;       // 2r + 1
  std::int32_t fullRows_ = 0;    // times a strip covers every row: w / Rows
  std::int32_t partRows_ = 0;    // rows it covers once more: w % Rows
  std::int32_t fullCols_ = 0;    // the same across: w / Cols
  std::int32_t partCols_ = 0;    // w % Cols
  std::int32_t radiusRows_ = 0;  // r mod Rows: a strip starts at row - r, wrapped
  std::int32_t radiusCols_ = 0;  // r mod Cols
  std::vector<std::uint16_t> planes_;  // [plane][row][column]
  std::vector<FreeHolder> freeHolders_;  // free cells holding a group, as the planes hold them
  Pending pending_[kMaxPending];
  std::size_t pendingCount_ = 0;
};

}  // namespace segsim

#include "measures/dissimilarity.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "model/limits.h"
#include "model/numeric.h"

namespace segsim {

namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// Accumulators of one computation; a NaN-free sum per pair and per group.
struct Accumulators {
  std::vector<Extended> pair;
  std::vector<Extended> segregation;
};

// Per computation: each group's share in the tile being added (0 for a group absent from it)
// and the groups present in it, ascending.
struct TileScratch {
  std::vector<Extended> shares;
  std::vector<std::int32_t> present;
};

// One tile's terms, added to the accumulators. Only the terms that can differ from zero are
// added: adding +0 leaves an extended sum of non-negative terms as it was, so skipping a pair of
// groups that are both absent from the tile, and every term of an empty tile, changes no bit,
// and the cost follows the groups present (|present| x G) instead of G^2. The shares are
// computed once per group and tile (the same extended expression the terms use), and the count
// of the other groups in the tile is the tile's total less the group's: sums of integers, exact
// in extended precision, so equal to adding the other groups' counts one by one.
void AccumulateTile(const TileCounts& counts, std::int32_t a, std::int32_t b,
                    std::span<const std::int32_t> n, std::int32_t total, Accumulators& acc,
                    TileScratch& scratch) {
  const std::int32_t g = counts.Groups();
  std::vector<Extended>& shares = scratch.shares;
  std::vector<std::int32_t>& present = scratch.present;
  present.clear();
  std::int64_t tileTotal = 0;
  for (std::int32_t k = 0; k < g; ++k) {
    const std::int32_t c = counts.At(b, a, k);
    if (c == 0) continue;
    present.push_back(k);
    tileTotal += c;
    if (n[static_cast<std::size_t>(k)] != 0) {
      shares[static_cast<std::size_t>(k)] = Percent(c, n[static_cast<std::size_t>(k)]);
    }
  }
  if (tileTotal == 0) return;  // every term is |0 - 0|
  auto hasValue = [&](std::int32_t k) { return n[static_cast<std::size_t>(k)] != 0; };
  for (const std::int32_t i : present) {
    if (!hasValue(i)) continue;  // an empty group has no value
    const Extended pi = shares[static_cast<std::size_t>(i)];
    // Pairs (i, j > i): every j, present or not.
    Extended* pair = &acc.pair[static_cast<std::size_t>(i) * g];
    for (std::int32_t j = i + 1; j < g; ++j) {
      if (hasValue(j)) pair[j] += Abs(pi - shares[static_cast<std::size_t>(j)]);
    }
    // Pairs (j < i, i) with j absent; those with j present were added as j's pairs.
    for (std::int32_t j = 0; j < i; ++j) {
      if (hasValue(j) && counts.At(b, a, j) == 0) {
        acc.pair[static_cast<std::size_t>(j) * g + i] +=
            Abs(shares[static_cast<std::size_t>(j)] - pi);
      }
    }
  }
  for (std::int32_t i = 0; i < g; ++i) {
    if (!hasValue(i)) continue;
    const std::int32_t others = total - n[static_cast<std::size_t>(i)];
    if (others == 0) continue;
    const std::int64_t rest = tileTotal - counts.At(b, a, i);
    acc.segregation[static_cast<std::size_t>(i)] +=
        Abs(shares[static_cast<std::size_t>(i)] - Percent(rest, others));
  }
  // Back to 0 for the next tile.
  for (const std::int32_t k : present) shares[static_cast<std::size_t>(k)] = 0;
}

// Adds to tile[g] the cells of State g (1..G) among one row's states[from .. to); State 0 is
// not counted. Without a branch on the State, which guesses wrong at one cell in three on a grid
// 80 % occupied: an empty cell is counted in a slot that is thrown away.
void CountRunByCell(const std::uint16_t* states, std::int64_t from, std::int64_t to,
                    std::int32_t* tile) {
  std::int32_t empty = 0;
  for (std::int64_t i = from; i < to; ++i) {
    const std::int32_t state = states[i];
    ++*(state > 0 ? tile + state : &empty);
  }
}

#if defined(__SSE2__)
// Few groups: eight States at a time are compared with each group, in 16-bit lanes.
constexpr std::int32_t kLaneGroups = 8;

class LaneCounter {
public:
  explicit LaneCounter(std::int32_t groups) : groups_(groups) {
    for (std::int32_t g = 0; g < groups_; ++g) {
      match_[g] = _mm_set1_epi16(static_cast<short>(g + 1));
      lanes_[g] = _mm_setzero_si128();
    }
  }
  void CountRun(const std::uint16_t* states, std::int64_t from, std::int64_t to,
                std::int32_t* tile) {
    std::int64_t i = from;
    for (; i + 8 <= to; i += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(states + i));
      // A match is -1 in its lane.
      for (std::int32_t g = 0; g < groups_; ++g) {
        lanes_[g] = _mm_sub_epi16(lanes_[g], _mm_cmpeq_epi16(v, match_[g]));
      }
      // A lane holds at most 32767 before it is emptied.
      if (++blocks_ == 32767) Flush(tile);
    }
    CountRunByCell(states, i, to, tile);
  }
  // Adds the lanes to tile[1..G] and empties them.
  void Flush(std::int32_t* tile) {
    const __m128i ones = _mm_set1_epi16(1);
    for (std::int32_t g = 0; g < groups_; ++g) {
      __m128i s = _mm_madd_epi16(lanes_[g], ones);  // four 32-bit sums
      s = _mm_add_epi32(s, _mm_shuffle_epi32(s, _MM_SHUFFLE(1, 0, 3, 2)));
      s = _mm_add_epi32(s, _mm_shuffle_epi32(s, _MM_SHUFFLE(2, 3, 0, 1)));
      tile[g + 1] += _mm_cvtsi128_si32(s);
      lanes_[g] = _mm_setzero_si128();
    }
    blocks_ = 0;
  }

private:
  std::int32_t groups_;
  std::int32_t blocks_ = 0;
  __m128i match_[kLaneGroups];
  __m128i lanes_[kLaneGroups];
};
#endif

}  // namespace

TileCounts CountTileGroups(const Grid& grid, std::int32_t tileSize, std::int32_t groupCount) {
  tileSize = TileEdge(tileSize);
  const std::int32_t tiles = TilesPerSideFor(grid.Rows(), tileSize);
  TileCounts counts(tiles, groupCount);
  if (groupCount < 1) return counts;
  for (std::int32_t a = 0; a < tiles; ++a) {
    const std::int64_t rowEnd =
        std::min<std::int64_t>(static_cast<std::int64_t>(a + 1) * tileSize, grid.Rows());
    for (std::int32_t b = 0; b < tiles; ++b) {
      // Columns beyond the grid (or beyond tiles x tileSize) belong to no tile.
      const std::int64_t colStart = static_cast<std::int64_t>(b) * tileSize;
      const std::int64_t colEnd =
          std::min<std::int64_t>(static_cast<std::int64_t>(b + 1) * tileSize, grid.Cols());
      std::int32_t* const tile = &counts.At(b, a, 0) - 1;  // tile[g] counts State g, g >= 1
      auto rows = [&](auto&& countRun) {
        for (std::int64_t row = static_cast<std::int64_t>(a) * tileSize; row < rowEnd; ++row) {
          countRun(grid.StateRow(static_cast<std::int32_t>(row)), colStart, colEnd, tile);
        }
      };
#if defined(__SSE2__)
      if (groupCount <= kLaneGroups && colEnd - colStart >= 8) {
        LaneCounter lanes(groupCount);
        rows([&](const std::uint16_t* states, std::int64_t from, std::int64_t to, std::int32_t* t) {
          lanes.CountRun(states, from, to, t);
        });
        lanes.Flush(tile);
        continue;
      }
#endif
      rows(CountRunByCell);
    }
  }
  return counts;
}

Dissimilarity ComputeDissimilarity(const TileCounts& counts,
                                   std::span<const std::int32_t> groupSizes,
                                   std::int32_t populationTotal) {
  const std::int32_t g = counts.Groups();
  const auto gs = static_cast<std::size_t>(g);
  Accumulators acc{std::vector<Extended>(gs * gs, 0), std::vector<Extended>(gs, 0)};
  TileScratch scratch{std::vector<Extended>(gs, 0), {}};
  for (std::int32_t a = 0; a < counts.TilesPerSide(); ++a) {
    for (std::int32_t b = 0; b < counts.TilesPerSide(); ++b) {
      AccumulateTile(counts, a, b, groupSizes, populationTotal, acc, scratch);
    }
  }
  Dissimilarity result{g, std::vector<double>(gs * gs, 0.0), std::vector<double>(gs, 0.0)};
  for (std::size_t i = 0; i < gs; ++i) {
    const bool empty = groupSizes[i] == 0;
    for (std::size_t j = i; j < gs; ++j) {
      const bool none = empty || groupSizes[j] == 0;
      result.pair[i * gs + j] = none ? kNoValue : static_cast<double>(acc.pair[i * gs + j] / 2);
    }
    const bool noIndex = empty || populationTotal - groupSizes[i] == 0;
    result.segregation[i] = noIndex ? kNoValue : static_cast<double>(acc.segregation[i] / 2);
  }
  return result;
}

std::string DisplayText(double value) {
  return std::isnan(value) ? "n/a" : FormatGeneral(RoundTo2(value));
}

}  // namespace segsim

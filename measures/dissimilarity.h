// Tile counts, pairwise dissimilarity and the segregation index of each group.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/grid.h"

namespace segsim {

// Agents per group and tile, indexed [tile column][tile row][group - 1].
class TileCounts {
public:
  TileCounts(std::int32_t tilesPerSide, std::int32_t groups)
      : tilesPerSide_(tilesPerSide), groups_(groups),
        counts_(static_cast<std::size_t>(tilesPerSide) * tilesPerSide * groups, 0) {}

  std::int32_t TilesPerSide() const { return tilesPerSide_; }
  std::int32_t Groups() const { return groups_; }
  std::int32_t& At(std::int32_t tileColumn, std::int32_t tileRow, std::int32_t group) {
    return counts_[Index(tileColumn, tileRow, group)];
  }
  std::int32_t At(std::int32_t tileColumn, std::int32_t tileRow, std::int32_t group) const {
    return counts_[Index(tileColumn, tileRow, group)];
  }
  // Every count, tile column outer, then tile row, then group.
  const std::vector<std::int32_t>& Counts() const { return counts_; }
  bool operator==(const TileCounts&) const = default;

private:
  std::size_t Index(std::int32_t b, std::int32_t a, std::int32_t k) const {
    return (static_cast<std::size_t>(b) * tilesPerSide_ + a) * groups_ + k;
  }
  std::int32_t tilesPerSide_;
  std::int32_t groups_;
  std::vector<std::int32_t> counts_;
};

// The group counts of every tile, laid out as TilesPerSideFor (model/limits.h) has them.
TileCounts CountTileGroups(const Grid& grid, std::int32_t tileSize, std::int32_t groupCount);

// The indices in percent, as doubles. NaN marks "no value": a pair with an empty group, or the
// index of a group that is empty or whose complement T - N(i) is empty.
struct Dissimilarity {
  std::int32_t groups = 0;
  std::vector<double> pair;         // [i * groups + j], filled for j >= i (the diagonal is 0)
  std::vector<double> segregation;  // IS(i)
  double Pair(std::int32_t i, std::int32_t j) const {
    return pair[static_cast<std::size_t>(i) * groups + j];
  }
};

// D(i, j) = 1/2 sum |100 c(i)/N(i) - 100 c(j)/N(j)|,
// IS(i)   = 1/2 sum |100 c(i)/N(i) - 100 (sum of c(k), k != i) / (T - N(i))|,
// over all tiles, accumulated in extended precision from the first tile to the last.
// groupSizes are the placement counts N; populationTotal is T.
Dissimilarity ComputeDissimilarity(const TileCounts& counts,
                                   std::span<const std::int32_t> groupSizes,
                                   std::int32_t populationTotal);

// The table's text of a value: rounded to two decimals, general format; "n/a" for no value.
std::string DisplayText(double value);

}  // namespace segsim

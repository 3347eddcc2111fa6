#include "measures/clusters.h"

#include <iterator>

namespace segsim {

void ResetClusterMarks(Grid& grid) { grid.ClearVisited(); }

void CollectClusterNeighbours(Grid& grid, std::int32_t column, std::int32_t row,
                              ClusterSizes& sizes, std::vector<GridPos>& links) {
  links.clear();
  const std::int32_t state = grid.At({column, row}).State();
  const GridPos around[4] = {
      {column, row + 1}, {column, row - 1}, {column + 1, row}, {column - 1, row}};
  for (GridPos p : around) {
    grid.WrapPosition(p.column, p.row);
    const TCell neighbour = grid.At(p);
    if (neighbour.State() == state && !neighbour.Visited()) {
      links.push_back(p);
      grid.SetVisited(p, true);
      ++sizes[static_cast<std::size_t>(state - 1)].back();
    }
  }
}

void GrowCluster(Grid& grid, std::int32_t column, std::int32_t row, ClusterSizes& sizes) {
  std::vector<GridPos> pending{{column, row}};
  std::vector<GridPos> links;
  while (!pending.empty()) {
    const GridPos p = pending.back();
    pending.pop_back();
    CollectClusterNeighbours(grid, p.column, p.row, sizes, links);
    // Pushed in reverse, so the first link is grown first, as the recursion would.
    pending.insert(pending.end(), links.rbegin(), links.rend());
  }
}

ClusterSizes ClusterAnalysis(Grid& grid, std::int32_t groupCount) {
  ClusterSizes sizes(static_cast<std::size_t>(groupCount > 0 ? groupCount : 0));
  ResetClusterMarks(grid);
  for (std::int32_t row = 0; row < grid.Rows(); ++row) {
    const std::uint16_t* states = grid.StateRow(row);
    for (std::int32_t column = 0; column < grid.Cols(); ++column) {
      const std::int32_t state = states[column];
      if (state > 0 && !grid.VisitedAt(grid.IndexOf(column, row))) {
        grid.SetVisited({column, row}, true);
        sizes[static_cast<std::size_t>(state - 1)].push_back(1);
        GrowCluster(grid, column, row, sizes);
      }
    }
  }
  return sizes;
}

}  // namespace segsim

#include "measures/clusters.h"

#include <iterator>

namespace segsim {

void ResetClusterMarks(Grid& grid) {
  for (std::int32_t row = 0; row < grid.Rows(); ++row) {
    for (std::int32_t column = 0; column < grid.Cols(); ++column) {
      TCell& cell = grid[column][row];
      cell.ClusterLinks.clear();
      cell.Visited = false;
    }
  }
}

void CollectClusterNeighbours(Grid& grid, std::int32_t column, std::int32_t row,
                              ClusterSizes& sizes) {
  TCell& c = grid[column][row];
  const GridPos around[4] = {
      {column, row + 1}, {column, row - 1}, {column + 1, row}, {column - 1, row}};
  for (GridPos p : around) {
    grid.WrapPosition(p.column, p.row);
    TCell& neighbour = grid.At(p);
    if (neighbour.State() == c.State() && !neighbour.Visited) {
      c.ClusterLinks.push_back(p);
      neighbour.Visited = true;
      ++sizes[static_cast<std::size_t>(c.State() - 1)].back();
    }
  }
}

void GrowCluster(Grid& grid, std::int32_t column, std::int32_t row, ClusterSizes& sizes) {
  std::vector<GridPos> pending{{column, row}};
  while (!pending.empty()) {
    const GridPos p = pending.back();
    pending.pop_back();
    CollectClusterNeighbours(grid, p.column, p.row, sizes);
    // Pushed in reverse, so the first link is grown first, as the recursion would.
    const std::vector<GridPos>& links = grid.At(p).ClusterLinks;
    pending.insert(pending.end(), links.rbegin(), links.rend());
  }
}

ClusterSizes ClusterAnalysis(Grid& grid, std::int32_t groupCount) {
  ClusterSizes sizes(static_cast<std::size_t>(groupCount > 0 ? groupCount : 0));
  ResetClusterMarks(grid);
  for (std::int32_t row = 0; row < grid.Rows(); ++row) {
    for (std::int32_t column = 0; column < grid.Cols(); ++column) {
      TCell& cell = grid[column][row];
      if (cell.State() > 0 && !cell.Visited) {
        cell.Visited = true;
        sizes[static_cast<std::size_t>(cell.State() - 1)].push_back(1);
        GrowCluster(grid, column, row, sizes);
      }
    }
  }
  return sizes;
}

}  // namespace segsim

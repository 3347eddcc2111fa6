// Connected same-group clusters on the torus (edge neighbours only).
#pragma once

#include <cstdint>
#include <vector>

#include "model/grid.h"

namespace segsim {

// Per group (index group - 1), the sizes of its clusters in order of discovery: the order of
// each cluster's first cell in the row-by-row scan.
using ClusterSizes = std::vector<std::vector<std::int32_t>>;

// Clears every cell's Visited mark. The links a cluster grows along are kept by the analysis
// itself, not by the cells, so there are none to release.
void ResetClusterMarks(Grid& grid);

// Takes the eligible edge neighbours of the cell, in the order down, up, right, left, into the
// cluster being grown (the last entry of its group's list): marks them, counts them and puts
// their positions into `links`, which it empties first.
void CollectClusterNeighbours(Grid& grid, std::int32_t column, std::int32_t row,
                              ClusterSizes& sizes, std::vector<GridPos>& links);

// Grows the cluster from a cell already marked and counted. Uses an explicit stack: a cluster can
// cover the whole grid, far deeper than a call stack allows. The order of growth is that of the
// recursive definition (each cell's links depth first, in list order).
void GrowCluster(Grid& grid, std::int32_t column, std::int32_t row, ClusterSizes& sizes);

// Resets the marks and finds every cluster of the groups 1..groupCount.
ClusterSizes ClusterAnalysis(Grid& grid, std::int32_t groupCount);

}  // namespace segsim

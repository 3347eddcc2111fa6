// The points of several series as one table of text: a key column, then one column per series,
// for a file (comma-separated) or a spreadsheet (tab-separated).
#pragma once

#include <span>
#include <string>
#include <utility>
#include <vector>

namespace segsim {

struct NamedSeries {
  std::string name;                               // the column's header
  std::vector<std::pair<double, double>> points;  // (x, y) in the order the series holds them
};

// A header line (keyTitle, then the series' names), then one line per row, each ended by '\n'.
// Rows follow the keys in ascending order; series that hold the same key share its row, and a
// key a series holds n times takes n rows (the k-th point at that key in the k-th row), so that
// repeated runs at one value stay apart. A series without a point in a row, and a NaN y, leave
// the cell empty. Numbers are written in the shortest form that reads back to the same double.
// A NaN key is left out. A separator inside a name is replaced by a blank.
std::string SeriesTable(const std::string& keyTitle, std::span<const NamedSeries> series,
                        char separator);

// The shortest decimal text that reads back to the same double; "" for NaN.
std::string NumberText(double value);

}  // namespace segsim

#include "charts/data_table.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "model/shortest_double.h"

namespace segsim {

namespace {

std::string Cell(std::string text, char separator) {
  std::replace(text.begin(), text.end(), separator, ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

}  // namespace

std::string NumberText(double value) {
  if (std::isnan(value)) return {};
  return ShortestText(value);
}

std::string SeriesTable(const std::string& keyTitle, std::span<const NamedSeries> series,
                        char separator) {
  // For every key, each series' y values at that key in the order held.
  std::map<double, std::vector<std::vector<double>>> rows;
  for (std::size_t s = 0; s < series.size(); ++s) {
    for (const auto& [x, y] : series[s].points) {
      if (std::isnan(x)) continue;
      auto& cells = rows[x];
      cells.resize(series.size());
      cells[s].push_back(y);
    }
  }
  std::string text = Cell(keyTitle, separator);
  for (const NamedSeries& s : series) text += separator + Cell(s.name, separator);
  text += '\n';
  for (const auto& [x, cells] : rows) {
    std::size_t lines = 0;
    for (const auto& ys : cells) lines = std::max(lines, ys.size());
    for (std::size_t k = 0; k < lines; ++k) {
      text += NumberText(x);
      for (const auto& ys : cells) {
        text += separator;
        if (k < ys.size()) text += NumberText(ys[k]);
      }
      text += '\n';
    }
  }
  return text;
}

}  // namespace segsim

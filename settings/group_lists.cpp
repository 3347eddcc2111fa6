#include "settings/group_lists.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/model.h"
#include "model/numeric.h"
#include "model/shortest_double.h"
#include "settings/option_table.h"

namespace segsim {

namespace {

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    items.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) return items;
    start = comma + 1;
  }
}

}  // namespace

std::vector<double> ParseShares(const std::string& name, const std::string& text) {
  std::vector<double> weights;
  for (const std::string& item : SplitCommas(text)) {
    const std::optional<double> read = ParseGeneral(item);
    const double w = read.value_or(0);
    if (!read || !std::isfinite(w) || !(w > 0)) {
      throw UsageError(name + " " + text + ": the weight '" + item +
                       "' is not a positive finite number");
    }
    weights.push_back(w);
  }
  double sum = 0;
  for (const double w : weights) sum += w;
  if (!(sum >= std::numeric_limits<double>::min())) {
    throw UsageError(name + " " + text + ": the weights are too small: their sum underflows");
  }
  if (!std::isfinite(sum)) {
    throw UsageError(name + " " + text + ": the weights are too large: their sum overflows");
  }
  return weights;
}

std::vector<std::uint32_t> ParseThresholds(const std::string& name, const std::string& text) {
  std::vector<std::uint32_t> percents;
  for (const std::string& item : SplitCommas(text)) {
    std::int32_t p = 0;
    if (!TryStrToInt(item, p) || p < 0 || p > 100) {
      throw UsageError(name + " " + text + ": the threshold '" + item +
                       "' is not an integer from 0 to 100");
    }
    percents.push_back(static_cast<std::uint32_t>(p));
  }
  return percents;
}

std::string SharesText(const std::vector<double>& weights) {
  std::string text;
  for (const double w : weights) {
    if (!text.empty()) text += ',';
    text += ShortestText(w);
  }
  return text;
}

std::string ThresholdsText(const std::vector<std::uint32_t>& percents) {
  std::string text;
  for (const std::uint32_t p : percents) {
    if (!text.empty()) text += ',';
    text += std::to_string(p);
  }
  return text;
}

void CheckGroupLists(const SetupParams& p, const std::string& sharesName,
                     const std::string& thresholdsName) {
  const auto count = [&](const std::string& name, const std::string& text, std::size_t n,
                         const char* what) {
    if (n == 0 || static_cast<std::int64_t>(n) == p.GroupCount) return;
    throw UsageError(name + " " + text + ": " + std::to_string(n) + " " + what + " for " +
                     std::to_string(p.GroupCount) + " groups; give one per group");
  };
  count(sharesName, SharesText(p.Shares), p.Shares.size(), "weights");
  count(thresholdsName, ThresholdsText(p.Thresholds), p.Thresholds.size(), "thresholds");
}

bool SharesInUse(std::span<const double> weights) {
  return std::adjacent_find(weights.begin(), weights.end(), std::not_equal_to<>()) !=
         weights.end();
}

}  // namespace segsim

// Splitting the CSV rows that segsim-cli sweep prints (for merge and plot).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace segsim {

// Splits a CSV line into its fields; nothing for an unterminated quote.
std::optional<std::vector<std::string>> SplitCsv(std::string_view line);

}  // namespace segsim

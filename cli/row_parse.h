// Reading back the rows that segsim-cli sweep prints (for segsim-cli merge).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/sweep_options.h"

namespace segsim {

// The columns that merge reads, as printed (CSV unquoted, JSON strings unescaped, numbers as
// their text; empty when the row has no such column or holds null).
struct RowFields {
  std::string kind, value, run, clusters, meanIs, note;
};

// Nothing when the line is no row of the format: a CSV line with a different number of columns
// than the header's, or a line that is no flat JSON object.
std::optional<RowFields> ParseRow(std::string_view line, OutputFormat format,
                                  std::size_t csvColumns);

// Splits a CSV line into its fields; nothing for an unterminated quote.
std::optional<std::vector<std::string>> SplitCsv(std::string_view line);

// A number as printed (shortest round-trip text); an empty text or "null" is NaN. Nothing when
// the text is no number.
std::optional<double> ParseNumber(const std::string& text);

}  // namespace segsim

// The rows that segsim-cli sweep and merge print, as CSV or as JSON Lines.
//
// CSV: one header row naming the columns of settings/sweep_schema.h, then one line per row;
// absent fields and NaN are empty. JSON Lines: one object per row with the same keys (per-group
// values as the arrays "segregation" and "satisfaction" of the run's own length); a missing
// value is null, a column that does not belong to the row's kind is left out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/sweep_schema.h"
#include "settings/sweep_settings.h"
#include "sweep/run.h"
#include "sweep/summary.h"

namespace segsim {

class RowFormat {
public:
  RowFormat(OutputFormat format, std::vector<SweepParam> params, std::int32_t maxGroups)
      : format_(format), schema_(std::move(params), maxGroups) {}
  RowFormat(OutputFormat format, SweepParam param, std::int32_t maxGroups)
      : RowFormat(format, std::vector<SweepParam>{param}, maxGroups) {}
  RowFormat(OutputFormat format, const SweepPlan& plan) : format_(format), schema_(plan) {}

  // The CSV header line; JSON Lines has none (empty).
  std::string Header() const;
  // The first row: kind "sweep", S as its seed and the command that repeats the sweep as note.
  std::string SweepLine(std::uint32_t seed, const std::string& command) const;
  std::string RunLine(const RunRow& row) const;
  std::string SummaryLine(const SummaryRow& row) const;
  // Any row; the param column is filled in.
  std::string Line(const Record& record) const;

private:
  std::string CsvLine(const Record& record) const;
  std::string JsonLine(const Record& record) const;

  OutputFormat format_;
  RowSchema schema_;
};

}  // namespace segsim

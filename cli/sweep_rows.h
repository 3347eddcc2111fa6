// The rows that segsim-cli sweep and merge print, as CSV or as JSON Lines.
//
// One swept parameter, CSV columns (one header row):
//   kind,param,value,run,seed,clusters,mean_is,applied,
//   segregation_1,satisfaction_1,...,segregation_G,satisfaction_G,note
// Several swept parameters, CSV columns: per parameter P (in option order) the value P and the
// applied value P_applied, then the rest:
//   kind,P1,P1_applied,P2,P2_applied,...,run,seed,clusters,mean_is,segregation_1,...,note
// G is the largest number of groups of any run of the sweep; a run with fewer groups leaves the
// columns of the missing groups empty, and a value that does not exist (NaN) is empty too.
// JSON Lines: one object per row with the same keys (per-group values as the arrays
// "segregation" and "satisfaction" of the run's own length); a missing value is null, a column
// that does not belong to the row's kind is left out.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "cli/sweep_options.h"
#include "sweep/run.h"
#include "sweep/summary.h"

namespace segsim {

// Absent (empty in CSV, left out in JSON), an integer, a real (NaN: empty / null) or a text.
using Field = std::variant<std::monostate, std::int64_t, double, std::string>;

// One output row of any kind.
struct Record {
  std::string kind;
  std::vector<Field> values, applied;  // per swept parameter; shorter: absent
  Field run, seed, clusters, meanIs;
  const std::vector<double>* segregation = nullptr;
  const std::vector<double>* satisfaction = nullptr;
  std::string note;  // empty: absent
};

class RowFormat {
public:
  RowFormat(OutputFormat format, std::vector<SweepParam> params, std::int32_t maxGroups)
      : format_(format), params_(std::move(params)), maxGroups_(maxGroups) {}
  RowFormat(OutputFormat format, SweepParam param, std::int32_t maxGroups)
      : RowFormat(format, std::vector<SweepParam>{param}, maxGroups) {}
  RowFormat(OutputFormat format, const SweepPlan& plan);

  // The CSV header line; JSON Lines has none (empty).
  std::string Header() const;
  // The first row: kind "sweep", S as its seed and the command that repeats the sweep as note.
  std::string SweepLine(std::uint32_t seed, const std::string& command) const;
  std::string RunLine(const RunRow& row) const;
  std::string SummaryLine(const SummaryRow& row) const;
  // Any row; the param column is filled in.
  std::string Line(const Record& record) const;

private:
  bool OneParameter() const { return params_.size() == 1; }
  std::string CsvLine(const Record& record) const;
  std::string JsonLine(const Record& record) const;

  OutputFormat format_;
  std::vector<SweepParam> params_;
  std::int32_t maxGroups_;
};

}  // namespace segsim

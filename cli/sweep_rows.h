// The rows that segsim-cli sweep and merge print, as CSV or as JSON Lines.
//
// CSV columns (one header row):
//   kind,param,value,run,seed,clusters,mean_is,applied,
//   segregation_1,satisfaction_1,...,segregation_G,satisfaction_G,note
// with G the largest number of groups of any run of the sweep; a run with fewer groups leaves the
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

namespace segsim {

// The row of one run.
struct RunRow {
  std::int64_t run = 0;           // 0-based in sweep order
  std::int32_t value = 0;         // the value swept
  std::int32_t applied = 0;       // what the model was given
  std::uint32_t seed = 0;
  std::int32_t clusters = 0;      // clusters above the cluster threshold at the last analysis
  double meanIs = 0.0;            // NaN when no group had a segregation index
  std::vector<double> segregation;   // per group, NaN for no value
  std::vector<double> satisfaction;  // per group, NaN for no value
};

// Absent (empty in CSV, left out in JSON), an integer, a real (NaN: empty / null) or a text.
using Field = std::variant<std::monostate, std::int64_t, double, std::string>;

// One output row of any kind.
struct Record {
  std::string kind;
  Field value, run, seed, clusters, meanIs, applied;
  const std::vector<double>* segregation = nullptr;
  const std::vector<double>* satisfaction = nullptr;
  std::string note;  // empty: absent
};

class RowFormat {
public:
  RowFormat(OutputFormat format, SweepParam param, std::int32_t maxGroups)
      : format_(format), param_(param), maxGroups_(maxGroups) {}

  OutputFormat Format() const { return format_; }
  // The CSV header line; JSON Lines has none (empty).
  std::string Header() const;
  // The first row: kind "sweep", S as its seed and the command that repeats the sweep as note.
  std::string SweepLine(std::uint32_t seed, const std::string& command) const;
  std::string RunLine(const RunRow& row) const;
  // Any row; the param column is filled in.
  std::string Line(const Record& record) const;

private:
  std::string CsvLine(const Record& record) const;
  std::string JsonLine(const Record& record) const;

  OutputFormat format_;
  SweepParam param_;
  std::int32_t maxGroups_;
};

}  // namespace segsim

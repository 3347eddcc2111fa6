// The rows of a sweep as segsim-cli sweep and merge print them and segsim.sweep returns them:
// the columns' names, which row has which fields, and the order of the columns.
//
// One swept parameter, the columns:
//   kind,param,value,run,seed,clusters,mean_is,applied,
//   segregation_1,satisfaction_1,...,segregation_G,satisfaction_G,note
// Several swept parameters: per parameter P (in option order) the value P and the applied value
// P_applied, then the rest:
//   kind,P1,P1_applied,P2,P2_applied,...,run,seed,clusters,mean_is,segregation_1,...,note
// G is the largest number of groups of any run of the sweep; a run with fewer groups leaves the
// columns of the missing groups absent, and so is a value that does not exist (NaN).
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "sweep/plan.h"
#include "sweep/run.h"
#include "sweep/summary.h"

namespace segsim::columns {

inline constexpr const char* kKind = "kind";
inline constexpr const char* kParam = "param";  // one parameter: its name
inline constexpr const char* kValue = "value";  // one parameter: the value swept
inline constexpr const char* kRun = "run";
inline constexpr const char* kSeed = "seed";
inline constexpr const char* kClusters = kClustersResult;
inline constexpr const char* kMeanIs = kMeanIsResult;
inline constexpr const char* kApplied = "applied";          // one parameter: the value applied
inline constexpr const char* kAppliedSuffix = "_applied";   // several: P_applied
inline constexpr const char* kSegregation = "segregation";  // segregation_g (JSON: an array)
inline constexpr const char* kSatisfaction = "satisfaction";
inline constexpr const char* kNote = "note";

// The kinds of row besides the summary's (SummaryRow::kind).
inline constexpr const char* kSweepKind = "sweep";  // the first row: S and the repeat command
inline constexpr const char* kRunKind = "run";

// "segregation_3": a per-group column, g from 1.
std::string GroupColumn(const char* measure, std::int32_t g);
// "threshold_applied".
std::string AppliedColumn(SweepParam param);

}  // namespace segsim::columns

namespace segsim {

// Absent (empty in CSV, left out in JSON), an integer, a real (NaN: empty / null) or a text.
using Field = std::variant<std::monostate, std::int64_t, double, std::string>;

// One row of any kind.
struct Record {
  std::string kind;
  std::vector<Field> values, applied;  // per swept parameter; shorter: absent
  Field run, seed, clusters, meanIs;
  const std::vector<double>* segregation = nullptr;  // may be null: absent
  const std::vector<double>* satisfaction = nullptr;
  std::string note;  // empty: absent
};

// The first row: kind "sweep", S as its seed and the command that repeats the sweep as note.
Record SweepRecord(std::uint32_t seed, const std::string& command);
// A run's row; it points into row, which must outlive it.
Record RunRecord(const RunRow& row);
// A summary row; it points into row, which must outlive it.
Record SummaryRecord(const SummaryRow& row);

// The columns of one sweep's rows.
class RowSchema {
public:
  RowSchema(std::vector<SweepParam> params, std::int32_t maxGroups)
      : params_(std::move(params)), maxGroups_(maxGroups) {}
  explicit RowSchema(const SweepPlan& plan);

  bool OneParameter() const { return params_.size() == 1; }
  const std::vector<SweepParam>& Params() const { return params_; }

  // The names of the columns, in order.
  std::vector<std::string> Columns() const;
  // The record's fields in the order of Columns(); the param column filled in.
  std::vector<Field> Fields(const Record& record) const;

private:
  std::vector<SweepParam> params_;
  std::int32_t maxGroups_;
};

}  // namespace segsim

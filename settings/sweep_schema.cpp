#include "settings/sweep_schema.h"

namespace segsim {

namespace columns {

std::string GroupColumn(const char* measure, std::int32_t g) {
  return std::string(measure) + "_" + std::to_string(g);
}

std::string AppliedColumn(SweepParam param) {
  return std::string(ParamName(param)) + kAppliedSuffix;
}

}  // namespace columns

namespace {

const Field& At(const std::vector<Field>& fields, std::size_t i) {
  static const Field kAbsent;
  return i < fields.size() ? fields[i] : kAbsent;
}

template <typename T>
std::vector<Field> Fields(const std::vector<T>& values) {
  std::vector<Field> fields;
  for (T v : values) fields.emplace_back(std::int64_t{v});
  return fields;
}

Field Optional(const std::optional<double>& v) {
  if (!v) return {};
  return *v;
}

}  // namespace

Record SweepRecord(std::uint32_t seed, const std::string& command) {
  Record r;
  r.kind = columns::kSweepKind;
  r.seed = std::int64_t{seed};
  r.note = command;
  return r;
}

Record RunRecord(const RunRow& row) {
  Record r;
  r.kind = columns::kRunKind;
  r.values = Fields(row.values);
  r.applied = Fields(row.applied);
  r.run = row.run;
  r.seed = std::int64_t{row.seed};
  r.clusters = std::int64_t{row.clusters};
  r.meanIs = row.meanIs;
  r.segregation = &row.segregation;
  r.satisfaction = &row.satisfaction;
  return r;
}

Record SummaryRecord(const SummaryRow& row) {
  Record r;
  r.kind = row.kind;
  if (row.x)
    r.values.emplace_back(*row.x);
  else
    r.values = Fields(row.values);
  r.applied = Fields(row.applied);
  r.clusters = Optional(row.clusters);
  r.meanIs = Optional(row.meanIs);
  if (row.perGroup) {
    r.segregation = &row.segregation;
    r.satisfaction = &row.satisfaction;
  }
  r.note = row.note;
  return r;
}

RowSchema::RowSchema(const SweepPlan& plan) : maxGroups_(plan.MaxGroups()) {
  for (const SweepAxis& axis : plan.Design().axes) params_.push_back(axis.param);
}

std::vector<std::string> RowSchema::Columns() const {
  using namespace columns;
  std::vector<std::string> names{kKind};
  if (OneParameter()) {
    names.insert(names.end(), {kParam, kValue, kRun, kSeed, kClusters, kMeanIs, kApplied});
  } else {
    for (SweepParam p : params_) {
      names.push_back(ParamName(p));
      names.push_back(AppliedColumn(p));
    }
    names.insert(names.end(), {kRun, kSeed, kClusters, kMeanIs});
  }
  for (std::int32_t g = 1; g <= maxGroups_; ++g) {
    names.push_back(GroupColumn(kSegregation, g));
    names.push_back(GroupColumn(kSatisfaction, g));
  }
  names.emplace_back(kNote);
  return names;
}

std::vector<Field> RowSchema::Fields(const Record& r) const {
  std::vector<Field> fields{r.kind};
  if (OneParameter()) {
    fields.emplace_back(std::string(ParamName(params_.front())));
    for (const Field* f :
         {&At(r.values, 0), &r.run, &r.seed, &r.clusters, &r.meanIs, &At(r.applied, 0)}) {
      fields.push_back(*f);
    }
  } else {
    for (std::size_t a = 0; a < params_.size(); ++a) {
      fields.push_back(At(r.values, a));
      fields.push_back(At(r.applied, a));
    }
    for (const Field* f : {&r.run, &r.seed, &r.clusters, &r.meanIs}) fields.push_back(*f);
  }
  for (std::size_t g = 0; g < static_cast<std::size_t>(maxGroups_); ++g) {
    for (const std::vector<double>* values : {r.segregation, r.satisfaction}) {
      if (values != nullptr && g < values->size())
        fields.emplace_back((*values)[g]);
      else
        fields.emplace_back();
    }
  }
  if (r.note.empty())
    fields.emplace_back();
  else
    fields.emplace_back(r.note);
  return fields;
}

}  // namespace segsim

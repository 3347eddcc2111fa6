#include "cli/sweep_rows.h"

#include <cmath>
#include <cstdio>

#include "cli/json.h"

namespace segsim {

namespace {

void AppendCsvText(std::string& out, const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void AppendJsonText(std::string& out, const std::string& text) {
  out += '"';
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  out += '"';
}

// CSV: absent and NaN are empty.
void AppendCsvField(std::string& out, const Field& f) {
  if (const auto* i = std::get_if<std::int64_t>(&f))
    json::AppendInt(out, *i);
  else if (const auto* d = std::get_if<double>(&f)) {
    if (!std::isnan(*d)) json::AppendNumber(out, *d);
  } else if (const auto* s = std::get_if<std::string>(&f))
    AppendCsvText(out, *s);
}

// JSON: absent fields are left out; NaN is null.
void AppendJsonField(std::string& out, const char* key, const Field& f) {
  if (std::holds_alternative<std::monostate>(f)) return;
  json::AppendKey(out, key);
  if (const auto* i = std::get_if<std::int64_t>(&f))
    json::AppendInt(out, *i);
  else if (const auto* d = std::get_if<double>(&f))
    json::AppendNumber(out, *d);
  else
    AppendJsonText(out, std::get<std::string>(f));
}

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

RowFormat::RowFormat(OutputFormat format, const SweepPlan& plan)
    : format_(format), maxGroups_(plan.MaxGroups()) {
  for (const SweepAxis& axis : plan.Design().axes) params_.push_back(axis.param);
}

std::string RowFormat::Header() const {
  if (format_ == OutputFormat::Jsonl) return {};
  std::string h = "kind";
  if (OneParameter()) {
    h += ",param,value,run,seed,clusters,mean_is,applied";
  } else {
    for (SweepParam p : params_)
      h += std::string(",") + ParamName(p) + "," + ParamName(p) + "_applied";
    h += ",run,seed,clusters,mean_is";
  }
  for (std::int32_t g = 1; g <= maxGroups_; ++g) {
    h += ",segregation_" + std::to_string(g) + ",satisfaction_" + std::to_string(g);
  }
  return h + ",note";
}

std::string RowFormat::SweepLine(std::uint32_t seed, const std::string& command) const {
  Record r;
  r.kind = "sweep";
  r.seed = std::int64_t{seed};
  r.note = command;
  return Line(r);
}

std::string RowFormat::RunLine(const RunRow& row) const {
  Record r;
  r.kind = "run";
  r.values = Fields(row.values);
  r.applied = Fields(row.applied);
  r.run = row.run;
  r.seed = std::int64_t{row.seed};
  r.clusters = std::int64_t{row.clusters};
  r.meanIs = row.meanIs;
  r.segregation = &row.segregation;
  r.satisfaction = &row.satisfaction;
  return Line(r);
}

std::string RowFormat::SummaryLine(const SummaryRow& row) const {
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
  return Line(r);
}

std::string RowFormat::Line(const Record& record) const {
  return format_ == OutputFormat::Csv ? CsvLine(record) : JsonLine(record);
}

std::string RowFormat::CsvLine(const Record& r) const {
  std::string out = r.kind;
  const auto field = [&out](const Field& f) {
    out += ',';
    AppendCsvField(out, f);
  };
  if (OneParameter()) {
    out += ',';
    out += ParamName(params_.front());
    for (const Field* f :
         {&At(r.values, 0), &r.run, &r.seed, &r.clusters, &r.meanIs, &At(r.applied, 0)}) {
      field(*f);
    }
  } else {
    for (std::size_t a = 0; a < params_.size(); ++a) {
      field(At(r.values, a));
      field(At(r.applied, a));
    }
    for (const Field* f : {&r.run, &r.seed, &r.clusters, &r.meanIs}) field(*f);
  }
  for (std::size_t g = 0; g < static_cast<std::size_t>(maxGroups_); ++g) {
    for (const std::vector<double>* values : {r.segregation, r.satisfaction}) {
      out += ',';
      if (values != nullptr && g < values->size()) AppendCsvField(out, (*values)[g]);
    }
  }
  out += ',';
  AppendCsvText(out, r.note);
  return out;
}

std::string RowFormat::JsonLine(const Record& r) const {
  std::string out = "{";
  AppendJsonField(out, "kind", r.kind);
  if (OneParameter()) {
    AppendJsonField(out, "param", std::string(ParamName(params_.front())));
    AppendJsonField(out, "value", At(r.values, 0));
  } else {
    for (std::size_t a = 0; a < params_.size(); ++a) {
      const std::string name = ParamName(params_[a]);
      AppendJsonField(out, name.c_str(), At(r.values, a));
      AppendJsonField(out, (name + "_applied").c_str(), At(r.applied, a));
    }
  }
  AppendJsonField(out, "run", r.run);
  AppendJsonField(out, "seed", r.seed);
  AppendJsonField(out, "clusters", r.clusters);
  AppendJsonField(out, "mean_is", r.meanIs);
  if (OneParameter()) AppendJsonField(out, "applied", At(r.applied, 0));
  if (r.segregation != nullptr) {
    json::AppendKey(out, "segregation");
    json::AppendArray(out, *r.segregation);
  }
  if (r.satisfaction != nullptr) {
    json::AppendKey(out, "satisfaction");
    json::AppendArray(out, *r.satisfaction);
  }
  if (!r.note.empty()) AppendJsonField(out, "note", r.note);
  return out + "}";
}

}  // namespace segsim

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
  if (const auto* i = std::get_if<std::int64_t>(&f)) json::AppendInt(out, *i);
  else if (const auto* d = std::get_if<double>(&f)) {
    if (!std::isnan(*d)) json::AppendNumber(out, *d);
  } else if (const auto* s = std::get_if<std::string>(&f)) AppendCsvText(out, *s);
}

// JSON: absent fields are left out; NaN is null.
void AppendJsonField(std::string& out, const char* key, const Field& f) {
  if (std::holds_alternative<std::monostate>(f)) return;
  json::AppendKey(out, key);
  if (const auto* i = std::get_if<std::int64_t>(&f)) json::AppendInt(out, *i);
  else if (const auto* d = std::get_if<double>(&f)) json::AppendNumber(out, *d);
  else AppendJsonText(out, std::get<std::string>(f));
}

}  // namespace

std::string RowFormat::Header() const {
  if (format_ == OutputFormat::Jsonl) return {};
  std::string h = "kind,param,value,run,seed,clusters,mean_is,applied";
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
  r.value = std::int64_t{row.value};
  r.run = row.run;
  r.seed = std::int64_t{row.seed};
  r.clusters = std::int64_t{row.clusters};
  r.meanIs = row.meanIs;
  r.applied = std::int64_t{row.applied};
  r.segregation = &row.segregation;
  r.satisfaction = &row.satisfaction;
  return Line(r);
}

std::string RowFormat::Line(const Record& record) const {
  return format_ == OutputFormat::Csv ? CsvLine(record) : JsonLine(record);
}

std::string RowFormat::CsvLine(const Record& r) const {
  std::string out = r.kind + ',' + ParamName(param_);
  for (const Field* f : {&r.value, &r.run, &r.seed, &r.clusters, &r.meanIs, &r.applied}) {
    out += ',';
    AppendCsvField(out, *f);
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
  AppendJsonField(out, "param", std::string(ParamName(param_)));
  AppendJsonField(out, "value", r.value);
  AppendJsonField(out, "run", r.run);
  AppendJsonField(out, "seed", r.seed);
  AppendJsonField(out, "clusters", r.clusters);
  AppendJsonField(out, "mean_is", r.meanIs);
  AppendJsonField(out, "applied", r.applied);
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

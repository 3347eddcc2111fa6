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

}  // namespace

std::string RowFormat::Header() const {
  if (format_ == OutputFormat::Jsonl) return {};
  std::string h;
  for (const std::string& name : schema_.Columns()) h += (h.empty() ? "" : ",") + name;
  return h;
}

std::string RowFormat::SweepLine(std::uint32_t seed, const std::string& command) const {
  return Line(SweepRecord(seed, command));
}

std::string RowFormat::RunLine(const RunRow& row) const { return Line(RunRecord(row)); }

std::string RowFormat::SummaryLine(const SummaryRow& row) const { return Line(SummaryRecord(row)); }

std::string RowFormat::Line(const Record& record) const {
  return format_ == OutputFormat::Csv ? CsvLine(record) : JsonLine(record);
}

std::string RowFormat::CsvLine(const Record& r) const {
  std::string out;
  bool first = true;
  for (const Field& f : schema_.Fields(r)) {
    if (!first) out += ',';
    first = false;
    AppendCsvField(out, f);
  }
  return out;
}

std::string RowFormat::JsonLine(const Record& r) const {
  using namespace columns;
  const std::vector<SweepParam>& params = schema_.Params();
  std::string out = "{";
  AppendJsonField(out, kKind, r.kind);
  if (schema_.OneParameter()) {
    AppendJsonField(out, kParam, std::string(ParamName(params.front())));
    AppendJsonField(out, kValue, At(r.values, 0));
  } else {
    for (std::size_t a = 0; a < params.size(); ++a) {
      AppendJsonField(out, ParamName(params[a]), At(r.values, a));
      AppendJsonField(out, AppliedColumn(params[a]).c_str(), At(r.applied, a));
    }
  }
  AppendJsonField(out, kRun, r.run);
  AppendJsonField(out, kSeed, r.seed);
  AppendJsonField(out, kClusters, r.clusters);
  AppendJsonField(out, kMeanIs, r.meanIs);
  if (schema_.OneParameter()) AppendJsonField(out, kApplied, At(r.applied, 0));
  if (r.segregation != nullptr) {
    json::AppendKey(out, kSegregation);
    json::AppendArray(out, *r.segregation);
  }
  if (r.satisfaction != nullptr) {
    json::AppendKey(out, kSatisfaction);
    json::AppendArray(out, *r.satisfaction);
  }
  if (!r.note.empty()) AppendJsonField(out, kNote, r.note);
  return out + "}";
}

}  // namespace segsim

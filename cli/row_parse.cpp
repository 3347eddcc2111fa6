#include "cli/row_parse.h"

#include <charconv>
#include <limits>
#include <map>
#include <vector>

namespace segsim {

namespace {

// CSV columns: kind,param,value,run,seed,clusters,mean_is,applied,...,note
constexpr std::size_t kKind = 0, kValue = 2, kRun = 3, kClusters = 5, kMeanIs = 6;

class JsonScanner {
public:
  explicit JsonScanner(std::string_view text) : text_(text) {}

  // The object's members: strings unescaped, other values as their text ("null" as empty).
  std::optional<std::map<std::string, std::string>> Object() {
    std::map<std::string, std::string> members;
    if (!Take('{')) return std::nullopt;
    if (Take('}')) return End(members);
    do {
      std::optional<std::string> key = String();
      if (!key || !Take(':')) return std::nullopt;
      std::optional<std::string> value = Peek('"') ? String() : Token();
      if (!value) return std::nullopt;
      members[*key] = *value == "null" ? std::string() : *value;
    } while (Take(','));
    if (!Take('}')) return std::nullopt;
    return End(members);
  }

private:
  std::optional<std::map<std::string, std::string>> End(std::map<std::string, std::string>& m) {
    SkipBlanks();
    if (pos_ != text_.size()) return std::nullopt;
    return std::move(m);
  }
  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  bool Peek(char c) {
    SkipBlanks();
    return pos_ < text_.size() && text_[pos_] == c;
  }
  bool Take(char c) {
    if (!Peek(c)) return false;
    ++pos_;
    return true;
  }
  std::optional<std::string> String() {
    if (!Take('"')) return std::nullopt;
    std::string s;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      char c = text_[pos_++];
      if (c == '\\') {
        if (pos_ >= text_.size()) return std::nullopt;
        c = text_[pos_++];
        if (c == 'n') c = '\n';
        else if (c == 't') c = '\t';
        else if (c == 'r') c = '\r';
        else if (c == 'u') return std::nullopt;  // never printed by the sweep for its notes
      }
      s += c;
    }
    if (!Take('"')) return std::nullopt;
    return s;
  }
  // A number, literal or array, as its text.
  std::optional<std::string> Token() {
    SkipBlanks();
    const std::size_t start = pos_;
    int depth = 0;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '[') ++depth;
      else if (c == ']') --depth;
      else if ((c == ',' || c == '}') && depth == 0) break;
      else if (c == '"' || c == '{') return std::nullopt;
      ++pos_;
    }
    if (pos_ == start || depth != 0) return std::nullopt;
    return std::string(text_.substr(start, pos_ - start));
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

std::string Member(const std::map<std::string, std::string>& m, const char* key) {
  const auto found = m.find(key);
  return found == m.end() ? std::string() : found->second;
}

}  // namespace

std::optional<std::vector<std::string>> SplitCsv(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c != '"') fields.back() += c;
      else if (i + 1 < line.size() && line[i + 1] == '"') fields.back() += line[++i];
      else quoted = false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  if (quoted) return std::nullopt;
  return fields;
}

std::optional<RowFields> ParseRow(std::string_view line, OutputFormat format,
                                  std::size_t csvColumns) {
  if (format == OutputFormat::Jsonl) {
    const auto members = JsonScanner(line).Object();
    if (!members) return std::nullopt;
    return RowFields{Member(*members, "kind"), Member(*members, "value"), Member(*members, "run"),
                     Member(*members, "clusters"), Member(*members, "mean_is"),
                     Member(*members, "note")};
  }
  const auto fields = SplitCsv(line);
  if (!fields || fields->size() != csvColumns || csvColumns <= kMeanIs) return std::nullopt;
  const auto& f = *fields;
  return RowFields{f[kKind], f[kValue], f[kRun], f[kClusters], f[kMeanIs], f.back()};
}

std::optional<double> ParseNumber(const std::string& text) {
  if (text.empty() || text == "null") return std::numeric_limits<double>::quiet_NaN();
  double v = 0.0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, v);
  if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return v;
}

}  // namespace segsim

// The rows that segsim-cli sweep and merge print, read back column by column: one row by
// column name, CSV or JSON alike, and the checks of its cells, each fault naming the file, the
// line and the column.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace segsim {

// One row, by column name, CSV or JSON alike. A CSV cell that is empty and a JSON key that is
// absent or null are both "empty"; Value tells them apart where JSON leaves a key out.
class Row {
public:
  Row(const std::vector<std::string>& header, std::vector<std::string> cells)
      : header_(&header), cells_(std::move(cells)) {}
  explicit Row(nlohmann::json object) : json_(std::move(object)), isJson_(true) {}

  bool IsJson() const { return isJson_; }
  const nlohmann::json& Object() const { return json_; }

  // The cell's text (CSV), or the JSON value; nothing when empty, null or absent.
  std::optional<std::string> Text(const std::string& column) const;
  // The JSON value under the key, null included; nullptr when the key is absent.
  const nlohmann::json* Value(const std::string& column) const;

private:
  const std::string& Cell(const std::string& column) const;

  const std::vector<std::string>* header_ = nullptr;
  std::vector<std::string> cells_;
  nlohmann::json json_;
  bool isJson_ = false;
};

// Checks the columns of one row; every fault raises UsageError naming the file, the line and
// the column.
class RowCheck {
public:
  RowCheck(const std::string& path, std::size_t line, const Row& row)
      : path_(path), line_(line), row_(row) {}

  [[noreturn]] void Fault(const std::string& column, const std::string& why) const;
  // An integer; nothing when empty and not required.
  std::optional<std::int64_t> Int(const std::string& column, bool required) const;
  // A finite number, or NaN where the value may be missing.
  double Real(const std::string& column, bool mayBeMissing) const;
  double Finite(const std::string& column, const nlohmann::json& v) const;
  double FiniteText(const std::string& column, const std::string& text) const;
  void Empty(const std::string& column) const;
  // A list of per-group numbers: CSV columns <name>_1 … <name>_maxGroups, JSON an array; the
  // first `groups` may hold a value or be empty, the rest must be empty (CSV).
  std::vector<double> Groups(const std::string& name, std::size_t groups,
                             std::size_t maxGroups) const;

private:
  std::optional<std::int64_t> MissingInt(const std::string& column, bool required) const;
  double MissingReal(const std::string& column, bool mayBeMissing) const;

  const std::string& path_;
  std::size_t line_;
  const Row& row_;
};

}  // namespace segsim

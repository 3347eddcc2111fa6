#include "cli/row_check.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "model/shortest_double.h"
#include "settings/option_table.h"

namespace segsim {

namespace {

using Json = nlohmann::json;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

std::optional<std::string> Row::Text(const std::string& column) const {
  if (isJson_) {
    const auto found = json_.find(column);
    if (found == json_.end() || found->is_null()) return std::nullopt;
    if (found->is_string()) return found->get<std::string>();
    return found->dump();
  }
  const std::string& cell = Cell(column);
  if (cell.empty()) return std::nullopt;
  return cell;
}

const Json* Row::Value(const std::string& column) const {
  const auto found = json_.find(column);
  return found == json_.end() ? nullptr : &*found;
}

const std::string& Row::Cell(const std::string& column) const {
  static const std::string kEmpty;
  for (std::size_t i = 0; i < header_->size(); ++i) {
    if ((*header_)[i] == column) return cells_[i];
  }
  return kEmpty;
}

void RowCheck::Fault(const std::string& column, const std::string& why) const {
  std::string where = path_ + ":" + std::to_string(line_);
  if (!column.empty()) where += ": column " + column;
  throw UsageError(where + ": " + why);
}

std::optional<std::int64_t> RowCheck::Int(const std::string& column, bool required) const {
  if (row_.IsJson()) {
    const Json* v = row_.Value(column);
    if (v == nullptr || v->is_null()) return MissingInt(column, required);
    if (!v->is_number_integer()) Fault(column, "is no integer: " + v->dump());
    return v->get<std::int64_t>();
  }
  const auto text = row_.Text(column);
  if (!text) return MissingInt(column, required);
  std::int64_t value = 0;
  const char* end = text->data() + text->size();
  const auto result = std::from_chars(text->data(), end, value);
  if (result.ec != std::errc() || result.ptr != end) {
    Fault(column, "is no integer: '" + *text + "'");
  }
  return value;
}

double RowCheck::Real(const std::string& column, bool mayBeMissing) const {
  if (row_.IsJson()) {
    const Json* v = row_.Value(column);
    if (v == nullptr || v->is_null()) return MissingReal(column, mayBeMissing);
    return Finite(column, *v);
  }
  const auto text = row_.Text(column);
  if (!text) return MissingReal(column, mayBeMissing);
  return FiniteText(column, *text);
}

double RowCheck::Finite(const std::string& column, const Json& v) const {
  if (!v.is_number()) Fault(column, "is no number: " + v.dump());
  const double d = v.get<double>();
  if (!std::isfinite(d)) Fault(column, "is no finite number: " + v.dump());
  return d;
}

double RowCheck::FiniteText(const std::string& column, const std::string& text) const {
  const std::optional<double> value = ParseGeneral(text);
  if (!value || !std::isfinite(*value)) Fault(column, "is no finite number: '" + text + "'");
  return *value;
}

void RowCheck::Empty(const std::string& column) const {
  if (row_.IsJson() ? row_.Value(column) != nullptr : row_.Text(column).has_value()) {
    Fault(column, "must be empty in this row");
  }
}

std::vector<double> RowCheck::Groups(const std::string& name, std::size_t groups,
                                     std::size_t maxGroups) const {
  std::vector<double> values;
  if (row_.IsJson()) {
    const Json* v = row_.Value(name);
    if (v == nullptr) Fault(name, "is missing");
    if (!v->is_array() || v->size() != groups) {
      Fault(name, "must be a list of " + std::to_string(groups) + " numbers");
    }
    for (const Json& item : *v) values.push_back(item.is_null() ? kNaN : Finite(name, item));
    return values;
  }
  for (std::size_t g = 1; g <= maxGroups; ++g) {
    const std::string column = name + "_" + std::to_string(g);
    if (g <= groups)
      values.push_back(Real(column, true));
    else
      Empty(column);
  }
  return values;
}

std::optional<std::int64_t> RowCheck::MissingInt(const std::string& column, bool required) const {
  if (required) Fault(column, "is empty");
  return std::nullopt;
}

double RowCheck::MissingReal(const std::string& column, bool mayBeMissing) const {
  if (!mayBeMissing) Fault(column, "is empty");
  return kNaN;
}

}  // namespace segsim

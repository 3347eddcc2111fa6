#include "cli/json.h"

#include <charconv>
#include <cmath>

#include "model/shortest_double.h"

namespace segsim::json {

void AppendNumber(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  out += ShortestText(v);
}

void AppendInt(std::string& out, std::int64_t v) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  out.append(buffer, result.ptr);
}

namespace {

template <typename T, typename F>
void AppendList(std::string& out, std::span<const T> values, F append) {
  out += '[';
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ',';
    append(out, values[i]);
  }
  out += ']';
}

}  // namespace

void AppendArray(std::string& out, std::span<const double> values) {
  AppendList(out, values, [](std::string& o, double v) { AppendNumber(o, v); });
}

void AppendIntArray(std::string& out, std::span<const std::int32_t> values) {
  AppendList(out, values, [](std::string& o, std::int32_t v) { AppendInt(o, v); });
}

void AppendUIntArray(std::string& out, std::span<const std::uint32_t> values) {
  AppendList(out, values, [](std::string& o, std::uint32_t v) { AppendInt(o, v); });
}

void AppendKey(std::string& out, const char* key) {
  if (out.size() > 1) out += ',';
  out += '"';
  out += key;
  out += "\":";
}

}  // namespace segsim::json

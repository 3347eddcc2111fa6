#include "settings/option_table.h"

#include "model/numeric.h"

namespace segsim {

std::int32_t ParseInt(const std::string& name, const std::string& text) {
  std::int32_t value = 0;
  if (!TryStrToInt(text, value)) {
    if (IsIntegerOutOfRange(text)) {
      throw UsageError("the value of " + name + " is out of range: '" + text +
                       "' (an integer from -2147483648 to 2147483647)");
    }
    throw UsageError("the value of " + name + " is no integer: '" + text + "'");
  }
  return value;
}

std::int32_t ParseInRange(const std::string& name, const std::string& text, std::int32_t lo,
                          std::int32_t hi, const std::string& range) {
  if (IsIntegerOutOfRange(text)) throw UsageError(name + " must be " + range + ", not " + text);
  const std::int32_t v = ParseInt(name, text);
  if (v < lo || v > hi) throw UsageError(name + " must be " + range + ", not " + text);
  return v;
}

std::uint32_t ParseSeed(const std::string& text) {
  std::uint32_t value = 0;
  if (!TryStrToSeed(text, value)) {
    throw UsageError("the value of --seed is no 32-bit integer: '" + text + "'");
  }
  return value;
}

namespace options_detail {

std::string JoinValues(const std::vector<std::string>& values) {
  std::string joined;
  for (const std::string& v : values) joined += (joined.empty() ? "" : " ") + v;
  return joined;
}

}  // namespace options_detail

}  // namespace segsim

#include "model/numeric.h"

#include <cfenv>
#include <cmath>
#include <cstdio>

#include "model/error.h"

namespace segsim {

namespace {

constexpr Extended kTwoTo63 = 9223372036854775808.0L;

std::int64_t ToInt64(Extended integral) {
  if (std::isnan(integral) || integral >= kTwoTo63 || integral < -kTwoTo63) {
    throw SegsimError(msg::kInvalidFloatOperation);
  }
  return static_cast<std::int64_t>(integral);
}

std::string NotAnInteger(std::string_view text) {
  std::string message = msg::kNotAnInteger;
  message.replace(message.find("%s"), 2, text);
  return message;
}

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9')
    v = c - '0';
  else if (c >= 'a' && c <= 'f')
    v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F')
    v = c - 'A' + 10;
  return v < base ? v : -1;
}

}  // namespace

std::int64_t Round(Extended x) {
  // nearbyint follows the current rounding mode, which is round-to-nearest-even throughout.
  return ToInt64(std::nearbyint(x));
}

std::int64_t Floor(Extended x) { return ToInt64(std::floor(x)); }

std::int64_t Ceil(Extended x) { return ToInt64(std::ceil(x)); }

double RoundTo2(double v) {
  const double f = 1e-2;
  const Extended hundredths = static_cast<Extended>(Round(static_cast<Extended>(v) / f));
  return static_cast<double>(hundredths * f);
}

std::string FormatGeneral(double v) {
  if (std::isnan(v)) return "n/a";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", v);
  return buffer;
}

bool TryStrToInt(std::string_view text, std::int32_t& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return false;
  // Magnitude limit: 2^31 for a negative value, 2^31 - 1 otherwise.
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > limit) return false;
  }
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

std::int32_t StrToInt(std::string_view text) {
  std::int32_t value = 0;
  if (!TryStrToInt(text, value)) throw SegsimError(NotAnInteger(text));
  return value;
}

}  // namespace segsim

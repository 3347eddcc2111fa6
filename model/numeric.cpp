#include "model/numeric.h"

#include <cmath>
#include <cstdio>

#include "model/error.h"

namespace segsim {

namespace {

constexpr Extended kTwoTo63 = Extended(1ULL << 63);

// Rounding to an integral value: the x87 unit's frndint in its two forms.
#if SEGSIM_SOFT_EXTENDED
Extended NearestEven(Extended x) { return x.ToIntegral(SoftExtended::Rounding::kNearestEven); }
Extended Down(Extended x) { return x.ToIntegral(SoftExtended::Rounding::kFloor); }
Extended Up(Extended x) { return x.ToIntegral(SoftExtended::Rounding::kCeil); }
#else
// nearbyint follows the current rounding mode, which is round-to-nearest-even throughout.
Extended NearestEven(Extended x) { return std::nearbyint(x); }
Extended Down(Extended x) { return std::floor(x); }
Extended Up(Extended x) { return std::ceil(x); }
#endif

std::int64_t ToInt64(Extended integral) {
  if (IsNaN(integral) || integral >= kTwoTo63 || integral < -kTwoTo63) {
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

std::int64_t Round(Extended x) { return ToInt64(NearestEven(x)); }

std::int64_t Floor(Extended x) { return ToInt64(Down(x)); }

std::int64_t Ceil(Extended x) { return ToInt64(Up(x)); }

double RoundTo2(double v) {
  const double f = 1e-2;
  const Extended hundredths = static_cast<Extended>(Round(static_cast<Extended>(v) / f));
  return static_cast<double>(hundredths * f);
}

std::optional<double> MeanOfExisting(std::span<const double> values) {
  Extended sum = 0;
  std::int64_t counted = 0;
  for (double v : values) {
    if (std::isnan(v)) continue;
    sum += v;
    ++counted;
  }
  if (counted == 0) return std::nullopt;
  return static_cast<double>(sum / counted);
}

std::string FormatGeneral(double v) {
  if (std::isnan(v)) return "n/a";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", v);
  return buffer;
}

namespace {

// The grammar of the conversion: leading blanks, an optional sign, then decimal digits or
// hexadecimal digits after "$", "x", "X", "0x" or "0X", and nothing else. The magnitude may not
// exceed limit, or limitNegative after a minus sign.
// Digits past the limit still have to be digits: `tooLarge` tells the text of an integer that
// does not fit apart from a text that is no integer.
bool ReadInteger(std::string_view text, std::uint64_t limit, std::uint64_t limitNegative,
                 bool& negative, std::uint64_t& magnitude, bool* tooLarge = nullptr) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  negative = false;
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
  const std::uint64_t max = negative ? limitNegative : limit;
  magnitude = 0;
  bool beyond = false;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) return false;
    if (beyond) continue;
    magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    beyond = magnitude > max;
  }
  if (tooLarge != nullptr) *tooLarge = beyond;
  return !beyond;
}

}  // namespace

bool TryStrToInt(std::string_view text, std::int32_t& value) {
  bool negative = false;
  std::uint64_t magnitude = 0;
  // 2^31 - 1 at most, 2^31 after a minus sign.
  if (!ReadInteger(text, 2147483647ULL, 2147483648ULL, negative, magnitude)) return false;
  const auto m = static_cast<std::int64_t>(magnitude);
  value = static_cast<std::int32_t>(negative ? -m : m);
  return true;
}

bool TryStrToUInt32(std::string_view text, std::uint32_t& value) {
  bool negative = false;
  std::uint64_t magnitude = 0;
  if (!ReadInteger(text, 0xFFFFFFFFULL, 0, negative, magnitude)) return false;
  value = static_cast<std::uint32_t>(magnitude);
  return true;
}

bool IsIntegerOutOfRange(std::string_view text) {
  bool negative = false;
  bool tooLarge = false;
  std::uint64_t magnitude = 0;
  ReadInteger(text, 2147483647ULL, 2147483648ULL, negative, magnitude, &tooLarge);
  return tooLarge;
}

bool TryStrToSeed(std::string_view text, std::uint32_t& value) {
  std::int32_t signedValue = 0;
  if (TryStrToInt(text, signedValue)) {
    value = static_cast<std::uint32_t>(signedValue);
    return true;
  }
  return TryStrToUInt32(text, value);
}

std::int32_t StrToInt(std::string_view text) {
  std::int32_t value = 0;
  if (!TryStrToInt(text, value)) throw SegsimError(NotAnInteger(text));
  return value;
}

}  // namespace segsim

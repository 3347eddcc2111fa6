#include "model/shortest_double.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace segsim {

namespace {

// The n significant digits of |v| rounded to nearest and its decimal exponent (v = d.ddd x 10^e).
void Digits(double v, int n, std::string& digits, int& exponent) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.*e", n - 1, v < 0 ? -v : v);
  digits.clear();
  const char* p = buffer;
  for (; *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  exponent = std::atoi(p + 1);
}

double ValueOf(const std::string& digits, int exponent) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%c.%se%d", digits[0], digits.c_str() + 1, exponent);
  return std::strtod(buffer, nullptr);
}

// digits + step in the last place (step is +1 or -1), keeping n digits; false where that leaves
// n digits no longer (a carry out of 9...9 or a borrow below 1...0 ends the search there).
bool Neighbour(std::string& digits, int step) {
  int i = static_cast<int>(digits.size()) - 1;
  if (step > 0) {
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i < 0) return false;
    ++digits[i];
  } else {
    while (i >= 0 && digits[i] == '0') digits[i--] = '9';
    if (i < 0 || (i == 0 && digits[0] == '1')) return false;
    --digits[i];
  }
  return true;
}

// The shortest digits that read back as |v|, nearest |v| among those of their length.
void ShortestDigits(double v, std::string& digits, int& exponent) {
  const double a = v < 0 ? -v : v;
  if (a < std::numeric_limits<double>::min()) {
    // A subnormal has fewer significant bits: the fewest digits that read back, by trial.
    for (int n = 1; n < 17; ++n) {
      Digits(a, n, digits, exponent);
      if (ValueOf(digits, exponent) == a) return;
    }
    Digits(a, 17, digits, exponent);
    return;
  }
  // 15 digits always survive text -> double -> text: if the 15 digits read back, the shortest
  // digits are these without their trailing zeros.
  Digits(a, 15, digits, exponent);
  if (ValueOf(digits, exponent) == a) {
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    return;
  }
  Digits(a, 16, digits, exponent);
  if (ValueOf(digits, exponent) == a) return;
  // Next to a power of two the interval that reads back is narrower below than above, so the
  // nearest 16 digits may miss it while a neighbour lies inside.
  for (const int step : {-1, 1}) {
    std::string d = digits;
    if (Neighbour(d, step) && ValueOf(d, exponent) == a) {
      digits = d;
      return;
    }
  }
  Digits(a, 17, digits, exponent);
}

}  // namespace

std::string ShortestTextByPrintf(double v) {
  if (v == 0) return std::signbit(v) ? "-0" : "0";
  std::string digits;
  int e = 0;
  ShortestDigits(v, digits, e);
  const int n = static_cast<int>(digits.size());
  std::string scientific = digits.substr(0, 1);
  if (n > 1) scientific += '.' + digits.substr(1);
  const int ae = e < 0 ? -e : e;
  scientific += e < 0 ? "e-" : "e+";
  if (ae < 10) scientific += '0';
  scientific += std::to_string(ae);
  std::string fixed;
  if (e >= 0) {
    if (n <= e + 1) {
      // The value is a whole number: written out exactly, as to_chars writes it, not padded.
      char buffer[320];
      std::snprintf(buffer, sizeof buffer, "%.0f", v < 0 ? -v : v);
      fixed = buffer;
    } else {
      fixed = digits.substr(0, e + 1) + '.' + digits.substr(e + 1);
    }
  } else {
    fixed = "0." + std::string(-e - 1, '0') + digits;
  }
  const std::string sign = v < 0 ? "-" : "";
  return sign + (scientific.size() < fixed.size() ? scientific : fixed);
}

std::string ShortestText(double v) {
#if defined(__cpp_lib_to_chars)
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
#else
  return ShortestTextByPrintf(v);
#endif
}

std::optional<double> ParseGeneral(std::string_view text) {
#if defined(__cpp_lib_to_chars)
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
#else
  return ParseGeneralByStrtod(text);
#endif
}

std::optional<double> ParseGeneralByStrtod(std::string_view text) {
  // The grammar first (strtod reads more: blanks, '+', hexadecimal, infinities), then strtod.
  std::size_t i = 0;
  if (i < text.size() && text[i] == '-') ++i;
  std::size_t mantissa = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      ++mantissa;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (mantissa == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t digits = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == digits) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  const std::string copy(text);
  return std::strtod(copy.c_str(), nullptr);
}

}  // namespace segsim

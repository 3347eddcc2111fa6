#include "charts/value_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace segsim {

namespace {

constexpr int kSignificant = 15;

// Adds one to a string of decimal digits ("" counts as 0).
std::string Increment(std::string digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return digits;
    }
    *it = '0';
  }
  return "1" + digits;
}

// The magnitude in tenths, rounded, as a string of decimal digits without leading zeros ("0"
// for none). The value's 15 significant digits d1 d2 ... stand for 0.d1d2... x 10^(exp + 1).
std::string RoundedTenths(double magnitude) {
  if (magnitude == 0.0) return "0";
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.*e", kSignificant - 1, magnitude);
  std::string digits;
  const char* p = buffer;
  for (; *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  const int exponent = std::atoi(p + 1);
  const int keep = exponent + 2;  // digits whose place value is at least a tenth
  if (keep < 0) return "0";
  if (keep >= kSignificant)
    return digits + std::string(static_cast<std::size_t>(keep - kSignificant), '0');
  std::string tenths = digits.substr(0, static_cast<std::size_t>(keep));
  if (digits[static_cast<std::size_t>(keep)] >= '5') tenths = Increment(tenths);
  const std::size_t firstNonZero = tenths.find_first_not_of('0');
  return firstNonZero == std::string::npos ? "0" : tenths.substr(firstNonZero);
}

std::string GroupThousands(const std::string& digits) {
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace

std::string FormatValueMark(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  const std::string tenths = RoundedTenths(std::fabs(value));
  const std::string integer = tenths.size() > 1 ? tenths.substr(0, tenths.size() - 1) : "0";
  const char decimal = tenths.back();
  std::string text = GroupThousands(integer);
  if (decimal != '0') text += std::string(".") + decimal;
  // A value that rounds to 0 shows no sign.
  if (value < 0 && tenths != "0") text = "-" + text;
  return text;
}

}  // namespace segsim

// Numeric conventions of the model: extended precision, rounding and the strict integer
// conversion of field texts.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/soft_extended.h"

namespace segsim {

// Extended precision for intermediate results: the 80-bit x87 format (64-bit mantissa), the
// hardware's long double where it is that format (x86, x86-64), the same format in software
// everywhere else or with SEGSIM_SOFT_EXTENDED: bit for bit the same results. A value is rounded
// to a double only where it is stored in one. Constants are written as integers or quotients of
// integers (Extended(1) / 20 is the extended value nearest 0.05), never as long double literals.
#if !defined(SEGSIM_SOFT_EXTENDED)
#error "SEGSIM_SOFT_EXTENDED comes with segsim::model: link it to every target that includes model/"
#elif SEGSIM_SOFT_EXTENDED
using Extended = SoftExtended;
#else
static_assert(std::numeric_limits<long double>::digits == 64 &&
                  std::numeric_limits<long double>::max_exponent == 16384,
              "long double is not the x87 extended format here: configure with "
              "-DSEGSIM_SOFT_EXTENDED=ON (CMake chooses it by itself)");
using Extended = long double;
#endif

// |x| and the NaN test, for either kind of Extended.
inline long double Abs(long double x) { return std::fabs(x); }
inline bool IsNaN(long double x) { return std::isnan(x); }

// (part / whole) * 100, quotient and product in extended precision: a share in percent
// (0 <= part, 0 < whole). a + b in extended precision, stored as a double: the sum rounded to 64
// bits, then to 53. Both on the hot paths; the software format has integer routes for them.
#if SEGSIM_SOFT_EXTENDED
inline Extended Percent(std::int64_t part, std::int64_t whole) {
  return SoftExtended::Percent(part, whole);
}
inline double SumAsDouble(double a, double b) { return SoftExtended::SumAsDouble(a, b); }
#else
inline Extended Percent(std::int64_t part, std::int64_t whole) {
  return static_cast<Extended>(part) / whole * 100;
}
inline double SumAsDouble(double a, double b) {
  return static_cast<double>(static_cast<Extended>(a) + b);
}
#endif

// Nearest integer, exact halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -56.5 -> -56).
// Applied to the extended value directly. Raises "Ungültige Gleitkommaoperation" for NaN or a
// value that does not fit a 64-bit integer.
std::int64_t Round(Extended x);
// Largest integer not above x / smallest integer not below x (same range check as Round).
std::int64_t Floor(Extended x);
std::int64_t Ceil(Extended x);

// Rounds to two decimals the way the table shows values: Round(v / f) * f with f the double
// nearest 0.01, quotient and rounding in extended precision, the product stored as a double.
// 0.375 gives 0.37 because that f lies slightly above one hundredth.
double RoundTo2(double v);

// The mean of the values that exist (not NaN), summed in extended precision in the order given;
// nothing when none exists. The results that average over groups or runs all take it.
std::optional<double> MeanOfExisting(std::span<const double> values);

// General format with at most 15 significant digits and no trailing zeros, '.' as the decimal
// separator: 12.5 -> "12.5", 0 -> "0". NaN ("no value") reads "n/a".
std::string FormatGeneral(double v);

// Strict conversion of a field's text to a 32-bit signed integer: leading blanks, an optional
// sign, then decimal digits or hexadecimal digits after "$", "x", "X", "0x" or "0X". Nothing may
// follow, the text may not be empty and the value must fit. Otherwise raises
// "'<text>' ist kein gültiger Integerwert".
std::int32_t StrToInt(std::string_view text);

// The same conversion without raising: false when the text is no integer.
bool TryStrToInt(std::string_view text, std::int32_t& value);
// The same grammar for a 32-bit unsigned value (0 to 2^32 - 1; no minus sign but "-0").
bool TryStrToUInt32(std::string_view text, std::uint32_t& value);
// True for the text of an integer, in that grammar, that does not fit 32 bits signed ("3000000000",
// "-0x80000001"), so that a message can say it is out of range rather than no integer.
bool IsIntegerOutOfRange(std::string_view text);
// A seed: any 32-bit value, signed (-2^31 to 2^31 - 1, a negative value taken modulo 2^32) or
// unsigned (0 to 2^32 - 1), in the same grammar. Every front end reads seeds with this.
bool TryStrToSeed(std::string_view text, std::uint32_t& value);

}  // namespace segsim

// Numeric conventions of the model: extended precision, rounding and the strict integer
// conversion of field texts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace segsim {

// Extended precision for intermediate results: the 80-bit x87 format (64-bit mantissa) on
// x86-64. A value is rounded to a double only where it is stored in one.
using Extended = long double;

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

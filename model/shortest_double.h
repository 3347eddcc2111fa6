// The shortest decimal text of a double that reads back as the same double, in the form
// std::to_chars(first, last, double) writes it: the fewer characters of the fixed and the
// scientific form (fixed on a tie), of the nearest such digits. Where the standard library has
// the floating-point std::to_chars it is used directly; elsewhere (the libc++ of Debian's
// emscripten) it is found with the C library's exact printf and strtod, with the same text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace segsim {

// Finite values only (the callers print NaN and infinities in their own way).
std::string ShortestText(double v);
// The same text through printf and strtod, whatever the library; the tests compare it with
// std::to_chars where both exist.
std::string ShortestTextByPrintf(double v);

// Reads a whole text as std::from_chars(..., std::chars_format::general) does: an optional '-',
// digits with an optional '.', an optional exponent; nothing else before or after. Nothing when
// the text is not such a number.
std::optional<double> ParseGeneral(std::string_view text);
// The same through strtod, whatever the library (the tests compare it with std::from_chars).
std::optional<double> ParseGeneralByStrtod(std::string_view text);

}  // namespace segsim

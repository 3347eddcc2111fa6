// The text of a value mark on a result chart.
#pragma once

#include <string>

namespace segsim {

// The value in the format "#,##0.#": at least one integer digit, the integer digits grouped in
// threes by ",", and one decimal after "." unless it is 0. The rounding is to the nearest tenth,
// halves away from zero, taken on the value's 15 significant digits (so 0.35 reads 0.4, as it
// is written). 1234.56 -> "1,234.6", 2 -> "2", 0.04 -> "0". NaN and infinities read "NAN",
// "INF" and "-INF".
std::string FormatValueMark(double value);

}  // namespace segsim

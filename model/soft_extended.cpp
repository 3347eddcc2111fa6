#include "model/soft_extended.h"

#include <bit>
#include <cmath>

namespace segsim {

SoftExtended SoftExtended::Percent(std::int64_t part, std::int64_t whole) {
  if (part > 0 && part < (1LL << 32) && whole > 0 && whole < (1LL << 32)) {
    const auto p = static_cast<std::uint64_t>(part);
    const auto w = static_cast<std::uint64_t>(whole);
    // part / whole lies in [2^j, 2^(j+1)); 65 bits of the quotient, then the remainder as the
    // sticky bit, round to 64 bits (nearest even).
    auto j =
        static_cast<std::int32_t>(std::bit_width(p)) - static_cast<std::int32_t>(std::bit_width(w));
    if ((j >= 0 ? p >> j : p << -j) < w) --j;
    // floor(p * 2^k / w) in [2^63, 2^64) and its remainder: the double quotient (within 2^-52)
    // gives it within 2^12, and the remainder of that estimate, exact in 64 bits, corrects it.
    const std::int32_t k = 63 - j;
    const double qd = static_cast<double>(p) / static_cast<double>(w);
    const auto scale = __builtin_bit_cast(double, static_cast<std::uint64_t>(1023 + k - 1) << 52);
    U128 m = U128{static_cast<std::uint64_t>(qd * scale)} * 2;
    auto r = static_cast<std::int64_t>((static_cast<U128>(p) << k) - m * w);
    const auto c = static_cast<std::int64_t>(static_cast<double>(r) / static_cast<double>(w));
    m += static_cast<U128>(c);  // wraps as a signed addition would
    r -= c * static_cast<std::int64_t>(w);
    while (r < 0) --m, r += static_cast<std::int64_t>(w);
    while (r >= static_cast<std::int64_t>(w)) ++m, r -= static_cast<std::int64_t>(w);
    // To nearest even by the remainder: up to 2^64.
    const auto twice = static_cast<std::uint64_t>(r) * 2;
    if (twice > w || (twice == w && (m & 1) != 0)) ++m;
    // The quotient is m * 2^(j - 63); times 100 exactly, then 64 bits, nearest even.
    m *= 100;
    const auto drop = static_cast<int>(std::bit_width(static_cast<std::uint64_t>(m >> 64)));
    const U128 half = U128{1} << (drop - 1);
    const U128 rest = m & ((U128{1} << drop) - 1);
    auto significand = static_cast<std::uint64_t>(m >> drop);
    std::int32_t exponent = j - 63 + drop;
    if (rest > half || (rest == half && (significand & 1) != 0)) {
      if (++significand == 0) {
        significand = 1ULL << 63;
        ++exponent;
      }
    }
    return FromBits(static_cast<std::uint16_t>(kScale + exponent), significand);
  }
  return SoftExtended(part) / whole * 100;
}

double SoftExtended::SumRounded(double a, double b) {
  return static_cast<double>(SoftExtended(a) + SoftExtended(b));
}

}  // namespace segsim

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
    // All in 64-bit words: WebAssembly has no 128-bit multiply or shift, and calls a helper
    // for each.
    const std::int32_t k = 63 - j;
    const double qd = static_cast<double>(p) / static_cast<double>(w);
    const auto scale = __builtin_bit_cast(double, static_cast<std::uint64_t>(1023 + k - 1) << 52);
    std::uint64_t m = static_cast<std::uint64_t>(qd * scale) * 2;
    // p * 2^k - m * w, which fits 64 bits signed, from the low 64 bits of both (k is 32 to 95).
    const std::uint64_t shifted = k < 64 ? p << k : 0;
    auto r = static_cast<std::int64_t>(shifted - m * w);
    const auto c = static_cast<std::int64_t>(static_cast<double>(r) / static_cast<double>(w));
    m += static_cast<std::uint64_t>(c);  // wraps as a signed addition would
    r -= c * static_cast<std::int64_t>(w);
    while (r < 0) --m, r += static_cast<std::int64_t>(w);
    while (r >= static_cast<std::int64_t>(w)) ++m, r -= static_cast<std::int64_t>(w);
    // To nearest even by the remainder: up to 2^64, which carries into bit 64.
    const auto twice = static_cast<std::uint64_t>(r) * 2;
    std::uint64_t carry = 0;
    if (twice > w || (twice == w && (m & 1) != 0)) carry = ++m == 0 ? 1 : 0;
    // The quotient is (carry * 2^64 + m) * 2^(j - 63); times 100 exactly, as hi * 2^64 + lo
    // (hi is 50 to 100), then 64 bits, nearest even.
    const std::uint64_t low = (m & 0xFFFFFFFFu) * 100;
    const std::uint64_t upper = (m >> 32) * 100 + (low >> 32);
    const std::uint64_t hi = (upper >> 32) + carry * 100;
    const std::uint64_t lo = (upper << 32) | (low & 0xFFFFFFFFu);
    const auto drop = static_cast<int>(std::bit_width(hi));
    const std::uint64_t half = std::uint64_t{1} << (drop - 1);
    const std::uint64_t rest = lo & ((std::uint64_t{1} << drop) - 1);
    auto significand = (hi << (64 - drop)) | (lo >> drop);
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

// The x87 80-bit extended format in software: sign, 15-bit exponent, 64-bit significand with an
// explicit integer bit, every result rounded to nearest, ties to even, and gradual underflow, as
// the x87 unit gives them with 64-bit precision control. Only what the model uses: +, -, *, /,
// comparisons, conversions from integers and doubles, rounding to double and to integral values.
// No rounding state and no flags: every operation is a pure function of its operands, so models
// on several threads need nothing shared. Failures show in the results (inf, NaN), which the
// callers check explicitly, as with the hardware type.
#pragma once

#include <algorithm>
#include <bit>
#include <compare>
#include <concepts>
#include <cstdint>
#include <type_traits>
#include <utility>

#if !defined(__SIZEOF_INT128__)
#error "The software extended format needs a compiler with unsigned __int128 (GCC or Clang)."
#endif

namespace segsim {

class SoftExtended {
public:
  enum class Rounding { kNearestEven, kFloor, kCeil };

  constexpr SoftExtended() = default;  // +0
  template <std::integral I>
  constexpr SoftExtended(I v) {  // exact: every integer up to 64 bits fits the significand
    if constexpr (std::is_signed_v<I>) {
      const auto w = static_cast<std::int64_t>(v);
      *this = FromMagnitude(
          w < 0, w < 0 ? 0 - static_cast<std::uint64_t>(w) : static_cast<std::uint64_t>(w));
    } else {
      *this = FromMagnitude(false, static_cast<std::uint64_t>(v));
    }
  }
  constexpr SoftExtended(double v);  // exact
  // A long double would pass through a double first; write the value as integers or quotients.
  SoftExtended(long double) = delete;

  static constexpr SoftExtended FromBits(std::uint16_t signExponent, std::uint64_t significand) {
    SoftExtended x;
    x.signExponent_ = signExponent;
    x.significand_ = significand;
    return x;
  }
  constexpr std::uint16_t SignExponent() const { return signExponent_; }
  constexpr std::uint64_t Significand() const { return significand_; }

  // Rounded to nearest even (to a subnormal double or to infinity where it must).
  explicit constexpr operator double() const;
  // Truncation toward zero; for values below 2^63 in magnitude.
  explicit constexpr operator std::int64_t() const;

  // The nearest integral value in the given direction, as the x87 unit's frndint.
  constexpr SoftExtended ToIntegral(Rounding mode) const;

  constexpr SoftExtended operator-() const {
    return FromBits(signExponent_ ^ 0x8000u, significand_);
  }
  friend constexpr SoftExtended operator+(SoftExtended a, SoftExtended b) {
    return Add(a, b, false);
  }
  friend constexpr SoftExtended operator-(SoftExtended a, SoftExtended b) {
    return Add(a, b, true);
  }
  friend constexpr SoftExtended operator*(SoftExtended a, SoftExtended b) { return Multiply(a, b); }
  friend constexpr SoftExtended operator/(SoftExtended a, SoftExtended b) { return Divide(a, b); }
  constexpr SoftExtended& operator+=(SoftExtended b) { return *this = *this + b; }
  constexpr SoftExtended& operator-=(SoftExtended b) { return *this = *this - b; }
  constexpr SoftExtended& operator*=(SoftExtended b) { return *this = *this * b; }
  constexpr SoftExtended& operator/=(SoftExtended b) { return *this = *this / b; }

  // IEEE comparisons: NaN is unordered (every comparison false but !=), -0 equals +0.
  friend constexpr std::partial_ordering operator<=>(SoftExtended a, SoftExtended b) {
    if (a.IsNaN() || b.IsNaN()) return std::partial_ordering::unordered;
    if (a.IsZero() && b.IsZero()) return std::partial_ordering::equivalent;
    if (a.Negative() != b.Negative()) {
      return a.Negative() ? std::partial_ordering::less : std::partial_ordering::greater;
    }
    const std::strong_ordering magnitude = a.Magnitude() <=> b.Magnitude();
    const std::strong_ordering order = a.Negative() ? 0 <=> magnitude : magnitude;
    return order;
  }
  friend constexpr bool operator==(SoftExtended a, SoftExtended b) {
    return (a <=> b) == std::partial_ordering::equivalent;
  }

  // (part / whole) * 100 with the quotient and the product rounded to the format, by integer
  // division for operands below 2^32 (0 <= part, 0 < whole); a + b rounded to the format, then
  // to double, with the double sum where the first rounding cannot matter.
  static SoftExtended Percent(std::int64_t part, std::int64_t whole);
  static double SumAsDouble(double a, double b) {
    // The double sum s and its exact error e (a + b = s + e). Rounding first to 64 bits changes
    // s only where that rounding lands on a midpoint between s and its neighbour, which needs |e|
    // within 2^-11 of half a unit in the last place of s (a quarter at a power of two, whose
    // lower neighbour is nearer); elsewhere, and where e is 0, s is the answer.
    const double s = a + b;
    const double bv = s - a;
    const double e = (a - (s - bv)) + (b - bv);
    // One branch, taken almost never: whether e is 0 varies from cell to cell.
    const auto bits = __builtin_bit_cast(std::uint64_t, s);
    const auto exponent = static_cast<std::int64_t>((bits >> 52) & 0x7FF);
    const bool inRange = exponent > 64 && exponent < 0x7FF;
    const bool powerOfTwo = (bits & ((1ULL << 52) - 1)) == 0;
    const auto half = __builtin_bit_cast(
        double,
        static_cast<std::uint64_t>(std::max<std::int64_t>(exponent, 65) - 53 - (powerOfTwo ? 1 : 0))
            << 52);
    const double magnitude = e < 0 ? -e : e;
    if ((e == 0) | (inRange & (magnitude < half - half / 1024))) [[likely]]
      return s;
    return SumRounded(a, b);
  }
  // a + b through the format, the long way.
  static double SumRounded(double a, double b);

  constexpr bool IsNaN() const { return Exponent() == kMaxExponent && (significand_ << 1) != 0; }

private:
  __extension__ typedef unsigned __int128 U128;
  static constexpr std::int32_t kMaxExponent = 0x7FFF;
  static constexpr std::uint64_t kIntegerBit = 1ULL << 63;
  // An unpacked finite non-zero value m * 2^(e - kScale) with m's bit 63 set; e is the biased
  // exponent of the format, below 1 for a subnormal.
  static constexpr std::int32_t kScale = 16383 + 63;
  struct Unpacked {
    bool negative;
    std::int32_t e;
    std::uint64_t m;
  };

  constexpr std::int32_t Exponent() const { return signExponent_ & kMaxExponent; }
  constexpr bool Negative() const { return (signExponent_ & 0x8000u) != 0; }
  constexpr bool IsZero() const { return Exponent() == 0 && significand_ == 0; }
  constexpr bool IsInf() const { return Exponent() == kMaxExponent && (significand_ << 1) == 0; }
  constexpr U128 Magnitude() const { return (static_cast<U128>(Exponent()) << 64) | significand_; }
  static constexpr std::uint16_t SignBit(bool negative) { return negative ? 0x8000u : 0u; }
  static constexpr SoftExtended Zero(bool negative) { return FromBits(SignBit(negative), 0); }
  static constexpr SoftExtended Inf(bool negative) {
    return FromBits(SignBit(negative) | kMaxExponent, kIntegerBit);
  }
  // The x87 unit's default NaN (the "indefinite"): negative, quiet.
  static constexpr SoftExtended DefaultNaN() { return FromBits(0xFFFF, 0xC000000000000000ULL); }
  constexpr Unpacked Unpack() const {  // finite, non-zero
    const std::int32_t e = Exponent();
    if (e == 0) {  // subnormal: exponent 1 with a leading zero
      const int shift = std::countl_zero(significand_);
      return {Negative(), 1 - shift, significand_ << shift};
    }
    return {Negative(), e, significand_};
  }
  static constexpr SoftExtended FromMagnitude(bool negative, std::uint64_t m) {
    if (m == 0) return Zero(negative);
    const int shift = std::countl_zero(m);
    return FromBits(SignBit(negative) | static_cast<std::uint16_t>(kScale - shift), m << shift);
  }
  // A NaN operand comes through quieted; of two, the one with the larger significand.
  static constexpr SoftExtended PropagateNaN(SoftExtended a, SoftExtended b) {
    constexpr std::uint64_t kQuiet = 1ULL << 62;
    if (a.IsNaN() && b.IsNaN()) {
      const SoftExtended& pick = (a.significand_ | kQuiet) >= (b.significand_ | kQuiet) ? a : b;
      return FromBits(pick.signExponent_, pick.significand_ | kQuiet);
    }
    const SoftExtended& nan = a.IsNaN() ? a : b;
    return FromBits(nan.signExponent_, nan.significand_ | kQuiet);
  }

  // The value m * 2^(e - kScale - 64), m's bit 127 set (or m a sticky 1 for a tiny value),
  // rounded to the format: to nearest even, a subnormal below exponent 1, infinity above.
  static constexpr SoftExtended RoundPack(bool negative, std::int32_t e, U128 m) {
    if (e < 1) {
      const std::int32_t shift = 1 - e;
      m = shift >= 128 ? U128{m != 0} : (m >> shift) | U128{(m << (128 - shift)) != 0};
      e = 1;
    }
    std::uint64_t hi = static_cast<std::uint64_t>(m >> 64);
    const auto lo = static_cast<std::uint64_t>(m);
    if (lo > kIntegerBit || (lo == kIntegerBit && (hi & 1) != 0)) {
      if (++hi == 0) {
        hi = kIntegerBit;
        ++e;
      }
    }
    if (e >= kMaxExponent) return Inf(negative);
    if ((hi & kIntegerBit) == 0) e = 0;  // subnormal (or zero)
    return FromBits(SignBit(negative) | static_cast<std::uint16_t>(e), hi);
  }

  static constexpr SoftExtended Add(SoftExtended a, SoftExtended b, bool subtract) {
    if (a.IsNaN() || b.IsNaN()) return PropagateNaN(a, b);  // a NaN keeps its sign
    if (subtract) b = -b;
    if (a.IsInf()) return b.IsInf() && a.Negative() != b.Negative() ? DefaultNaN() : a;
    if (b.IsInf()) return b;
    if (a.IsZero() && b.IsZero()) return Zero(a.Negative() && b.Negative());
    if (a.IsZero()) return b;
    if (b.IsZero()) return a;
    if (a.Magnitude() < b.Magnitude()) std::swap(a, b);
    const Unpacked x = a.Unpack();
    const Unpacked y = b.Unpack();
    // Both significands with 62 bits below them; the smaller shifted with a sticky bit, which
    // keeps every rounding boundary (a multiple of 2^60 here) on the side the exact sum is.
    const U128 big = static_cast<U128>(x.m) << 62;
    U128 small = static_cast<U128>(y.m) << 62;
    const std::int32_t d = x.e - y.e;
    if (d >= 127) {
      small = 1;
    } else if (d > 0) {
      small = (small >> d) | U128{(small << (128 - d)) != 0};
    }
    const U128 sum = x.negative == y.negative ? big + small : big - small;
    if (sum == 0) return Zero(false);
    const int lz = CountLeadingZeros(sum);
    return RoundPack(x.negative, x.e + 2 - lz, sum << lz);
  }

  static constexpr SoftExtended Multiply(SoftExtended a, SoftExtended b) {
    const bool negative = a.Negative() != b.Negative();
    if (a.IsNaN() || b.IsNaN()) return PropagateNaN(a, b);
    if (a.IsInf() || b.IsInf()) return a.IsZero() || b.IsZero() ? DefaultNaN() : Inf(negative);
    if (a.IsZero() || b.IsZero()) return Zero(negative);
    const Unpacked x = a.Unpack();
    const Unpacked y = b.Unpack();
    U128 p = static_cast<U128>(x.m) * y.m;  // bit 126 or 127 set
    const std::int32_t shift = static_cast<std::int32_t>(p >> 127) ^ 1;
    p <<= shift;
    return RoundPack(negative, x.e + y.e - 16382 - shift, p);
  }

  static constexpr SoftExtended Divide(SoftExtended a, SoftExtended b) {
    const bool negative = a.Negative() != b.Negative();
    if (a.IsNaN() || b.IsNaN()) return PropagateNaN(a, b);
    if (a.IsInf()) return b.IsInf() ? DefaultNaN() : Inf(negative);
    if (b.IsInf()) return Zero(negative);
    if (b.IsZero()) return a.IsZero() ? DefaultNaN() : Inf(negative);
    if (a.IsZero()) return Zero(negative);
    const Unpacked x = a.Unpack();
    const Unpacked y = b.Unpack();
    // 64 or 65 quotient bits, then 64 more; the last remainder is the sticky bit.
    const U128 numerator = static_cast<U128>(x.m) << 64;
    const U128 q1 = numerator / y.m;
    const U128 r1 = numerator % y.m;
    const U128 q2 = (r1 << 64) / y.m;
    const bool sticky = (r1 << 64) % y.m != 0;
    if ((q1 >> 64) != 0) {
      const U128 m = (q1 << 63) | (q2 >> 1) | U128{(q2 & 1) != 0 || sticky};
      return RoundPack(negative, x.e - y.e + 16383, m);
    }
    const U128 m = (q1 << 64) | q2 | U128{sticky};
    return RoundPack(negative, x.e - y.e + 16382, m);
  }

  // m / 2^drop rounded to nearest even.
  static constexpr std::uint64_t ShiftRightRounded(std::uint64_t m, std::int32_t drop) {
    if (drop == 0) return m;
    if (drop > 64) return 0;  // below one half
    const std::uint64_t r = drop == 64 ? 0 : m >> drop;
    const std::uint64_t rest = drop == 64 ? m : m << (64 - drop);  // one half is kIntegerBit
    return r + ((rest > kIntegerBit || (rest == kIntegerBit && (r & 1) != 0)) ? 1 : 0);
  }

  static constexpr int CountLeadingZeros(U128 v) {
    const auto hi = static_cast<std::uint64_t>(v >> 64);
    return hi != 0 ? std::countl_zero(hi) : 64 + std::countl_zero(static_cast<std::uint64_t>(v));
  }

  std::uint64_t significand_ = 0;
  std::uint16_t signExponent_ = 0;
};

constexpr SoftExtended::SoftExtended(double v) {
  const auto bits = __builtin_bit_cast(std::uint64_t, v);
  const bool negative = (bits >> 63) != 0;
  const auto e = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
  const std::uint64_t f = bits & ((1ULL << 52) - 1);
  if (e == 0x7FF) {
    *this = f == 0 ? Inf(negative)
                   : FromBits(SignBit(negative) | kMaxExponent, 0xC000000000000000ULL | (f << 11));
  } else if (e == 0) {
    // Zero, or a subnormal double, normal here: f * 2^-1074.
    if (f == 0) {
      *this = Zero(negative);
    } else {
      const int shift = std::countl_zero(f);
      *this = FromBits(SignBit(negative) | static_cast<std::uint16_t>(15372 - shift), f << shift);
    }
  } else {
    *this = FromBits(SignBit(negative) | static_cast<std::uint16_t>(e + 15360), ((1ULL << 52) | f)
                                                                                    << 11);
  }
}

constexpr SoftExtended::operator double() const {
  const std::uint64_t sign = static_cast<std::uint64_t>(Negative()) << 63;
  if (Exponent() == kMaxExponent) {
    const std::uint64_t nan = IsNaN() ? (significand_ >> 11) & ((1ULL << 52) - 1) : 0;
    return __builtin_bit_cast(double, sign | (0x7FFULL << 52) | nan);
  }
  if (IsZero()) return __builtin_bit_cast(double, sign);
  const Unpacked x = Unpack();
  if (x.e > 15361 + 2046) return __builtin_bit_cast(double, sign | (0x7FFULL << 52));
  // 11 bits go, more below the double's normal range (whose least exponent is e = 15361).
  if (x.e < 15361) {  // a subnormal double, or the least normal one after rounding up
    return __builtin_bit_cast(double, sign | ShiftRightRounded(x.m, 11 + (15361 - x.e)));
  }
  const std::uint64_t bits =
      (static_cast<std::uint64_t>(x.e - 15361) << 52) + ShiftRightRounded(x.m, 11);
  if ((bits >> 52) >= 0x7FF) return __builtin_bit_cast(double, sign | (0x7FFULL << 52));
  return __builtin_bit_cast(double, sign | bits);
}

constexpr SoftExtended::operator std::int64_t() const {
  if (IsZero() || IsNaN()) return 0;
  const Unpacked x = Unpack();
  const std::int32_t k = x.e - kScale;
  const std::uint64_t magnitude = k >= 0 ? (k >= 64 ? 0 : x.m << k) : (k <= -64 ? 0 : x.m >> -k);
  return x.negative ? static_cast<std::int64_t>(0 - magnitude)
                    : static_cast<std::int64_t>(magnitude);
}

constexpr SoftExtended SoftExtended::ToIntegral(Rounding mode) const {
  if (IsNaN()) return PropagateNaN(*this, *this);
  if (IsZero() || IsInf()) return *this;
  const Unpacked x = Unpack();
  const std::int32_t fraction = kScale - x.e;  // bits below the point
  if (fraction <= 0) return *this;
  std::uint64_t whole = 0;
  std::uint64_t rest = 0;  // the fraction bits, scaled so that one half is kIntegerBit
  bool beyondRest = false;
  if (fraction < 64) {
    whole = x.m >> fraction;
    rest = x.m << (64 - fraction);
  } else if (fraction == 64) {
    rest = x.m;
  } else {
    beyondRest = true;  // below one half
  }
  bool up = false;
  const bool inexact = rest != 0 || beyondRest;
  switch (mode) {
    case Rounding::kNearestEven:
      up = rest > kIntegerBit || (rest == kIntegerBit && (whole & 1) != 0);
      break;
    case Rounding::kFloor: up = x.negative && inexact; break;
    case Rounding::kCeil: up = !x.negative && inexact; break;
  }
  return FromMagnitude(x.negative, whole + (up ? 1 : 0));
}

constexpr SoftExtended Abs(SoftExtended x) {
  return SoftExtended::FromBits(x.SignExponent() & 0x7FFFu, x.Significand());
}
constexpr bool IsNaN(SoftExtended x) { return x.IsNaN(); }

}  // namespace segsim

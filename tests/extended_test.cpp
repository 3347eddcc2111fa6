// The software extended format against the x87 unit, bit for bit: every operation the model
// uses, on random operands weighted towards the hard cases (ties, cancellation, subnormal
// results, the edges of the double range, values near 2^63, integers, -0, infinities, NaN).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "model/soft_extended.h"

namespace segsim {
namespace {

#if (defined(__x86_64__) || defined(__i386__)) && __LDBL_MANT_DIG__ == 64
constexpr bool kX87 = true;
#else
constexpr bool kX87 = false;
#endif

using Hard = long double;
using Soft = SoftExtended;

// A result as bits: an extended value's significand and sign/exponent, a double's or an
// integer's bits with 0, or a set of comparison outcomes.
struct Bits {
  std::uint64_t low = 0;
  std::uint32_t high = 0;
  bool operator==(const Bits&) const = default;
};

Bits Of(Soft x) { return {x.Significand(), x.SignExponent()}; }
Bits Of(Hard x) {  // the x87 layout: the significand, then sign and exponent
  Bits b;
  std::memcpy(&b.low, &x, 8);
  std::memcpy(&b.high, reinterpret_cast<const char*>(&x) + 8, 2);
  return b;
}
Bits Of(double x) {
  Bits b;
  std::memcpy(&b.low, &x, 8);
  return b;
}
Hard ToHard(Soft x) {
  Hard h = 0;
  const std::uint64_t m = x.Significand();
  const std::uint16_t se = x.SignExponent();
  std::memcpy(&h, &m, 8);
  std::memcpy(reinterpret_cast<char*>(&h) + 8, &se, 2);
  return h;
}
template <class T>
Bits Compare(T a, T b) {
  return {static_cast<std::uint64_t>((a < b) | (a <= b) << 1 | (a == b) << 2 | (a > b) << 3 |
                                     (a >= b) << 4 | (a != b) << 5),
          0};
}

// xorshift64*: the test's own draws.
struct Draws {
  std::uint64_t state = 0x9E3779B97F4A7C15ULL;
  std::uint64_t Next() {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1DULL;
  }
  std::uint64_t Below(std::uint64_t n) { return Next() % n; }
};

// An extended operand: mostly normal values near 1 or anywhere, with few significant bits (ties)
// or many; also subnormals, zeros, infinities, NaNs, integers and values near 2^63 or at the
// edges of the double range.
Soft DrawExtended(Draws& d, Soft near) {
  const std::uint16_t sign = d.Below(2) != 0 ? 0x8000u : 0u;
  std::uint64_t m = d.Next() | (1ULL << 63);
  if (d.Below(3) == 0) m &= ~0ULL << d.Below(64);  // few significant bits: exact ties
  std::int32_t e = 0;
  switch (d.Below(12)) {
    case 0: e = static_cast<std::int32_t>(d.Below(0x7FFF)); break;
    case 1: return Soft::FromBits(sign, d.Next() >> (1 + d.Below(63)));       // subnormal
    case 2: e = static_cast<std::int32_t>(d.Below(130)); break;               // subnormal results
    case 3: e = 15361 - 60 + static_cast<std::int32_t>(d.Below(64)); break;   // double subnormals
    case 4: e = 16383 + 1020 + static_cast<std::int32_t>(d.Below(8)); break;  // double's top
    case 5: e = 16383 + 60 + static_cast<std::int32_t>(d.Below(6)); break;    // near 2^63
    case 6: {
      const std::uint64_t special = d.Below(5);
      if (special == 0) return Soft::FromBits(sign, 0);
      if (special == 1) return Soft::FromBits(sign | 0x7FFF, 1ULL << 63);
      if (special == 2) return Soft::FromBits(sign | 0x7FFF, (3ULL << 62) | (d.Next() >> 2));
      return Soft(static_cast<std::int64_t>(d.Next() >> (11 + d.Below(53))) * (sign ? -1 : 1));
    }
    case 7:
    case 8: {  // close to the other operand: cancellation and carries
      const std::int32_t base = near.SignExponent() & 0x7FFF;
      e = base + static_cast<std::int32_t>(d.Below(5)) - 2;
      if (d.Below(2) == 0) m = (near.Significand() ^ (d.Next() >> d.Below(64))) | (1ULL << 63);
      if (e < 1 || e > 0x7FFE) e = 16383;
      break;
    }
    default: e = 16383 + static_cast<std::int32_t>(d.Below(140)) - 70; break;
  }
  if (e == 0) m &= ~(1ULL << 63);
  return Soft::FromBits(sign | static_cast<std::uint16_t>(e), m);
}

// A double: any bits, a satisfaction-like value, or one half a unit of another (double
// rounding of the extended sum).
double DrawDouble(Draws& d, double near) {
  switch (d.Below(4)) {
    case 0: {
      const std::uint64_t bits = d.Next();
      double x = 0;
      std::memcpy(&x, &bits, 8);
      return x;
    }
    case 1: return static_cast<double>(d.Below(100001)) / static_cast<double>(1 + d.Below(2000));
    case 2: {
      int exponent = 0;
      std::frexp(near, &exponent);
      const double half = std::ldexp(1.0, exponent - 54);
      const double tweak = std::ldexp(static_cast<double>(d.Below(64)) - 32, exponent - 70);
      return (d.Below(2) != 0 ? -1 : 1) * (half + tweak);
    }
    default: return static_cast<double>(d.Below(1ULL << 40)) * 0.001;
  }
}

struct Operands {
  Soft a, b;
  double x, y;
  std::int64_t part, whole;
};

Operands Draw(Draws& d) {
  Operands o;
  o.a = DrawExtended(d, Soft(1));
  o.b = DrawExtended(d, o.a);
  o.x = DrawDouble(d, 1);
  o.y = DrawDouble(d, o.x);
  // A count's share: small squares, big ones, and beyond 32 bits (the general route).
  const std::uint64_t scale = std::uint64_t{1} << (8 + 8 * d.Below(4));
  o.whole = static_cast<std::int64_t>(1 + d.Below(d.Below(4) == 0 ? 1ULL << 40 : scale));
  o.part = static_cast<std::int64_t>(d.Below(static_cast<std::uint64_t>(o.whole) + 1));
  return o;
}

std::uint64_t Truncate(Hard x) { return static_cast<std::uint64_t>(static_cast<std::int64_t>(x)); }
bool InRange(Soft x) { return !x.IsNaN() && x < Soft(1ULL << 63) && x > -Soft(1ULL << 63); }

struct Operation {
  const char* name;
  std::function<Bits(const Operands&)> hard, soft;
};

TEST(SoftExtended, EveryOperationMatchesTheX87UnitBitForBit) {
  if (!kX87) GTEST_SKIP() << "no x87 unit to compare with on this platform";
  using R = Soft::Rounding;
  const auto h = [](const Soft& s) { return ToHard(s); };
  const Operation operations[] = {
      {"a + b", [&](auto& o) { return Of(h(o.a) + h(o.b)); },
       [](auto& o) { return Of(o.a + o.b); }},
      {"a - b", [&](auto& o) { return Of(h(o.a) - h(o.b)); },
       [](auto& o) { return Of(o.a - o.b); }},
      {"a * b", [&](auto& o) { return Of(h(o.a) * h(o.b)); },
       [](auto& o) { return Of(o.a * o.b); }},
      {"a / b", [&](auto& o) { return Of(h(o.a) / h(o.b)); },
       [](auto& o) { return Of(o.a / o.b); }},
      {"-a", [&](auto& o) { return Of(-h(o.a)); }, [](auto& o) { return Of(-o.a); }},
      {"compare", [&](auto& o) { return Compare(h(o.a), h(o.b)); },
       [](auto& o) { return Compare(o.a, o.b); }},
      {"double(a)", [&](auto& o) { return Of(static_cast<double>(h(o.a))); },
       [](auto& o) { return Of(static_cast<double>(o.a)); }},
      {"Extended(x)", [](auto& o) { return Of(static_cast<Hard>(o.x)); },
       [](auto& o) { return Of(Soft(o.x)); }},
      {"Extended(int64)", [](auto& o) { return Of(static_cast<Hard>(o.part - o.whole)); },
       [](auto& o) { return Of(Soft(o.part - o.whole)); }},
      {"Extended(uint64)", [](auto& o) { return Of(static_cast<Hard>(o.a.Significand())); },
       [](auto& o) { return Of(Soft(o.a.Significand())); }},
      {"nearbyint", [&](auto& o) { return Of(std::nearbyint(h(o.a))); },
       [](auto& o) { return Of(o.a.ToIntegral(R::kNearestEven)); }},
      {"floor", [&](auto& o) { return Of(std::floor(h(o.a))); },
       [](auto& o) { return Of(o.a.ToIntegral(R::kFloor)); }},
      {"ceil", [&](auto& o) { return Of(std::ceil(h(o.a))); },
       [](auto& o) { return Of(o.a.ToIntegral(R::kCeil)); }},
      {"int64(a)",
       [&](auto& o) {
         return Bits{InRange(o.a) ? Truncate(h(o.a)) : 0, 0};
       },
       [](auto& o) {
         return Bits{InRange(o.a) ? static_cast<std::uint64_t>(static_cast<std::int64_t>(o.a)) : 0,
                     0};
       }},
      {"Percent", [](auto& o) { return Of(static_cast<Hard>(o.part) / o.whole * 100); },
       [](auto& o) { return Of(Soft::Percent(o.part, o.whole)); }},
      {"SumAsDouble", [](auto& o) { return Of(static_cast<double>(static_cast<Hard>(o.x) + o.y)); },
       [](auto& o) { return Of(Soft::SumAsDouble(o.x, o.y)); }},
  };
#ifdef NDEBUG
  constexpr int kDraws = 1 << 19;
#else
  constexpr int kDraws = 1 << 14;  // the sanitizer build
#endif
  Draws d;
  for (int i = 0; i < kDraws; ++i) {
    const Operands o = Draw(d);
    for (const Operation& op : operations) {
      const Bits hard = op.hard(o);
      const Bits soft = op.soft(o);
      ASSERT_EQ(soft, hard) << op.name << " on draw " << i << ": a " << static_cast<double>(o.a)
                            << ", b " << static_cast<double>(o.b) << ", x " << o.x << ", y " << o.y
                            << ", part " << o.part << ", whole " << o.whole;
    }
  }
}

}  // namespace
}  // namespace segsim

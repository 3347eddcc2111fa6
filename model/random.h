// The model's pseudo-random generator: a linear congruential generator modulo 2^32.
#pragma once

#include <cstdint>

#include "model/numeric.h"

namespace segsim {

class RandomGenerator {
public:
  void Seed(std::uint32_t state) { state_ = state; }
  std::uint32_t State() const { return state_; }

  // Integer in 0 .. n - 1 (0 for n = 0): the high 32 bits of n * state.
  std::uint32_t Below(std::uint32_t n) {
    Advance();
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(n) * state_) >> 32);
  }

  // The draw of a fraction as the integer state it is made from: the fraction is this value
  // times 2^-32. Advances the state like every draw.
  std::uint32_t NextState() {
    Advance();
    return state_;
  }

  // Fraction in [0, 1): state * 2^-32, a multiple of 2^-32, never 1.
  Extended Fraction() {
    Advance();
    return static_cast<Extended>(state_) * kTwoToMinus32;
  }

private:
  static constexpr Extended kTwoToMinus32 = Extended(1) / 4294967296LL;
  // Every draw advances the state exactly once, so the order of draws fixes who gets what.
  void Advance() { state_ = state_ * 134775813u + 1u; }

  std::uint32_t state_ = 0;
};

// Low 32 bits of a high-resolution clock: a seed that changes between setups.
std::uint32_t ClockSeed();

}  // namespace segsim

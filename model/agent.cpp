#include "model/agent.h"

namespace segsim {

namespace {

// Round(state * 2^-32 * span + lo) in integers. For a span of at most 2^24 the extended product
// and sum are exact (fewer than 64 significant bits), so rounding the exact value half to even
// gives the same integer as rounding the extended one, at a fraction of the cost.
std::int32_t RoundedDraw(std::uint32_t state, std::int64_t span, std::int32_t lo) {
  const std::uint64_t q = static_cast<std::uint64_t>(state) * static_cast<std::uint64_t>(span);
  std::int64_t n = static_cast<std::int64_t>(q >> 32) + lo;
  const std::uint32_t fraction = static_cast<std::uint32_t>(q);
  if (fraction > 0x80000000u || (fraction == 0x80000000u && (n & 1) != 0)) ++n;
  return static_cast<std::int32_t>(n);
}

constexpr std::int64_t kExactSpan = std::int64_t{1} << 24;

}  // namespace

std::int32_t TAgent::RandomBetween(RandomGenerator& random, std::int32_t lo, std::int32_t hi) {
  // The span in 64 bits, so that no distance can overflow it.
  const std::int64_t span = static_cast<std::int64_t>(hi) - lo + 1;
  if (span >= 0 && span <= kExactSpan) {
    return RoundedDraw(random.NextState(), span, lo);
  }
  const Extended u = random.Fraction();
  return static_cast<std::int32_t>(Round(u * static_cast<Extended>(span) + lo));
}

void TAgent::SetHeadingX(RandomGenerator& random, std::int32_t d) {
  headingX_ = static_cast<std::int16_t>(RandomBetween(random, -d - 1, d));
}

void TAgent::SetHeadingY(RandomGenerator& random, std::int32_t d) {
  headingY_ = static_cast<std::int16_t>(RandomBetween(random, -d - 1, d));
}

void TAgent::ChangeHeading(RandomGenerator& random, std::int32_t d) {
  SetHeadingX(random, d);
  SetHeadingY(random, d);
}

void TAgent::DrawAgent(Canvas& canvas, std::int32_t centreX, std::int32_t centreY,
                       std::int32_t radius, Color color) {
  canvas.SetPenWidth(1);
  canvas.SetPenColor(color);
  canvas.SetBrushColor(color);
  canvas.Ellipse(centreX - radius, centreY - radius, centreX + radius, centreY + radius);
}

}  // namespace segsim

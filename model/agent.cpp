#include "model/agent.h"

namespace segsim {

std::int32_t TAgent::RandomBetween(RandomGenerator& random, std::int32_t lo, std::int32_t hi) {
  const Extended u = random.Fraction();
  // The span in 64 bits, so that no distance can overflow it.
  const std::int64_t span = static_cast<std::int64_t>(hi) - lo + 1;
  return static_cast<std::int32_t>(Round(u * static_cast<Extended>(span) + lo));
}

void TAgent::SetHeadingX(RandomGenerator& random, std::int32_t d) {
  headingX_ = RandomBetween(random, -d - 1, d);
}

void TAgent::SetHeadingY(RandomGenerator& random, std::int32_t d) {
  headingY_ = RandomBetween(random, -d - 1, d);
}

void TAgent::ChangeHeading(RandomGenerator& random, std::int32_t d) {
  SetHeadingX(random, d);
  SetHeadingY(random, d);
}

void TAgent::DrawAgent(Canvas& canvas) const {
  canvas.SetPenWidth(1);
  canvas.SetPenColor(agentColor_);
  canvas.SetBrushColor(agentColor_);
  canvas.Ellipse(centreX_ - radius_, centreY_ - radius_, centreX_ + radius_, centreY_ + radius_);
}

}  // namespace segsim

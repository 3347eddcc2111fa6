#include "model/agent.h"

namespace segsim {

std::int32_t TAgent::RandomBetweenWide(RandomGenerator& random, std::int64_t span,
                                       std::int32_t lo) {
  const Extended u = random.Fraction();
  return static_cast<std::int32_t>(Round(u * static_cast<Extended>(span) + lo));
}

void TAgent::DrawAgent(Canvas& canvas, std::int32_t centreX, std::int32_t centreY,
                       std::int32_t radius, Color color) {
  canvas.SetPenWidth(1);
  canvas.SetPenColor(color);
  canvas.SetBrushColor(color);
  canvas.Ellipse(centreX - radius, centreY - radius, centreX + radius, centreY + radius);
}

}  // namespace segsim

// One agent.
#pragma once

#include <cstdint>

#include "model/canvas.h"
#include "model/random.h"

namespace segsim {

// 16 bytes: what an agent alone knows. Its disc's colour, centre and radius follow from its group,
// its cell and the setup (Model::AgentColor, Model::CentreX, ...), so they are not kept.
class TAgent {
public:
  std::int32_t GridX = 0;  // column of the agent's cell
  std::int32_t GridY = 0;  // row of the agent's cell
  std::int16_t Group = 0;  // 1..G (G at most kMaxGroupCount), fixed at placement
  bool Satisfied = false;  // result of the last threshold test; false after placement

  // Jumps are at most 32767 cells per axis (Model::CheckSetup refuses longer move distances).
  std::int32_t HeadingX() const { return headingX_; }
  std::int32_t HeadingY() const { return headingY_; }

  // Round(u * (hi - lo + 1) + lo) with u a random fraction: a value in lo .. hi + 1, the two end
  // values each half as likely as the ones between.
  static std::int32_t RandomBetween(RandomGenerator& random, std::int32_t lo, std::int32_t hi);
  // Each component from -(d + 1) to d + 1, symmetric about 0.
  void SetHeadingX(RandomGenerator& random, std::int32_t d);
  void SetHeadingY(RandomGenerator& random, std::int32_t d);
  // HeadingX, then HeadingY: two draws in this order.
  void ChangeHeading(RandomGenerator& random, std::int32_t d);

  // Disc of the given radius about (centreX, centreY), filled and outlined in the colour.
  static void DrawAgent(Canvas& canvas, std::int32_t centreX, std::int32_t centreY,
                        std::int32_t radius, Color color);

private:
  // Within -(d + 1) .. d + 1 for a move distance d of at most kMaxMoveDistance.
  std::int16_t headingX_ = 0;
  std::int16_t headingY_ = 0;
};
static_assert(sizeof(TAgent) == 16);

}  // namespace segsim

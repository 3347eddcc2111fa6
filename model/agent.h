// One agent.
#pragma once

#include <cstdint>

#include "model/canvas.h"
#include "model/random.h"

namespace segsim {

class TAgent {
public:
  bool Satisfied = false;   // result of the last threshold test; false after placement
  std::int32_t GridX = 0;   // column of the agent's cell
  std::int32_t GridY = 0;   // row of the agent's cell
  std::int32_t Group = 0;   // 1..G, fixed at placement

  Color AgentColor() const { return agentColor_; }
  std::int32_t CentreX() const { return centreX_; }  // pixel x of the disc's centre
  std::int32_t CentreY() const { return centreY_; }
  std::int32_t Radius() const { return radius_; }    // disc radius, pixels
  std::int32_t HeadingX() const { return headingX_; }
  std::int32_t HeadingY() const { return headingY_; }

  void SetAgentColor(Color v) { agentColor_ = v; }
  void SetCentreX(std::int32_t v) { centreX_ = v; }
  void SetCentreY(std::int32_t v) { centreY_ = v; }
  void SetRadius(std::int32_t v) { radius_ = v; }

  // Round(u * (hi - lo + 1) + lo) with u a random fraction: a value in lo .. hi + 1, the two end
  // values each half as likely as the ones between.
  static std::int32_t RandomBetween(RandomGenerator& random, std::int32_t lo, std::int32_t hi);
  // Each component from -(d + 1) to d + 1, symmetric about 0.
  void SetHeadingX(RandomGenerator& random, std::int32_t d);
  void SetHeadingY(RandomGenerator& random, std::int32_t d);
  // HeadingX, then HeadingY: two draws in this order.
  void ChangeHeading(RandomGenerator& random, std::int32_t d);

  // Disc filled and outlined in the agent's colour.
  void DrawAgent(Canvas& canvas) const;

private:
  Color agentColor_ = 0;
  std::int32_t centreX_ = 0;
  std::int32_t centreY_ = 0;
  std::int32_t radius_ = 0;
  std::int32_t headingX_ = 0;
  std::int32_t headingY_ = 0;
};

}  // namespace segsim

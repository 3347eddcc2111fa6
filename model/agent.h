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
  // Kept by the model: whether the Satisfaction stored at the agent's cell is above the threshold
  // in force. A turn tests it instead of reading the cell, which on a big grid stands at a random
  // place far from the agent's entry in the list.
  bool StoredAbove = false;

  // Jumps are at most 32767 cells per axis (Model::CheckSetup refuses longer move distances).
  std::int32_t HeadingX() const { return headingX_; }
  std::int32_t HeadingY() const { return headingY_; }

  // Round(u * (hi - lo + 1) + lo) with u a random fraction: a value in lo .. hi + 1, the two end
  // values each half as likely as the ones between.
  static std::int32_t RandomBetween(RandomGenerator& random, std::int32_t lo, std::int32_t hi) {
    // The span in 64 bits, so that no distance can overflow it.
    const std::int64_t span = static_cast<std::int64_t>(hi) - lo + 1;
    if (span >= 0 && span <= kExactSpan) return RoundedDraw(random.NextState(), span, lo);
    return RandomBetweenWide(random, span, lo);
  }
  // Each component from -(d + 1) to d + 1, symmetric about 0.
  void SetHeadingX(RandomGenerator& random, std::int32_t d) {
    headingX_ = static_cast<std::int16_t>(RandomBetween(random, -d - 1, d));
  }
  void SetHeadingY(RandomGenerator& random, std::int32_t d) {
    headingY_ = static_cast<std::int16_t>(RandomBetween(random, -d - 1, d));
  }
  // HeadingX, then HeadingY: two draws in this order.
  void ChangeHeading(RandomGenerator& random, std::int32_t d) {
    SetHeadingX(random, d);
    SetHeadingY(random, d);
  }

  // Disc of the given radius about (centreX, centreY), filled and outlined in the colour.
  static void DrawAgent(Canvas& canvas, std::int32_t centreX, std::int32_t centreY,
                        std::int32_t radius, Color color);

private:
  // Spans of at most 2^24: the extended product and sum are exact (fewer than 64 significant
  // bits), so rounding the exact value half to even in integers gives the same integer as
  // rounding the extended one, at a fraction of the cost. The search draws two per try.
  static constexpr std::int64_t kExactSpan = std::int64_t{1} << 24;
  // Round(state * 2^-32 * span + lo) for such a span.
  static std::int32_t RoundedDraw(std::uint32_t state, std::int64_t span, std::int32_t lo) {
    const std::uint64_t q = static_cast<std::uint64_t>(state) * static_cast<std::uint64_t>(span);
    std::int64_t n = static_cast<std::int64_t>(q >> 32) + lo;
    const auto fraction = static_cast<std::uint32_t>(q);
    // Without a branch: the fraction is above one half in every other draw, at random.
    const bool up = (fraction > 0x80000000u) | ((fraction == 0x80000000u) & ((n & 1) != 0));
    return static_cast<std::int32_t>(n + static_cast<std::int64_t>(up));
  }
  // Longer spans, in extended precision.
  static std::int32_t RandomBetweenWide(RandomGenerator& random, std::int64_t span,
                                        std::int32_t lo);

  // Within -(d + 1) .. d + 1 for a move distance d of at most kMaxMoveDistance.
  std::int16_t headingX_ = 0;
  std::int16_t headingY_ = 0;
};
static_assert(sizeof(TAgent) == 16);

}  // namespace segsim

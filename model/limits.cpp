#include "model/limits.h"

#include <algorithm>

#include "model/model.h"
#include "model/numeric.h"

namespace segsim {

std::optional<std::int32_t> UpperReplacement(LimitedField field, std::int32_t value,
                                             const LimitContext& c) {
  const Extended v = value;
  switch (field) {
    case LimitedField::AgentCount: {
      const std::int64_t cells = static_cast<std::int64_t>(c.cols) * c.rows;
      if (value > cells) return AgentLimitFor(cells);
      return std::nullopt;
    }
    case LimitedField::CellSize:
      if (v > static_cast<Extended>(c.panelWidth) / 20) {
        return static_cast<std::int32_t>(Floor(static_cast<Extended>(c.panelWidth) / 20));
      }
      return std::nullopt;
    case LimitedField::GroupCount: return std::nullopt;
    case LimitedField::MoveDistance:
      if (v > static_cast<Extended>(c.rows) / 2) {
        return static_cast<std::int32_t>(Floor(static_cast<Extended>(c.rows) / 2) - 1);
      }
      return std::nullopt;
    case LimitedField::NeighbourRadius:
      if (v > static_cast<Extended>(c.rows) / 2) {
        return static_cast<std::int32_t>(Floor(static_cast<Extended>(c.rows) / 3) - 1);
      }
      return std::nullopt;
  }
  return std::nullopt;
}

std::int32_t LowerLimit(LimitedField field) { return field == LimitedField::AgentCount ? 2 : 1; }

std::int32_t ApplyFieldLimits(LimitedField field, std::int32_t value, const LimitContext& c) {
  value = UpperReplacement(field, value, c).value_or(value);
  return std::max(value, LowerLimit(field));
}

std::int32_t ClampThreshold(std::int64_t position) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(position, 0, 100));
}

}  // namespace segsim

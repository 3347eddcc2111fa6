#include "sweep/plan.h"

#include <algorithm>
#include <array>
#include <limits>

#include "model/error.h"
#include "model/model.h"
#include "model/numeric.h"

namespace segsim {

namespace {

constexpr std::int64_t kMaxRuns = std::numeric_limits<std::int32_t>::max();

constexpr std::array kParams = {SweepParam::Groups,    SweepParam::Radius, SweepParam::MoveDistance,
                                SweepParam::Threshold, SweepParam::Agents, SweepParam::TileSize};

[[noreturn]] void Refuse(const std::string& message) { throw SegsimError(message); }

std::string Str(std::int64_t v) { return std::to_string(v); }

}  // namespace

const char* ParamName(SweepParam param) {
  switch (param) {
    case SweepParam::Groups: return "groups";
    case SweepParam::Radius: return "radius";
    case SweepParam::MoveDistance: return "move-distance";
    case SweepParam::Threshold: return "threshold";
    case SweepParam::Agents: return "agents";
    case SweepParam::TileSize: return "tile-size";
  }
  return "";
}

std::optional<SweepParam> ParamByName(std::string_view name) {
  for (SweepParam p : kParams) {
    if (name == ParamName(p)) return p;
  }
  return std::nullopt;
}

std::int32_t SweepAxis::ValueAt(std::int64_t k) const {
  if (isList) return list[static_cast<std::size_t>(k)];
  return static_cast<std::int32_t>(from + k * increment);
}

SweepAxis SweepAxis::WindowRange(SweepParam param, std::int32_t from, std::int32_t to,
                                 std::int32_t increment) {
  SweepAxis axis;
  axis.param = param;
  axis.from = from;
  axis.increment = increment;
  const std::int64_t f = from, t = to, i = increment;
  if (f > t) {
    if (f + i > t) return axis;  // the first value always runs
  } else if (i > 0) {
    axis.count = (t - f) / i + 1;
    return axis;
  }
  Refuse("the values from " + Str(f) + " by " + Str(i) + " never exceed " + Str(t) +
         ": the sweep would not end (the increment must be at least 1)");
}

SweepAxis SweepAxis::Range(SweepParam param, std::int32_t from, std::int32_t to,
                           std::int32_t step) {
  const std::string range =
      std::string(ParamName(param)) + "=" + Str(from) + ":" + Str(to) + ":" + Str(step);
  if (step == 0) Refuse("--param " + range + ": the step must not be 0");
  if ((to > from && step < 0) || (to < from && step > 0)) {
    Refuse("--param " + range + ": the step must lead from " + Str(from) + " towards " + Str(to));
  }
  SweepAxis axis;
  axis.param = param;
  axis.from = from;
  axis.increment = step;
  const std::int64_t span = static_cast<std::int64_t>(to) - from;
  axis.count = span / step + 1;
  return axis;
}

SweepAxis SweepAxis::List(SweepParam param, std::vector<std::int32_t> values) {
  if (values.empty()) Refuse(std::string("--param ") + ParamName(param) + ": the list is empty");
  SweepAxis axis;
  axis.param = param;
  axis.list = std::move(values);
  axis.isList = true;
  axis.from = axis.list.front();
  return axis;
}

SweepPlan::SweepPlan(const SweepDesign& design) : design_(design), limits_(GridOf(design.params)) {
  if (design_.axes.empty()) Refuse("a sweep needs at least one parameter");
  if (design_.runs < 1) Refuse("--runs must be at least 1");
  for (std::size_t a = 0; a < design_.axes.size(); ++a) {
    for (std::size_t b = 0; b < a; ++b) {
      if (design_.axes[a].param == design_.axes[b].param) {
        Refuse(std::string("--param ") + ParamName(design_.axes[a].param) + " is given twice");
      }
    }
  }
  strides_.assign(design_.axes.size(), 1);
  std::int64_t combinations = 1;
  for (std::size_t a = design_.axes.size(); a-- > 0;) {
    strides_[a] = combinations;
    const std::int64_t count = design_.axes[a].ValueCount();
    if (count > kMaxRuns / design_.runs / combinations) {
      const std::string what = design_.axes.size() == 1
                                   ? Str(count) + " values"
                                   : "more than " + Str(kMaxRuns / design_.runs) + " combinations";
      Refuse("the sweep has " + what + " of " + Str(design_.runs) + " runs; at most " +
             Str(kMaxRuns) + " runs are possible");
    }
    combinations *= count;
  }
  combinations_ = combinations;
  maxGroups_ = design_.params.GroupCount;
  for (const SweepAxis& axis : design_.axes) CheckValues(axis);
}

// The applied values of an axis that the model cannot take. A range's applied values are
// monotonic, so its ends bound them.
void SweepPlan::CheckValues(const SweepAxis& axis) {
  std::vector<std::int32_t> ends;
  if (axis.isList) {
    ends = axis.list;
  } else {
    ends = {axis.ValueAt(0), axis.ValueAt(axis.count - 1)};
  }
  const std::string option = std::string("--param ") + ParamName(axis.param);
  const std::string name = option + ": ";
  if (axis.param == SweepParam::Groups) {
    // The group field's limit only raises values below 1.
    std::int32_t most = 1;
    for (std::int32_t v : ends) most = std::max(most, Applied(axis.param, v));
    maxGroups_ = most;
    CheckGroupsFit(maxGroups_, limits_, option);
    if (maxGroups_ > kMaxGroupCount) {
      Refuse(name + "at most " + Str(kMaxGroupCount) + " groups, not " + Str(maxGroups_));
    }
  }
  if (axis.param == SweepParam::TileSize) {
    for (std::int32_t v : ends) {
      if (v < 1) Refuse(name + "a tile size must be at least 1, not " + Str(v));
    }
  }
}

std::int64_t SweepPlan::ValueIndex(std::int64_t combination, std::size_t axis) const {
  return combination / strides_[axis] % design_.axes[axis].ValueCount();
}

std::int32_t SweepPlan::ValueAt(std::int64_t combination, std::size_t axis) const {
  return design_.axes[axis].ValueAt(ValueIndex(combination, axis));
}

std::int32_t SweepPlan::Applied(SweepParam param, std::int32_t v) const {
  switch (param) {
    case SweepParam::Groups: return ApplyFieldLimits(LimitedField::GroupCount, v, limits_);
    case SweepParam::Radius: return ApplyFieldLimits(LimitedField::NeighbourRadius, v, limits_);
    case SweepParam::MoveDistance: return ApplyFieldLimits(LimitedField::MoveDistance, v, limits_);
    case SweepParam::Threshold: return ClampThreshold(v);
    case SweepParam::Agents: return ApplyFieldLimits(LimitedField::AgentCount, v, limits_);
    case SweepParam::TileSize: return v;  // the tile size field has no limits
  }
  return v;
}

std::int32_t SweepPlan::AppliedAt(std::int64_t combination, std::size_t axis) const {
  return Applied(design_.axes[axis].param, ValueAt(combination, axis));
}

SetupParams SweepPlan::RunSetup(std::int64_t run, std::uint32_t seed) const {
  SetupParams p = design_.params;
  const std::int64_t combination = run / design_.runs;
  for (std::size_t a = 0; a < design_.axes.size(); ++a) {
    const std::int32_t applied = AppliedAt(combination, a);
    switch (design_.axes[a].param) {
      case SweepParam::Groups: p.GroupCount = applied; break;
      case SweepParam::Radius: p.NeighbourRadius = applied; break;
      case SweepParam::MoveDistance: p.MoveDistance = applied; break;
      case SweepParam::Threshold: p.Threshold = static_cast<std::uint32_t>(applied); break;
      case SweepParam::Agents: p.AgentCount = applied; break;
      case SweepParam::TileSize: p.TileSize = applied; break;
    }
  }
  p.Seed = seed + static_cast<std::uint32_t>(run);
  return p;
}

}  // namespace segsim

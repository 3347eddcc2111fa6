#include "sweep/plan.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>

#include "model/error.h"
#include "model/model.h"
#include "model/numeric.h"

namespace segsim {

namespace {

constexpr std::int64_t kMaxRuns = std::numeric_limits<std::int32_t>::max();

constexpr std::array kParams = {SweepParam::Groups,    SweepParam::Radius, SweepParam::MoveDistance,
                                SweepParam::Threshold, SweepParam::Agents, SweepParam::TileSize,
                                SweepParam::Minority};

// share_g and threshold_g follow the named parameters, g from 1 to kMaxGroupCount each.
constexpr std::int32_t kShareBase = 1000;
constexpr std::int32_t kThresholdBase = kShareBase + kMaxGroupCount;
constexpr const char* kSharePrefix = "share_";
constexpr const char* kThresholdPrefix = "threshold_";

// The names of share_g and threshold_g, made once: ParamName hands out lasting pointers.
const char* IndexedName(std::int32_t base, std::int32_t group) {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const char* prefix : {kSharePrefix, kThresholdPrefix}) {
      for (std::int32_t g = 1; g <= kMaxGroupCount; ++g) all.push_back(prefix + std::to_string(g));
    }
    return all;
  }();
  const std::int32_t offset = base == kShareBase ? 0 : kMaxGroupCount;
  return names[static_cast<std::size_t>(offset + group - 1)].c_str();
}

// g of "share_g" after the prefix: 1 to kMaxGroupCount, decimal without leading zeros.
std::int32_t GroupAfter(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return 0;
  const std::string_view digits = name.substr(prefix.size());
  if (digits.empty() || digits.size() > 4 || digits.front() == '0') return 0;
  std::int32_t g = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    g = g * 10 + (c - '0');
  }
  return g <= kMaxGroupCount ? g : 0;
}

std::int32_t GroupOf(SweepParam param, std::int32_t base) {
  const auto v = static_cast<std::int32_t>(param);
  return v > base && v <= base + kMaxGroupCount ? v - base : 0;
}

[[noreturn]] void Refuse(const std::string& message) { throw SegsimError(message); }

std::string Str(std::int64_t v) { return std::to_string(v); }

}  // namespace

SweepParam ShareParam(std::int32_t group) { return static_cast<SweepParam>(kShareBase + group); }
SweepParam GroupThresholdParam(std::int32_t group) {
  return static_cast<SweepParam>(kThresholdBase + group);
}
std::int32_t ShareGroup(SweepParam param) { return GroupOf(param, kShareBase); }
std::int32_t ThresholdGroup(SweepParam param) { return GroupOf(param, kThresholdBase); }

const char* ParamName(SweepParam param) {
  if (const std::int32_t g = ShareGroup(param)) return IndexedName(kShareBase, g);
  if (const std::int32_t g = ThresholdGroup(param)) return IndexedName(kThresholdBase, g);
  switch (param) {
    case SweepParam::Groups: return "groups";
    case SweepParam::Radius: return "radius";
    case SweepParam::MoveDistance: return "move-distance";
    case SweepParam::Threshold: return "threshold";
    case SweepParam::Agents: return "agents";
    case SweepParam::TileSize: return "tile-size";
    case SweepParam::Minority: return "minority";
  }
  return "";
}

std::optional<SweepParam> ParamByName(std::string_view name) {
  for (SweepParam p : kParams) {
    if (name == ParamName(p)) return p;
  }
  if (const std::int32_t g = GroupAfter(name, kSharePrefix)) return ShareParam(g);
  if (const std::int32_t g = GroupAfter(name, kThresholdPrefix)) return GroupThresholdParam(g);
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
  CheckVariants();
}

void SweepPlan::CheckVariants() const {
  const SetupParams& base = design_.params;
  const SweepAxis* groups = nullptr;
  const SweepAxis* shares = nullptr;
  for (const SweepAxis& axis : design_.axes) {
    if (axis.param == SweepParam::Groups) groups = &axis;
    if (axis.param == SweepParam::Minority || ShareGroup(axis.param) > 0) {
      if (shares) {
        Refuse(std::string("--param ") + ParamName(axis.param) + " and --param " +
               ParamName(shares->param) + " both set the shares: sweep one of them");
      }
      shares = &axis;
    }
  }
  if (groups && !base.Shares.empty()) {
    Refuse("--shares gives a weight per group: it cannot be combined with --param groups");
  }
  if (groups && !base.Thresholds.empty()) {
    Refuse("--thresholds gives a threshold per group: it cannot be combined with --param groups");
  }
  // The fewest groups of any run: a range's applied values are monotonic, so its ends bound them.
  std::int32_t fewest = base.GroupCount;
  if (groups) {
    fewest = std::numeric_limits<std::int32_t>::max();
    const std::int64_t n = groups->ValueCount();
    for (std::int64_t k : {std::int64_t{0}, n - 1}) {
      fewest = std::min(fewest, Applied(SweepParam::Groups, groups->ValueAt(k)));
    }
    for (std::int32_t v : groups->list) fewest = std::min(fewest, Applied(SweepParam::Groups, v));
  }
  for (const SweepAxis& axis : design_.axes) {
    std::int32_t needs = std::max(ShareGroup(axis.param), ThresholdGroup(axis.param));
    if (axis.param == SweepParam::Minority) needs = 2;
    if (needs > fewest) {
      Refuse(std::string("--param ") + ParamName(axis.param) + ": every run needs at least " +
             Str(needs) + " groups, and one has " + Str(fewest));
    }
  }
}

void SweepPlan::ApplyVariants(SetupParams& p, std::int64_t combination) const {
  for (std::size_t a = 0; a < design_.axes.size(); ++a) {
    const SweepParam param = design_.axes[a].param;
    const std::int32_t applied = AppliedAt(combination, a);
    const auto groups = static_cast<std::size_t>(p.GroupCount);
    if (param == SweepParam::Minority) {
      // Group 1 has the percent, every other group (100 - percent) / (G - 1): whole weights.
      p.Shares.assign(groups, 100.0 - applied);
      p.Shares.front() = static_cast<double>(applied) * static_cast<double>(groups - 1);
    } else if (const std::int32_t g = ShareGroup(param)) {
      // The others keep their proportions among themselves and share the rest.
      std::vector<double> w = p.Shares.empty() ? std::vector<double>(groups, 1.0) : p.Shares;
      Extended others = 0;
      for (std::size_t j = 0; j < groups; ++j) others += j + 1 == static_cast<std::size_t>(g) ? 0 : w[j];
      for (std::size_t j = 0; j < groups; ++j) {
        w[j] = j + 1 == static_cast<std::size_t>(g)
                   ? static_cast<double>(applied)
                   : static_cast<double>(w[j] * Extended(100 - applied) / others);
      }
      p.Shares = std::move(w);
    }
  }
  for (std::size_t a = 0; a < design_.axes.size(); ++a) {
    if (const std::int32_t g = ThresholdGroup(design_.axes[a].param)) {
      if (p.Thresholds.empty()) {
        p.Thresholds.assign(static_cast<std::size_t>(p.GroupCount), p.Threshold);
      }
      p.Thresholds[static_cast<std::size_t>(g - 1)] =
          static_cast<std::uint32_t>(AppliedAt(combination, a));
    }
  }
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
  if (axis.param == SweepParam::Minority || ShareGroup(axis.param) > 0) {
    for (std::int32_t v : ends) {
      if (v < 1 || v > 99) Refuse(name + "a share must be from 1 to 99 percent, not " + Str(v));
    }
  }
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
  if (ThresholdGroup(param) > 0) return ClampThreshold(v);
  switch (param) {
    case SweepParam::Groups: return ApplyFieldLimits(LimitedField::GroupCount, v, limits_);
    case SweepParam::Radius: return ApplyFieldLimits(LimitedField::NeighbourRadius, v, limits_);
    case SweepParam::MoveDistance: return ApplyFieldLimits(LimitedField::MoveDistance, v, limits_);
    case SweepParam::Threshold: return ClampThreshold(v);
    case SweepParam::Agents: return ApplyFieldLimits(LimitedField::AgentCount, v, limits_);
    case SweepParam::TileSize: return v;  // the tile size field has no limits
    case SweepParam::Minority: return v;  // refused outside 1 to 99
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
      case SweepParam::Threshold:
        // Every group's threshold, as --set threshold=P sets it.
        p.Threshold = static_cast<std::uint32_t>(applied);
        p.Thresholds.clear();
        break;
      case SweepParam::Agents: p.AgentCount = applied; break;
      case SweepParam::TileSize: p.TileSize = applied; break;
      case SweepParam::Minority: break;  // ApplyVariants, once G is known
    }
  }
  ApplyVariants(p, combination);
  p.Seed = seed + static_cast<std::uint32_t>(run);
  return p;
}

}  // namespace segsim

// The plan of a sweep: the swept parameters, their values in order, the combinations, and the
// setup and seed of every run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/limits.h"
#include "model/settings.h"

namespace segsim {

// The parameters a sweep can run over: the four of the sweep window, the agent count (the
// density), the tile size of the segregation measures, and the group variants: Minority, group
// 1's share in percent (1 to 99) with the other groups' equal; share_g, group g's share in percent
// with the others in the proportions of --shares (equal without it); threshold_g, group g's own
// threshold (ShareParam and GroupThresholdParam make these two, for g from 1 to kMaxGroupCount).
enum class SweepParam : std::int32_t {
  Groups, Radius, MoveDistance, Threshold, Agents, TileSize, Minority,
};
SweepParam ShareParam(std::int32_t group);
SweepParam GroupThresholdParam(std::int32_t group);
// g of share_g and of threshold_g; 0 for every other parameter.
std::int32_t ShareGroup(SweepParam param);
std::int32_t ThresholdGroup(SweepParam param);

// The command line's word: "groups", "radius", "move-distance", "threshold", "agents",
// "tile-size", "minority", "share_g", "threshold_g".
const char* ParamName(SweepParam param);
std::optional<SweepParam> ParamByName(std::string_view name);

// One swept parameter and its values, either the range from, from + increment, ... (count
// values) or a list.
struct SweepAxis {
  SweepParam param = SweepParam::Groups;
  std::int32_t from = 0;
  std::int32_t increment = 0;
  std::int64_t count = 1;          // values of the range; ignored for a list
  std::vector<std::int32_t> list;  // the values in order; empty: the range
  bool isList = false;

  std::int64_t ValueCount() const {
    return isList ? static_cast<std::int64_t>(list.size()) : count;
  }
  std::int32_t ValueAt(std::int64_t k) const;

  // The range as the sweep window runs it: from, from + increment, ... while not above to; the
  // first value always runs. Raises SegsimError for a range that never ends.
  static SweepAxis WindowRange(SweepParam param, std::int32_t from, std::int32_t to,
                               std::int32_t increment);
  // from, from + step, ... not past to, in the direction of step (step != 0, pointing from
  // from towards to unless they are equal). Raises SegsimError otherwise.
  static SweepAxis Range(SweepParam param, std::int32_t from, std::int32_t to, std::int32_t step);
  // The values as listed (at least one).
  static SweepAxis List(SweepParam param, std::vector<std::int32_t> values);
};

// Everything a sweep's rows depend on.
struct SweepDesign {
  std::vector<SweepAxis> axes;        // in option order; the last varies fastest
  std::int32_t runs = 1;              // runs per combination, at least 1
  std::int32_t steps = 1;             // timesteps per run, at least 1
  std::int32_t clusterThreshold = 1;  // clusters of more agents than this are counted
  std::int32_t degree = 3;            // PolyDegree of the fits of a one-parameter sweep, 2 … 20
  SetupParams params;                 // the model settings not swept; params.Seed is S
};

// The combinations of a sweep in run order and what the model gets for each.
class SweepPlan {
public:
  // Raises SegsimError for a plan no sweep can run: no axis, a parameter given twice, fewer
  // than 1 run, more than 2^31 - 1 runs, or values no model can take.
  explicit SweepPlan(const SweepDesign& design);

  const SweepDesign& Design() const { return design_; }
  std::size_t AxisCount() const { return design_.axes.size(); }
  std::int64_t CombinationCount() const { return combinations_; }
  std::int64_t TotalRuns() const { return combinations_ * design_.runs; }
  std::int32_t RunsPerValue() const { return design_.runs; }  // runs per combination
  // The value index of axis a in combination c (the last axis varies fastest).
  std::int64_t ValueIndex(std::int64_t combination, std::size_t axis) const;
  // The swept value of axis a in combination c; the rows record it.
  std::int32_t ValueAt(std::int64_t combination, std::size_t axis = 0) const;
  // What the main window's field would hold after the value is written into it: the field's
  // limits against the grid of the base settings, or the track bar's 0 … 100.
  std::int32_t AppliedAt(std::int64_t combination, std::size_t axis = 0) const;
  // The largest number of groups of any run.
  std::int32_t MaxGroups() const { return maxGroups_; }
  // The setup of run i (0-based in sweep order): the applied values, seed S + i modulo 2^32.
  SetupParams RunSetup(std::int64_t run, std::uint32_t seed) const;

private:
  std::int32_t Applied(SweepParam param, std::int32_t value) const;
  void CheckValues(const SweepAxis& axis);
  // The group variants against the groups of every run and the lists of the base settings.
  void CheckVariants() const;
  // The shares and thresholds of a run whose other settings p holds.
  void ApplyVariants(SetupParams& p, std::int64_t combination) const;

  SweepDesign design_;
  std::int64_t combinations_ = 1;
  std::vector<std::int64_t> strides_;  // combinations per step of each axis
  LimitContext limits_;
  std::int32_t maxGroups_ = 1;
};

}  // namespace segsim

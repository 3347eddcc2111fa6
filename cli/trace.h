// The run trace of segsim-cli: JSON Lines, one line for the setup and one per step.
#pragma once

#include <string>

#include "measures/simulation.h"

namespace segsim {

// {"step":0,"cols":..,"rows":..,"agents":..,"group_sizes":[..],"group_colors":[..]}, then
// "shares":[..] (the weights, when not all equal) and "thresholds":[..] (per-group thresholds)
// only where the setup has them.
std::string SetupLine(const Model& model);
// {"step":t,"moved":..,"unsatisfied":..,"satisfaction":[..],"segregation":[..],
//  "dissimilarity":[[D(0,1)..],..,[]],"clusters":[[..],..]}; clusters only on cluster steps.
std::string StepLine(const Simulation& simulation);

}  // namespace segsim

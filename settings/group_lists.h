// The per-group lists of a setup: group shares (--shares W1,...,WG) and per-group thresholds
// (--thresholds P1,...,PG), read and written as the command line, the Python module and the
// window's dialog take them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/settings.h"

namespace segsim {

// "1,3": positive finite weights separated by commas, the sum neither underflowing nor
// overflowing. Raises UsageError naming `name` and the text.
std::vector<double> ParseShares(const std::string& name, const std::string& text);
// "30,60": integers from 0 to 100 separated by commas. Raises UsageError naming `name`.
std::vector<std::uint32_t> ParseThresholds(const std::string& name, const std::string& text);
// The lists as those readers take them: each weight the shortest text that reads back as it.
std::string SharesText(const std::vector<double>& weights);
std::string ThresholdsText(const std::vector<std::uint32_t>& percents);

// Raises UsageError when a list does not give one entry per group of params.GroupCount; the
// messages name the option as sharesName and thresholdsName.
void CheckGroupLists(const SetupParams& params, const std::string& sharesName = "--shares",
                     const std::string& thresholdsName = "--thresholds");

// Whether the weights change the placement: they are given and not all equal (equal weights draw
// exactly as no weights do).
bool SharesInUse(std::span<const double> weights);

}  // namespace segsim

// segsim-cli run: one setup and N steps.
#pragma once

#include <cstdio>

#include "cli/options.h"

namespace segsim {

// Writes the trace (or the summary) of one run to out.
void RunTrace(const RunOptions& options, std::FILE* out);

}  // namespace segsim

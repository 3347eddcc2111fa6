// segsim-cli sweep's command line, read by the sweep's option table (settings/sweep_settings.h).
#pragma once

#include <span>
#include <string>

#include "cli/command_line.h"
#include "settings/sweep_settings.h"

namespace segsim {

// Reads the sweep's command line. Raises UsageError for an unknown or malformed option, a
// missing required option, a value out of range, a sweep that would never end or one too
// large to run, and --shard without --seed; for --param NAME=... an unknown name, a malformed
// range, a step of 0, an empty list, a name given twice, or a mix with the window form.
SweepOptions ParseSweepOptions(std::span<const std::string> args);

}  // namespace segsim

// segsim-cli run's command line, read by the run's option table (settings/run_settings.h).
#pragma once

#include <span>
#include <string>

#include "cli/command_line.h"
#include "settings/run_settings.h"

namespace segsim {

// Reads the run command's options. Values are integers by the same strict conversion as the
// window's fields. Raises UsageError for an unknown option, a missing value, a value that is no
// integer, or a value no model can use.
RunOptions ParseRunOptions(std::span<const std::string> args);

}  // namespace segsim

#include "cli/options.h"

namespace segsim {

RunOptions ParseRunOptions(std::span<const std::string> args) {
  const RunOptions options = ParseCommandLine(RunOptionTable(), args);
  if (options.help) return options;
  CheckRunOptions(options);
  return options;
}

}  // namespace segsim

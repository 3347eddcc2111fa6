#include "cli/sweep_options.h"

namespace segsim {

SweepOptions ParseSweepOptions(std::span<const std::string> args) {
  const SweepOptions o = ParseCommandLine(SweepOptionTable(), args);
  if (o.help) return o;
  CheckSweepOptions(o);
  return o;
}

}  // namespace segsim

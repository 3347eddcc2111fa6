// The command line of segsim, the interactive program: segsim [--seed S] [--version] [--help].
// Its parser (ui/session_options.h), --help and the segsim(1) man page follow from this table.
#pragma once

#include <cstdint>
#include <optional>

#include "settings/option_table.h"

namespace segsim {

struct SessionOptions {
  // Fixes the seeds of the whole session: setup k (0 at start, then 1, 2, ... for every later
  // setup, the sweep's included) is placed with seed S + k (modulo 2^32). None: the clock.
  std::optional<std::uint32_t> seed;
  bool version = false;
  bool help = false;
};

const OptionTable<SessionOptions>& SessionOptionTable();

// "usage: segsim [--seed S] [--version] [--help]", the description and the options.
std::string SessionHelpText();

}  // namespace segsim

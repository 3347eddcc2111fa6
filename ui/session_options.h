// The command line of segsim, the interactive program: segsim [--seed S] [--help].
#pragma once

#include <QStringList>
#include <cstdint>
#include <optional>

namespace segsim {

struct SessionOptions {
  // Fixes the seeds of the whole session: setup k (0 at start, then 1, 2, ... for every later
  // setup, the sweep's included) is placed with seed S + k (modulo 2^32). None: the clock.
  std::optional<std::uint32_t> seed;
  bool help = false;
};

extern const char* const kSessionUsage;

// Reads the arguments after the program's name (Qt's own options already taken). Raises
// SegsimError for an unknown argument, a missing value, or a seed that is no unsigned 32-bit
// integer (decimal, or hexadecimal after 0x or $).
SessionOptions ParseSessionOptions(const QStringList& args);

}  // namespace segsim

// Command-line options of segsim-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include "model/settings.h"

namespace segsim {

// A command line that cannot be run: the message says why; the runner exits with status 2.
class UsageError : public std::runtime_error {
public:
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

struct RunOptions {
  SetupParams params;         // the window's defaults unless given
  std::int32_t steps = 500;   // timesteps after the setup
  bool summary = false;       // a short human-readable summary instead of the trace
  bool help = false;
};

// Reads "--name value" pairs. Values are integers by the same strict conversion as the window's
// fields. Raises UsageError for an unknown option, a missing value, a value that is no integer,
// or a value no model can use.
RunOptions ParseRunOptions(std::span<const std::string> args);

// The model options shared by every command (--agents, --cell-size, --groups, --radius,
// --move-distance, --threshold, --tile-size, --panel, --seed). Returns false for another name.
bool TakeModelOption(const std::string& name, const std::string& value, SetupParams& params);
// Refuses settings no model can be built from.
void CheckModelOptions(const SetupParams& params);

// --seed: a 32-bit value, given as a signed or an unsigned decimal (or hexadecimal) integer.
std::uint32_t ParseSeed(const std::string& text);
std::int32_t ParseInt(const std::string& name, const std::string& text);
// An integer within lo..hi; otherwise "<name> must be <range>, not <text>".
std::int32_t ParseInRange(const std::string& name, const std::string& text, std::int32_t lo,
                          std::int32_t hi, const std::string& range);

extern const char* const kRunUsage;

}  // namespace segsim

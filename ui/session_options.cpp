#include "ui/session_options.h"

#include <string>

#include "model/error.h"
#include "model/numeric.h"

namespace segsim {

const char* const kSessionUsage =
    "usage: segsim [--seed S]\n"
    "The interactive model of segregation by relocation.\n"
    "\n"
    "  --seed S   fixes the seeds of the session: the setup at start uses S, each later setup\n"
    "             (the sweep's included) the next value, S + 1, S + 2, ...; S is any 32-bit\n"
    "             value, decimal or hexadecimal (0x...), a negative one taken modulo 2^32\n"
    "             as segsim-cli takes it. Default: seeds from the clock.\n"
    "  --help     print this text\n";

namespace {

// The command line's seed grammar, so that a seed that segsim-cli and the Python module take
// starts the same session here.
std::uint32_t ParseSeed(const std::string& text) {
  std::uint32_t value = 0;
  if (!TryStrToSeed(text, value)) {
    throw SegsimError("the value of --seed is no 32-bit integer: '" + text + "'");
  }
  return value;
}

}  // namespace

SessionOptions ParseSessionOptions(const QStringList& args) {
  SessionOptions options;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const std::string arg = args[i].toStdString();
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--seed") {
      if (i + 1 >= args.size()) throw SegsimError("option --seed needs a value");
      options.seed = ParseSeed(args[++i].toStdString());
    } else if (arg.rfind("--seed=", 0) == 0) {
      options.seed = ParseSeed(arg.substr(7));
    } else {
      throw SegsimError("unexpected argument '" + arg + "'");
    }
  }
  return options;
}

}  // namespace segsim

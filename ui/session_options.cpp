#include "ui/session_options.h"

#include <charconv>
#include <string>

#include "model/error.h"

namespace segsim {

const char* const kSessionUsage =
    "usage: segsim [--seed S]\n"
    "The interactive model of segregation by relocation.\n"
    "\n"
    "  --seed S   fixes the seeds of the session: the setup at start uses S, each later setup\n"
    "             (the sweep's included) the next value, S + 1, S + 2, ...; S is an unsigned\n"
    "             32-bit integer, decimal or hexadecimal (0x...). Default: seeds from the clock.\n"
    "  --help     print this text\n";

namespace {

std::uint32_t ParseUnsignedSeed(const std::string& text) {
  std::string digits = text;
  int base = 10;
  if (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0) {
    digits = digits.substr(2);
    base = 16;
  } else if (digits.rfind('$', 0) == 0) {
    digits = digits.substr(1);
    base = 16;
  }
  std::uint32_t value = 0;
  const char* end = digits.data() + digits.size();
  const auto result = std::from_chars(digits.data(), end, value, base);
  if (digits.empty() || digits[0] == '-' || digits[0] == '+' || result.ec != std::errc() ||
      result.ptr != end) {
    throw SegsimError("the value of --seed is no unsigned 32-bit integer: '" + text + "'");
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
      options.seed = ParseUnsignedSeed(args[++i].toStdString());
    } else if (arg.rfind("--seed=", 0) == 0) {
      options.seed = ParseUnsignedSeed(arg.substr(7));
    } else {
      throw SegsimError("unexpected argument '" + arg + "'");
    }
  }
  return options;
}

}  // namespace segsim

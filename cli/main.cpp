// segsim-cli: the model run headless.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/run.h"
#include "model/error.h"

namespace {

constexpr const char* kUsage =
    "usage: segsim-cli COMMAND [options]\n"
    "\n"
    "commands:\n"
    "  run     one setup and N steps; the trace as JSON Lines (segsim-cli run --help)\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "segsim-cli: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  const std::string& command = args[0];
  const std::span<const std::string> rest(args.begin() + 1, args.end());
  try {
    if (command == "run") {
      const segsim::RunOptions options = segsim::ParseRunOptions(rest);
      if (options.help) {
        std::fputs(segsim::kRunUsage, stdout);
        return 0;
      }
      segsim::RunTrace(options, stdout);
      return 0;
    }
    return Fail("unknown command '" + command + "'\n" + kUsage);
  } catch (const segsim::UsageError& e) {
    return Fail(e.what());
  } catch (const segsim::SegsimError& e) {
    return Fail(e.what());
  }
}

// segsim-cli: the model run headless.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/merge.h"
#include "cli/merge_options.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/plot_options.h"
#include "cli/run.h"
#include "cli/sweep.h"
#include "cli/sweep_options.h"
#include "model/error.h"
#include "settings/version.h"

namespace {

constexpr const char* kUsage =
    "usage: segsim-cli COMMAND [options]\n"
    "\n"
    "commands:\n"
    "  run     one setup and N steps; the trace as JSON Lines (segsim-cli run --help)\n"
    "  sweep   runs over a range of one parameter, or all combinations of several, on every\n"
    "          core; CSV or JSON Lines (segsim-cli sweep --help)\n"
    "  merge   joins the shards of a sweep (segsim-cli merge --help)\n"
    "  plot    draws a sweep or a trace into a PNG, PDF or SVG (segsim-cli plot --help)\n"
    "\n"
    "  segsim-cli --version prints the version.\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "segsim-cli: %s\n", message.c_str());
  return 2;
}

int Sweep(std::span<const std::string> args) {
  const segsim::SweepOptions options = segsim::ParseSweepOptions(args);
  if (options.help) {
    std::fputs(segsim::HelpText(segsim::SweepOptionTable()).c_str(), stdout);
    return 0;
  }
  return segsim::SweepMain(options);
}

int Merge(std::span<const std::string> args) {
  const segsim::MergeOptions options = segsim::ParseMergeOptions(args);
  if (options.help) {
    std::fputs(segsim::HelpText(segsim::MergeOptionTable()).c_str(), stdout);
    return 0;
  }
  for (const std::string& message : segsim::MergeShards(options.files, stdout, options.verify)) {
    std::fprintf(stderr, "segsim-cli: %s\n", message.c_str());
  }
  return 0;
}

int Plot(std::span<const std::string> args) {
  const segsim::PlotOptions options = segsim::ParsePlotOptions(args);
  if (options.help) {
    std::fputs(segsim::HelpText(segsim::PlotOptionTable()).c_str(), stdout);
    return 0;
  }
#ifdef SEGSIM_HAVE_PLOT
  return segsim::PlotMain(options);
#else
  return Fail(
      "plot is not available: this segsim-cli was built without the windows "
      "(SEGSIM_BUILD_GUI=OFF)");
#endif
}

int Dispatch(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "--version") {
    if (args.size() > 1) return Fail("unexpected argument '" + args[1] + "'");
    std::printf("segsim-cli %s\n", segsim::Version());
    return 0;
  }
  const std::string& command = args[0];
  const std::span<const std::string> rest(args.data() + 1, args.size() - 1);
  try {
    segsim::RequireStdout();
    if (command == "run") {
      const segsim::RunOptions options = segsim::ParseRunOptions(rest);
      if (options.help) {
        std::fputs(segsim::HelpText(segsim::RunOptionTable()).c_str(), stdout);
        return 0;
      }
      return segsim::RunMain(options);
    }
    if (command == "sweep") return Sweep(rest);
    if (command == "merge") return Merge(rest);
    if (command == "plot") return Plot(rest);
    return Fail("unknown command '" + command + "'\n" + kUsage);
  } catch (const segsim::UsageError& e) {
    return Fail(e.what());
  } catch (const segsim::SegsimError& e) {
    return Fail(e.what());
  } catch (const segsim::OutputClosed&) {
    return 128 + SIGPIPE;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "segsim-cli: %s\n", e.what());
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Past a file-size limit a write fails with "File too large" instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  const int status = Dispatch(std::vector<std::string>(argv + 1, argv + argc));
  return segsim::FinishStdout(status);
}

#include "cli/plot_options.h"

#include <algorithm>
#include <cctype>

namespace segsim {

namespace {

std::string Extension(const std::string& path) {
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return {};
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

}  // namespace

const OptionTable<PlotOptions>& PlotOptionTable() {
  static const OptionTable<PlotOptions> table = [] {
    using O = PlotOptions;
    std::vector<OptionDef<O>> defs;
    defs.push_back({{"--out", "PICTURE", "the picture to write: .png, .pdf or .svg", "", true},
                    [](O& o, const std::string& v) {
                      const std::string ext = Extension(v);
                      if (ext != "png" && ext != "pdf" && ext != "svg") {
                        throw UsageError("--out must end in .png, .pdf or .svg, not '" + v + "'");
                      }
                      o.out = v;
                    },
                    nullptr});
    defs.push_back({{"--measure", "M",
                     "a sweep: mean_is, clusters or satisfaction (the mean over the groups); a "
                     "trace: satisfaction or segregation",
                     "mean_is; a trace: both"},
                    [](O& o, const std::string& v) { o.measure = v; },
                    nullptr});
    defs.push_back(IntOption<O>({"--width", "W", "width in pixels (PNG) or points, 100 to 10000"},
                                &O::width, 100, 10000, "from 100 to 10000"));
    defs.push_back(IntOption<O>({"--height", "H", "height in pixels (PNG) or points, 100 to 10000"},
                                &O::height, 100, 10000, "from 100 to 10000"));
    defs.push_back(FlagOption<O>({"--partial", "",
                                  "draw a sweep that lacks runs (one shard, a stopped sweep); the "
                                  "title says how many it has"},
                                 &O::partial));
    defs.push_back(FlagOption<O>(
        {"--annotate", "", "a heat map: write each combination's mean in its cell"}, &O::annotate));
    defs.push_back(HelpOption(&O::help));
    return OptionTable<O>(
        "plot",
        "Draws a sweep's rows (CSV or JSON Lines, as sweep or merge wrote them) or a run's trace\n"
        "into a PNG, PDF or SVG picture: one swept parameter as the sweep window's chart (runs,\n"
        "per-value averages, trend and fit), two as a heat map of the measure's mean, a trace as\n"
        "each group's satisfaction and segregation index over log time. A sweep that lacks runs\n"
        "is refused unless --partial is given. Needs no display.",
        std::move(defs), {"INPUT", [](O& o, const std::string& v) {
                            if (!o.input.empty())
                              throw UsageError("plot draws one input, not '" + v + "' too");
                            o.input = v;
                          }});
  }();
  return table;
}

PlotOptions ParsePlotOptions(std::span<const std::string> args) {
  PlotOptions options = ParseCommandLine(PlotOptionTable(), args);
  if (!options.help && options.input.empty()) throw UsageError("plot needs the INPUT to draw");
  return options;
}

}  // namespace segsim

#include "settings/run_settings.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "model/error.h"
#include "model/limits.h"
#include "model/model.h"
#include "settings/group_lists.h"
#include "sweep/plan.h"

namespace segsim {

namespace {

constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

std::vector<std::string> One(std::int64_t value) { return {std::to_string(value)}; }

// A group per cell at most. The grid is blamed, by the options that made it, when the groups
// would fit the grid of the default cell size and panel; else the groups are.
void CheckGroupsFitGrid(const SetupParams& p) {
  const LimitContext grid = GridOf(p);
  const std::int64_t cells = static_cast<std::int64_t>(grid.cols) * grid.rows;
  const SetupParams d;
  const LimitContext usual = GridOf(d);
  if (p.GroupCount <= cells || p.GroupCount > static_cast<std::int64_t>(usual.cols) * usual.rows) {
    CheckGroupsFit(p.GroupCount, grid, "--groups");
    return;
  }
  const std::string cells2d = std::to_string(grid.rows) + " x " + std::to_string(grid.cols);
  const std::string size = std::to_string(p.CellSize);
  const std::string panel = std::to_string(p.PanelWidth);
  std::string cause;
  if (p.CellSize == d.CellSize) {
    cause = "--panel " + panel + " leaves a grid of " + cells2d + " cells of " + size + " pixels";
  } else if (p.PanelWidth == d.PanelWidth) {
    cause = "--cell-size " + size + " leaves a grid of " + cells2d + " cells on the " + panel +
            "-pixel panel";
  } else {
    cause =
        "--cell-size " + size + " and --panel " + panel + " leave a grid of " + cells2d + " cells";
  }
  throw SegsimError(cause + ", too small for " + std::to_string(p.GroupCount) + " groups");
}

// The drawing's options, never in the repeat command (they change nothing of the run).
void AppendPictureOptions(std::vector<OptionDef<RunOptions>>& defs) {
  using O = RunOptions;
  // A path whose extension names no format is refused with the format's message.
  const auto checkedPath = [](const std::string& name, const std::string& v) {
    try {
      if (name == "--picture")
        CheckPicturePath(name, v);
      else
        CheckVideoPath(name, v);
    } catch (const SegsimError& e) {
      throw UsageError(e.what());
    }
    return v;
  };
  defs.push_back({{"--video", "FILE",
                   "records the drawing as the window shows it: frame 0 the setup, then one "
                   "frame every --frame-every steps; FILE ends in .mp4 (H.264), .webm (VP9) or "
                   ".gif (lossless)",
                   "none"},
                  [=](O& o, const std::string& v) { o.video = checkedPath("--video", v); },
                  nullptr});
  defs.push_back({{"--frame-every", "K", "with --video: a frame after every K-th step, K at least 1",
                   "1"},
                  [](O& o, const std::string& v) {
                    o.frames.frameEvery = ParseInRange("--frame-every", v, 1, kIntMax, "at least 1");
                  },
                  nullptr});
  defs.push_back({{"--fps", "F", "with --video: frames per second, 1 to " +
                                     std::to_string(kMaxVideoFps), "25"},
                  [](O& o, const std::string& v) {
                    o.frames.fps = ParseInRange("--fps", v, 1, kMaxVideoFps,
                                                "from 1 to " + std::to_string(kMaxVideoFps));
                  },
                  nullptr});
  defs.push_back({{"--scale", "S",
                   "with --video or --picture: each pixel as S x S pixels, 1 to " +
                       std::to_string(kMaxPictureScale) + " (for small cells)",
                   "1"},
                  [](O& o, const std::string& v) {
                    o.frames.scale = ParseInRange("--scale", v, 1, kMaxPictureScale,
                                                  "from 1 to " + std::to_string(kMaxPictureScale));
                  },
                  nullptr});
  defs.push_back({{"--picture", "FILE.png",
                   "writes the drawing after the last step as a PNG, as the window's \"Save "
                   "picture...\" does",
                   "none"},
                  [=](O& o, const std::string& v) { o.picture = checkedPath("--picture", v); },
                  nullptr});
}

}  // namespace

std::vector<OptionDef<SetupParams>> ModelOptions() {
  using P = SetupParams;
  return {
      IntOption<P>({"--agents", "A",
                    "number of agents, at least 0; more than there are cells is capped to leave "
                    "5 % free"},
                   &P::AgentCount, 0, kIntMax, "at least 0"),
      IntOption<P>({"--cell-size", "C",
                    "cell size in pixels (at least 1); with the panel it fixes the grid"},
                   &P::CellSize),
      IntOption<P>({"--groups", "G", "number of groups, 1 to " + std::to_string(kMaxGroupCount)},
                   &P::GroupCount),
      IntOption<P>({"--radius", "R",
                    "neighbourhood radius in cells, 0 to " + std::to_string(kMaxNeighbourRadius) +
                        "; a square wider than the grid counts repeated cells once per "
                        "appearance"},
                   &P::NeighbourRadius, 0, kIntMax, "at least 0"),
      IntOption<P>({"--move-distance", "M",
                    "longest jump per axis in cells, at least 0 (a jump reaches M + 1)"},
                   &P::MoveDistance, 0, kIntMax, "at least 0"),
      {{"--threshold", "P",
        "tolerance threshold in percent, 0 to 100: satisfied means strictly above it"},
       [](P& p, const std::string& v) {
         p.Threshold =
             static_cast<std::uint32_t>(ParseInRange("--threshold", v, 0, 100, "from 0 to 100"));
       },
       [](const P& p) { return One(p.Threshold); }},
      {{"--shares", "W1,...,WG",
        "group shares: positive weights, one per group, normalised; each agent's group is drawn "
        "with these chances",
        "equal"},
       [](P& p, const std::string& v) { p.Shares = ParseShares("--shares", v); },
       [](const P& p) {
         return p.Shares.empty() ? std::vector<std::string>{}
                                 : std::vector<std::string>{SharesText(p.Shares)};
       }},
      {{"--thresholds", "P1,...,PG",
        "a tolerance threshold per group in percent, 0 to 100, in place of --threshold",
        "--threshold"},
       [](P& p, const std::string& v) { p.Thresholds = ParseThresholds("--thresholds", v); },
       [](const P& p) {
         return p.Thresholds.empty() ? std::vector<std::string>{}
                                     : std::vector<std::string>{ThresholdsText(p.Thresholds)};
       }},
      IntOption<P>({"--tile-size", "K",
                    "tile edge in cells for dissimilarity and segregation index, at least 1"},
                   &P::TileSize, 1, kIntMax, "at least 1"),
      {{"--panel", "W", "the drawing panel's width and height in pixels"},
       [](P& p, const std::string& v) { p.PanelWidth = p.PanelHeight = ParseInt("--panel", v); },
       [](const P& p) { return One(p.PanelWidth); }},
  };
}

OptionDef<SetupParams> SeedOption(std::string meaning, std::string defaultText) {
  return {{"--seed", "S", std::move(meaning), std::move(defaultText)},
          [](SetupParams& p, const std::string& v) { p.Seed = ParseSeed(v); },
          [](const SetupParams& p) { return p.Seed ? One(*p.Seed) : std::vector<std::string>{}; }};
}

void CheckModelOptions(const SetupParams& p) {
  try {
    CheckGroupLists(p);
    Model::CheckSetup(p);
    CheckGroupsFitGrid(p);
  } catch (const MemoryLimitError&) {
    throw;  // exit status 2 all the same; the Python module raises MemoryError for it
  } catch (const SegsimError& e) {
    throw UsageError(e.what());
  }
}

const OptionTable<RunOptions>& RunOptionTable() {
  static const OptionTable<RunOptions> table = [] {
    using O = RunOptions;
    std::vector<OptionDef<O>> defs;
    defs.push_back(Nested(SeedOption("fixed seed of the random generator: any 32-bit value, "
                                     "decimal or hexadecimal (0x...)",
                                     "the clock"),
                          &O::params));
    defs.push_back({{"--steps", "N", "timesteps after the setup, at least 0"},
                    [](O& o, const std::string& v) {
                      o.steps = ParseInt("--steps", v);
                      if (o.steps < 0) throw UsageError("--steps must be at least 0");
                    },
                    [](const O& o) { return One(o.steps); }});
    AppendModelOptions(defs, &O::params);
    defs.push_back({{"--set", "STEP:NAME=VALUE",
                     "changes a setting before step STEP's relocation pass, as the window "
                     "applies a change made while the model runs; NAME is threshold, threshold_g "
                     "(group g's own, g from 1), tile-size or agents (T of the segregation "
                     "index); repeatable",
                     "none"},
                    [](O& o, const std::string& v) {
                      try {
                        o.changes.push_back(ParseSetArgument(v, UINT32_MAX));
                      } catch (const SetStepOutOfRange& e) {
                        o.setStepsOutOfRange.push_back(e.Text());
                      } catch (const SegsimError& e) {
                        throw UsageError(e.what());
                      }
                    },
                    [](const O& o) {
                      std::vector<std::string> values;
                      for (const SettingChange& c : o.changes) values.push_back(SetArgument(c));
                      return values;
                    }});
    AppendPictureOptions(defs);
    defs.push_back(FlagOption<O>({"--summary", "", "a short readable summary instead of the trace"},
                                 &O::summary));
    defs.push_back(HelpOption(&O::help));
    return OptionTable<O>(
        "run", "Runs one setup and N steps headless and prints the trace as JSON Lines on stdout.",
        std::move(defs));
  }();
  return table;
}

void CheckRunOptions(const RunOptions& options) {
  CheckModelOptions(options.params);
  if (!options.video.empty() && VideoFormatOf(options.video) == VideoFormat::kGif) {
    try {
      CheckGifColors(options.params.GroupCount);
    } catch (const SegsimError& e) {
      throw UsageError("--video " + options.video + ": " + e.what());
    }
  }
  const auto lastStep = static_cast<std::uint32_t>(options.steps);
  if (!options.setStepsOutOfRange.empty()) {
    throw UsageError(SetStepOutOfRange(options.setStepsOutOfRange.front(), lastStep).what());
  }
  for (const SettingChange& c : options.changes) {
    if (c.step > lastStep) throw UsageError(SetStepOutOfRange(SetArgument(c), lastStep).what());
  }
}

std::string RepeatRunCommand(const SetupParams& setup, std::int32_t steps,
                             std::vector<SettingChange> changes) {
  RunOptions options;
  options.params = setup;
  options.params.TileSize = std::max(options.params.TileSize, 1);
  options.steps = steps;
  options.changes = std::move(changes);
  return "segsim-cli run " + RunOptionTable().RepeatCommand(options);
}

}  // namespace segsim

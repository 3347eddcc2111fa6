#include "cli/run.h"

#include <optional>
#include <string>

#include "cli/output.h"
#include "cli/stop_signals.h"
#include "cli/trace.h"
#include "measures/simulation.h"
#include "model/error.h"
#include "model/numeric.h"
#include "picture/pixels.h"
#ifdef SEGSIM_HAVE_VIDEO
#include "picture/video.h"
#endif

namespace segsim {

namespace {

// printf into a string, for the summary's aligned columns.
template <class... Args>
std::string Printed(const char* format, Args... args) {
  const int size = std::snprintf(nullptr, 0, format, args...);
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, args...);
  text.pop_back();
  return text;
}

// Groups are numbered from 1, as the sweep's columns number them.
void WriteSummary(const Simulation& sim, LineWriter& out) {
  const Model& model = sim.Model();
  const StepMeasures& m = sim.LastMeasures();
  out.WriteLine(Printed("segsim: %d x %d cells, %d agents in %d groups, seed %u",
                        model.Settings().Rows, model.Settings().Cols, model.AgentCountUsed(),
                        model.Settings().GroupCount, model.PlacementSeed()));
  out.WriteLine(Printed("final step: %u", model.TimeStep()));
  out.WriteLine(Printed("%-8s %8s %14s %10s", "group", "agents", "satisfaction", "IS"));
  for (std::size_t g = 0; g < model.GroupSizes().size(); ++g) {
    const double sat = g < m.satisfaction.size() ? m.satisfaction[g] : 0.0;
    const double is = g < m.dissimilarity.segregation.size() ? m.dissimilarity.segregation[g] : 0.0;
    out.WriteLine(Printed("%-8zu %8d %14s %10s", g + 1, model.GroupSizes()[g],
                          DisplayText(sat).c_str(), DisplayText(is).c_str()));
  }
  std::size_t clusters = 0;
  std::size_t larger = 0;
  for (const auto& sizes : sim.Clusters()) {
    clusters += sizes.size();
    for (std::int32_t s : sizes) larger += s > 1;
  }
  out.WriteLine(
      Printed("clusters at the last analysis: %zu (%zu of more than one agent)", clusters, larger));
}

#ifdef SEGSIM_HAVE_VIDEO
using Recorder = RunRecorder;

void WritePicture(Model& model, const RunOptions& options) {
  PixelCanvas canvas;
  model.DrawOn(canvas);
  WriteFileWhole(options.picture, EncodePng(canvas.View(), options.frames.scale));
}
#else
// Without FFmpeg's libraries neither a video nor a picture can be written.
struct Recorder {
  Recorder(const std::string&, Model&, const VideoSettings&) { NoVideo(); }
  [[noreturn]] static void NoVideo() {
    throw SegsimError("this segsim-cli was built without FFmpeg's libraries (libavcodec, "
                      "libavformat): no --video or --picture");
  }
  void AfterStep(Model&) {}
  void Finish() {}
};
void WritePicture(Model&, const RunOptions&) { Recorder::NoVideo(); }
#endif

}  // namespace

RunOutcome RunTrace(const RunOptions& options, std::FILE* file, const std::atomic<bool>* stop) {
  LineWriter out(file);
  RunOutcome outcome;
  Simulation sim;
  sim.InitSetup(options.params);
  // Every change is checked against the model before anything is written.
  for (const SettingChange& c : options.changes) {
    try {
      CheckRunSetting(sim.Model(), c.setting, c.value, c.group);
    } catch (const SegsimError& e) {
      throw UsageError("--set " + SetArgument(c) + ": " + e.what());
    }
  }
#ifndef SEGSIM_HAVE_VIDEO
  if (!options.picture.empty()) Recorder::NoVideo();
#endif
  // The video's encoder and file are opened before anything is written.
  std::optional<Recorder> video;
  if (!options.video.empty()) video.emplace(options.video, sim.Model(), options.frames);
  if (!options.summary) out.WriteLine(SetupLine(sim.Model()));
  for (std::int32_t t = 1; t <= options.steps; ++t) {
    if (stop && stop->load()) {
      outcome.interrupted = true;
      break;
    }
    ApplyChangesAt(sim, options.changes, static_cast<std::uint32_t>(t));
    sim.Step();
    outcome.stepsDone = t;
    if (video) video->AfterStep(sim.Model());
    if (!options.summary) out.WriteLine(StepLine(sim));
  }
  if (video) video->Finish();
  if (!options.picture.empty()) WritePicture(sim.Model(), options);
  if (options.summary && !outcome.interrupted) WriteSummary(sim, out);
  out.Flush();
  return outcome;
}

int RunMain(const RunOptions& options) {
  RunOutcome outcome;
  {
    const StopSignals signals;
    outcome = RunTrace(options, stdout, &StopSignals::Stop());
  }
  if (!outcome.interrupted) return 0;
  std::fprintf(stderr, "segsim-cli: stopped after step %d of %d\n", outcome.stepsDone,
               options.steps);
  return StopSignals::ExitStatus();
}

}  // namespace segsim

// What recording a run costs: 500 steps at the defaults without a video, and with an MP4 of a
// frame every step and every 10 steps, side by side (wall-clock time, the encoder runs threads
// of its own); then the peak memory while a video grows from 100 to 1000 frames, which must not
// grow with the frames.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "measures/simulation.h"
#include "picture/video.h"

namespace {

std::string VideoPath(const char* ext) {
  return "/tmp/segsim_video_bench_" + std::to_string(getpid()) + ext;
}

// Steps of a run from its setup, recorded every frameEvery steps (0: not recorded).
void Run(segsim::Simulation& sim, int steps, int frameEvery, const char* ext) {
  segsim::SetupParams p;
  p.Seed = 1;
  sim.InitSetup(p);
  // A new file each time, as a video is usually made: one written over an old file is flushed to
  // the disk at its rename (ext4 does so for a replacing rename), which times the disk.
  std::remove(VideoPath(ext).c_str());
  std::unique_ptr<segsim::RunRecorder> video;
  segsim::VideoSettings settings;
  settings.frameEvery = frameEvery;
  if (frameEvery > 0) video = std::make_unique<segsim::RunRecorder>(VideoPath(ext), sim.Model(), settings);
  for (int i = 0; i < steps; ++i) {
    sim.Step();
    if (video) video->AfterStep(sim.Model());
  }
  if (video) video->Finish();
}

void BM_Run500(benchmark::State& state) {
  const int frameEvery = static_cast<int>(state.range(0));
  for (auto _ : state) {
    segsim::Simulation sim;
    Run(sim, 500, frameEvery, ".mp4");
  }
  std::remove(VideoPath(".mp4").c_str());
  state.SetLabel(frameEvery == 0 ? "no video" : "mp4, a frame every " + std::to_string(frameEvery));
}

long MaxRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The peak after a video of 100 frames, and its growth over one of 1000 frames.
void BM_MemoryOverFrames(benchmark::State& state) {
  long after100 = 0, after1000 = 0;
  for (auto _ : state) {
    segsim::Simulation sim;
    Run(sim, 100, 1, ".mp4");
    after100 = MaxRssKb();
    Run(sim, 1000, 1, ".mp4");
    after1000 = MaxRssKb();
  }
  std::remove(VideoPath(".mp4").c_str());
  state.counters["rss_100_frames_kb"] = static_cast<double>(after100);
  state.counters["rss_growth_to_1000_kb"] = static_cast<double>(after1000 - after100);
}

}  // namespace

BENCHMARK(BM_Run500)->Arg(0)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemoryOverFrames)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();

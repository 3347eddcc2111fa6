// Videos and PNG pictures of the drawing, encoded with FFmpeg's libraries: MP4 (H.264 where
// libx264 is there, else MPEG-4 Part 2), WebM (VP9) and GIF (the drawing's own colours as its
// palette, so no pixel changes). Frames are encoded as they come; only the last one is kept, to
// find what the next one changes.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "picture/pixels.h"
#include "picture/video_format.h"

namespace segsim {

class Model;

// A file that could not be written: "cannot write to <path>: <cause>", the wording of
// segsim-cli's other files. Not a SegsimError: segsim-cli ends with status 1 for it.
class WriteError : public std::runtime_error {
public:
  WriteError(const std::string& path, int error);
};

// Writes a video to a temporary file beside path, renamed to path by Finish: under path there is
// a whole video or nothing new. Frames are width x height pixels before scaling; MP4 and WebM
// frames get a white column or row added where the scaled size is odd (4:2:0 colour).
class VideoWriter {
public:
  // Raises SegsimError for a missing encoder (naming it: "this FFmpeg has no VP9 encoder
  // (libvpx-vp9)"), WriteError when the temporary cannot be made.
  // palette: the colours the frames hold, for a GIF (DrawingColors).
  VideoWriter(const std::string& path, int width, int height, const VideoSettings& settings,
              const std::vector<Color>& palette = {});
  ~VideoWriter();  // an unfinished video's temporary is removed
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  // One frame of width x height pixels, shown from the last frame's time on for 1 / fps. Only
  // what differs from the last frame is encoded, and a frame that changes nothing is no packet:
  // the last one lasts longer. drawn: the tiles drawn in since the last frame, where it can
  // differ (nullptr: anywhere); with drawnDiffer, each of them differs (the caller drew only what
  // changed), and none is compared. WriteError when the file cannot take it.
  void AddFrame(const PixelView& pixels, const Tiles* drawn = nullptr, bool drawnDiffer = false);
  // The encoder's last frames, the file's end, then the rename. WriteError on failure, and the
  // temporary is gone.
  void Finish();

private:
  struct State;
  std::unique_ptr<State> state_;
};

// A run's video: frame 0 when made, then AfterStep adds one every frameEvery steps. The frames
// are the drawing as the window has it (Model::DrawOn). Where the cells are drawn apart (the
// default geometry), the steps draw nothing: each frame only copies which group stands on each
// cell, and a thread of the recorder's redraws the cells that changed since the frame before and
// hands the frame on to the writer, while the run goes on. Otherwise the recorder lends the model
// its canvas, and the steps draw on it as on the window's (with GraphicUpdate off, drawn whole
// for every frame).
class RunRecorder {
public:
  RunRecorder(const std::string& path, Model& model, const VideoSettings& settings);
  ~RunRecorder();  // the model gets its own canvas back
  RunRecorder(const RunRecorder&) = delete;
  RunRecorder& operator=(const RunRecorder&) = delete;
  // Raises what the drawing or the writer failed with, as the writer's AddFrame does.
  void AfterStep(Model& model);
  void Finish();

private:
  class Drawing;

  Model& model_;
  Canvas* modelCanvas_;
  VideoSettings settings_;
  std::int64_t steps_ = 0;
  std::unique_ptr<VideoWriter> writer_;
  std::unique_ptr<Drawing> drawing_;  // where the cells are drawn apart, or
  PixelCanvas canvas_;                // the one the model draws on
};

// The picture as the bytes of a PNG file (RGB, 8 bits a channel), each pixel a scale x scale
// square.
std::string EncodePng(const PixelView& pixels, int scale = 1);

}  // namespace segsim

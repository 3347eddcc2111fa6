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
  // differ (nullptr: anywhere). WriteError when the file cannot take it.
  void AddFrame(const PixelView& pixels, const Tiles* drawn = nullptr);
  // The encoder's last frames, the file's end, then the rename. WriteError on failure, and the
  // temporary is gone.
  void Finish();

private:
  struct State;
  std::unique_ptr<State> state_;
};

// A run's video: frame 0 when made, then AfterStep adds one every frameEvery steps. The frames
// are the drawing as the window has it: drawn whole once (Model::DrawOn), then, while the
// recorder lives, by the steps themselves on the recorder's canvas, which it lends the model
// (with GraphicUpdate off, drawn whole for every frame instead).
class RunRecorder {
public:
  RunRecorder(const std::string& path, Model& model, const VideoSettings& settings);
  ~RunRecorder();  // the model gets its own canvas back
  RunRecorder(const RunRecorder&) = delete;
  RunRecorder& operator=(const RunRecorder&) = delete;
  void AfterStep(Model& model);
  void Finish() { writer_->Finish(); }

private:
  Model& model_;
  Canvas* modelCanvas_;
  VideoSettings settings_;
  PixelCanvas canvas_;
  std::int64_t steps_ = 0;
  std::unique_ptr<VideoWriter> writer_;
};

// The picture as the bytes of a PNG file (RGB, 8 bits a channel), each pixel a scale x scale
// square.
std::string EncodePng(const PixelView& pixels, int scale = 1);

}  // namespace segsim

// What a video of a run is made of, read from segsim-cli's options and the Python module's
// arguments before anything runs: its format (by the file's extension), the frames taken and
// their size. No FFmpeg here; picture/video.h encodes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/canvas.h"

namespace segsim {

enum class VideoFormat { kMp4, kWebm, kGif };

// .mp4, .webm or .gif, in any case; none for another extension.
std::optional<VideoFormat> VideoFormatOf(const std::string& path);
// "FILE must end in .mp4, .webm or .gif, not 'x.avi'" (name: "--video", "path") unless it does.
VideoFormat CheckVideoPath(const std::string& name, const std::string& path);
// "FILE must end in .png, not 'x.jpg'" unless it does.
void CheckPicturePath(const std::string& name, const std::string& path);

inline constexpr std::int32_t kMaxVideoFps = 120;
inline constexpr std::int32_t kMaxPictureScale = 16;

struct VideoSettings {
  std::int32_t frameEvery = 1;  // a frame after every K-th step, and the setup's as frame 0
  std::int32_t fps = 25;        // 1 .. kMaxVideoFps
  std::int32_t scale = 1;       // every pixel as a square of scale x scale, 1 .. kMaxPictureScale
};

// The colours a drawing holds: the white background, the cells' outline and grey, and the
// groups' colours, each once, in that order. A GIF's palette.
std::vector<Color> DrawingColors(std::span<const Color> groupColors);
// A GIF holds 256 colours: refuses more groups than leave room (SegsimError naming the count).
void CheckGifColors(std::int32_t groupCount);

}  // namespace segsim

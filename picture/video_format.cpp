#include "picture/video_format.h"

#include <algorithm>
#include <cctype>

#include "model/cell.h"
#include "model/error.h"

namespace segsim {

namespace {

constexpr Color kWhite = 0xFFFFFFu;
constexpr Color kCellOutline = 0x808080u;  // TCell::DrawCell
constexpr std::size_t kGifColors = 256;
constexpr std::size_t kFixedColors = 3;  // white, outline, cell grey

std::string LowerExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

}  // namespace

std::optional<VideoFormat> VideoFormatOf(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext == ".mp4") return VideoFormat::kMp4;
  if (ext == ".webm") return VideoFormat::kWebm;
  if (ext == ".gif") return VideoFormat::kGif;
  return std::nullopt;
}

VideoFormat CheckVideoPath(const std::string& name, const std::string& path) {
  const std::optional<VideoFormat> format = VideoFormatOf(path);
  if (!format) {
    throw SegsimError(name + " must end in .mp4, .webm or .gif, not '" + path + "'");
  }
  return *format;
}

void CheckPicturePath(const std::string& name, const std::string& path) {
  if (LowerExtension(path) != ".png") {
    throw SegsimError(name + " must end in .png, not '" + path + "'");
  }
}

std::vector<Color> DrawingColors(std::span<const Color> groupColors) {
  const Color grey = static_cast<Color>(kCellGray) & 0xFFu;
  std::vector<Color> colors{kWhite, kCellOutline, grey + 256u * grey + 65536u * grey};
  for (Color c : groupColors) {
    if (std::find(colors.begin(), colors.end(), c) == colors.end()) colors.push_back(c);
  }
  return colors;
}

void CheckGifColors(std::int32_t groupCount) {
  if (groupCount > static_cast<std::int32_t>(kGifColors - kFixedColors)) {
    throw SegsimError("a GIF holds " + std::to_string(kGifColors) + " colours, too few for " +
                      std::to_string(groupCount) + " groups (at most " +
                      std::to_string(kGifColors - kFixedColors) + "): write .mp4 or .webm");
  }
}

}  // namespace segsim

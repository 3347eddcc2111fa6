// H.264 by libx264 itself rather than through FFmpeg's wrapper, which cannot tell x264 what the
// caller knows: which macroblocks a frame left as they were. x264 skips those without looking at
// them, and a frame in which little moved costs little.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture/frames.h"

typedef struct x264_t x264_t;

namespace segsim {

class X264Encoder {
public:
  // Frames of width x height pixels (even), fps of them a second, at the time base 1 / fps.
  // Raises SegsimError when x264 refuses the settings.
  X264Encoder(int width, int height, int fps);
  ~X264Encoder();
  X264Encoder(const X264Encoder&) = delete;
  X264Encoder& operator=(const X264Encoder&) = delete;

  // The sequence and picture parameter sets (Annex B), the stream's extradata.
  const std::string& Headers() const { return headers_; }

  // A coded picture: its NAL units (Annex B), valid until the next Encode.
  struct Packet {
    const std::uint8_t* data = nullptr;
    int size = 0;
    std::int64_t pts = 0, dts = 0;
    bool key = false;
  };
  // Encodes picture (nullptr: the pictures held back, if any) shown from pts on, as an IDR
  // picture where idr is set. constant: a byte for each macroblock, row after row, non-zero where
  // the picture equals the one before (empty: none known). Returns whether a packet came out.
  bool Encode(const YuvView* picture, std::int64_t pts, const std::vector<std::uint8_t>& constant,
              Packet& out, bool idr = false);
  // Pictures given and not yet out.
  int Delayed() const;
  // Macroblocks across and down.
  int Columns() const { return columns_; }
  int Rows() const { return rows_; }

private:
  x264_t* x264_ = nullptr;
  std::string headers_;
  int columns_ = 0, rows_ = 0;
};

}  // namespace segsim

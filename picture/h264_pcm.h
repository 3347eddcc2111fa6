// H.264 pictures written without an encoder, for the frames of a run in which little moved: a P
// picture whose macroblocks are either skipped (the decoded picture before, as it was) or I_PCM
// (their samples as they are, uncompressed). Writing one costs no analysis at all, where x264
// looks at every macroblock of every picture; and a changed macroblock shows its pixels exactly.
// The pictures follow those of an encoder, in its stream and by its parameter sets; the encoder
// cannot go on from them (its own reference is not what the decoder holds), so it starts again
// with an IDR picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture/frames.h"

namespace segsim {

class PcmPictures {
public:
  // headers: the stream's sequence and picture parameter sets (Annex B). Usable only where they
  // allow these pictures: one frame-coded 4:2:0 8-bit sequence, CAVLC, no weighted prediction,
  // the deblocking filter switchable per slice.
  PcmPictures(const std::string& headers, int columns, int rows);
  bool Usable() const { return usable_; }

  // The encoder's picture (Annex B): its frame number (and picture order) are those the next
  // picture goes on from.
  void Follow(const std::uint8_t* data, int size);
  // The picture after the last one, Annex B, valid until the next call: the macroblocks with a
  // non-zero byte in constant (row after row) skipped, the others I_PCM from picture (whose
  // planes reach at least the macroblocks' size, or are read up to their last sample).
  const std::string& Next(const YuvView& picture, const std::vector<std::uint8_t>& constant);

private:
  bool usable_ = false;
  int columns_, rows_;
  int frameNumBits_ = 0;
  int pocType_ = 0, pocBits_ = 0;
  bool bottomPoc_ = false;  // delta_pic_order_cnt_bottom in each slice header
  int ppsId_ = 0;
  std::uint32_t frameNum_ = 0, pocLsb_ = 0;
  std::string bits_, nal_;
};

}  // namespace segsim

#include "picture/h264_pcm.h"

#include <algorithm>

namespace segsim {

namespace {

// The bytes of each NAL unit of an Annex B stream, without its start code.
template <typename Each>
void ForEachNal(const std::uint8_t* data, std::size_t size, Each each) {
  std::size_t i = 0, start = 0;
  bool inside = false;
  while (i + 2 < size) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
      if (inside) {
        std::size_t end = i;
        while (end > start && data[end - 1] == 0) --end;  // a four-byte start code's zero
        each(data + start, end - start);
      }
      i += 3;
      start = i;
      inside = true;
      continue;
    }
    ++i;
  }
  if (inside && start < size) each(data + start, size - start);
}

// A NAL unit's payload without its emulation prevention bytes.
std::string Unescaped(const std::uint8_t* nal, std::size_t size) {
  std::string rbsp;
  int zeros = 0;
  for (std::size_t i = 1; i < size; ++i) {
    if (zeros >= 2 && nal[i] == 3) {
      zeros = 0;
      continue;
    }
    rbsp.push_back(static_cast<char>(nal[i]));
    zeros = nal[i] == 0 ? zeros + 1 : 0;
  }
  return rbsp;
}

// Reads bits of an RBSP, most significant first; past the end it reads zeros and notes that.
class BitReader {
public:
  explicit BitReader(const std::string& bytes) : bytes_(bytes) {}
  std::uint32_t Bits(int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 1 | Bit();
    return v;
  }
  std::uint32_t Ue() {
    int zeros = 0;
    while (Bit() == 0 && zeros < 32 && !over_) ++zeros;
    return (std::uint32_t{1} << zeros) - 1 + Bits(zeros);
  }
  std::int32_t Se() {
    const std::uint32_t k = Ue();
    return k % 2 ? static_cast<std::int32_t>((k + 1) / 2) : -static_cast<std::int32_t>(k / 2);
  }
  bool Over() const { return over_; }

private:
  std::uint32_t Bit() {
    if (at_ / 8 >= bytes_.size()) {
      over_ = true;
      return 0;
    }
    const auto byte = static_cast<std::uint8_t>(bytes_[at_ / 8]);
    const std::uint32_t bit = byte >> (7 - at_ % 8) & 1u;
    ++at_;
    return bit;
  }
  const std::string& bytes_;
  std::size_t at_ = 0;
  bool over_ = false;
};

class BitWriter {
public:
  explicit BitWriter(std::string& out) : out_(out) { out_.clear(); }
  void Bits(std::uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) Bit(v >> i & 1u);
  }
  void Ue(std::uint32_t v) {
    const std::uint32_t code = v + 1;
    int length = 0;
    while (code >> length > 1) ++length;
    Bits(0, length);
    Bits(code, length + 1);
  }
  void Se(std::int32_t v) {
    Ue(v > 0 ? 2 * static_cast<std::uint32_t>(v) - 1 : 2 * static_cast<std::uint32_t>(-v));
  }
  void AlignZero() {
    while (used_ != 0) Bit(0);
  }
  // Bytes, the writer at a byte boundary.
  void Bytes(const std::uint8_t* p, int n) {
    out_.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
  }
  void Trailing() {
    Bit(1);
    AlignZero();
  }

private:
  void Bit(std::uint32_t b) {
    byte_ = static_cast<std::uint8_t>(byte_ << 1 | b);
    if (++used_ == 8) {
      out_.push_back(static_cast<char>(byte_));
      byte_ = 0;
      used_ = 0;
    }
  }
  std::string& out_;
  std::uint8_t byte_ = 0;
  int used_ = 0;
};

// The profiles whose sequence parameter sets carry the chroma format and the bit depths.
bool HighProfile(std::uint32_t profile) {
  constexpr std::uint32_t kProfiles[] = {100, 110, 122, 244, 44,  83, 86,
                                         118, 128, 138, 139, 134, 135};
  return std::find(std::begin(kProfiles), std::end(kProfiles), profile) != std::end(kProfiles);
}

// What a picture's slice header depends on in the sequence parameter set, and whether the set
// allows the pictures written here.
struct Sequence {
  int frameNumBits = 0, pocType = 0, pocBits = 0;
  bool fits = false;
};

Sequence ReadSequence(const std::string& rbsp, int columns, int rows) {
  BitReader r(rbsp);
  Sequence s;
  bool fits = true;
  const std::uint32_t profile = r.Bits(8);
  r.Bits(16);  // constraints, level
  r.Ue();      // seq_parameter_set_id
  if (HighProfile(profile)) {
    fits &= r.Ue() == 1;                 // 4:2:0
    fits &= r.Ue() == 0 && r.Ue() == 0;  // 8 bits
    r.Bits(1);                           // transform bypass
    fits &= r.Bits(1) == 0;              // no scaling matrices
  }
  s.frameNumBits = static_cast<int>(r.Ue()) + 4;
  s.pocType = static_cast<int>(r.Ue());
  if (s.pocType == 0) s.pocBits = static_cast<int>(r.Ue()) + 4;
  fits &= s.pocType == 0 || s.pocType == 2;
  r.Ue();     // max_num_ref_frames
  r.Bits(1);  // gaps_in_frame_num_value_allowed_flag
  fits &= static_cast<int>(r.Ue()) + 1 == columns;
  fits &= static_cast<int>(r.Ue()) + 1 == rows;
  fits &= r.Bits(1) == 1;  // frames only
  s.fits = fits && !r.Over() && s.frameNumBits <= 16 && s.pocBits <= 16;
  return s;
}

// The same of the picture parameter set.
struct PictureSet {
  int id = 0;
  bool bottomPoc = false;
  bool fits = false;
};

PictureSet ReadPictureSet(const std::string& rbsp) {
  BitReader r(rbsp);
  PictureSet p;
  bool fits = true;
  p.id = static_cast<int>(r.Ue());
  r.Ue();                  // seq_parameter_set_id
  fits &= r.Bits(1) == 0;  // CAVLC
  p.bottomPoc = r.Bits(1) == 1;
  fits &= r.Ue() == 0;  // one slice group
  r.Ue();
  r.Ue();                  // reference counts
  fits &= r.Bits(1) == 0;  // no weighted prediction
  r.Bits(2);
  r.Se();
  r.Se();
  r.Se();                  // quantizers, chroma offset
  fits &= r.Bits(1) == 1;  // deblocking control in the slice header
  r.Bits(1);               // constrained intra
  fits &= r.Bits(1) == 0;  // no redundant pictures
  p.fits = fits && !r.Over();
  return p;
}

}  // namespace

PcmPictures::PcmPictures(const std::string& headers, int columns, int rows)
    : columns_(columns), rows_(rows) {
  Sequence sequence;
  PictureSet pictures;
  ForEachNal(reinterpret_cast<const std::uint8_t*>(headers.data()), headers.size(),
             [&](const std::uint8_t* nal, std::size_t size) {
               const int type = nal[0] & 31;
               if (type == 7) sequence = ReadSequence(Unescaped(nal, size), columns, rows);
               if (type == 8) pictures = ReadPictureSet(Unescaped(nal, size));
             });
  usable_ = sequence.fits && pictures.fits;
  frameNumBits_ = sequence.frameNumBits;
  pocType_ = sequence.pocType;
  pocBits_ = sequence.pocBits;
  bottomPoc_ = pictures.bottomPoc;
  ppsId_ = pictures.id;
}

void PcmPictures::Follow(const std::uint8_t* data, int size) {
  // The first slice's header, in the first bytes after its start code: the picture's NAL units
  // are not looked through further.
  const auto n = static_cast<std::size_t>(size);
  for (std::size_t i = 0; i + 3 < n; ++i) {
    if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1) continue;
    const std::uint8_t* nal = data + i + 3;
    const int type = nal[0] & 31;
    if (type != 1 && type != 5) continue;
    const std::string rbsp = Unescaped(nal, std::min<std::size_t>(n - i - 3, 32));
    BitReader r(rbsp);
    r.Ue();  // first_mb_in_slice
    r.Ue();  // slice_type
    r.Ue();  // pic_parameter_set_id
    frameNum_ = r.Bits(frameNumBits_);
    if (type == 5) r.Ue();  // idr_pic_id
    if (pocType_ == 0) pocLsb_ = r.Bits(pocBits_);
    return;
  }
}

const std::string& PcmPictures::Next(const YuvView& picture,
                                     const std::vector<std::uint8_t>& constant) {
  frameNum_ = (frameNum_ + 1) & ((1u << frameNumBits_) - 1);
  if (pocType_ == 0) pocLsb_ = (pocLsb_ + 2) & ((1u << pocBits_) - 1);
  BitWriter w(bits_);
  w.Ue(0);  // first_mb_in_slice
  w.Ue(5);  // P, as every slice of the picture
  w.Ue(static_cast<std::uint32_t>(ppsId_));
  w.Bits(frameNum_, frameNumBits_);
  if (pocType_ == 0) {
    w.Bits(pocLsb_, pocBits_);
    if (bottomPoc_) w.Se(0);
  }
  w.Bits(0, 1);  // num_ref_idx_active_override_flag
  w.Bits(0, 1);  // ref_pic_list_modification_flag_l0
  w.Bits(0, 1);  // adaptive_ref_pic_marking_mode_flag: the sliding window
  w.Se(0);       // slice_qp_delta
  w.Ue(1);       // disable_deblocking_filter_idc: PCM samples stay as they are

  std::uint8_t samples[16];
  const auto Row = [&](int plane, int size, int mx, int my, int y) {
    const int width = plane == 0 ? picture.width : picture.width / 2;
    const int height = plane == 0 ? picture.height : picture.height / 2;
    const std::uint8_t* line =
        picture.plane[plane] + std::min(my * size + y, height - 1) * picture.stride[plane];
    const int x0 = mx * size;
    for (int x = 0; x < size; ++x) samples[x] = line[std::min(x0 + x, width - 1)];
    w.Bytes(samples, size);
  };
  std::uint32_t skipped = 0;
  const int count = columns_ * rows_;
  for (int mb = 0; mb < count; ++mb) {
    if (constant[static_cast<std::size_t>(mb)]) {
      ++skipped;
      continue;
    }
    w.Ue(skipped);  // mb_skip_run
    skipped = 0;
    w.Ue(30);  // mb_type I_PCM in a P slice
    w.AlignZero();
    const int mx = mb % columns_, my = mb / columns_;
    for (int y = 0; y < 16; ++y) Row(0, 16, mx, my, y);
    for (int plane = 1; plane <= 2; ++plane) {
      for (int y = 0; y < 8; ++y) Row(plane, 8, mx, my, y);
    }
  }
  if (skipped > 0) w.Ue(skipped);
  w.Trailing();

  // nal_ref_idc 2 (the next picture refers to it), type 1: a slice of a non-IDR picture.
  nal_.assign("\0\0\0\1\x41", 5);
  int zeros = 0;
  for (const char c : bits_) {
    const auto b = static_cast<std::uint8_t>(c);
    if (zeros >= 2 && b <= 3) {
      nal_.push_back('\3');
      zeros = 0;
    }
    nal_.push_back(c);
    zeros = b == 0 ? zeros + 1 : 0;
  }
  return nal_;
}

}  // namespace segsim

#include "picture/x264_encoder.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <x264.h>
}

#include "model/error.h"

namespace segsim {

namespace {

// x264's own lines (its settings and statistics) are not printed; its errors reach the caller.
void QuietLog(void*, int, const char*, va_list) {}

}  // namespace

X264Encoder::X264Encoder(int width, int height, int fps)
    : columns_((width + 15) / 16), rows_((height + 15) / 16) {
  x264_param_t p;
  // Settings as for FFmpeg's wrapper: the fastest preset, no frame held back (zerolatency) and
  // one thread, beside the run's own; a constant quantizer spares x264 the analysis for its rate
  // control (20 looks as crf 23 does on the drawing's sharp edges).
  if (x264_param_default_preset(&p, "ultrafast", "zerolatency") < 0) {
    throw SegsimError("cannot open the H.264 encoder libx264: no preset ultrafast");
  }
  p.i_threads = 1;
  p.i_width = width;
  p.i_height = height;
  p.i_csp = X264_CSP_I420;
  p.i_fps_num = static_cast<std::uint32_t>(fps);
  p.i_fps_den = 1;
  p.i_timebase_num = 1;
  p.i_timebase_den = static_cast<std::uint32_t>(fps);
  p.i_keyint_max = 10 * fps;
  p.rc.i_rc_method = X264_RC_CQP;
  p.rc.i_qp_constant = 20;
  p.analyse.b_mb_info = 1;
  p.b_repeat_headers = 0;  // in the stream's extradata instead
  p.b_annexb = 1;
  p.pf_log = &QuietLog;
  x264_ = x264_encoder_open(&p);
  if (!x264_) throw SegsimError("cannot open the H.264 encoder libx264");
  x264_nal_t* nals = nullptr;
  int count = 0;
  const int size = x264_encoder_headers(x264_, &nals, &count);
  if (size < 0) {
    x264_encoder_close(x264_);
    throw SegsimError("cannot open the H.264 encoder libx264: no headers");
  }
  for (int i = 0; i < count; ++i) {
    if (nals[i].i_type == NAL_SPS || nals[i].i_type == NAL_PPS) {
      headers_.append(reinterpret_cast<const char*>(nals[i].p_payload),
                      static_cast<std::size_t>(nals[i].i_payload));
    }
  }
}

X264Encoder::~X264Encoder() { x264_encoder_close(x264_); }

int X264Encoder::Delayed() const { return x264_encoder_delayed_frames(x264_); }

bool X264Encoder::Encode(const YuvView* picture, std::int64_t pts,
                         const std::vector<std::uint8_t>& constant, Packet& out, bool idr) {
  x264_picture_t in, coded;
  x264_picture_init(&in);
  x264_picture_t* given = nullptr;
  if (picture) {
    in.img.i_csp = X264_CSP_I420;
    in.img.i_plane = 3;
    for (int i = 0; i < 3; ++i) {
      in.img.plane[i] = picture->plane[i];
      in.img.i_stride[i] = static_cast<int>(picture->stride[i]);
    }
    in.i_pts = pts;
    if (idr) in.i_type = X264_TYPE_IDR;
    if (!constant.empty()) {
      // x264 frees the flags once it has coded the picture, which may be later.
      auto* flags = static_cast<std::uint8_t*>(std::malloc(constant.size()));
      if (!flags) throw std::bad_alloc();
      for (std::size_t i = 0; i < constant.size(); ++i) {
        flags[i] = constant[i] ? X264_MBINFO_CONSTANT : 0;
      }
      in.prop.mb_info = flags;
      in.prop.mb_info_free = &std::free;
    }
    given = &in;
  }
  x264_nal_t* nals = nullptr;
  int count = 0;
  const int size = x264_encoder_encode(x264_, &nals, &count, given, &coded);
  if (size < 0) throw SegsimError("the H.264 encoder libx264 failed on a frame");
  if (size == 0) return false;
  // The NAL units of a picture lie one after the other.
  out.data = nals[0].p_payload;
  out.size = size;
  out.pts = coded.i_pts;
  out.dts = coded.i_dts;
  out.key = coded.b_keyframe != 0;
  return true;
}

}  // namespace segsim

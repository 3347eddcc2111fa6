#include "picture/video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <unordered_map>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/error.h"
#include "model/model.h"
#include "picture/frames.h"
#ifdef SEGSIM_HAVE_X264
#include "picture/h264_pcm.h"
#include "picture/x264_encoder.h"
#endif

namespace segsim {

namespace {

constexpr int kIoBuffer = 64 * 1024;
// The changed parts converted ahead of the encoder (at least one frame's): a few of the busy
// first frames, so that their buffers come back and are used again, where new ones would cost
// their pages anew. Beyond them the caller waits; a run's steps go on regardless, as far as
// RunRecorder lets them.
constexpr std::size_t kQueuedBytes = 4u << 20;
constexpr std::size_t kKeptJobs = 8;
// A picture that changes at most 1 / kPcmAfterEncoder of its macroblocks, after one of x264's,
// is written as PCM macroblocks (PcmPictures); after one of those, one changing at most
// 1 / kPcmAfterPcm. A busier one goes to x264, as an IDR picture after PCM ones. In a run that
// settles, x264 codes the busy first steps, and the few agents that still move cost nothing.
constexpr std::size_t kPcmAfterEncoder = 16;
constexpr std::size_t kPcmAfterPcm = 4;

constexpr int Even(int n) { return n + n % 2; }

// A frame for the encoding thread: what changed since the one before, shown from pts on. Each
// part is a rectangle of the frame with its bytes from offset on: for a GIF its pixels, matched
// to the palette by the encoding thread; for the others its scaled 4:2:0 planes (YuvPlanes),
// converted by the caller while the pixels are still in its cache.
struct Job {
  struct Part {
    PixelRect rect;
    std::size_t offset;
  };
  std::int64_t pts = 0;
  std::vector<Part> parts;
  std::unique_ptr<std::uint8_t[]> bytes;  // room for `room`, of which `used` are the parts'
  std::size_t used = 0, room = 0;

  // Room for n bytes, not cleared (its pages are touched only when written).
  void Reserve(std::size_t n) {
    if (room >= n) return;
    bytes.reset(new std::uint8_t[n]);
    room = n;
  }
};

std::string AvText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// FFmpeg's own lines on stderr (the encoder's settings and statistics) would mix with the
// program's messages: only its errors are printed, the failures reach the caller as errors.
void QuietLibraries() {
  static const bool quiet = [] {
    av_log_set_level(AV_LOG_ERROR);
    return true;
  }();
  (void)quiet;
}

const AVCodec* FindEncoder(VideoFormat format) {
  switch (format) {
    case VideoFormat::kMp4:
      if (const AVCodec* x264 = avcodec_find_encoder_by_name("libx264")) return x264;
      return avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    case VideoFormat::kWebm:
      return avcodec_find_encoder_by_name("libvpx-vp9");
    case VideoFormat::kGif:
      return avcodec_find_encoder(AV_CODEC_ID_GIF);
  }
  return nullptr;
}

const AVCodec* RequireEncoder(VideoFormat format) {
  if (const AVCodec* codec = FindEncoder(format)) return codec;
  switch (format) {
    case VideoFormat::kMp4:
      throw SegsimError("cannot write MP4: this FFmpeg has neither the H.264 encoder libx264 nor "
                        "the MPEG-4 Part 2 encoder mpeg4");
    case VideoFormat::kWebm:
      throw SegsimError("cannot write WebM: this FFmpeg has no VP9 encoder (libvpx-vp9)");
    case VideoFormat::kGif:
      break;
  }
  throw SegsimError("cannot write GIF: this FFmpeg has no GIF encoder (gif)");
}

struct CodecContextFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

FramePtr NewFrame(AVPixelFormat format, int width, int height) {
  FramePtr frame(av_frame_alloc());
  if (!frame) throw std::bad_alloc();
  frame->format = format;
  frame->width = width;
  frame->height = height;
  if (av_frame_get_buffer(frame.get(), 0) < 0) throw std::bad_alloc();
  return frame;
}

}  // namespace

WriteError::WriteError(const std::string& path, int error)
    : std::runtime_error("cannot write to " + path + ": " + std::strerror(error)) {}

struct VideoWriter::State {
  std::string path;
  std::string temporary;
  int fd = -1;
  int ioError = 0;  // errno of the first failed write or seek
  VideoFormat format{};
  int width = 0, height = 0;           // of the pixels given
  int frameWidth = 0, frameHeight = 0;  // as encoded
  int scale = 1;
  bool finished = false;
  bool headerWritten = false, trailerWritten = false;

  AVFormatContext* container = nullptr;
  AVIOContext* io = nullptr;
  AVStream* stream = nullptr;
  CodecContextPtr codec;  // FFmpeg's encoder, or
#ifdef SEGSIM_HAVE_X264
  std::unique_ptr<X264Encoder> x264;  // x264's own for MP4, told which macroblocks stay
  std::vector<std::uint8_t> constant;  // per macroblock
  std::unique_ptr<PcmPictures> pcm;    // pictures in x264's stream with little changed
  bool x264Last = true;                // x264 wrote the last picture: it may refer to it
#endif
  AVRational timeBase{};  // the encoder's: 1 / fps
  // The encoder's input, kept from frame to frame: each frame writes into it what changed.
  FramePtr frame;
  PacketPtr packet;
  // The last packet out of the encoder, written once the next one is there or, at the end, with
  // the duration of its frame: a frame that changes nothing is no packet, the one before lasts.
  PacketPtr pending;
  bool hasPending = false;
  std::unordered_map<Pixel, std::uint8_t> paletteIndex;
  std::vector<Pixel> palette;
  std::vector<Pixel> scratch;  // the encoding thread's scaled pixels

  // The caller's: the frames given (the next one's pts), what the next one changes, and its
  // scaled pixels.
  std::int64_t frames = 0;
  FrameDiff diff;
  std::vector<PixelRect> rects;
  std::vector<Pixel> callerScratch;

  // The encoding thread: changed frames wait in ready for it, and their buffers return to free.
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Job> ready;
  std::size_t readyBytes = 0;
  std::vector<Job> free;
  bool ending = false;
  std::exception_ptr failure;  // the encoding thread's
  std::thread worker;

  ~State() {
    StopWorker();
    Close();
  }

  // The encoder is opened by the encoding thread, while the run goes on; what fails there
  // reaches the caller with the next frame or at the end.
  void StartWorker(const AVCodec* encoder, const VideoSettings& settings) {
    worker = std::thread([this, encoder, settings] {
      pthread_setname_np(pthread_self(), "segsim-encoder");
      try {
        Begin(encoder, settings);
      } catch (...) {
        const std::lock_guard lock(mutex);
        failure = std::current_exception();
        changed.notify_all();
        return;
      }
      Work();
    });
  }

  void StopWorker() {
    {
      const std::lock_guard lock(mutex);
      ending = true;
    }
    changed.notify_all();
    if (worker.joinable()) worker.join();
  }

  void Work() {
    for (;;) {
      Job job;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return !ready.empty() || ending; });
        if (ready.empty()) return;
        job = std::move(ready.front());
        ready.pop_front();
        readyBytes -= job.used;
      }
      try {
        Encode(job);
      } catch (...) {
        const std::lock_guard lock(mutex);
        failure = std::current_exception();
        changed.notify_all();
        return;
      }
      {
        const std::lock_guard lock(mutex);
        if (free.size() < kKeptJobs) free.push_back(std::move(job));
      }
      changed.notify_all();
    }
  }

  // The width and height of a part of the frame as its job holds it.
  int PartWidth(const PixelRect& r) const {
    const int w = r.right - r.left + 1;
    return format == VideoFormat::kGif ? w : Even(w * scale);
  }
  int PartHeight(const PixelRect& r) const {
    const int h = r.bottom - r.top + 1;
    return format == VideoFormat::kGif ? h : Even(h * scale);
  }
  std::size_t PartBytes(const PixelRect& r) const {
    const auto w = PartWidth(r), h = PartHeight(r);
    return format == VideoFormat::kGif ? static_cast<std::size_t>(w) * h * sizeof(Pixel)
                                       : YuvBytes(w, h);
  }

  // The tiles that changed since the last frame are copied (converted, but for a GIF) and handed
  // to the encoding thread; a frame that changes nothing only counts. The caller waits only
  // while the encoder is kQueuedBytes behind.
  void Add(const PixelView& pixels, const Tiles* drawn, bool drawnDiffer) {
    const std::int64_t pts = frames++;
    if (!diff.Next(pixels, drawn, rects, !drawnDiffer)) return;
    std::size_t need = 0;
    for (const PixelRect& r : rects) need += PartBytes(r);
    Job job;
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] {
        return ready.empty() || readyBytes + need <= kQueuedBytes || failure;
      });
      if (failure) RaiseFailure(lock);
      if (!free.empty()) {
        job = std::move(free.back());
        free.pop_back();
      }
    }
    job.pts = pts;
    job.parts.clear();
    job.Reserve(need);
    job.used = 0;
    for (const PixelRect& r : rects) {
      job.parts.push_back({r, job.used});
      std::uint8_t* at = job.bytes.get() + job.used;
      const int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
      const PixelView part{pixels.Row(r.top) + r.left, w, h, pixels.stride};
      if (format == VideoFormat::kGif) {
        auto* to = reinterpret_cast<Pixel*>(at);
        for (int y = 0; y < h; ++y) std::copy_n(part.Row(y), w, to + y * w);
      } else {
        ToYuv420(part, scale, 0, 0, YuvPlanes(at, PartWidth(r), PartHeight(r)), callerScratch);
      }
      job.used += PartBytes(r);
    }
    {
      const std::lock_guard lock(mutex);
      readyBytes += job.used;
      ready.push_back(std::move(job));
    }
    changed.notify_all();
  }

  [[noreturn]] void RaiseFailure(std::unique_lock<std::mutex>& lock) {
    const std::exception_ptr e = failure;
    lock.unlock();
    StopWorker();
    Close();
    std::rethrow_exception(e);
  }

  void Close() {
    // A muxer frees what it holds (the GIF muxer its last packet) only in its trailer: an
    // abandoned file gets one too, its writes refused once a write has failed.
    if (headerWritten && !trailerWritten) {
      trailerWritten = true;
      if (ioError == 0) ioError = ECANCELED;
      av_write_trailer(container);
    }
    if (io) {
      av_freep(&io->buffer);
      avio_context_free(&io);
    }
    if (container) {
      container->pb = nullptr;
      avformat_free_context(container);
      container = nullptr;
    }
    if (fd >= 0) close(fd);
    fd = -1;
    if (!finished && !temporary.empty()) unlink(temporary.c_str());
  }

  // Failures raise; the file goes when the state does (Close), once the encoding thread has
  // ended.
  [[noreturn]] void FailIo(int error) { throw WriteError(path, error); }
  // A libav call that failed: a failed write named by its errno, anything else by FFmpeg's text.
  [[noreturn]] void Fail(const char* what, int code) {
    if (ioError != 0) FailIo(ioError);
    throw SegsimError("cannot write " + path + ": " + what + ": " + AvText(code));
  }

  static int Write(void* opaque, std::uint8_t* data, int size) {
    auto* s = static_cast<State*>(opaque);
    if (s->ioError != 0) return AVERROR(s->ioError);
    int done = 0;
    while (done < size) {
      const ssize_t n = write(s->fd, data + done, static_cast<std::size_t>(size - done));
      if (n < 0) {
        if (errno == EINTR) continue;
        s->ioError = errno;
        return AVERROR(s->ioError);
      }
      done += static_cast<int>(n);
    }
    return size;
  }

  static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
    auto* s = static_cast<State*>(opaque);
    if (whence & AVSEEK_SIZE) {
      struct stat info {};
      return fstat(s->fd, &info) == 0 ? info.st_size : AVERROR(errno);
    }
    const off_t at = lseek(s->fd, offset, whence & ~AVSEEK_FORCE);
    if (at < 0) {
      s->ioError = errno;
      return AVERROR(s->ioError);
    }
    return at;
  }

  void OpenFile() {
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd = mkstemp(name.data());
    if (fd < 0) throw WriteError(path, errno);
    temporary = name.data();
    // mkstemp makes the file for its owner alone; a video gets the mode a new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd, 0666 & ~mask) != 0) FailIo(errno);
  }

  void OpenEncoder(const AVCodec* encoder, const VideoSettings& settings) {
    codec.reset(avcodec_alloc_context3(encoder));
    if (!codec) throw std::bad_alloc();
    AVCodecContext* c = codec.get();
    c->width = frameWidth;
    c->height = frameHeight;
    c->time_base = AVRational{1, settings.fps};
    c->framerate = AVRational{settings.fps, 1};
    c->pix_fmt = format == VideoFormat::kGif ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_YUV420P;
    c->gop_size = 10 * settings.fps;
    const std::string name = encoder->name;
    if (name == "libx264") {
      // A constant quantizer spares x264 the analysis for its rate control (20 looks as crf 23
      // does on the drawing's sharp edges); no frame held back (zerolatency) and one thread,
      // beside the run's own.
      av_opt_set(c->priv_data, "preset", "ultrafast", 0);
      av_opt_set(c->priv_data, "tune", "zerolatency", 0);
      av_opt_set(c->priv_data, "qp", "20", 0);
      c->thread_count = 1;
    } else if (name == "libvpx-vp9") {
      av_opt_set(c->priv_data, "deadline", "realtime", 0);
      av_opt_set(c->priv_data, "cpu-used", "8", 0);
      av_opt_set(c->priv_data, "crf", "30", 0);
      av_opt_set(c->priv_data, "row-mt", "1", 0);
      c->bit_rate = 0;
    } else if (name == "mpeg4") {
      c->flags |= AV_CODEC_FLAG_QSCALE;
      c->global_quality = FF_QP2LAMBDA * 3;
    }
    if (container->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int opened = avcodec_open2(c, encoder, nullptr);
    if (opened < 0) Fail("cannot open the encoder", opened);
  }

  void Open(const VideoSettings& settings, const std::vector<Color>& colors) {
    QuietLibraries();
    const AVCodec* encoder = UsesX264() ? nullptr : RequireEncoder(format);
    scale = settings.scale;
    frameWidth = width * scale;
    frameHeight = height * scale;
    if (format != VideoFormat::kGif) {
      frameWidth += frameWidth % 2;
      frameHeight += frameHeight % 2;
    }
    const char* muxer = format == VideoFormat::kMp4 ? "mp4" : format == VideoFormat::kWebm ? "webm" : "gif";
    OpenFile();
    if (avformat_alloc_output_context2(&container, nullptr, muxer, path.c_str()) < 0 ||
        !container) {
      throw std::bad_alloc();
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBuffer));
    io = avio_alloc_context(buffer, kIoBuffer, 1, this, nullptr, &State::Write, &State::Seek);
    if (!io) {
      av_free(buffer);
      throw std::bad_alloc();
    }
    container->pb = io;
    container->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (format == VideoFormat::kGif) {
      palette.assign(256, 0xFF000000u);
      for (std::size_t i = 0; i < colors.size() && i < 256; ++i) {
        palette[i] = ToPixel(colors[i]);
        paletteIndex.emplace(palette[i], static_cast<std::uint8_t>(i));
      }
    }
    StartWorker(encoder, settings);
  }

  bool UsesX264() const {
#ifdef SEGSIM_HAVE_X264
    return format == VideoFormat::kMp4;
#else
    return false;
#endif
  }

  // The encoder, the stream and the file's header.
  void Begin(const AVCodec* encoder, const VideoSettings& settings) {
    timeBase = AVRational{1, settings.fps};
    if (!UsesX264()) OpenEncoder(encoder, settings);
    stream = avformat_new_stream(container, nullptr);
    if (!stream) Fail("cannot add the stream", AVERROR(ENOMEM));
    stream->time_base = timeBase;
    stream->avg_frame_rate = AVRational{settings.fps, 1};
    stream->r_frame_rate = stream->avg_frame_rate;
    if (codec) {
      const int copied = avcodec_parameters_from_context(stream->codecpar, codec.get());
      if (copied < 0) Fail("cannot set the stream", copied);
    } else {
      OpenX264(settings);
    }
    const int header = avformat_write_header(container, nullptr);
    if (header < 0) Fail("cannot write the header", header);
    headerWritten = true;

    frame = NewFrame(format == VideoFormat::kGif ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_YUV420P,
                     frameWidth, frameHeight);
    packet.reset(av_packet_alloc());
    if (!packet) throw std::bad_alloc();
    if (format == VideoFormat::kGif) std::memcpy(frame->data[1], palette.data(), 256 * sizeof(Pixel));
    pending.reset(av_packet_alloc());
    if (!pending) throw std::bad_alloc();
  }

  // x264's stream: H.264 with its parameter sets as the extradata (the MP4 muxer writes them as
  // its avcC box, and the pictures' NAL units with their lengths).
  void OpenX264(const VideoSettings& settings) {
#ifdef SEGSIM_HAVE_X264
    x264 = std::make_unique<X264Encoder>(frameWidth, frameHeight, settings.fps);
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_H264;
    par->format = AV_PIX_FMT_YUV420P;
    par->width = frameWidth;
    par->height = frameHeight;
    const std::string& headers = x264->Headers();
    par->extradata = static_cast<std::uint8_t*>(
        av_mallocz(headers.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par->extradata) throw std::bad_alloc();
    std::memcpy(par->extradata, headers.data(), headers.size());
    par->extradata_size = static_cast<int>(headers.size());
    pcm = std::make_unique<PcmPictures>(headers, x264->Columns(), x264->Rows());
    if (!pcm->Usable()) pcm.reset();
#else
    (void)settings;
#endif
  }

  // Takes the packets the encoder has ready (all of them once it has been flushed), each written
  // when the next one comes.
  void Drain() {
    for (;;) {
      const int got = avcodec_receive_packet(codec.get(), packet.get());
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
      if (got < 0) Fail("cannot encode a frame", got);
      Take();
    }
  }

  void Take() {
    if (hasPending) WritePending();
    av_packet_move_ref(pending.get(), packet.get());
    hasPending = true;
  }

#ifdef SEGSIM_HAVE_X264
  // Encodes frame (nullptr: what x264 holds back) and takes its packet; an IDR picture where
  // the last one was not x264's.
  bool EncodeX264(const YuvView* yuv, std::int64_t pts) {
    X264Encoder::Packet coded;
    const bool idr = !x264Last;
    if (!x264->Encode(yuv, pts, idr ? std::vector<std::uint8_t>{} : constant, coded, idr)) {
      return false;
    }
    x264Last = true;
    if (pcm) pcm->Follow(coded.data, coded.size);
    TakeH264(coded.data, coded.size, coded.pts, coded.dts, coded.key);
    return true;
  }

  void TakeH264(const std::uint8_t* data, int size, std::int64_t pts, std::int64_t dts, bool key) {
    const int made = av_new_packet(packet.get(), size);
    if (made < 0) Fail("cannot encode a frame", made);
    std::memcpy(packet->data, data, static_cast<std::size_t>(size));
    packet->pts = pts;
    packet->dts = dts;
    if (key) packet->flags |= AV_PKT_FLAG_KEY;
    Take();
  }

  // A frame by x264, or, where little changed, as PCM macroblocks in a picture of x264's stream.
  void EncodeH264(const YuvView& yuv, std::int64_t pts) {
    // A PCM picture follows the last one x264 gave out, which must be the last one it took.
    if (pts > 0 && pcm && x264->Delayed() == 0) {
      const auto moved = static_cast<std::size_t>(std::count(constant.begin(), constant.end(), 0));
      if (moved * (x264Last ? kPcmAfterEncoder : kPcmAfterPcm) <= constant.size()) {
        const std::string& picture = pcm->Next(yuv, constant);
        TakeH264(reinterpret_cast<const std::uint8_t*>(picture.data()),
                 static_cast<int>(picture.size()), pts, pts, false);
        x264Last = false;
        return;
      }
    }
    EncodeX264(&yuv, pts);
  }

  // The macroblocks no part of the change touches (a part's frame pixels with the white edge
  // beyond the last column or row).
  void MarkConstant(const Job& job) {
    constant.assign(static_cast<std::size_t>(x264->Columns() * x264->Rows()), 1);
    for (const Job::Part& part : job.parts) {
      const int right = std::min(Even((part.rect.right + 1) * scale), frameWidth) - 1;
      const int bottom = std::min(Even((part.rect.bottom + 1) * scale), frameHeight) - 1;
      for (int row = part.rect.top * scale / 16; row <= bottom / 16; ++row) {
        for (int column = part.rect.left * scale / 16; column <= right / 16; ++column) {
          constant[static_cast<std::size_t>(row * x264->Columns() + column)] = 0;
        }
      }
    }
  }
#endif

  void WritePending() {
    hasPending = false;
    av_packet_rescale_ts(pending.get(), timeBase, stream->time_base);
    pending->stream_index = stream->index;
    const int written = av_interleaved_write_frame(container, pending.get());
    if (written < 0) Fail("cannot write a frame", written);
  }

  // The last packet, shown until the video's end: frames / fps. A GIF's muxer takes the last
  // frame's delay (in hundredths of a second) from its option alone.
  void WriteLast() {
    if (!hasPending) return;
    pending->duration = frames - pending->pts;
    if (format == VideoFormat::kGif) {
      const std::int64_t delay = av_rescale_q(pending->duration, timeBase, {1, 100});
      av_opt_set_int(container->priv_data, "final_delay", delay, 0);
    }
    WritePending();
  }

  // The palette indices of a part of the frame from (left, top) on.
  void ToPalette(const PixelView& part, int left, int top) {
    const int partWidth = part.width * scale, partHeight = part.height * scale;
    ScalePixels(part, scale, partWidth, partHeight, scratch);
    Pixel last = 0;
    std::uint8_t lastIndex = 0;
    bool known = false;
    for (int y = 0; y < partHeight; ++y) {
      const Pixel* from = scratch.data() + static_cast<std::ptrdiff_t>(y) * partWidth;
      std::uint8_t* to =
          frame->data[0] + static_cast<std::ptrdiff_t>(top + y) * frame->linesize[0] + left;
      for (int x = 0; x < partWidth; ++x) {
        const Pixel p = from[x];
        if (!known || p != last) {
          const auto found = paletteIndex.find(p);
          if (found == paletteIndex.end()) {
            throw SegsimError("cannot write " + path + ": a colour of the drawing is not in the "
                              "GIF's palette");
          }
          last = p;
          lastIndex = found->second;
          known = true;
        }
        to[x] = lastIndex;
      }
    }
  }

  // The changed parts written into the kept frame (a copy of it first where the encoder still
  // holds it), then the frame to the encoder.
  void Encode(Job& job) {
    const int writable = av_frame_make_writable(frame.get());
    if (writable < 0) Fail("cannot make a frame", writable);
    const YuvView yuv{{frame->data[0], frame->data[1], frame->data[2]},
                      {frame->linesize[0], frame->linesize[1], frame->linesize[2]},
                      frameWidth,
                      frameHeight};
    for (const Job::Part& part : job.parts) {
      std::uint8_t* at = job.bytes.get() + part.offset;
      const int left = part.rect.left * scale, top = part.rect.top * scale;
      const int w = PartWidth(part.rect), h = PartHeight(part.rect);
      if (format == VideoFormat::kGif) {
        ToPalette({reinterpret_cast<Pixel*>(at), w, h, w}, left, top);
      } else {
        CopyYuv(YuvPlanes(at, w, h), left, top, yuv);
      }
    }
#ifdef SEGSIM_HAVE_X264
    if (x264) {
      MarkConstant(job);
      EncodeH264(yuv, job.pts);
      return;
    }
#endif
    frame->pts = job.pts;
    const int sent = avcodec_send_frame(codec.get(), frame.get());
    if (sent < 0) Fail("cannot encode a frame", sent);
    Drain();
  }

  void End() {
    StopWorker();
    if (failure) {
      Close();
      std::rethrow_exception(failure);
    }
#ifdef SEGSIM_HAVE_X264
    while (x264 && EncodeX264(nullptr, 0)) {
    }
#endif
    if (codec) {
      const int sent = avcodec_send_frame(codec.get(), nullptr);
      if (sent < 0) Fail("cannot encode the last frames", sent);
      Drain();
    }
    WriteLast();
    trailerWritten = true;
    const int trailer = av_write_trailer(container);
    if (trailer < 0) Fail("cannot write the end", trailer);
    avio_flush(io);
    if (ioError != 0 || io->error < 0) FailIo(ioError != 0 ? ioError : EIO);
    const int descriptor = fd;
    fd = -1;
    if (close(descriptor) != 0) FailIo(errno);
    if (std::rename(temporary.c_str(), path.c_str()) != 0) FailIo(errno);
    finished = true;
    Close();
  }
};

VideoWriter::VideoWriter(const std::string& path, int width, int height,
                         const VideoSettings& settings, const std::vector<Color>& palette)
    : state_(std::make_unique<State>()) {
  state_->path = path;
  state_->format = CheckVideoPath("the video", path);
  state_->width = width;
  state_->height = height;
  state_->Open(settings, palette);
}

VideoWriter::~VideoWriter() = default;

void VideoWriter::AddFrame(const PixelView& pixels, const Tiles* drawn, bool drawnDiffer) {
  if (state_->finished || state_->fd < 0) throw SegsimError("the video is closed");
  if (pixels.width != state_->width || pixels.height != state_->height) {
    throw SegsimError("a frame of " + std::to_string(pixels.width) + " x " +
                      std::to_string(pixels.height) + " pixels in a video of " +
                      std::to_string(state_->width) + " x " + std::to_string(state_->height));
  }
  state_->Add(pixels, drawn, drawnDiffer);
}

void VideoWriter::Finish() {
  if (state_->finished || state_->fd < 0) return;
  try {
    state_->End();
  } catch (...) {
    state_->Close();
    throw;
  }
}


// The drawing thread of a run's video. Each frame is the group on every cell (0: none), or
// nothing where no State and no Occupied flag was stored since the last one (satisfactions only,
// or nothing at all): that frame repeats the one before. The first frame is drawn whole.
class RunRecorder::Drawing {
  struct Frame {
    std::vector<std::uint16_t> cells;
    bool draws;  // else as the frame before
  };

public:
  Drawing(const Model& model, VideoWriter& writer)
      : painter_(model.Painter()),
        cols_(model.Grid().Cols()),
        rows_(model.Grid().Rows()),
        width_(model.PanelWidth()),
        height_(model.PanelHeight()),
        writer_(writer) {
    Take(model);
    thread_ = std::thread([this] {
      pthread_setname_np(pthread_self(), "segsim-drawing");
      Run();
    });
  }
  ~Drawing() {
    {
      const std::lock_guard lock(mutex_);
      ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;

  // The cells after a step, if any State or Occupied flag was stored since the last frame.
  void Take(const Model& model) {
    const Grid& grid = model.Grid();
    const std::uint64_t placed = grid.Changes() - grid.SatisfactionWrites();
    const bool draws = !started_ || placed != placed_;
    std::vector<std::uint16_t> cells;
    {
      std::unique_lock lock(mutex_);
      if (draws) WaitAsCaller(lock, [&] { return drawnAhead_ < kDrawnAhead || failure_; });
      if (failure_) std::rethrow_exception(failure_);
      if (draws && !spare_.empty()) {
        cells = std::move(spare_.back());
        spare_.pop_back();
      }
      drawnAhead_ += draws;
    }
    if (draws) {
      cells.resize(grid.CellCount());
      for (std::int32_t row = 0; row < rows_; ++row) {
        const std::uint16_t* state = grid.StateRow(row);
        const std::uint8_t* occupied = grid.OccupiedRow(row);
        std::uint16_t* to = cells.data() + grid.IndexOf(0, row);
        for (std::int32_t column = 0; column < cols_; ++column) {
          to[column] = occupied[column] ? state[column] : std::uint16_t{0};
        }
      }
    }
    placed_ = placed;
    started_ = true;
    bool wake = false;
    {
      const std::lock_guard lock(mutex_);
      frames_.push_back({std::move(cells), draws});
      wake = drawingWaits_ && (drawnAhead_ >= kWakeAt || frames_.size() >= kWakeFrames);
    }
    if (wake) changed_.notify_all();
  }

  // Waits until every frame taken is with the writer; raises what failed.
  void Drain() {
    changed_.notify_all();
    {
      std::unique_lock lock(mutex_);
      WaitAsCaller(lock, [&] { return (frames_.empty() && !busy_) || failure_; });
      if (failure_) std::rethrow_exception(failure_);
    }
  }

private:
  // Frames with cells to draw that may wait for the drawing thread, and how many of them (or of
  // all frames) wake it: on virtual processors a wake-up costs about as much as drawing a frame
  // of the busy first steps.
  static constexpr int kDrawnAhead = 64;
  static constexpr int kWakeAt = 8;
  static constexpr std::size_t kWakeFrames = 256;

  // Each side wakes the other only when it waits: a frame of a settled run costs no wake-up.
  template <typename Until>
  void WaitAsCaller(std::unique_lock<std::mutex>& lock, Until until) {
    callerWaits_ = true;
    changed_.wait(lock, until);
    callerWaits_ = false;
  }

  void Run() {
    for (;;) {
      Frame frame;
      {
        std::unique_lock lock(mutex_);
        drawingWaits_ = true;
        changed_.wait(lock, [&] { return !frames_.empty() || ending_; });
        drawingWaits_ = false;
        if (frames_.empty()) return;
        frame = std::move(frames_.front());
        frames_.pop_front();
        busy_ = true;
      }
      try {
        Draw(frame);
      } catch (...) {
        const std::lock_guard lock(mutex_);
        failure_ = std::current_exception();
        busy_ = false;
        changed_.notify_all();
        return;
      }
      bool wake = false;
      {
        const std::lock_guard lock(mutex_);
        busy_ = false;
        if (frame.draws) {
          --drawnAhead_;
          spare_.push_back(std::move(frame.cells));
        }
        wake = callerWaits_;
      }
      if (wake) changed_.notify_all();
    }
  }

  void Draw(const Frame& frame) {
    if (!drawn_) {
      // The first frame, whole: the image as the model makes it, then every cell.
      drawn_ = true;
      canvas_.CreateImage(width_, height_);
      shown_ = frame.cells;
      for (std::int32_t row = 0; row < rows_; ++row) {
        for (std::int32_t column = 0; column < cols_; ++column) {
          painter_.Draw(canvas_, {column, row}, shown_[Index(column, row)]);
        }
      }
      writer_.AddFrame(canvas_.View());
      canvas_.ClearDrawn();
      return;
    }
    if (frame.draws) {
      for (std::int32_t row = 0; row < rows_; ++row) {
        for (std::int32_t column = 0; column < cols_; ++column) {
          const std::size_t i = Index(column, row);
          if (frame.cells[i] == shown_[i]) continue;
          shown_[i] = frame.cells[i];
          painter_.Draw(canvas_, {column, row}, shown_[i]);
        }
      }
    }
    writer_.AddFrame(canvas_.View(), &canvas_.Drawn(), true);
    canvas_.ClearDrawn();
  }

  std::size_t Index(std::int32_t column, std::int32_t row) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) +
           static_cast<std::size_t>(column);
  }

  const CellPainter painter_;
  const std::int32_t cols_, rows_, width_, height_;
  VideoWriter& writer_;
  // The caller's.
  std::uint64_t placed_ = 0;  // the grid's States and Occupied flags stored, at the last frame
  bool started_ = false;
  // The drawing thread's.
  bool drawn_ = false;
  PixelCanvas canvas_;
  std::vector<std::uint16_t> shown_;  // the group drawn on each cell
  // Between the two.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Frame> frames_;
  std::vector<std::vector<std::uint16_t>> spare_;
  int drawnAhead_ = 0;
  bool busy_ = false, ending_ = false, drawingWaits_ = false, callerWaits_ = false;
  std::exception_ptr failure_;
  std::thread thread_;
};

RunRecorder::RunRecorder(const std::string& path, Model& model, const VideoSettings& settings)
    : model_(model), modelCanvas_(model.GetCanvas()), settings_(settings) {
  const VideoFormat format = CheckVideoPath("the video", path);
  if (format == VideoFormat::kGif) CheckGifColors(model.Settings().GroupCount);
  const std::vector<Color> palette = DrawingColors(model.GroupColors());
  if (model.Painter().Apart()) {
    // As PixelCanvas::CreateImage makes the image.
    writer_ = std::make_unique<VideoWriter>(path, std::max(model.PanelWidth(), 1),
                                            std::max(model.PanelHeight(), 1), settings, palette);
    drawing_ = std::make_unique<Drawing>(model, *writer_);
    return;
  }
  model.DrawOn(canvas_);
  writer_ = std::make_unique<VideoWriter>(path, canvas_.Width(), canvas_.Height(), settings,
                                          palette);
  writer_->AddFrame(canvas_.View());
  canvas_.ClearDrawn();
  model.SetCanvas(&canvas_);
}

RunRecorder::~RunRecorder() {
  drawing_.reset();
  model_.SetCanvas(modelCanvas_);
}

void RunRecorder::AfterStep(Model& model) {
  if (++steps_ % settings_.frameEvery != 0) return;
  if (drawing_) {
    drawing_->Take(model);
    return;
  }
  if (!model.Settings().GraphicUpdate) model.DrawOn(canvas_);
  writer_->AddFrame(canvas_.View(), &canvas_.Drawn());
  canvas_.ClearDrawn();
}

void RunRecorder::Finish() {
  if (drawing_) drawing_->Drain();
  writer_->Finish();
}

std::string EncodePng(const PixelView& pixels, int scale) {
  const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_PNG);
  if (!encoder) throw SegsimError("cannot write PNG: this FFmpeg has no PNG encoder (png)");
  CodecContextPtr codec(avcodec_alloc_context3(encoder));
  if (!codec) throw std::bad_alloc();
  codec->width = pixels.width * scale;
  codec->height = pixels.height * scale;
  codec->pix_fmt = AV_PIX_FMT_RGB24;
  codec->time_base = AVRational{1, 1};
  const int opened = avcodec_open2(codec.get(), encoder, nullptr);
  if (opened < 0) throw SegsimError("cannot open the PNG encoder: " + AvText(opened));
  FramePtr frame = NewFrame(AV_PIX_FMT_RGB24, codec->width, codec->height);
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(codec->width) * codec->height * 3);
  ScaledRgb(pixels, scale, rgb.data());
  for (int y = 0; y < codec->height; ++y) {
    std::memcpy(frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0],
                rgb.data() + static_cast<std::ptrdiff_t>(y) * codec->width * 3,
                static_cast<std::size_t>(codec->width) * 3);
  }
  PacketPtr packet(av_packet_alloc());
  if (!packet) throw std::bad_alloc();
  std::string bytes;
  int status = avcodec_send_frame(codec.get(), frame.get());
  if (status >= 0) status = avcodec_send_frame(codec.get(), nullptr);
  while (status >= 0) {
    status = avcodec_receive_packet(codec.get(), packet.get());
    if (status < 0) break;
    bytes.append(reinterpret_cast<const char*>(packet->data), static_cast<std::size_t>(packet->size));
    av_packet_unref(packet.get());
  }
  if (status != AVERROR_EOF) throw SegsimError("cannot encode the PNG: " + AvText(status));
  return bytes;
}

}  // namespace segsim

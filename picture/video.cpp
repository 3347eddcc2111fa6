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
#include <sys/stat.h>
#include <unistd.h>

#include "model/error.h"
#include "model/model.h"
#include "picture/frames.h"
#ifdef SEGSIM_HAVE_X264
#include "picture/x264_encoder.h"
#endif

namespace segsim {

namespace {

constexpr int kIoBuffer = 64 * 1024;
// The changed pixels drawn ahead of the encoder (at least one frame's): the drawing of the next
// steps goes on while it encodes, through the busy first steps of a run too. Of the buffers that
// come back, a few are kept.
constexpr std::size_t kQueuedBytes = 16u << 20;
constexpr std::size_t kKeptJobs = 3;

constexpr int Even(int n) { return n + n % 2; }

// A frame for the encoding thread: what changed since the one before, shown from pts on.
struct Job {
  std::int64_t pts = 0;
  FrameChange change;
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

  // The caller's: the frames given (the next one's pts), and what the next one changes.
  std::int64_t frames = 0;
  FrameDiff diff;
  FrameChange next;

  // The encoding thread: changed frames wait in ready for it, and their buffers return to free.
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Job> ready;
  std::size_t readyPixels = 0;
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
        readyPixels -= job.change.pixels.size();
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

  // The tiles that changed since the last frame are copied and handed to the encoding thread; a
  // frame that changes nothing only counts. The caller waits only while the encoder is
  // kQueuedBytes behind.
  void Add(const PixelView& pixels, const Tiles* drawn) {
    const std::int64_t pts = frames++;
    if (!diff.Next(pixels, drawn, next)) return;
    const std::size_t budget = kQueuedBytes / sizeof(Pixel);
    Job job;
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] {
        return ready.empty() || readyPixels + next.pixels.size() <= budget || failure;
      });
      if (failure) RaiseFailure(lock);
      if (!free.empty()) {
        job = std::move(free.back());
        free.pop_back();
      }
    }
    job.pts = pts;
    std::swap(job.change, next);
    {
      const std::lock_guard lock(mutex);
      readyPixels += job.change.pixels.size();
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
  // Encodes frame (nullptr: what x264 holds back) and takes its packet.
  bool EncodeX264(const YuvView* yuv, std::int64_t pts) {
    X264Encoder::Packet coded;
    if (!x264->Encode(yuv, pts, constant, coded)) return false;
    const int made = av_new_packet(packet.get(), coded.size);
    if (made < 0) Fail("cannot encode a frame", made);
    std::memcpy(packet->data, coded.data, static_cast<std::size_t>(coded.size));
    packet->pts = coded.pts;
    packet->dts = coded.dts;
    if (coded.key) packet->flags |= AV_PKT_FLAG_KEY;
    Take();
    return true;
  }

  // The macroblocks no part of the change touches (a part's frame pixels with the white edge
  // beyond the last column or row), for every frame but the first.
  void MarkConstant(const Job& job) {
    if (job.pts == 0) return;
    constant.assign(static_cast<std::size_t>(x264->Columns() * x264->Rows()), 1);
    for (const FrameChange::Part& part : job.change.parts) {
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
    for (const FrameChange::Part& part : job.change.parts) {
      const PixelView pixels = job.change.View(part);
      const int left = part.rect.left * scale, top = part.rect.top * scale;
      if (format == VideoFormat::kGif) {
        ToPalette(pixels, left, top);
      } else {
        ToYuv420(pixels, scale, left, top, yuv, scratch);
      }
    }
#ifdef SEGSIM_HAVE_X264
    if (x264) {
      MarkConstant(job);
      EncodeX264(&yuv, job.pts);
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

void VideoWriter::AddFrame(const PixelView& pixels, const Tiles* drawn) {
  if (state_->finished || state_->fd < 0) throw SegsimError("the video is closed");
  if (pixels.width != state_->width || pixels.height != state_->height) {
    throw SegsimError("a frame of " + std::to_string(pixels.width) + " x " +
                      std::to_string(pixels.height) + " pixels in a video of " +
                      std::to_string(state_->width) + " x " + std::to_string(state_->height));
  }
  state_->Add(pixels, drawn);
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


RunRecorder::RunRecorder(const std::string& path, Model& model, const VideoSettings& settings)
    : model_(model), modelCanvas_(model.GetCanvas()), settings_(settings) {
  if (CheckVideoPath("the video", path) == VideoFormat::kGif) {
    CheckGifColors(model.Settings().GroupCount);
  }
  model.DrawOn(canvas_);
  writer_ = std::make_unique<VideoWriter>(path, canvas_.Width(), canvas_.Height(), settings,
                                          DrawingColors(model.GroupColors()));
  writer_->AddFrame(canvas_.View());
  canvas_.ClearDrawn();
  model.SetCanvas(&canvas_);
}

RunRecorder::~RunRecorder() { model_.SetCanvas(modelCanvas_); }

void RunRecorder::AfterStep(Model& model) {
  if (++steps_ % settings_.frameEvery != 0) return;
  if (!model.Settings().GraphicUpdate) model.DrawOn(canvas_);
  writer_->AddFrame(canvas_.View(), &canvas_.Drawn());
  canvas_.ClearDrawn();
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

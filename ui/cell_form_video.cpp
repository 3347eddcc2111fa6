// The main window's videos: the drawing recorded a frame a step, from the panel's context menu.
#include <QFileInfo>

#include "charts/export.h"
#include "picture/video.h"
#include "ui/cell_form.h"
#include "ui/draw_image.h"
#include "ui/error_display.h"

namespace segsim {

namespace {

constexpr int kWindowFps = 25;

// The window's image as the picture layer reads it; nothing writes through it.
PixelView ViewOf(const QImage& image) {
  return {reinterpret_cast<Pixel*>(const_cast<uchar*>(image.constBits())), image.width(),
          image.height(), image.bytesPerLine() / static_cast<std::ptrdiff_t>(sizeof(Pixel))};
}

}  // namespace

void TForm1::RecordVideo() {
  RunGuarded([this] { StartRecording(); });
}

void TForm1::StartRecording() {
  const QString path = ChooseFileName(
      this, "Record video", "MP4 video (*.mp4);;WebM video (*.webm);;GIF animation (*.gif)");
  if (path.isEmpty()) return;
  const std::string file = path.toStdString();
  if (CheckVideoPath("the video", file) == VideoFormat::kGif) {
    CheckGifColors(sim_.Model().Settings().GroupCount);
  }
  EndRecording();
  VideoSettings settings;
  settings.fps = kWindowFps;
  const QImage& image = DrawImage->Image();
  video_ = std::make_unique<VideoWriter>(file, image.width(), image.height(), settings,
                                         DrawingColors(sim_.Model().GroupColors()));
  videoPath_ = path;
  video_->AddFrame(ViewOf(image));
  setWindowTitle(windowTitle().section(" || recording ", 0, 0) + RecordingCaption());
}

void TForm1::StopRecording() {
  RunGuarded([this] { EndRecording(); });
}

void TForm1::EndRecording() {
  if (!video_) return;
  const std::unique_ptr<VideoWriter> video = std::move(video_);
  setWindowTitle(windowTitle().section(" || recording ", 0, 0));
  video->Finish();
}

void TForm1::RecordFrame() {
  if (!video_) return;
  try {
    video_->AddFrame(ViewOf(DrawImage->Image()));
  } catch (const std::exception& e) {
    video_.reset();  // the temporary goes with it
    setWindowTitle(windowTitle().section(" || recording ", 0, 0));
    ShowError(QString::fromUtf8(e.what()));
  }
}

QString TForm1::RecordingCaption() const {
  return video_ ? " || recording " + QFileInfo(videoPath_).fileName() : QString();
}

}  // namespace segsim

#include "ui/cell_form.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "model/limits.h"
#include "model/numeric.h"
#include "picture/video.h"
#include "ui/analyse.h"
#include "ui/controls.h"
#include "ui/draw_image.h"
#include "ui/error_display.h"
#include "ui/window_place.h"

namespace segsim {

namespace {

// The integer in a field: its present text, strictly converted.

}  // namespace

std::uint32_t TickCount() {
  // steady_clock counts from system start on Linux; the low 32 bits wrap like the tick counter.
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<std::uint32_t>(ms.count());
}

TForm1::TForm1(std::optional<std::uint32_t> sessionSeed, QWidget* parent)
    : QWidget(parent), sessionSeed_(sessionSeed) {
  BuildControls();
  ConnectHandlers();
  BuildPanelMenu();
  Timer1->start();  // on from creation: the model runs without a click
  RunGuarded([this] { FormCreate(); });
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::SetAnalysisWindow(TForm2* form2) {
  analysisWindow_ = form2;
  sim_.SetSink(form2);
  if (form2) form2->BindMainWindowFields(E_nbSize, E_clusterT);
}

void TForm1::FormCreate() {
  // T of the segregation index is the agent-count field's integer at each computation; a text
  // that is no integer ends the computation before anything is written.
  sim_.SetPopulationTotalSource([this] { return ReadInt(Edit_anzAg); });
  SetupParams params = ReadSetupParams();
  params.Seed = NextSeed();
  sim_.InitSetup(params);
  ShowSetupLabels();
  StartRunLog(params);
}

std::optional<std::uint32_t> TForm1::NextSeed() const {
  if (!sessionSeed_) return std::nullopt;
  return *sessionSeed_ + setupsMade_;  // wraps modulo 2^32
}

// The log keeps the settings the model was built with: its placement seed and, as the
// agent count, the agents created (what the field shows and the steps read).
void TForm1::StartRunLog(SetupParams used) {
  ++setupsMade_;
  used.Seed = Seed();
  used.AgentCount = sim_.Model().AgentCountUsed();
  runLog_.Reset(used);
}

// The image, the panel and the model go with the window; the model draws nothing on the way.
void TForm1::FormDestroy() {
  // A video being recorded is written out with the frames it has.
  try {
    EndRecording();
  } catch (const std::exception&) {
  }
  sim_.Model().SetCanvas(nullptr);
  sim_.SetSink(nullptr);
}

// Every setting in the order a setup reads them; the first text that is no integer raises.
SetupParams TForm1::ReadSetupParams() const {
  SetupParams p;
  p.CellSize = ReadInt(Edit_cellSiz);
  p.NeighbourRadius = ReadInt(Edit_nRad);
  p.MoveDistance = ReadInt(Edit_mDist);
  p.GroupCount = ReadInt(Edit_anzGr);
  p.AgentCount = ReadInt(Edit_anzAg);
  p.TileSize = ReadInt(E_nbSize);
  p.StopStep = ReadInt(E_stopT);
  p.Threshold = static_cast<std::uint32_t>(TrB_thresh->value());
  p.GraphicUpdate = CB_graphicUpd->isChecked();
  groupVariants_.ApplyTo(p);
  p.PanelWidth = ZeichenPanel->width();
  p.PanelHeight = ZeichenPanel->height();
  return p;
}

void TForm1::NewSetup() {
  SetupParams params = ReadSetupParams();
  params.Seed = NextSeed();
  sim_.NewSetup(params);
  ShowSetupLabels();
  StartRunLog(params);
}

void TForm1::B_setupClick() {
  NewSetup();
  lbl_Steps->setText(QString::number(TimeStep()));
}

void TForm1::ShowSetupLabels() {
  const Model& m = sim_.Model();
  const ModelSettings& s = m.Settings();
  Lbl_P->setText(QString::number(s.Threshold));
  Lbl_cellS->setText(
      QString("%1 x %2 = %3").arg(s.Rows).arg(s.Cols).arg(std::int64_t{s.Rows} * s.Cols));
  // More agents were asked for than the grid holds: the field shows the count created.
  if (m.AgentCountCapped()) WriteInt(Edit_anzAg, m.AgentCountUsed());
}

void TForm1::Timer1Tick() {
  try {
    Timer1Timer();
    failingStepMessage_.clear();
  } catch (const std::exception& e) {
    const QString message = QString::fromUtf8(e.what());
    if (message == failingStepMessage_) return;
    failingStepMessage_ = message;
    ShowError(message);
  }
}

void TForm1::DoStep() {
  Model& m = sim_.Model();
  m.MoveAgents();
  runLog_.CountStep();
  m.SetTimeStep(m.TimeStep() + 1);
  lbl_Steps->setText(QString::number(m.TimeStep()));
  sim_.UpdateStatistics();
  RecordFrame();
  ShowFps();
  // Equality only: a run resumed past its stop step, or one whose stop step is not above the
  // present step, runs on until stopped by hand.
  if (static_cast<std::int64_t>(m.TimeStep()) == m.Settings().StopStep) Timer1->stop();
}

// The step rate over the last interval of at least one second; the differences are unsigned so
// that they stay right across the tick counter's wrap.
void TForm1::ShowFps() {
  ++FpsFrameCount;
  if (static_cast<std::uint32_t>(TickCount() - FpsLastTick) < 1000) return;
  const std::uint32_t elapsed = TickCount() - FpsLastTick;
  const std::int64_t rate = Round(static_cast<Extended>(FpsFrameCount) / elapsed * 1000);
  FpsLastTick = TickCount();
  FpsFrameCount = 0;
  setWindowTitle("Group seperation || fps= " + QString::number(rate) + RecordingCaption());
}

void TForm1::B_stopClick() {
  sim_.ResetClusterMarks();
  if (Timer1->isActive()) {
    Timer1->stop();
  } else {
    Timer1->start();
  }
}

void TForm1::Button1Click() {
  if (!analysisWindow_) return;
  analysisWindow_->show();
  analysisWindow_->raise();
}

void TForm1::Button3Click() {
  if (sweepWindow_) {
    // The first time, beside the main and analysis windows rather than over them.
    if (!sweepWindowPlaced_) {
      QWidget* const others[] = {this, analysisWindow_};
      OpenBeside(sweepWindow_, std::span(others, analysisWindow_ ? 2 : 1));
      sweepWindowPlaced_ = true;
    }
    sweepWindow_->show();
    sweepWindow_->raise();
  }
  Timer1->stop();
}

void TForm1::WriteInt(QLineEdit* field, std::int64_t v) { field->setText(QString::number(v)); }

// --- the limits of the setup fields -------------------------------------------------------------
// Each handler tests the upper limit, re-reads the field (the correction ran this handler again,
// nested, on the corrected text), then tests the lower limit. Cols and Rows are those of the model
// in force, not those the fields would give. segsim-cli's sweep applies the same limits.

void TForm1::ApplyLimits(QLineEdit* field, LimitedField kind) {
  const ModelSettings& s = sim_.Model().Settings();
  const LimitContext grid{s.Cols, s.Rows, ZeichenPanel->width()};
  if (const auto replacement = UpperReplacement(kind, ReadInt(field), grid)) {
    WriteInt(field, *replacement);
  }
  if (ReadInt(field) < LowerLimit(kind)) WriteInt(field, LowerLimit(kind));
}

// The steps read the agent count's field (T of the segregation index): the run log keeps it.
void TForm1::Edit_anzAgChange() {
  ApplyLimits(Edit_anzAg, LimitedField::AgentCount);
  runLog_.Record(RunSetting::Agents, ReadInt(Edit_anzAg));
}

void TForm1::Edit_cellSizChange() { ApplyLimits(Edit_cellSiz, LimitedField::CellSize); }

void TForm1::Edit_anzGrChange() { ApplyLimits(Edit_anzGr, LimitedField::GroupCount); }

void TForm1::Edit_nRadChange() { ApplyLimits(Edit_nRad, LimitedField::NeighbourRadius); }

void TForm1::Edit_mDistChange() { ApplyLimits(Edit_mDist, LimitedField::MoveDistance); }

// The field keeps its text as typed ("015", "0"): the tile count takes a size below 1 as 1.
void TForm1::E_nbSizeChange() {
  const std::int32_t size = ReadInt(E_nbSize);
  sim_.Model().SetTileSize(size);
  runLog_.Record(RunSetting::TileSize, TileEdge(size));
}

void TForm1::E_stopTChange() { sim_.Model().SetStopStep(ReadInt(E_stopT)); }

void TForm1::TrB_threshChange() {
  Lbl_P->setText(QString::number(TrB_thresh->value()));
  sim_.Model().SetThreshold(static_cast<std::uint32_t>(TrB_thresh->value()));
  runLog_.Record(RunSetting::Threshold, TrB_thresh->value());
}

}  // namespace segsim

// The sweep controller: the run count, the start, pause and resume, and the tick that steps the
// main window's model run by run and value by value.
#include "ui/parameterspace.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "model/numeric.h"
#include "ui/cell_form.h"
#include "ui/controls.h"
#include "ui/error_display.h"
#include "ui/message_box.h"
#include "ui/up_down.h"

namespace segsim {

namespace {

// The low 32 bits as a signed value: the sweep's integer arithmetic wraps as 32-bit arithmetic
// does (a value stepping past the largest integer comes back as a negative one).
std::int32_t Wrap32(std::uint64_t value) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// N = Ceil((to - from + 1) / increment) x R: the difference in 32-bit integers, the quotient in
// extended precision, rounded up, the product in 32-bit integers. Nothing for increment 0,
// which never reaches the end.
std::optional<std::int32_t> TotalRuns(std::int32_t from, std::int32_t to, std::int32_t increment,
                                      std::int32_t runs) {
  if (increment == 0) return std::nullopt;
  const std::int32_t span =
      Wrap32(static_cast<std::uint64_t>(to) - static_cast<std::uint64_t>(from) + 1);
  const std::int64_t values = Ceil(static_cast<Extended>(span) / increment);
  return Wrap32(static_cast<std::uint64_t>(values) * static_cast<std::uint64_t>(runs));
}

}  // namespace

TForm3::~TForm3() = default;

SweepPhase TForm3::State() const { return Timer2->isActive() ? SweepPhase::Running : phase_; }

void TForm3::FormCreate() {
  Timer2->stop();
  lbl_pSteps->setText("0");
  CB_param->addItems(
      {" number of groups", " radius neighbourhood", " move distance", " tolerance threshold"});
  CB_param->setCurrentIndex(-1);  // no item chosen: the box shows " choose parameter"
  SweepStepCount = 0;
  form1_->SetTimeStep(0);
  ClusterFit = std::make_unique<PolynomialFit>(UpD_polyDegClust->Position());
  SegregationFit = std::make_unique<PolynomialFit>(UpD_polyDegSeg->Position());
  SweepRunsDone = 0;
  Lbl_akt->setText("0");
  UpdateRunCount();
}

void TForm3::UpdateRunCount() {
  const std::int32_t to = ReadInt(E_valTo);
  const std::int32_t from = ReadInt(E_valFrom);
  const std::int32_t increment = ReadInt(E_incre);
  const std::int32_t runs = ReadInt(E_calcVals);
  const std::optional<std::int32_t> total = TotalRuns(from, to, increment, runs);
  Lbl_proceed->setText("/ " + (total ? QString::number(*total) : QString("∞")));
}

void TForm3::ApplyParameterValue(std::int32_t value) {
  // Each control's change handler applies its limits; the model takes what the control holds.
  const QString text = QString::number(value);
  switch (CB_param->currentIndex()) {
    case 0: form1_->Edit_anzGr->setText(text); break;
    case 1: form1_->Edit_nRad->setText(text); break;
    case 2: form1_->Edit_mDist->setText(text); break;
    case 3: form1_->TrB_thresh->setValue(value); break;
    default: break;  // no parameter chosen: no control changes
  }
  form1_->NewSetup();
}

void TForm3::B_startClick() {
  SweepStepCount = 0;
  form1_->SetTimeStep(0);
  if (CB_param->currentIndex() < 0) {
    ShowMessage("please select a parameter", "missing value");
    return;
  }
  PrepareCharts();
  SweepRunIndex = 1;
  SweepRunsDone = 0;
  Lbl_akt->setText("0");
  SweepValue = ReadInt(E_valFrom);
  // Read before the copy, so that a text that is no integer ends the start here with one message
  // instead of reaching the main window's stop step.
  ReadInt(E_toSteps);
  form1_->E_stopT->setText(E_toSteps->text());
  ApplyParameterValue(SweepValue);
  Timer2->start();
}

// Pausing and resuming both start the current value's runs afresh from the model as it stands;
// no setup is made.
void TForm3::B_breakClick() {
  if (Timer2->isActive()) {
    StopSweep(SweepPhase::Paused);
  } else {
    Timer2->start();
  }
  SweepStepCount = 0;
  form1_->SetTimeStep(0);
  SweepRunIndex = 1;
}

void TForm3::StopSweep(SweepPhase phase) {
  Timer2->stop();
  phase_ = phase;
}

// A failing tick leaves Timer2 on, as a failing step leaves the main window's timer on: the
// message shows once while the ticks keep failing with it, and the sweep goes on by itself once
// the field is mended. A tick that succeeds ends the series.
void TForm3::Timer2Timer() {
  try {
    Tick();
    failingTickMessage_.clear();
  } catch (const std::exception& e) {
    ShowResults();
    const QString message = QString::fromUtf8(e.what());
    if (message == failingTickMessage_) return;
    failingTickMessage_ = message;
    ShowError(message);
    return;
  }
  ShowResults();
}

void TForm3::Tick() {
  // A run needs a last step to read its results from: fewer than 1 step per run count as 1.
  const std::int32_t steps = std::max(ReadInt(E_toSteps), 1);
  if (SweepStepCount >= steps && !EndRun()) return;
  form1_->DoStep();
  lbl_pSteps->setText(QString::number(SweepStepCount));
  ++SweepStepCount;
}

// The end of a run: records it, then sets up the next run of the same value or the first run of
// the next value, or finishes the sweep (false: this tick makes no step). The fields it needs
// are read before anything changes, so that one holding no integer leaves the sweep untouched.
bool TForm3::EndRun() {
  const std::int32_t runs = ReadInt(E_calcVals);
  const std::uint32_t nextRun = SweepRunIndex + 1;
  // Compared as 64-bit signed numbers, so that a negative R always counts as exceeded.
  const bool valueDone = static_cast<std::int64_t>(nextRun) > static_cast<std::int64_t>(runs);
  std::int32_t increment = 0;
  std::int32_t last = 0;
  if (valueDone) {
    increment = ReadInt(E_incre);
    last = ReadInt(E_valTo);
  }
  RecordResults();
  SweepRunIndex = nextRun;
  ++SweepRunsDone;
  Lbl_akt->setText(QString::number(SweepRunsDone));
  if (valueDone) {
    SweepValue =
        Wrap32(static_cast<std::uint64_t>(SweepValue) + static_cast<std::uint64_t>(increment));
    if (SweepValue > last) {
      FinishSweep();
      return false;
    }
    SweepRunIndex = 1;
  }
  SweepStepCount = 0;
  ApplyParameterValue(SweepValue);
  return true;
}

// The end steps run one by one: a fit that cannot be computed shows its error, and the other
// fit is still computed. The counters stay where the last run left them.
void TForm3::FinishSweep() {
  StopSweep(SweepPhase::Finished);
  resultsChanged_ = true;
  QStringList errors;
  const auto run = [&errors](auto&& step) {
    try {
      step();
    } catch (const std::exception& e) {
      const QString message = QString::fromUtf8(e.what());
      if (!errors.contains(message)) errors << message;  // two failing fits: one message
    }
  };
  run([this] { form1_->ClusterAnalysis(); });
  run([this] { Series_IS_Fit.Recalculate(); });
  run([this] { Series_AvgFit.Recalculate(); });
  ShowResults();
  for (const QString& message : errors) ShowError(message);
}

}  // namespace segsim

// The main window: the parameter fields with their limits, the drawing of the grid, the 1 ms run
// loop and the buttons. It owns the model (through its Simulation) and the drawing image.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

#include "measures/run_changes.h"
#include "measures/simulation.h"
#include "model/limits.h"
#include "ui/group_variants_dialog.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTimer;

namespace segsim {

class ImageCanvas;
class TForm2;
class VideoWriter;

class TForm1 : public QWidget {
  Q_OBJECT
public:
  // With a session seed S, setup k of the session (0 the one at start) is placed with S + k;
  // without, each setup takes its seed from the clock.
  explicit TForm1(std::optional<std::uint32_t> sessionSeed = {}, QWidget* parent = nullptr);
  ~TForm1() override;

  // The analysis window receives the measures and reads E_nbSize and E_clusterT; the sweep
  // window is shown by "analyse parameterspace". Neither is owned.
  void SetAnalysisWindow(TForm2* form2);
  void SetSweepWindow(QWidget* form3) { sweepWindow_ = form3; }

  // --- run loop and model operations (the sweep drives these too) ------------------------------
  // Each may raise SegsimError; the connected handlers below run them inside the error guard.
  void DoStep();  // MoveAgents, TimeStep + 1, lbl_Steps, UpdateStatistics, ShowFps, stop test
  // Reads and checks every setting first: a field that is no integer raises before anything
  // changes, so the running model stays whole. Then the new model, the labels and the charts.
  void NewSetup();
  void ClusterAnalysis() { sim_.ClusterAnalysis(); }
  void RepaintAll() { sim_.Model().RepaintAll(); }
  std::uint32_t TimeStep() const { return sim_.Model().TimeStep(); }
  void SetTimeStep(std::uint32_t step) { sim_.Model().SetTimeStep(step); }
  Simulation& simulation() { return sim_; }
  const Simulation& simulation() const { return sim_; }
  SetupParams ReadSetupParams() const;
  // Placement seed of the current setup.
  std::uint32_t Seed() const { return sim_.Model().PlacementSeed(); }

  // --- results out: the drawing panel's context menu ------------------------------------------
  // The log of the current run: its setup, the steps made since and every change of a setting
  // a step reads (threshold, tile size, agent count) made while it ran.
  const RunLog& CurrentRun() const { return runLog_; }
  // The segsim-cli run command that repeats the current run from its setup to the present step.
  QString RunCommand() const;
  // One line "row,column,group" per cell, rows outer; group 1..G, empty for a free cell.
  QString GridCsv() const;
  // The menu's commands: "Save picture..." (the drawing at its own pixels, PNG), "Save grid as
  // CSV..." and "Copy run as command". The save commands ask for a file name (ChooseFileName).
  void SavePicture();
  void SaveGridCsv();
  void CopyRunCommand();
  // "Record video..." asks for a file (MP4, WebM or GIF) and records the drawing from now on, a
  // frame after every step, until "Stop recording" (or the window closes) writes it out. The
  // caption says that it records. Both do nothing without FFmpeg's libraries.
  void RecordVideo();
  void StopRecording();
  bool Recording() const { return video_ != nullptr; }

  // --- handlers, named after their control and event --------------------------------------------
  void FormCreate();
  void FormDestroy();
  void Timer1Timer() { DoStep(); }
  // Timer1's slot: the step inside the guard. A step that fails with the message of the step
  // before it shows no new box, so that a field the steps read (the agent count while it is
  // being retyped) can be corrected; a step that succeeds ends the series.
  void Timer1Tick();
  void B_setupClick();
  void B_stopClick();
  void B_repaintClick() { RepaintAll(); }
  void Button1Click();
  void Button2Click() { sim_.CountTiles(); }
  void Button3Click();
  void B_clusterClick() { ClusterAnalysis(); }
  void Label6Click() {}
  void Edit_anzAgChange();
  void Edit_cellSizChange();
  void Edit_anzGrChange();
  void Edit_nRadChange();
  void Edit_mDistChange();
  void E_nbSizeChange();
  void E_stopTChange();
  void TrB_threshChange();

  // --- controls, by their documented names ----------------------------------------------------
  QFrame* ZeichenPanel;
  ImageCanvas* DrawImage;
  QGroupBox* GroupBox1;
  QLineEdit* Edit_anzAg;
  QLineEdit* Edit_cellSiz;
  QLineEdit* Edit_anzGr;
  QLineEdit* Edit_nRad;
  QLineEdit* Edit_mDist;
  QCheckBox* CB_graphicUpd;
  QLabel* Lbl_TextAnzahl;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QPushButton* B_setup;
  QPushButton* B_stop;
  QPushButton* B_repaint;
  QPushButton* Button1;
  QPushButton* B_cluster;
  QLineEdit* E_clusterT;
  QLabel* Label7;
  QPushButton* Button2;
  QLineEdit* E_nbSize;
  QLabel* Label6;
  QLabel* Lbl_cellS;
  QLabel* Label10;
  QLabel* lbl_Steps;
  QLabel* lbl_timesteps;
  QLineEdit* E_stopT;
  QLabel* Label5;
  QGroupBox* GroupBox2;
  QLabel* Label8;
  QLabel* Lbl_P;
  QLabel* Label9;
  QSlider* TrB_thresh;
  QPushButton* Button3;
  QTimer* Timer1;

  // The step rate display's state: steps since the caption was last set, and the millisecond
  // tick of that moment. Both start at 0 and survive setups.
  std::uint32_t FpsFrameCount = 0;
  std::uint32_t FpsLastTick = 0;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void BuildControls();
  void BuildSetupBox();
  void BuildRunControls();
  void BuildToleranceBox();
  void ConnectHandlers();
  void BuildPanelMenu();
  // Seed of the next setup: S + k with a session seed, else none (the clock).
  std::optional<std::uint32_t> NextSeed() const;
  // After a setup made from these settings: the run log starts afresh from it.
  void StartRunLog(SetupParams used);
  void ShowFps();
  void ShowSetupLabels();
  // The drawing after a step into the video being recorded; a failure ends the recording.
  void RecordFrame();
  void StartRecording();  // RecordVideo's and StopRecording's work, raising what fails
  void EndRecording();
  QString RecordingCaption() const;
  // Writes v into a field when its limit replaces the value (the change handler runs again).
  static void WriteInt(QLineEdit* field, std::int64_t v);
  // Corrects the field to its limits, as each setup field's change handler does.
  void ApplyLimits(QLineEdit* field, LimitedField kind);

  Simulation sim_;
  QString failingStepMessage_;  // message of the last tick, while ticks keep failing with it
  QWidget* sweepWindow_ = nullptr;
  bool sweepWindowPlaced_ = false;  // opened once beside the other windows
  std::optional<std::uint32_t> sessionSeed_;
  std::uint32_t setupsMade_ = 0;  // setups of this session so far
  RunLog runLog_;
  GroupVariants groupVariants_;  // "Group shares and tolerances...": taken at every setup
  TForm2* analysisWindow_ = nullptr;
  std::unique_ptr<VideoWriter> video_;  // while recording
  QString videoPath_;
};

// The operating system's millisecond tick counter (time since system start), wrapping at 2^32.
std::uint32_t TickCount();

}  // namespace segsim

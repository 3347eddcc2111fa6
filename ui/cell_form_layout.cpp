// The main window's controls: names, captions, default texts and places in pixels.
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <algorithm>

#include "ui/cell_form.h"
#include "ui/controls.h"
#include "ui/draw_image.h"
#include "ui/error_display.h"
#include "ui/window_font.h"

namespace segsim {

namespace {

// A right-aligned label whose right edge stays where its design caption (its name) ended when
// placed at `at`; its text grows to the left.
QLabel* MakeRightLabel(QWidget* parent, const char* name, QPoint at) {
  auto* label = MakeLabel(parent, name, name, at);
  const int right = at.x() + label->width();
  constexpr int kWidth = 160;
  label->setGeometry(right - kWidth, at.y(), kWidth, label->height());
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

}  // namespace

void TForm1::BuildControls() {
  setWindowTitle("segregation by relocation");
  setFont(WindowFont());
  resize(882, 711);
  move(600, 0);
  ZeichenPanel = new QFrame(this);
  ZeichenPanel->setObjectName("ZeichenPanel");
  ZeichenPanel->setFrameStyle(QFrame::Box | QFrame::Plain);
  ZeichenPanel->setGeometry(8, 8, kPanelSize, kPanelSize);
  // The image lies in the panel's client area, inside its single-line border, which clips the
  // image's outermost pixels as the border covers them.
  auto* panelClient = new QWidget(ZeichenPanel);
  panelClient->setGeometry(ZeichenPanel->contentsRect());
  DrawImage = new ImageCanvas(panelClient);
  DrawImage->setObjectName("DrawImage");
  sim_.model().SetCanvas(DrawImage);
  BuildSetupBox();
  BuildRunControls();
  BuildToleranceBox();
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setTimerType(Qt::PreciseTimer);
  Timer1->setInterval(1);
}

void TForm1::BuildSetupBox() {
  GroupBox1 = new QGroupBox("setup settings", this);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setGeometry(711, 8, 162, 182);
  QWidget* box = GroupBox1;
  Edit_anzAg = MakeField(box, "Edit_anzAg", "12783", QRect(9, 21, 41, 20));
  Lbl_TextAnzahl = MakeLabel(box, "Lbl_TextAnzahl", ": number of agents", QPoint(53, 24));
  Edit_cellSiz = MakeField(box, "Edit_cellSiz", "6", QRect(26, 47, 24, 20));
  Label2 = MakeLabel(box, "Label2", ": cell size", QPoint(53, 50));
  Edit_anzGr = MakeField(box, "Edit_anzGr", "6", QRect(26, 73, 24, 20));
  Label3 = MakeLabel(box, "Label3", ": number of groups", QPoint(53, 76));
  Edit_nRad = MakeField(box, "Edit_nRad", "5", QRect(26, 99, 24, 20));
  Label1 = MakeLabel(box, "Label1", ": radius neighbourh.", QPoint(53, 102));
  Edit_mDist = MakeField(box, "Edit_mDist", "55", QRect(26, 125, 24, 20));
  Label4 = MakeLabel(box, "Label4", ": move distance", QPoint(53, 128));
  CB_graphicUpd = new QCheckBox("run with graphic (slower)", box);
  CB_graphicUpd->setObjectName("CB_graphicUpd");
  CB_graphicUpd->setGeometry(9, 151, 133, 17);
  // Wide enough for the whole caption in the font at hand, within the group box.
  CB_graphicUpd->resize(std::clamp(CB_graphicUpd->sizeHint().width(), 133, 150), 17);
  CB_graphicUpd->setChecked(true);
}

void TForm1::BuildRunControls() {
  B_setup = MakeButton(this, "B_setup", "new Setup", QRect(711, 196, 74, 25));
  B_stop = MakeButton(this, "B_stop", "start / stop", QRect(791, 196, 82, 25));
  B_repaint = MakeButton(this, "B_repaint", "repaint all", QRect(792, 227, 82, 25));
  Button1 = MakeButton(this, "Button1", "show charts", QRect(708, 277, 75, 25));
  B_cluster = MakeButton(this, "B_cluster", "cluster analysis", QRect(708, 310, 75, 26));
  E_clusterT = MakeField(this, "E_clusterT", "1", QRect(789, 313, 25, 20));
  Label7 = MakeLabel(this, "Label7", ": cluster thr.", QPoint(817, 317));
  Button2 = MakeButton(this, "Button2", "dissimilar", QRect(708, 344, 75, 25));
  E_nbSize = MakeField(this, "E_nbSize", "20", QRect(789, 346, 25, 20));
  Label6 = MakeLabel(this, "Label6", ": neigh. size", QPoint(817, 349));
  Label6->installEventFilter(this);
  Lbl_cellS = MakeRightLabel(this, "Lbl_cellS", QPoint(772, 379));
  Label10 = MakeLabel(this, "Label10", ": cell-space", QPoint(817, 379));
  lbl_Steps = MakeRightLabel(this, "lbl_Steps", QPoint(737, 401));
  lbl_timesteps = MakeLabel(this, "lbl_timesteps", ": timesteps", QPoint(782, 401));
  E_stopT = MakeField(this, "E_stopT", "500", QRect(737, 429, 41, 20));
  Label5 = MakeLabel(this, "Label5", ": stop at timestep", QPoint(784, 433));
  Button3 = MakeButton(this, "Button3", "analyse parameterspace", QRect(708, 590, 163, 25));
}

void TForm1::BuildToleranceBox() {
  GroupBox2 = new QGroupBox("tolerance settings", this);
  GroupBox2->setObjectName("GroupBox2");
  GroupBox2->setGeometry(708, 471, 166, 90);
  Label8 = MakeLabel(GroupBox2, "Label8", "threshold :", QPoint(10, 24));
  Lbl_P = MakeLabel(GroupBox2, "Lbl_P", "___", QPoint(72, 24));
  Lbl_P->resize(24, Lbl_P->height());
  Label9 = MakeLabel(GroupBox2, "Label9", "%", QPoint(98, 24));
  TrB_thresh = new QSlider(Qt::Horizontal, GroupBox2);
  TrB_thresh->setObjectName("TrB_thresh");
  TrB_thresh->setGeometry(3, 46, 160, 41);
  TrB_thresh->setRange(0, 100);
  TrB_thresh->setSingleStep(1);
  TrB_thresh->setPageStep(5);
  TrB_thresh->setTickInterval(10);
  TrB_thresh->setTickPosition(QSlider::TicksBelow);
  TrB_thresh->setValue(20);
}

void TForm1::ConnectHandlers() {
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Tick);
  connect(B_setup, &QPushButton::clicked, this, Guarded(this, &TForm1::B_setupClick));
  connect(B_stop, &QPushButton::clicked, this, Guarded(this, &TForm1::B_stopClick));
  connect(B_repaint, &QPushButton::clicked, this, Guarded(this, &TForm1::B_repaintClick));
  connect(Button1, &QPushButton::clicked, this, Guarded(this, &TForm1::Button1Click));
  connect(Button2, &QPushButton::clicked, this, Guarded(this, &TForm1::Button2Click));
  connect(Button3, &QPushButton::clicked, this, Guarded(this, &TForm1::Button3Click));
  connect(B_cluster, &QPushButton::clicked, this, Guarded(this, &TForm1::B_clusterClick));
  connect(Edit_anzAg, &QLineEdit::textChanged, this, Guarded(this, &TForm1::Edit_anzAgChange));
  connect(Edit_cellSiz, &QLineEdit::textChanged, this, Guarded(this, &TForm1::Edit_cellSizChange));
  connect(Edit_anzGr, &QLineEdit::textChanged, this, Guarded(this, &TForm1::Edit_anzGrChange));
  connect(Edit_nRad, &QLineEdit::textChanged, this, Guarded(this, &TForm1::Edit_nRadChange));
  connect(Edit_mDist, &QLineEdit::textChanged, this, Guarded(this, &TForm1::Edit_mDistChange));
  connect(E_nbSize, &QLineEdit::textChanged, this, Guarded(this, &TForm1::E_nbSizeChange));
  connect(E_stopT, &QLineEdit::textChanged, this, Guarded(this, &TForm1::E_stopTChange));
  connect(TrB_thresh, &QSlider::valueChanged, this, Guarded(this, &TForm1::TrB_threshChange));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label6 && event->type() == QEvent::MouseButtonRelease) {
    RunGuarded([this] { Label6Click(); });
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace segsim

// The sweep window's controls: names, captions, initial texts, places in pixels, and wiring.
// The two charts fill the left of the 1000 x 700 client area, one above the other; the settings,
// the progress and the chart display controls stand in a column right of them.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <array>

#include "charts/chart_view.h"
#include "ui/controls.h"
#include "ui/error_display.h"
#include "ui/parameterspace.h"
#include "ui/up_down.h"
#include "ui/window_font.h"

namespace segsim {

namespace {

constexpr int kColumnLeft = 802;  // right of the charts (8 + 786 pixels)
constexpr int kColumnWidth = 190;
constexpr int kRow = 26;       // pitch of the rows of fields and of check boxes
constexpr int kMinDegree = 2;  // the fits' PolyDegree: 2 (a line) ... 20, starting at 3
constexpr int kMaxDegree = 20;
constexpr int kStartDegree = 3;

// The display controls of one chart: "show data", "show average", "show trend", "show curve
// fitting" (all ticked) and the fit's degree, named CB_data_<suffix>, ..., E_polyDeg<suffix> and
// UpD_polyDeg<suffix>.
struct DisplayBox {
  QGroupBox* box;
  std::array<QCheckBox*, 4> checks;
  QLineEdit* degreeField;
  TUpDown* upDown;
};

DisplayBox MakeDisplayBox(QWidget* parent, const char* name, const char* caption, int top,
                          const QString& suffix) {
  DisplayBox b;
  b.box = new QGroupBox(caption, parent);
  b.box->setObjectName(name);
  b.box->setGeometry(kColumnLeft, top, kColumnWidth, 138);
  const char* prefixes[4] = {"CB_data_", "CB_avg_", "CB_trend_", "CB_cFit_"};
  const char* captions[4] = {"show data", "show average", "show trend", "show curve fitting"};
  for (int i = 0; i < 4; ++i) {
    b.checks[i] = new QCheckBox(captions[i], b.box);
    b.checks[i]->setObjectName(prefixes[i] + suffix);
    b.checks[i]->setGeometry(10, 20 + 22 * i, kColumnWidth - 20, 17);
    b.checks[i]->setChecked(true);
  }
  auto* label = new QLabel("poly degree:", b.box);
  label->setObjectName("Lbl_polyDeg" + suffix);
  label->move(10, 111);
  label->adjustSize();
  b.degreeField = new QLineEdit(b.box);
  b.degreeField->setObjectName("E_polyDeg" + suffix);
  b.degreeField->setGeometry(80, 108, 30, 20);
  b.upDown = new TUpDown(b.degreeField, kMinDegree, kMaxDegree, kStartDegree, b.box);
  b.upDown->setObjectName("UpD_polyDeg" + suffix);
  b.upDown->setGeometry(110, 108, 16, 20);
  return b;
}

// A slot that runs a handler inside the error guard, then shows what the result series hold.
auto Handled(TForm3* form, void (TForm3::*handler)()) {
  return [form, handler] {
    RunGuarded([&] { (form->*handler)(); });
    form->ShowResults();
  };
}

}  // namespace

TForm3::TForm3(TForm1* form1, TForm2* form2, QWidget* parent)
    : QWidget(parent), Series_AvgClust(&Series_Avg), Series_AvgFit(&Series_Avg),
      Series_AvgTrend(&Series_Avg), Series_IS_Avg(&Series_IS), Series_IS_Fit(&Series_IS),
      Series_IS_Trend(&Series_IS), form1_(form1), form2_(form2) {
  Series_AvgClust.SetFunction(avgClustFunction_);
  Series_AvgFit.SetFunction(initialClustFit_);
  Series_AvgTrend.SetFunction(trendClustFunction_);
  Series_IS_Avg.SetFunction(avgSegFunction_);
  Series_IS_Fit.SetFunction(initialSegFit_);
  Series_IS_Trend.SetFunction(trendSegFunction_);
  BuildControls();
  ConnectHandlers();
  RunGuarded([this] { FormCreate(); });
}

void TForm3::BuildControls() {
  setObjectName("Form3");
  setWindowTitle("Analyse Parameterspace");
  setFont(WindowFont());
  setAttribute(Qt::WA_QuitOnClose, false);  // closing only hides it; a sweep goes on
  resize(1000, 700);
  BuildCharts();
  BuildSettingsBox();
  B_start = MakeButton(this, "B_start", "new start", QRect(kColumnLeft, 194, 92, 25));
  B_break = MakeButton(this, "B_break", "start / stop", QRect(kColumnLeft + 98, 194, 92, 25));
  BuildProgress();
  BuildDisplayBoxes();
  B_undoZ = MakeButton(this, "B_undoZ", "undoZoom", QRect(kColumnLeft, 562, 92, 25));
  Timer2 = new QTimer(this);
  Timer2->setObjectName("Timer2");
  Timer2->setTimerType(Qt::PreciseTimer);
  Timer2->setInterval(1);
}

void TForm3::BuildSettingsBox() {
  GroupBox1 = new QGroupBox("settings", this);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setGeometry(kColumnLeft, 8, kColumnWidth, 180);
  CB_param = new QComboBox(GroupBox1);
  CB_param->setObjectName("CB_param");
  CB_param->setGeometry(10, 20, kColumnWidth - 20, 21);
  CB_param->setPlaceholderText(" choose parameter");
  struct Row {
    QLineEdit** field;
    const char* name;
    const char* label;
    const char* labelName;
    const char* text;
  };
  const Row rows[] = {{&E_valFrom, "E_valFrom", "values from:", "Lbl_valFrom", "2"},
                      {&E_valTo, "E_valTo", "to:", "Lbl_valTo", "4"},
                      {&E_incre, "E_incre", "increment:", "Lbl_incre", "1"},
                      {&E_toSteps, "E_toSteps", "timesteps per value:", "Lbl_toSteps", "30"},
                      {&E_calcVals, "E_calcVals", "calculations per value:", "Lbl_calcVals", "3"}};
  int top = 48;
  for (const Row& row : rows) {
    MakeLabel(GroupBox1, row.labelName, row.label, QPoint(10, top + 3));
    *row.field = MakeField(GroupBox1, row.name, row.text, QRect(128, top, 52, 20));
    top += kRow;
  }
}

// "4 / 9 : calculations": labels whose texts grow flow to the right.
void TForm3::BuildProgress() {
  auto* progress = new QWidget(this);
  progress->setGeometry(kColumnLeft, 226, kColumnWidth, 40);
  auto* rows = new QVBoxLayout(progress);
  rows->setContentsMargins(4, 0, 0, 0);
  rows->setSpacing(2);
  auto* steps = new QHBoxLayout;
  lbl_pSteps = new QLabel(progress);
  lbl_pSteps->setObjectName("lbl_pSteps");
  steps->addWidget(lbl_pSteps);
  steps->addWidget(MakeLabel(progress, "Lbl_timesteps", ": timesteps", QPoint()));
  steps->addStretch();
  auto* runs = new QHBoxLayout;
  Lbl_akt = new QLabel(progress);
  Lbl_akt->setObjectName("Lbl_akt");
  Lbl_proceed = new QLabel(progress);
  Lbl_proceed->setObjectName("Lbl_proceed");
  runs->addWidget(Lbl_akt);
  runs->addWidget(Lbl_proceed);
  runs->addWidget(MakeLabel(progress, "Lbl_calculations", ": calculations", QPoint()));
  runs->addStretch();
  rows->addLayout(steps);
  rows->addLayout(runs);
}

void TForm3::BuildDisplayBoxes() {
  const DisplayBox cluster = MakeDisplayBox(this, "GroupBox2", "cluster chart", 272, "Clust");
  GroupBox2 = cluster.box;
  CB_data_Clust = cluster.checks[0];
  CB_avg_Clust = cluster.checks[1];
  CB_trend_Clust = cluster.checks[2];
  CB_cFit_Clust = cluster.checks[3];
  E_polyDegClust = cluster.degreeField;
  UpD_polyDegClust = cluster.upDown;
  const DisplayBox segregation = MakeDisplayBox(this, "GroupBox3", "segregation chart", 418, "Seg");
  GroupBox3 = segregation.box;
  CB_data_Seg = segregation.checks[0];
  CB_avg_Seg = segregation.checks[1];
  CB_trend_Seg = segregation.checks[2];
  CB_cFit_Seg = segregation.checks[3];
  E_polyDegSeg = segregation.degreeField;
  UpD_polyDegSeg = segregation.upDown;
}

void TForm3::ConnectHandlers() {
  connect(Timer2, &QTimer::timeout, this, &TForm3::Timer2Timer);
  connect(B_start, &QPushButton::clicked, this, Handled(this, &TForm3::B_startClick));
  connect(B_break, &QPushButton::clicked, this, Handled(this, &TForm3::B_breakClick));
  connect(B_undoZ, &QPushButton::clicked, this, Handled(this, &TForm3::B_undoZClick));
  for (QLineEdit* field : {E_valFrom, E_valTo, E_incre, E_calcVals}) {
    connect(field, &QLineEdit::textChanged, this, Handled(this, &TForm3::E_calcValsChange));
  }
  connect(CB_data_Clust, &QCheckBox::toggled, this, Handled(this, &TForm3::CB_data_ClustClick));
  connect(CB_avg_Clust, &QCheckBox::toggled, this, Handled(this, &TForm3::CB_avg_ClustClick));
  connect(CB_trend_Clust, &QCheckBox::toggled, this, Handled(this, &TForm3::CB_trend_ClustClick));
  connect(CB_cFit_Clust, &QCheckBox::toggled, this, Handled(this, &TForm3::CB_cFit_ClustCli));
  connect(CB_data_Seg, &QCheckBox::toggled, this, Handled(this, &TForm3::CB_data_SegClick));
  connect(CB_avg_Seg, &QCheckBox::toggled, this, Handled(this, &TForm3::CB_avg_SegClick));
  connect(CB_trend_Seg, &QCheckBox::toggled, this, Handled(this, &TForm3::CB_trend_SegClick));
  connect(CB_cFit_Seg, &QCheckBox::toggled, this, Handled(this, &TForm3::CB_cFit_SegClick));
  connect(UpD_polyDegClust, &TUpDown::Click, this, Handled(this, &TForm3::UpD_polyDegClustClick));
  connect(UpD_polyDegSeg, &TUpDown::Click, this, Handled(this, &TForm3::UpD_polyDegSegClick));
}

}  // namespace segsim

#include "ui/analyse.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "charts/chart_view.h"
#include "model/numeric.h"
#include "ui/draw_image.h"
#include "ui/error_display.h"
#include "ui/frozen_table.h"
#include "ui/window_font.h"

namespace segsim {

namespace {

constexpr int kCellWidth = 45;
constexpr int kCellHeight = 20;
const QColor kFixedCellColor(0xF0, 0xF0, 0xF0);

QColor GroupColor(const Model& model, std::size_t g) {
  const auto colors = model.GroupColors();
  return g < colors.size() ? QColor(ToQRgb(colors[g])) : QColor(Qt::gray);
}

ChartView* MakeChart(QWidget* parent, const char* name, QRect place) {
  auto* chart = new ChartView(parent);
  chart->setObjectName(name);
  chart->setGeometry(place);
  chart->legend->setVisible(false);
  return chart;
}

// A time chart: lines on the right axis over a logarithmic time axis; left and top axes hidden.
void SetUpTimeChart(ChartView* chart, const QString& valueTitle) {
  chart->SetLogBottomAxis(true);
  chart->SetKeyTitle("timestep");
  chart->xAxis->setLabel("time in log10");
  chart->yAxis->setVisible(false);
  chart->yAxis2->setVisible(true);
  chart->yAxis2->setLabel(valueTitle);
}

void SetItem(QTableWidget* table, int column, int row, const QString& text) {
  if (QTableWidgetItem* item = table->item(row, column)) item->setText(text);
}

}  // namespace

TForm2::TForm2(QWidget* parent) : QWidget(parent) {
  setWindowTitle("Analysis");
  setFont(WindowFont());
  setAttribute(Qt::WA_QuitOnClose, false);  // closing only hides it
  resize(792, 750);
  move(0, 131);
  BuildCharts();
  B_undoZ = new QPushButton("undoZoom", this);
  B_undoZ->setObjectName("B_undoZ");
  B_undoZ->setGeometry(709, 232, 75, 25);
  connect(B_undoZ, &QPushButton::clicked, this, Guarded(this, &TForm2::B_undoZClick));
  BuildTable();
}

void TForm2::BuildCharts() {
  Chart1 = MakeChart(this, "Chart1", QRect(8, 8, 649, 249));
  SetUpTimeChart(Chart1, "satisfaction");
  Chart2 = MakeChart(this, "Chart2", QRect(279, 263, 505, 234));
  Chart2->SetIntegerSteps(Chart2->xAxis);
  ClusterBarSeries = Chart2->AddBarSeries(Qt::Vertical);
  ClusterBarSeries->setName("cluster size");
  Chart2->SetKeyTitle("bar");
  Chart3 = MakeChart(this, "Chart3", QRect(8, 263, 265, 234));
  Chart3->SetIntegerSteps(Chart3->xAxis);
  Chart3->SetIntegerSteps(Chart3->yAxis);
  Series3 = Chart3->AddBarSeries(Qt::Horizontal);
  Series3->setName("agents");
  Chart3->SetKeyTitle("group");
  Series3->SetMarksVisible(true);
  Chart4 = MakeChart(this, "Chart4", QRect(8, 503, 442, 234));
  SetUpTimeChart(Chart4, "segregation index");
}

void TForm2::BuildTable() {
  DissimiGrid = new QTableWidget(this);
  DissimiGrid->setObjectName("DissimiGrid");
  DissimiGrid->setGeometry(456, 503, 328, 234);
  DissimiGrid->horizontalHeader()->hide();
  DissimiGrid->verticalHeader()->hide();
  DissimiGrid->horizontalHeader()->setMinimumSectionSize(1);
  DissimiGrid->verticalHeader()->setMinimumSectionSize(1);
  DissimiGrid->horizontalHeader()->setDefaultSectionSize(kCellWidth);
  DissimiGrid->verticalHeader()->setDefaultSectionSize(kCellHeight);
  DissimiGrid->setShowGrid(true);
  DissimiGrid->setTextElideMode(Qt::ElideNone);
  DissimiGrid->setWordWrap(false);
  DissimiGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
  DissimiGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
  DissimiGrid->setEditTriggers(QAbstractItemView::DoubleClicked |
                               QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
  FreezeFirstRowAndColumn(DissimiGrid);
  AddTableCopy(DissimiGrid);
}

void TForm2::BindMainWindowFields(const QLineEdit* tileSize, const QLineEdit* clusterThreshold) {
  tileSizeField_ = tileSize;
  clusterThresholdField_ = clusterThreshold;
}

void TForm2::ResetCharts(const Model& model) {
  const std::int32_t groups = model.Settings().GroupCount;
  SatisfactionSeries.clear();
  Chart1->RemoveAllSeries();
  Chart1->SetTitle("average satisfaction of the agents");
  for (std::int32_t g = 0; g < groups; ++g) {
    LineSeries* series = Chart1->AddLineSeries(true);
    series->SetThinned(true);  // a long run keeps a few thousand points, drawn unchanged
    series->SetColor(GroupColor(model, static_cast<std::size_t>(g)));
    series->setName(QString("group %1").arg(g));
    SatisfactionSeries.push_back(series);
  }
  SegregationSeries.clear();
  Chart4->RemoveAllSeries();
  // The field's text as it stands, not the tile size in force: "015" shows as 015x015.
  const QString tile = tileSizeField_ ? tileSizeField_->text() : QString();
  Chart4->SetTitle("segregation measure in " + tile + "x" + tile + " tiles");
  for (std::int32_t g = 0; g < groups; ++g) {
    LineSeries* series = Chart4->AddLineSeries(true);
    series->SetThinned(true);
    series->SetColor(GroupColor(model, static_cast<std::size_t>(g)));
    series->setName(QString("group %1").arg(g));
    SegregationSeries.push_back(series);
  }
  Chart2->SetTitle("cluster sizes");
  Chart3->SetTitle("group sizes");
  Series3->Clear();
  const auto sizes = model.GroupSizes();
  for (std::size_t g = 0; g < sizes.size(); ++g) Series3->AddBar(sizes[g], GroupColor(model, g));
  Chart3->RequestReplot();
  LayOutTable(groups);
}

// G + 1 columns and G + 2 rows, every cell a blank; row 0 and column 0 are the fixed headers.
void TForm2::LayOutTable(std::int32_t groups) {
  DissimiGrid->clear();
  DissimiGrid->setColumnCount(groups + 1);
  DissimiGrid->setRowCount(groups + 2);
  for (int row = 0; row < groups + 2; ++row) {
    for (int column = 0; column < groups + 1; ++column) {
      auto* item = new QTableWidgetItem(" ");
      if (row == 0 || column == 0) {
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(kFixedCellColor);
      }
      DissimiGrid->setItem(row, column, item);
    }
  }
  SetItem(DissimiGrid, 0, 0, "groups");
  for (std::int32_t k = 0; k < groups; ++k)
    SetItem(DissimiGrid, k + 1, 0, QString("group %1").arg(k));
  SetItem(DissimiGrid, 0, groups + 1, "IS");
  for (std::int32_t k = 0; k < groups; ++k)
    SetItem(DissimiGrid, 0, k + 1, QString("group %1").arg(k));
}

void TForm2::AddSatisfactionPoint(std::int32_t g, double x, double y) {
  if (g < 0 || g >= static_cast<std::int32_t>(SatisfactionSeries.size())) return;
  SatisfactionSeries[static_cast<std::size_t>(g)]->Add(x, y);
  Chart1->RequestReplot();
}

void TForm2::AddSegregationPoint(std::int32_t g, double x, double y) {
  if (g < 0 || g >= static_cast<std::int32_t>(SegregationSeries.size())) return;
  SegregationSeries[static_cast<std::size_t>(g)]->Add(x, y);
  Chart4->RequestReplot();
}

// For each group i: D(i, j) for j >= i into (j + 1, i + 1), the diagonal showing 0 and the cells
// below it keeping their blank; IS(i) into (i + 1, G + 1), the row headed "IS". Values are shown
// rounded to two decimals.
void TForm2::ShowDissimilarity(const Dissimilarity& d) {
  const auto text = [](double value) { return QString::fromStdString(DisplayText(value)); };
  for (std::int32_t i = 0; i < d.groups; ++i) {
    for (std::int32_t j = i; j < d.groups; ++j) {
      SetItem(DissimiGrid, j + 1, i + 1, text(d.Pair(i, j)));
    }
    SetItem(DissimiGrid, i + 1, d.groups + 1, text(d.segregation[static_cast<std::size_t>(i)]));
  }
}

void TForm2::ShowClusterSizes(const Model& model, const ClusterSizes& sizes) {
  const std::int32_t threshold =
      StrToInt(clusterThresholdField_ ? clusterThresholdField_->text().toStdString() : "1");
  Chart2->RemoveAllSeries();
  ClusterBarSeries = Chart2->AddBarSeries(Qt::Vertical);
  ClusterBarSeries->setName("cluster size");
  Chart2->UndoZoom();
  Chart2->SetTitle("cluster sizes at timestep " + QString::number(model.TimeStep()));
  ClusterBarSeries->Clear();
  for (std::size_t g = 0; g < sizes.size(); ++g) {
    for (const std::int32_t s : sizes[g]) {
      if (s > threshold) ClusterBarSeries->AddBar(s, GroupColor(model, g));
    }
  }
  Chart2->RequestReplot();
}

void TForm2::B_undoZClick() {
  Chart1->UndoZoom();
  Chart2->UndoZoom();
  Chart3->UndoZoom();
}

int TForm2::ClusterBarCount() const { return ClusterBarSeries ? ClusterBarSeries->Count() : 0; }

int TForm2::SegregationCount(int g) const {
  return SegregationSeries[static_cast<std::size_t>(g)]->Count();
}

double TForm2::SegregationY(int g, int k) const {
  return SegregationSeries[static_cast<std::size_t>(g)]->Y(k);
}

}  // namespace segsim

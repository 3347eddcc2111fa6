// The main window's results out: the drawing panel's context menu with the picture, the grid as
// CSV and the command that repeats the run.
#include <QAction>
#include <QBuffer>
#include <QFrame>
#include "charts/export.h"
#include "settings/run_settings.h"
#include "ui/about.h"
#include "ui/cell_form.h"
#include "ui/draw_image.h"

namespace segsim {

void TForm1::BuildPanelMenu() {
  ZeichenPanel->setContextMenuPolicy(Qt::ActionsContextMenu);
  const auto add = [this](const char* name, const QString& caption, void (TForm1::*handler)()) {
    auto* action = new QAction(caption, ZeichenPanel);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    ZeichenPanel->addAction(action);
  };
  add("SavePicture", "Save picture...", &TForm1::SavePicture);
  add("SaveGrid", "Save grid as CSV...", &TForm1::SaveGridCsv);
  add("CopyRunCommand", "Copy run as command", &TForm1::CopyRunCommand);
  AddGroupVariantsAction(ZeichenPanel, groupVariants_, Edit_anzGr);
  add("RecordVideo", "Record video...", &TForm1::RecordVideo);
  add("StopRecording", "Stop recording", &TForm1::StopRecording);
  AddAboutAction(ZeichenPanel);
}

// The setup, its seed, the changes made while it ran and the steps made since.
QString TForm1::RunCommand() const {
  return QString::fromStdString(RepeatRunCommand(
      runLog_.Setup(), static_cast<std::int32_t>(runLog_.Steps()), runLog_.Changes()));
}

QString TForm1::GridCsv() const {
  const Grid& grid = sim_.Model().Grid();
  QString text = "row,column,group\n";
  for (std::int32_t row = 0; row < grid.Rows(); ++row) {
    for (std::int32_t column = 0; column < grid.Cols(); ++column) {
      const std::int32_t group = grid[column][row].State();
      text += QString::number(row) + ',' + QString::number(column) + ',' +
              (group > 0 ? QString::number(group) : QString()) + '\n';
    }
  }
  return text;
}

void TForm1::SavePicture() {
  const QString path = ChooseFileName(this, "Save picture", "PNG image (*.png)");
  if (path.isEmpty()) return;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  DrawImage->Image().save(&buffer, "PNG");
  WriteWholeFile(this, path, bytes);
}

void TForm1::SaveGridCsv() {
  const QString path = ChooseFileName(this, "Save grid as CSV", "CSV file (*.csv)");
  if (path.isEmpty()) return;
  WriteWholeFile(this, path, GridCsv().toUtf8());
}

void TForm1::CopyRunCommand() { CopyText(RunCommand()); }

}  // namespace segsim

#include "charts/export.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSaveFile>
#include <utility>

namespace segsim {

namespace {

FileNameChooser& Chooser() {
  static FileNameChooser chooser;
  return chooser;
}

WriteFailureReporter& Reporter() {
  static WriteFailureReporter reporter;
  return reporter;
}

}  // namespace

FileNameChooser SetFileNameChooser(FileNameChooser chooser) {
  return std::exchange(Chooser(), std::move(chooser));
}

QString ChooseFileName(QWidget* parent, const QString& caption, const QString& filter) {
  QString selected = filter.section(";;", 0, 0);
  QString path = Chooser()
                     ? Chooser()(parent, caption, filter, &selected)
                     : QFileDialog::getSaveFileName(parent, caption, QString(), filter, &selected);
  if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
  static const QRegularExpression pattern(R"(\*\.(\w+))");
  const QRegularExpressionMatch match = pattern.match(selected);
  return match.hasMatch() ? path + "." + match.captured(1) : path;
}

WriteFailureReporter SetWriteFailureReporter(WriteFailureReporter reporter) {
  return std::exchange(Reporter(), std::move(reporter));
}

bool WriteWholeFile(QWidget* parent, const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  const bool written =
      file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
  if (written) return true;
  const QString message = "Cannot write " + path + ": " + file.errorString();
  file.cancelWriting();
  if (Reporter()) {
    Reporter()(message);
  } else {
    QMessageBox::warning(parent, QCoreApplication::applicationName(), message);
  }
  return false;
}

void CopyText(const QString& text) { QApplication::clipboard()->setText(text); }

}  // namespace segsim

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
  // Unbuffered, each write is checked as it happens: a buffered short write (a file-size limit)
  // would go unnoticed by commit() and leave a cut-off file. A short write is followed by
  // another, whose failure gives the cause.
  QSaveFile file(path);
  bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
  for (qint64 done = 0, n = 0; written && done < bytes.size(); done += n) {
    n = file.write(bytes.constData() + done, bytes.size() - done);
    written = n > 0;
  }
  const QString cause = file.errorString();  // commit() replaces a write's cause
  if (written && file.commit()) return true;
  const QString message = "Cannot write " + path + ": " + (written ? file.errorString() : cause);
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

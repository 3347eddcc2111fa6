// Results leaving the windows: the file-name chooser of the save commands, writing a file whole
// or not at all, and the clipboard. The chooser and the report of a failed write can be replaced
// (tests save without a dialog and record failures instead of a box).
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QWidget;

namespace segsim {

// Asks for the name of a file to write; "" when the person cancels. filter is a file dialog's
// filter list ("PNG image (*.png);;PDF document (*.pdf)"); the chooser sets *selectedFilter to
// the filter the person chose (it starts as the first).
using FileNameChooser = std::function<QString(QWidget* parent, const QString& caption,
                                              const QString& filter, QString* selectedFilter)>;
// Returns the chooser it replaces; an empty function restores the file dialog.
FileNameChooser SetFileNameChooser(FileNameChooser chooser);
// The chosen name; one without a suffix takes that of the chosen filter ("*.pdf": ".pdf").
QString ChooseFileName(QWidget* parent, const QString& caption, const QString& filter);

// Where a failed write is reported: by default a warning box titled with the application's name.
using WriteFailureReporter = std::function<void(const QString& message)>;
WriteFailureReporter SetWriteFailureReporter(WriteFailureReporter reporter);

// Writes the bytes to the file, replacing it only once they are all written. On failure the
// file is left as it was and the reporter gets "Cannot write <path>: <reason>"; returns false.
bool WriteWholeFile(QWidget* parent, const QString& path, const QByteArray& bytes);

// Puts the text on the clipboard.
void CopyText(const QString& text);

}  // namespace segsim

#include "ui/error_display.h"

#include <QApplication>
#include <QMessageBox>
#include <utility>

namespace segsim {

namespace {

ErrorPresenter& Presenter() {
  static ErrorPresenter presenter;
  return presenter;
}

bool boxOpen = false;

}  // namespace

QString ErrorText(const QString& message) {
  if (!message.isEmpty() && message.back() > QChar(u'.')) return message + u'.';
  return message;
}

ErrorPresenter SetErrorPresenter(ErrorPresenter presenter) {
  return std::exchange(Presenter(), std::move(presenter));
}

void ShowError(const QString& message) {
  if (Presenter()) {
    Presenter()(message);
    return;
  }
  if (boxOpen) return;
  boxOpen = true;
  QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), ErrorText(message),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.setObjectName("ErrorBox");
  box.exec();
  boxOpen = false;
}

}  // namespace segsim

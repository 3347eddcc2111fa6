#include "ui/message_box.h"

#include <QMessageBox>
#include <utility>

namespace segsim {

namespace {

MessagePresenter& Presenter() {
  static MessagePresenter presenter;
  return presenter;
}

}  // namespace

MessagePresenter SetMessagePresenter(MessagePresenter presenter) {
  return std::exchange(Presenter(), std::move(presenter));
}

void ShowMessage(const QString& text, const QString& caption) {
  if (Presenter()) {
    Presenter()(text, caption);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, nullptr);
  box.setObjectName("MessageBox");
  box.exec();
}

}  // namespace segsim

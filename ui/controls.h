// Small builders for the windows' controls: each gets its documented name as objectName and its
// place in pixels.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>

namespace segsim {

inline QLineEdit* MakeField(QWidget* parent, const char* name, const char* text, QRect place) {
  auto* field = new QLineEdit(text, parent);
  field->setObjectName(name);
  field->setGeometry(place);
  return field;
}

inline QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, QPoint at) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->move(at);
  label->adjustSize();
  return label;
}

inline QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption,
                               QRect place) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setGeometry(place);
  return button;
}

}  // namespace segsim

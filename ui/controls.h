// Small builders for the windows' controls: each gets its documented name as objectName and its
// place in pixels; and the strict reading of a field.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <cstdint>

#include "model/numeric.h"

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

// A field's text as an integer, converted strictly (StrToInt); raises SegsimError for another text.
inline std::int32_t ReadInt(const QLineEdit* field) {
  return StrToInt(field->text().toStdString());
}

}  // namespace segsim

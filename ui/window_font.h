// The windows' font: Tahoma at 8 points, else a narrow sans serif of similar width, so that the
// captions fit the controls' pixel sizes.
#pragma once

#include <QFont>
#include <QStringList>

namespace segsim {

inline QFont WindowFont() {
  QFont font;
  font.setFamilies({"Tahoma", "DejaVu Sans Condensed", "Liberation Sans Narrow", "Arial"});
  font.setPointSize(8);
  return font;
}

}  // namespace segsim

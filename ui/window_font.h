// The windows' font: Tahoma at 8 points (Debian's fonts-wine ships a Tahoma of the same
// metrics), else a narrow sans serif of similar width, so that the captions fit the controls'
// pixel sizes.
#pragma once

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace segsim {

inline QFont WindowFont() {
  static const bool tahomaLoaded = [] {
    const char* path = "/usr/share/wine/fonts/tahoma.ttf";
    return QFile::exists(path) && QFontDatabase::addApplicationFont(path) >= 0;
  }();
  (void)tahomaLoaded;
  QFont font;
  font.setFamilies({"Tahoma", "DejaVu Sans Condensed", "Liberation Sans Narrow", "Arial"});
  font.setPointSize(8);
  return font;
}

}  // namespace segsim

// "About segsim" in the drawing's context menu: the version and what the program is.
#pragma once

#include <QWidget>

namespace segsim {

// Adds the entry to widget's actions (an actions context menu).
void AddAboutAction(QWidget* widget);

// The box's text: "segsim <version>", what it simulates, and the Qt it runs on.
QString AboutText();

}  // namespace segsim

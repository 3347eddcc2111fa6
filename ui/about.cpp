#include "ui/about.h"

#include <QAction>

#include "settings/version.h"
#include "ui/message_box.h"

namespace segsim {

QString AboutText() {
  return QString(
             "segsim %1\n\n"
             "Residential segregation by relocation: agents of several groups on a torus "
             "grid move to a free cell when too few of their neighbours are of their own "
             "group.\n\n"
             "The same model runs headless in segsim-cli and in the Python module segsim.\n"
             "Qt %2")
      .arg(Version(), qVersion());
}

void AddAboutAction(QWidget* widget) {
  auto* about = new QAction("About segsim", widget);
  about->setObjectName("About");
  QObject::connect(about, &QAction::triggered, widget,
                   [] { ShowMessage(AboutText(), "About segsim"); });
  widget->addAction(about);
}

}  // namespace segsim

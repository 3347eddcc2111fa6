#include "ui/parameterspace.h"

namespace segsim {

TForm3::TForm3(QWidget* parent) : QWidget(parent) {
  setObjectName("Form3");
  setWindowTitle("Analyse Parameterspace");
  setAttribute(Qt::WA_QuitOnClose, false);  // closing only hides it
  resize(1000, 700);
}

}  // namespace segsim

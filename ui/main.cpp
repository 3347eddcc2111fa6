// segsim: the interactive segregation model.
#include <QApplication>

#include "ui/windows.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("segsim");
  const segsim::Windows windows = segsim::CreateWindows();
  windows.Form1->show();
  return QApplication::exec();
}

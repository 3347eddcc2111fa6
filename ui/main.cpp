// segsim: the interactive segregation model.
#include <QApplication>
#include <csignal>
#include <cstdio>

#include "model/error.h"
#include "ui/session_options.h"
#include "ui/windows.h"

int main(int argc, char* argv[]) {
  // Past a file-size limit a save fails with "File too large" and says so, instead of ending
  // the program.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication app(argc, argv);  // takes Qt's own options (-platform, -style, ...)
  QApplication::setApplicationName("segsim");
  segsim::SessionOptions options;
  try {
    options = segsim::ParseSessionOptions(QApplication::arguments().mid(1));
  } catch (const segsim::SegsimError& e) {
    std::fprintf(stderr, "segsim: %s\n%s", e.what(), segsim::kSessionUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(segsim::kSessionUsage, stdout);
    return 0;
  }
  const segsim::Windows windows = segsim::CreateWindows(options.seed);
  windows.Form1->show();
  return QApplication::exec();
}

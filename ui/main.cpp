// segsim: the interactive segregation model.
#include <QApplication>
#include <csignal>
#include <cstdio>

#include "model/error.h"
#include "settings/version.h"
#include "ui/session_options.h"
#include "ui/windows.h"

namespace {

// Reads the options; prints the version or the help and gives the exit status when they end
// the program, -1 when the windows are to open.
int ReadOptions(const QStringList& args, segsim::SessionOptions& options) {
  try {
    options = segsim::ParseSessionOptions(args);
  } catch (const segsim::SegsimError& e) {
    std::fprintf(stderr, "segsim: %s\n%s", e.what(), segsim::SessionHelpText().c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(segsim::SessionHelpText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("segsim %s\n", segsim::Version());
    return 0;
  }
  return -1;
}

// --version and --help are answered without a display: the command line is read before Qt's
// application (which needs one) unless Qt's options (-platform ..., one dash) are on it; those
// are taken by Qt first.
bool AnsweredWithoutQt(int argc, char* argv[], int& status) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  if (!args.contains("--version") && !args.contains("--help") && !args.contains("-h")) {
    return false;
  }
  for (const QString& arg : args) {
    if (arg.startsWith('-') && !arg.startsWith("--") && arg != "-h") return false;
  }
  segsim::SessionOptions options;
  status = ReadOptions(args, options);
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Past a file-size limit a save fails with "File too large" and says so, instead of ending
  // the program.
  std::signal(SIGXFSZ, SIG_IGN);
  int status = 0;
  if (AnsweredWithoutQt(argc, argv, status)) return status;
  QApplication app(argc, argv);  // takes Qt's own options (-platform, -style, ...)
  QApplication::setApplicationName("segsim");
  QApplication::setApplicationVersion(segsim::Version());
  segsim::SessionOptions options;
  status = ReadOptions(QApplication::arguments().mid(1), options);
  if (status >= 0) return status;
  const segsim::Windows windows = segsim::CreateWindows(options.seed);
  windows.Form1->show();
  return QApplication::exec();
}

// segsim-screenshots DIR [STEPS [GROUPS]]: runs the model for STEPS steps (300 by default) with
// the analysis window open and writes the client areas of the main and analysis windows to
// DIR/main.png and DIR/analysis.png; then runs a whole sweep of the sweep window's initial
// fields over " number of groups" and writes the sweep window to DIR/sweep.png. With GROUPS the
// model runs with that many groups, and DIR/analysis_scrolled.png shows the analysis window with
// the dissimilarity table scrolled to its far corner.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <cstdio>

#include "charts/chart_view.h"
#include "ui/error_display.h"
#include "ui/windows.h"

namespace {

void Settle(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

bool Save(QWidget* window, const QDir& dir, const char* name) {
  const QString path = dir.filePath(name);
  if (window->grab().save(path)) return true;
  std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  return false;
}

// The ticks of the sweep, one after another until it finishes.
void RunSweep(segsim::TForm3& form3) {
  form3.CB_param->setCurrentIndex(0);  // " number of groups"
  form3.B_start->click();
  for (int tick = 0; form3.Timer2->isActive(); ++tick) {
    form3.Timer2Timer();
    if (tick % 10 == 0) QApplication::processEvents();
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("segsim");
  if (argc < 2) {
    std::fprintf(stderr, "usage: segsim-screenshots DIR [STEPS [GROUPS]]\n");
    return 2;
  }
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  const int steps = argc > 2 ? std::atoi(argv[2]) : 300;
  // A person would see an error box; here it goes to stderr and the run goes on.
  segsim::SetErrorPresenter([](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); });
  const segsim::Windows w = segsim::CreateWindows();
  w.Form1->Timer1->stop();  // the steps are counted here, not by the clock
  if (argc > 3) {
    w.Form1->Edit_anzGr->setText(QString::fromLocal8Bit(argv[3]));
    w.Form1->B_setup->click();
  }
  w.Form1->show();
  w.Form1->Button1->click();
  for (int i = 0; i < steps; ++i) {
    segsim::RunGuarded([&] { w.Form1->DoStep(); });
    if (i % 10 == 0) QApplication::processEvents();
  }
  for (auto* chart : w.Form2->findChildren<segsim::ChartView*>()) chart->ReplotNow();
  Settle(100);
  if (!Save(w.Form1.get(), dir, "main.png") || !Save(w.Form2.get(), dir, "analysis.png")) return 1;
  if (argc > 3) {
    QTableWidget* table = w.Form2->DissimiGrid;
    table->horizontalScrollBar()->setValue(table->horizontalScrollBar()->maximum());
    table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
    Settle(100);
    if (!Save(w.Form2.get(), dir, "analysis_scrolled.png")) return 1;
  }
  w.Form1->Button3->click();  // shows the sweep window
  w.Form3->move(100, 60);
  RunSweep(*w.Form3);
  for (auto* chart : w.Form3->findChildren<segsim::ChartView*>()) chart->ReplotNow();
  Settle(100);
  return Save(w.Form3.get(), dir, "sweep.png") ? 0 : 1;
}

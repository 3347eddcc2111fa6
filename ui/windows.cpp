#include "ui/windows.h"

namespace segsim {

Windows CreateWindows(std::optional<std::uint32_t> sessionSeed) {
  Windows w;
  w.Form1 = std::make_unique<TForm1>(sessionSeed);
  w.Form1->setObjectName("Form1");
  w.Form2 = std::make_unique<TForm2>();
  w.Form2->setObjectName("Form2");
  w.Form1->SetAnalysisWindow(w.Form2.get());
  // Laid out at once, so that "dissimilar" has a table and series before the first step.
  w.Form2->ResetCharts(w.Form1->simulation().Model());
  w.Form3 = std::make_unique<TForm3>(w.Form1.get(), w.Form2.get());
  w.Form1->SetSweepWindow(w.Form3.get());
  return w;
}

}  // namespace segsim

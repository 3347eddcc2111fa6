// A bar series of the chart layer (charts/chart_view.h), one colour per bar.
#pragma once

#include <QColor>
#include <vector>

#include <qcustomplot.h>

namespace segsim {

// A bar series whose bars each carry their own colour, placed at positions 0, 1, 2, ... along the
// key axis (the bottom axis for vertical bars, the left axis for horizontal ones). Value marks,
// when on, write each bar's value beside its end.
class BarSeries : public QCPBars {
public:
  BarSeries(QCPAxis* keyAxis, QCPAxis* valueAxis);

  void AddBar(double value, const QColor& color);
  void Clear();
  void SetMarksVisible(bool on) { marks_ = on; }
  bool MarksVisible() const { return marks_; }

  int Count() const { return static_cast<int>(colors_.size()); }
  double Value(int k) const;  // 0 <= k < Count()
  QColor BarColor(int k) const { return colors_[static_cast<std::size_t>(k)]; }

protected:
  void draw(QCPPainter* painter) override;

private:
  std::vector<QColor> colors_;  // index = position of the bar
  bool marks_ = false;
};

}  // namespace segsim

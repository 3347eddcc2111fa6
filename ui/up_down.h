// An up-down control bound to a number field: its two arrows move a position within a range, the
// field shows the position, and Click follows every arrow click, after the position changed.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace segsim {

class TUpDown : public QWidget {
  Q_OBJECT
public:
  // The field is not owned; it shows the position and takes no typing (its Up and Down keys act
  // as the arrows), so it always holds a position in range.
  TUpDown(QLineEdit* associate, int min, int max, int position, QWidget* parent = nullptr);

  int Position() const { return position_; }
  // Clamped to the range; shown in the field. Fires no Click.
  void SetPosition(int position);
  int Min() const { return min_; }
  int Max() const { return max_; }

  // What a click on an arrow does: moves the position by delta within the range, then Click.
  void ArrowClick(int delta);

signals:
  void Click();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QLineEdit* associate_;
  QToolButton* up_;
  QToolButton* down_;
  int min_;
  int max_;
  int position_;
};

}  // namespace segsim

// The parameter-space sweep window. For now only the window itself: its caption and size, so that
// "analyse parameterspace" has a window to show.
#pragma once

#include <QWidget>

namespace segsim {

class TForm3 : public QWidget {
  Q_OBJECT
public:
  explicit TForm3(QWidget* parent = nullptr);
};

}  // namespace segsim

#include "ui/frozen_table.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <algorithm>

#include "charts/export.h"

namespace segsim {

namespace {

enum class Frozen { Row, Column, Corner };

// Keeps the overlays in place: on the table's resize and whenever rows or columns change.
class FrozenOverlays : public QObject {
public:
  explicit FrozenOverlays(QTableWidget* table) : QObject(table), table_(table) {
    row_ = MakeView(Frozen::Row);
    column_ = MakeView(Frozen::Column);
    corner_ = MakeView(Frozen::Corner);
    table->installEventFilter(this);
    // The headers' signals, not the model's: a table being destroyed deletes its headers before
    // its model, whose last signals must not reach these views.
    for (QHeaderView* header : {table->horizontalHeader(), table->verticalHeader()}) {
      connect(header, &QHeaderView::sectionCountChanged, this, [this] { Update(); });
      connect(header, &QHeaderView::sectionResized, this, [this] { Update(); });
    }
    // Scrolling either way keeps the views and the table together (a wheel over a view too).
    const auto tie = [this](QScrollBar* a, QScrollBar* b) {
      connect(a, &QScrollBar::valueChanged, b, &QScrollBar::setValue);
      connect(b, &QScrollBar::valueChanged, a, &QScrollBar::setValue);
    };
    tie(table->horizontalScrollBar(), row_->horizontalScrollBar());
    tie(table->verticalScrollBar(), column_->verticalScrollBar());
    connect(table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { KeepInView(current); });
    Update();
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == table_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
      Update();
    }
    return false;
  }

private:
  QTableView* MakeView(Frozen kind) {
    auto* view = new QTableView(table_);
    view->setObjectName(kind == Frozen::Row      ? "FrozenRow"
                        : kind == Frozen::Column ? "FrozenColumn"
                                                 : "FrozenCorner");
    view->setModel(table_->model());
    view->setSelectionModel(table_->selectionModel());
    view->setFocusPolicy(Qt::NoFocus);
    view->setFrameShape(QFrame::NoFrame);
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->horizontalHeader()->setMinimumSectionSize(1);
    view->verticalHeader()->setMinimumSectionSize(1);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setHorizontalScrollMode(table_->horizontalScrollMode());
    view->setVerticalScrollMode(table_->verticalScrollMode());
    view->setShowGrid(table_->showGrid());
    view->setWordWrap(false);
    view->setTextElideMode(table_->textElideMode());
    view->setSelectionMode(table_->selectionMode());
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Right clicks and the copy shortcut act on the table.
    view->setContextMenuPolicy(Qt::NoContextMenu);
    view->viewport()->setContextMenuPolicy(Qt::NoContextMenu);
    kinds_.push_back({view, kind});
    return view;
  }

  // A cell moved to with the keys does not hide under the frozen row or column: the table
  // scrolls back until it shows beside them.
  void KeepInView(const QModelIndex& current) {
    if (!current.isValid()) return;
    QScrollBar* vertical = table_->verticalScrollBar();
    QScrollBar* horizontal = table_->horizontalScrollBar();
    while (current.row() > 0 && vertical->value() > vertical->minimum() &&
           table_->visualRect(current).top() < table_->rowHeight(0)) {
      vertical->setValue(vertical->value() - 1);
    }
    while (current.column() > 0 && horizontal->value() > horizontal->minimum() &&
           table_->visualRect(current).left() < table_->columnWidth(0)) {
      horizontal->setValue(horizontal->value() - 1);
    }
  }

  void Update() {
    const int rows = table_->rowCount(), columns = table_->columnCount();
    const int fw = table_->frameWidth();
    const int width0 = columns > 0 ? table_->columnWidth(0) : 0;
    const int height0 = rows > 0 ? table_->rowHeight(0) : 0;
    const QSize viewport = table_->viewport()->size();
    for (const auto& [view, kind] : kinds_) {
      for (int c = 0; c < columns; ++c) {
        view->setColumnWidth(c, table_->columnWidth(c));
        view->setColumnHidden(c, kind != Frozen::Row && c > 0);
      }
      for (int r = 0; r < rows; ++r) {
        view->setRowHeight(r, table_->rowHeight(r));
        view->setRowHidden(r, kind != Frozen::Column && r > 0);
      }
      switch (kind) {
        case Frozen::Row:
          view->setGeometry(fw, fw, viewport.width(), std::min(height0, viewport.height()));
          break;
        case Frozen::Column:
          view->setGeometry(fw, fw, std::min(width0, viewport.width()), viewport.height());
          break;
        case Frozen::Corner:
          view->setGeometry(fw, fw, std::min(width0, viewport.width()),
                            std::min(height0, viewport.height()));
          break;
      }
      view->setVisible(rows > 0 && columns > 0);
      view->raise();
    }
    corner_->raise();
    row_->horizontalScrollBar()->setValue(table_->horizontalScrollBar()->value());
    column_->verticalScrollBar()->setValue(table_->verticalScrollBar()->value());
  }

  QTableWidget* table_;
  QTableView* row_;
  QTableView* column_;
  QTableView* corner_;
  struct Kind {
    QTableView* view;
    Frozen kind;
  };
  std::vector<Kind> kinds_;
};

}  // namespace

void FreezeFirstRowAndColumn(QTableWidget* table) { new FrozenOverlays(table); }

QString TableText(const QTableWidget* table) {
  int top = 0, left = 0, bottom = table->rowCount() - 1, right = table->columnCount() - 1;
  const QList<QTableWidgetSelectionRange> ranges = table->selectedRanges();
  if (!ranges.isEmpty()) {
    top = left = INT_MAX;
    bottom = right = -1;
    for (const QTableWidgetSelectionRange& r : ranges) {
      top = std::min(top, r.topRow());
      left = std::min(left, r.leftColumn());
      bottom = std::max(bottom, r.bottomRow());
      right = std::max(right, r.rightColumn());
    }
  }
  QString text;
  for (int row = top; row <= bottom; ++row) {
    for (int column = left; column <= right; ++column) {
      if (column > left) text += '\t';
      const QTableWidgetItem* item = table->item(row, column);
      const QString cell = item ? item->text() : QString();
      if (cell != " ") text += cell;
    }
    text += '\n';
  }
  return text;
}

void AddTableCopy(QTableWidget* table) {
  auto* copy = new QAction("Copy", table);
  copy->setObjectName("CopyTable");
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  QObject::connect(copy, &QAction::triggered, table, [table] { CopyText(TableText(table)); });
  table->addAction(copy);
  table->setContextMenuPolicy(Qt::ActionsContextMenu);
}

}  // namespace segsim

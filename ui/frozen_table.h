// The dissimilarity table's helpers: its first row and first column kept in view while the rest
// scrolls, and copying cells as tab-separated text.
#pragma once

#include <QString>

class QTableWidget;

namespace segsim {

// Lays three views over the table, sharing its model and selection: row 0 across the top
// (scrolling sideways with the table), column 0 down the left (scrolling up and down with it) and
// cell (0, 0) in the corner. The table itself is unchanged: row 0 and column 0 stay its own
// cells for anything that reads it cell by cell. The views follow the table's column widths and
// row heights and its scroll positions.
void FreezeFirstRowAndColumn(QTableWidget* table);

// The selected cells (the smallest rectangle holding the selection), or the whole table when
// nothing is selected, as lines of tab-separated texts; a blank cell (" ") gives an empty text.
QString TableText(const QTableWidget* table);

// Ctrl+C and a context menu "Copy" put TableText on the clipboard.
void AddTableCopy(QTableWidget* table);

}  // namespace segsim

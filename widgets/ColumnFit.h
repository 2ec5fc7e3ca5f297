#pragma once

class QAbstractItemView;
class QFont;
class QString;
class QTableView;

// Column widths that show a cell's text whole: an elided order number
// cannot tell two orders apart.
namespace ColumnFit {

// Pixels a cell of the view needs for text in font, with padding on each side.
int textWidth(const QAbstractItemView *view, const QFont &font, const QString &text, int padding);
// Widens the column to width; never narrows it.
void widen(QTableView *table, int column, int width);

} // namespace ColumnFit

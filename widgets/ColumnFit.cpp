#include "widgets/ColumnFit.h"

#include <QAbstractItemView>
#include <QFontMetricsF>
#include <QStyle>
#include <QTableView>
#include <QtMath>

namespace ColumnFit {

int textWidth(const QAbstractItemView *view, const QFont &font, const QString &text, int padding)
{
    // The style's text margin on both sides, the grid line, and a pixel of
    // slack each side: text a fraction too wide wraps or is cut.
    const int textMargin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int advance = qCeil(QFontMetricsF(font).horizontalAdvance(text));
    return advance + 2 * padding + 2 * textMargin + 1 + 2;
}

void widen(QTableView *table, int column, int width)
{
    if (column >= 0 && table->columnWidth(column) < width)
        table->setColumnWidth(column, width);
}

} // namespace ColumnFit

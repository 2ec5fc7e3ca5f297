#include "widgets/OrderNumberButtonDelegate.h"

#include "app/core/K.h"
#include "widgets/ColumnFit.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QTableView>
#include <QtMath>

namespace {

QFont linkFont(const QFont &viewFont)
{
    QFont font = viewFont;
    font.setPixelSize(K::f(11));
    return font;
}

double luminance(const QColor &colour)
{
    const auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : qPow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// What the view and the style draw behind a selected cell, a style sheet's
// selection included.
QColor selectionBehind(const QStyleOptionViewItem &option)
{
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    QImage probe(16, 16, QImage::Format_ARGB32_Premultiplied);
    probe.fill(option.palette.color(QPalette::Base));
    QPainter painter(&probe);
    QStyleOptionViewItem cell = option;
    cell.rect = probe.rect();
    style->drawPrimitive(QStyle::PE_PanelItemViewRow, &cell, &painter, widget);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, &painter, widget);
    painter.end();
    return probe.pixelColor(8, 8);
}

// Below this the link text is hard to read on a selection.
constexpr double kReadableContrast = 3.0;

} // namespace

OrderNumberButtonDelegate::OrderNumberButtonDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

int OrderNumberButtonDelegate::columnWidthFor(const QAbstractItemView *view, const QString &text)
{
    return ColumnFit::textWidth(view, linkFont(view->font()), text, K::f(4));
}

void OrderNumberButtonDelegate::fitColumn(QTableView *table, int column, const QString &text)
{
    const int width = columnWidthFor(table, text);
    if (width > widest) {
        widest = width;
        ColumnFit::widen(table, column, width);
    }
}

void OrderNumberButtonDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                      const QModelIndex &index) const
{
    if (index.column() != 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }

    painter->save();
    const QString text = index.data(Qt::DisplayRole).toString();
    const bool hovered = option.state.testFlag(QStyle::State_MouseOver);
    QColor colour(hovered ? QStringLiteral("#0056cc") : QStringLiteral("#007aff"));
    if (option.state.testFlag(QStyle::State_Selected)) {
        // The selection as the row's other cells show it; link blue on a dark
        // selection could not be read.
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, widget);
        const QColor behind = selectionBehind(option);
        if (contrast(colour, behind) < kReadableContrast) {
            const QColor highlighted = option.palette.color(QPalette::HighlightedText);
            colour = contrast(highlighted, behind) >= kReadableContrast
                         ? highlighted
                         : (luminance(behind) > 0.18 ? QColor(Qt::black) : QColor(Qt::white));
        }
    }

    const QFont font = linkFont(option.font);
    painter->setFont(font);
    painter->setPen(QPen(colour, 1, Qt::SolidLine));
    painter->drawText(option.rect, Qt::AlignCenter, text);

    if (hovered) {
        const QFontMetrics metrics(font);
        const int w = metrics.horizontalAdvance(text);
        const int h = metrics.height();
        const QRect r = option.rect;
        const int cx = (r.left() + r.right()) / 2;
        const int cy = (r.top() + r.bottom()) / 2;
        const int y = cy + h / 2 - K::f(2);
        painter->drawLine(cx - w / 2, y, cx + w / 2, y);
    }
    painter->restore();
}

bool OrderNumberButtonDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                            const QStyleOptionViewItem &option,
                                            const QModelIndex &index)
{
    if (index.column() != 0)
        return QStyledItemDelegate::editorEvent(event, model, option, index);

    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseMove:
        if (index.row() != hoverRow) {
            hoverRow = index.row();
            if (model)
                emit model->dataChanged(index, index, {});
        }
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            emit orderNumberClicked(index.row(), index.data(Qt::DisplayRole).toString());
            return true;
        }
        break;
    default:
        break;
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

#include "widgets/OrderNumberButtonDelegate.h"

#include "app/core/K.h"
#include "widgets/ColumnFit.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

QFont linkFont(const QFont &viewFont)
{
    QFont font = viewFont;
    font.setPixelSize(K::f(11));
    return font;
}

} // namespace

OrderNumberButtonDelegate::OrderNumberButtonDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

int OrderNumberButtonDelegate::columnWidthFor(const QAbstractItemView *view, const QString &text)
{
    return ColumnFit::textWidth(view, linkFont(view->font()), text, K::f(4));
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
    const QColor colour(hovered ? QStringLiteral("#0056cc") : QStringLiteral("#007aff"));

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

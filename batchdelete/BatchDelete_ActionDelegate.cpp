#include "batchdelete/BatchDelete_ActionDelegate.h"

#include "app/core/K.h"
#include "batchdelete/BatchDeleteRecords.h"

#include <QAbstractItemModel>
#include <QMouseEvent>
#include <QPainter>

namespace {
// The button a row offers: 1 retry the report, 2 retry the deletion, 0 none.
int offeredButton(const QModelIndex &index)
{
    const int status = index.data(Qt::UserRole).toInt();
    if (status == SubmitFailed)
        return 1;
    if (status == FileOccupied)
        return 2;
    return 0;
}
} // namespace

BatchDelete_ActionDelegate::BatchDelete_ActionDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

void BatchDelete_ActionDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                       const QModelIndex &) const
{
    QColor fill(Qt::white);
    if (option.state & QStyle::State_Selected)
        fill = QColor("#e3f2fd");
    else if (option.state & QStyle::State_MouseOver)
        fill = QColor("#f5f5f5");
    painter->fillRect(option.rect, fill);
}

QSize BatchDelete_ActionDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(K::f(100), K::f(40));
}

QRect BatchDelete_ActionDelegate::getButtonRect(const QStyleOptionViewItem &option, int)
{
    const int height = K::f(26);
    return QRect(option.rect.left() + K::f(8), option.rect.top() + (option.rect.height() - height) / 2, K::f(70),
                 height);
}

void BatchDelete_ActionDelegate::drawButton(QPainter *painter, const QRect &rect, const QString &text,
                                            const QColor &background, const QColor &textColour, bool hovered)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(hovered ? background.lighter(110) : background);
    painter->drawRoundedRect(rect, K::f(4), K::f(4));
    QFont font = painter->font();
    font.setPixelSize(K::f(11));
    font.setWeight(57);
    painter->setFont(font);
    painter->setPen(textColour);
    painter->drawText(rect, Qt::AlignCenter, text);
    painter->restore();
}

bool BatchDelete_ActionDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                             const QStyleOptionViewItem &option, const QModelIndex &index)
{
    const int offered = offeredButton(index);
    if (event->type() == QEvent::MouseMove) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const int hovered = offered != 0 && getButtonRect(option, offered).contains(mouse->pos()) ? offered : 0;
        if (index.row() != m_hoverRow || hovered != m_hoverButton) {
            m_hoverRow = index.row();
            m_hoverButton = hovered;
            if (model)
                emit model->dataChanged(index, index);
        }
    } else if (event->type() == QEvent::MouseButtonRelease && offered != 0) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (getButtonRect(option, offered).contains(mouse->pos())) {
            if (offered == 1)
                emit retrySubmitClicked(index.row());
            else
                emit retryDeleteClicked(index.row());
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

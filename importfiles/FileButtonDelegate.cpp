#include "importfiles/FileButtonDelegate.h"

#include "importfiles/ImportFile.h"

#include <QEvent>
#include <QPainter>

FileButtonDelegate::FileButtonDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

void FileButtonDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    if (index.column() != 2) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    if (index.data(Qt::UserRole).toInt() != int(ImportStatus::Failed))
        return;
    painter->save();
    const QRect button = option.rect.adjusted(10, 5, -10, -5);
    const bool hovered = option.state & QStyle::State_MouseOver;
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(hovered ? QStringLiteral("#ff5252") : QStringLiteral("#ff6b6b")));
    painter->drawRoundedRect(button, 4.0, 4.0);
    painter->setPen(Qt::white);
    painter->drawText(button, Qt::AlignCenter, QStringLiteral("重新导入"));
    painter->restore();
}

QSize FileButtonDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(40);
    return size;
}

bool FileButtonDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                     const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (index.column() == 2 && event->type() == QEvent::MouseButtonRelease
        && index.data(Qt::UserRole).toInt() == int(ImportStatus::Failed)) {
        emit retryClicked(index.row());
        return true;
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

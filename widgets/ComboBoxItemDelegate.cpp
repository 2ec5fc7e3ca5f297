#include "widgets/ComboBoxItemDelegate.h"

#include <QPainter>

ComboBoxItemDelegate::ComboBoxItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QStyleOptionViewItem ComboBoxItemDelegate::styledOption(const QStyleOptionViewItem &option)
{
    QStyleOptionViewItem styled(option);
    QColor background(Qt::white);
    QColor text(Qt::black);
    if (option.state & QStyle::State_MouseOver) {
        background = QColor(QStringLiteral("#2c3e50"));
        text = Qt::white;
    } else if (option.state & QStyle::State_Selected) {
        background = QColor(QStringLiteral("#007aff"));
        text = Qt::white;
    }
    styled.backgroundBrush = QBrush(background);
    styled.palette.setBrush(QPalette::All, QPalette::Text, QBrush(text));
    styled.palette.setBrush(QPalette::All, QPalette::HighlightedText, QBrush(text));
    return styled;
}

void ComboBoxItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, styledOption(option), index);
}

QSize ComboBoxItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), 60);
}

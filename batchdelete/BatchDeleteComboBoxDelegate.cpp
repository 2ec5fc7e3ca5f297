#include "batchdelete/BatchDeleteComboBoxDelegate.h"

#include <QPainter>

BatchDeleteComboBoxDelegate::BatchDeleteComboBoxDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QStyleOptionViewItem BatchDeleteComboBoxDelegate::styledOption(const QStyleOptionViewItem &option)
{
    QStyleOptionViewItem styled(option);
    QColor background(Qt::white);
    QColor text(Qt::black);
    if (styled.state & QStyle::State_MouseOver) {
        background = QColor("#2c3e50");
        text = Qt::white;
    } else if (styled.state & QStyle::State_Selected) {
        background = QColor("#007aff");
        text = Qt::white;
    }
    styled.backgroundBrush = QBrush(background);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        styled.palette.setColor(group, QPalette::Text, text);
        styled.palette.setColor(group, QPalette::HighlightedText, text);
    }
    return styled;
}

void BatchDeleteComboBoxDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    QStyleOptionViewItem styled = styledOption(option);
    initStyleOption(&styled, index);
    styled.backgroundBrush = styledOption(option).backgroundBrush;
    painter->fillRect(styled.rect, styled.backgroundBrush);
    QStyledItemDelegate::paint(painter, styled, index);
}

QSize BatchDeleteComboBoxDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), 60);
}

#include "importfiles/ImportFilesComboBoxDelegate.h"

ImportFilesComboBoxDelegate::ImportFilesComboBoxDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QStyleOptionViewItem ImportFilesComboBoxDelegate::styledOption(const QStyleOptionViewItem &option)
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
    styled.backgroundBrush = background;
    styled.palette.setColor(QPalette::Text, text);
    styled.palette.setColor(QPalette::HighlightedText, text);
    return styled;
}

void ImportFilesComboBoxDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, styledOption(option), index);
}

QSize ImportFilesComboBoxDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(60);
    return size;
}

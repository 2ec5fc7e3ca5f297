#pragma once

#include <QStyledItemDelegate>

// Items of the window's drop-down lists: tall rows with hover and selection colours.
class BatchDeleteComboBoxDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit BatchDeleteComboBoxDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The option as painted: background and text colour for the item's state.
    static QStyleOptionViewItem styledOption(const QStyleOptionViewItem &option);
};

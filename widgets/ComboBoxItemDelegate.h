#pragma once

#include <QStyledItemDelegate>

// Draws the entries of the tools' filter drop-downs: dark when hovered,
// blue when selected, 60 px high.
class ComboBoxItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit ComboBoxItemDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The option paint() hands to the base class; split out so the colours
    // can be checked without a painter.
    static QStyleOptionViewItem styledOption(const QStyleOptionViewItem &option);
};

#pragma once

#include <QStyledItemDelegate>

// Item look of the window's combo boxes: dark when hovered, blue when chosen.
class ImportFilesComboBoxDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit ImportFilesComboBoxDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The option as painted: background brush and text colour set for the item's state.
    static QStyleOptionViewItem styledOption(const QStyleOptionViewItem &option);
};

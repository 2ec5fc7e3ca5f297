#pragma once

#include <QStyledItemDelegate>

// Draws the red "重新导入" button of a failed file and reports its click.
class FileButtonDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit FileButtonDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

signals:
    void retryClicked(int row);
};

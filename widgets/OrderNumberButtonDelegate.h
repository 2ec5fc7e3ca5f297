#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

// Draws the order-number column as a link and reports left clicks on it.
class OrderNumberButtonDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit OrderNumberButtonDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The width a column of the view needs for paint() to show text whole.
    static int columnWidthFor(const QAbstractItemView *view, const QString &text);

signals:
    void orderNumberClicked(int row, const QString &orderNumber);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

private:
    int hoverRow = -1;
};

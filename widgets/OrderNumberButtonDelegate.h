#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;
class QTableView;

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
    // Widens the column, never narrowing it, to show text whole. Only a text
    // wider than any before asks the table, which then measures its sized columns.
    void fitColumn(QTableView *table, int column, const QString &text);
    // The next list widens the column again, even if it was narrowed by hand.
    void forgetFit() { widest = 0; }

signals:
    void orderNumberClicked(int row, const QString &orderNumber);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

private:
    int hoverRow = -1;
    int widest = 0;
};

#pragma once

#include "split/ui/OrderData.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

// The rows of the split tools' order table, read from the panel's order list
// when they are painted: a search of many thousand orders builds no widget
// per row. Column 0 holds the tick (and, in the raw-file mode, "设置选中").
class FJOrderTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    FJOrderTableModel(const QList<OrderData> *orders, const QStringList &headers, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The text of one order in the column of that header.
    static QString cellText(const OrderData &order, const QString &header);

    // Rows follow the order list; every tick is cleared.
    void setRowCount(int rows);
    void setPickText(const QString &text) { m_pickText = text; }
    bool isTicked(int row) const { return row >= 0 && row < m_ticks.size() && m_ticks.at(row); }
    void setTicked(int row, bool ticked);
    void setAllTicked(bool ticked);

private:
    const QList<OrderData> *m_orders;
    QStringList m_headers;
    QVector<bool> m_ticks;
    QString m_pickText;
};

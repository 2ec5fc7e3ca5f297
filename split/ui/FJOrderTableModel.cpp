#include "split/ui/FJOrderTableModel.h"

#include <QColor>

FJOrderTableModel::FJOrderTableModel(const QList<OrderData> *orders, const QStringList &headers, QObject *parent)
    : QAbstractTableModel(parent)
    , m_orders(orders)
    , m_headers(headers)
{
}

int FJOrderTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_ticks.size();
}

int FJOrderTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_headers.size();
}

QString FJOrderTableModel::cellText(const OrderData &order, const QString &header)
{
    if (header == QStringLiteral("订单号"))
        return order.orderpayforkey + QLatin1Char('-') + order.servicetimes;
    if (header == QStringLiteral("男士姓名"))
        return order.mname;
    if (header == QStringLiteral("女士姓名"))
        return order.wname;
    if (header == QStringLiteral("摄影师"))
        return order.role1;
    if (header == QStringLiteral("套系"))
        return order.comboname;
    if (header == QStringLiteral("拍照日期"))
        return order.shotdate;
    if (header == QStringLiteral("初修数/精修数"))
        return QStringLiteral("%1 / %2").arg(order.imagesNum, order.number_jingxiu);
    if (header == QStringLiteral("化妆师"))
        return order.role2;
    if (header == QStringLiteral("选片师"))
        return order.selectphotoname;
    if (header == QStringLiteral("选片日期"))
        return order.sampledate;
    if (header == QStringLiteral("选片完成时间"))
        return order.selectphototime;
    if (header == QStringLiteral("男士电话"))
        return order.mphone;
    if (header == QStringLiteral("女士电话"))
        return order.wphone;
    if (header == QStringLiteral("订单金额"))
        return order.order_price;
    return QString();
}

QVariant FJOrderTableModel::data(const QModelIndex &index, int role) const
{
    const int row = index.row();
    if (!index.isValid() || row >= m_ticks.size() || index.column() >= m_headers.size())
        return QVariant();
    if (index.column() == 0) {
        if (role == Qt::CheckStateRole)
            return m_ticks.at(row) ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::DisplayRole && !m_pickText.isEmpty())
            return m_pickText;
        if (role == Qt::ForegroundRole && !m_pickText.isEmpty())
            return QColor(Qt::blue);
        return QVariant();
    }
    if (role != Qt::DisplayRole || row >= m_orders->size())
        return QVariant();
    return cellText(m_orders->at(row), m_headers.at(index.column()));
}

QVariant FJOrderTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headers.size())
        return m_headers.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void FJOrderTableModel::setRowCount(int rows)
{
    beginResetModel();
    m_ticks = QVector<bool>(qMax(0, rows), false);
    endResetModel();
}

void FJOrderTableModel::setTicked(int row, bool ticked)
{
    if (row < 0 || row >= m_ticks.size() || m_ticks.at(row) == ticked)
        return;
    m_ticks[row] = ticked;
    const QModelIndex cell = index(row, 0);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void FJOrderTableModel::setAllTicked(bool ticked)
{
    m_ticks.fill(ticked);
    if (!m_ticks.isEmpty())
        emit dataChanged(index(0, 0), index(m_ticks.size() - 1, 0), {Qt::CheckStateRole});
}

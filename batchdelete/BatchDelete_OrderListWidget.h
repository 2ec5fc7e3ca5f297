#pragma once

#include "batchdelete/BatchDeleteRecords.h"

#include <QList>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QLabel;
class QTableWidget;
class QVBoxLayout;

// Order table of the batch delete window, with per-order progress.
class BatchDelete_OrderListWidget : public QWidget
{
    Q_OBJECT

public:
    explicit BatchDelete_OrderListWidget(QWidget *parent = nullptr);

    void addOrder(const BatchDeleteOrderInfo &order);
    void clearOrders();
    void selectAll(bool checked);
    QList<BatchDeleteOrderInfo> getCheckedOrders() const;
    BatchDeleteOrderInfo getCurrentOrder() const;
    void updateOrderCheckState(int row, bool checked);
    void refreshOrderFiles(const QString &orderPhotoId, const QList<BatchDeleteFileInfo> &files);
    void refreshFileStatusDeleting(const QString &orderPhotoId, int fileIndex);
    void deleteRefreshOrder(const BatchDeleteOrderInfo &order, const BatchDeleteFileInfo &file);
    void setUserEnable(bool enable);
    static QString getHeaderStyle();
    static QString getScrollBarStyle();

    QList<BatchDeleteOrderInfo> orders() const { return orderList; }
    QLabel *countLabel() const { return countLab; }
    QTableWidget *tableWidget() const { return table; }
    QCheckBox *selectAllBox() const { return selectAllCheck; }

signals:
    void orderSelectionChanged(const QList<BatchDeleteOrderInfo> &orders);
    void singleOrderClicked(const BatchDeleteOrderInfo &order);

public slots:
    void onTableSelectionChanged();
    void onCheckBoxStateChanged(int state);
    void onSelectAllChanged(int state);

private:
    void setupUI();
    int columnOf(const QString &title) const;
    int indexOf(const QString &orderPhotoId) const;
    void fitTextColumn(int column, const QString &text);
    QWidget *counterCell(int row) const;
    void fitCounter(QWidget *cell, int total);
    void showFileList(int row, bool deletedList);

    QVBoxLayout *innerLayout = nullptr;
    QTableWidget *table = nullptr;
    QStringList columnTitles;
    QList<BatchDeleteOrderInfo> orderList;
    QCheckBox *selectAllCheck = nullptr;
    QLabel *countLab = nullptr;
};

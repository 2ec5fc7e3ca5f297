#pragma once

#include "batchdelete/BatchDeleteRecords.h"

#include <QList>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QLabel;
class QTableWidget;
class QTimer;
class QVBoxLayout;

// Order table of the batch delete window, with per-order progress.
class BatchDelete_OrderListWidget : public QWidget
{
    Q_OBJECT

public:
    explicit BatchDelete_OrderListWidget(QWidget *parent = nullptr);
    ~BatchDelete_OrderListWidget() override;

    void addOrder(const BatchDeleteOrderInfo &order);
    // The whole reply of a search in place of the listed orders: every record at
    // once, so ticks and the run cover them all; the rows in view are filled
    // at once, the others a slice at a time.
    void showOrders(const QList<BatchDeleteOrderInfo> &orders);
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
    // Rows whose text items are still to come.
    bool isFilling() const;

protected:
    // Row widgets follow the view as it grows.
    bool eventFilter(QObject *watched, QEvent *event) override;

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
    void fillRow(int row);
    void fillSomeRows();
    // First and last + 1 of the rows that should hold row widgets: those in view and a few each side.
    QPair<int, int> rowsNearView() const;
    // Makes the row widgets of the rows near the view and releases the others.
    void placeRowWidgets();
    void makeCheckCell(int row);
    void makeCounterCell(int row);

    QVBoxLayout *innerLayout = nullptr;
    QTableWidget *table = nullptr;
    QStringList columnTitles;
    QList<BatchDeleteOrderInfo> orderList;
    QCheckBox *selectAllCheck = nullptr;
    QLabel *countLab = nullptr;
    // Row widgets exist only near the view: each is a window-system object
    // with a styled layout, and a table of them all took minutes to fill.
    // A row's tick lives in its stored record.
    QTimer *fillTimer = nullptr;
    int nextRowToFill = 0;
    int widgetRowsFirst = 0;
    int widgetRowsLast = 0;
    bool userEnabled = true;
};

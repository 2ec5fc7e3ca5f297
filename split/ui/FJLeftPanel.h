#pragma once

#include "split/ui/DesignFileSplitTypes.h"
#include "split/ui/OrderData.h"

#include <QList>
#include <QPoint>
#include <QStringList>
#include <QWidget>

class FJOrderTableModel;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QVBoxLayout;

// Left half of the split window: progress, the order table with tick boxes,
// and the branch switch plus order search behind it.
class FJLeftPanel : public QWidget
{
    Q_OBJECT

public:
    explicit FJLeftPanel(QWidget *parent = nullptr);

    void setSplitType(DesignFileSplitTypes type);
    // Shows these orders, none ticked.
    void setOrders(const QList<OrderData> &orders);
    void clearOrders();
    bool isTicked(int row) const;
    // Ticks or unticks one row as a click would, with the mode's single tick of the delivery tool.
    void setTicked(int row, bool ticked);
    QList<int> getSelectedRows() const;
    void setBtnEnable(bool enable);
    void reqOrderList(const QString &searchType, const QString &keyword);

    // The service's search code for a search-type label; empty when it has none.
    static QString searchCode(const QString &searchType);

    QProgressBar *progressBar = nullptr;
    QLabel *progressLabel = nullptr;
    QList<OrderData> orderList;
    QString shopId;
    QString superId;
    QString eid;
    QString issjfenjianms;
    QVBoxLayout *mainLayout = nullptr;
    QStringList headers;
    QTableView *tableWidget = nullptr;
    FJOrderTableModel *orderModel = nullptr;
    QHBoxLayout *buttonsLayout = nullptr;
    QPushButton *selectAllBtn = nullptr;
    QPushButton *unselectAllBtn = nullptr;
    int splitType = DesignSplit;

public slots:
    void onCellClicked(int row, int column);
    void onSelectAllClicked();
    void onUnselectAllClicked();
    void onReqShopInfo(const QString &searchType, const QString &keyword, const QString &k_shopid);

signals:
    void emitReqOrderFinish(bool enable);
    void orderSelected(int row, bool checked);
    void userInfoChange(const QString &shopid, const QString &uid, const QString &superid);

private:
    void setupUI();
    void setupTableWidget();
    void setupButtonsLayout();
    bool eventFilter(QObject *object, QEvent *event) override;
    void onViewClicked(const QModelIndex &index);
    bool isPickClick(const QModelIndex &index) const;

    QPoint m_pressPos;
    void showWarning(const QString &text);
    void finishSearch();
    void failSearch(const QString &problem);
};

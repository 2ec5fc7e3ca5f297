#pragma once

#include "split/ui/DesignFileSplitTypes.h"
#include "split/ui/OrderData.h"

#include <QList>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QHBoxLayout;
class QJsonArray;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

// Left half of the split window: progress, the order table with tick boxes,
// and the branch switch plus order search behind it.
class FJLeftPanel : public QWidget
{
    Q_OBJECT

public:
    explicit FJLeftPanel(QWidget *parent = nullptr);

    void setSplitType(DesignFileSplitTypes type);
    // Fills an existing row; the caller has set the row count and appended the record.
    void addOrder(const OrderData &order, int row);
    void clearOrders();
    QList<int> getSelectedRows() const;
    void setBtnEnable(bool enable);
    void reqOrderList(const QString &searchType, const QString &keyword);

    // The service's search code for a search-type label; empty when it has none.
    static QString searchCode(const QString &searchType);
    // The text of one order in the column of that header; empty for a header without a rule.
    static QString cellText(const OrderData &order, const QString &header);
    // The width of the column of that header in a mode; -1 when it keeps the default.
    static int columnWidth(const QString &header, DesignFileSplitTypes type);

    QProgressBar *progressBar = nullptr;
    QLabel *progressLabel = nullptr;
    QList<OrderData> orderList;
    QString shopId;
    QString superId;
    QString eid;
    QString issjfenjianms;
    QVBoxLayout *mainLayout = nullptr;
    QStringList headers;
    QTableWidget *tableWidget = nullptr;
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
    // The tick box inside the row's column-0 widget; null when the row has none.
    QCheckBox *tickBox(int row) const;
    void setAllTicked(bool ticked);
    void showOrders(const QJsonArray &data);
    void showWarning(const QString &text);
    void finishSearch();
    void failSearch(const QString &problem);
};

#pragma once

#include "split/ui/DesignFileSplitTypes.h"
#include "split/ui/OrderData.h"

#include <QJsonArray>
#include <QList>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <QWidget>

class QCheckBox;
class QHBoxLayout;
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
    ~FJLeftPanel() override;

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

    // Makes the row widgets of the rows near the view and drops the others.
    bool eventFilter(QObject *watched, QEvent *event) override;

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
    // A row's tick lives here, not only in its box: boxes exist just for the
    // rows near the view, and ticks of rows never shown must still count.
    enum class RowTick : char { NoBox, Unticked, Ticked };

    void setupUI();
    void setupTableWidget();
    void setupButtonsLayout();
    // The tick box inside the row's column-0 widget; null when the row has none.
    QCheckBox *tickBox(int row) const;
    void makeRowWidget(int row);
    // First and last row whose widget should exist: the rows in view and a screenful each side.
    QPair<int, int> rowsNearView() const;
    void placeRowWidgets();
    // Ticks or unticks the row through its box when it has one, else in its kept state.
    void setTicked(int row, bool ticked);
    // A row's tick changed, by its box or without one.
    void tickChanged(int row, bool ticked);
    void setAllTicked(bool ticked);
    // A long reply goes in by slices, the first rows first, so the window
    // keeps answering; the search ends with its last row.
    void showOrders(const QJsonArray &data);
    void showSomeOrders();
    void showWarning(const QString &text);
    void finishSearch();
    void failSearch(const QString &problem);

    static constexpr int kOrdersPerSlice = 500;
    QJsonArray m_unshown; // the reply being shown
    int m_nextUnshown = 0;
    QTimer m_showTimer;
    // What the rows of the reply still going in get: "全选" or "取消全选"
    // clicked during the fill covers them too.
    RowTick m_fillTick = RowTick::Unticked;
    QVector<RowTick> m_ticks; // one per table row
    int m_madeFirst = 0;      // rows that may hold a row widget
    int m_madeLast = -1;
};

#pragma once

#include "app/core/BaseReq.h"
#include "transfer/records/OrderInfo.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QWidget>

class QComboBox;
class QDateEdit;
class QJsonDocument;
class QLineEdit;
class QPushButton;
class QSplitter;
class QVBoxLayout;
class tfhomeorders_OrderListWidget;
class tfhomeorders_PhotoDisplayWidget;

// Left pane of the photo transfer tool: the search filters, the order table
// and the grid of the selected order's imported photos. It holds the
// branch context of the search and talks to the service for the search.
class tfhomeorders : public QWidget
{
    Q_OBJECT

public:
    explicit tfhomeorders(QWidget *parent = nullptr);
    ~tfhomeorders() override;

    OrderInfo getCurrentOrderInfo() const;
    OrderInfo getIndexOrderInfo(int index) const;
    void updateOrderProgress(const OrderInfo &order, int percent);
    void updateOrderStatus(const OrderInfo &order, const QString &status);
    void updatePhotoStatus(const OrderInfo &order, int photoIndex, const QString &fileName, PhotoStatus status,
                           const QString &failure = QString());
    void reloadStartAllButtonStatus(bool running);
    void upNextOrderPhotos(int row);
    void updateOrderInfo(const OrderInfo &order);
    void onAddSinglePhoto(const PhotoInfo &photo);

    void reqShopInfo();
    void reqTiaoseList();
    void reqOrderList(const QString &mode);
    void getOrderImportPhotos(const OrderInfo &order);

    tfhomeorders_OrderListWidget *orderListWidget() const { return m_orderListWidget; }
    tfhomeorders_PhotoDisplayWidget *photoDisplayWidget() const { return m_photoDisplayWidget; }
    int openypml() const { return m_openypml; }
    int delyp() const { return m_delyp; }

    // While photo reports of the run are unanswered, the end-of-run refresh
    // of imported counts waits for them; it goes out when they are answered.
    void setReportsPending(bool pending);

    static const QString kRefreshMode;

signals:
    void orderSelChanged(int row, const OrderInfo &order);
    void importProgressUpdated(const QString &orderNumber, int progress);
    void startImportOrder(const OrderInfo &order);
    void startImportAllOrders(const QList<OrderInfo> &orders);
    void stopAllImport();
    void changeShop(QMap<QString, QString> map);

public slots:
    void onSearchClick();
    void onBranchSelectionChanged(int index);
    void onOrderSelectionChanged(int row, const OrderInfo &order);
    void onSearchTypeChanged(int index);
    void onStartImportOrder(const OrderInfo &order);
    void onStartImportAllOrders(const QList<OrderInfo> &orders);
    void onStopAllImport();
    void onReloadOrderThumbnail(const QString &order_photo_id);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupUI();
    void openCalendar(QDateEdit *dateEdit);
    void showCustomCalendar(QDateEdit *dateEdit, const QPoint &globalPos);
    using ReplyHandler = std::function<void(bool, const QJsonDocument &, BaseReq::Failure)>;
    void post(const QString &path, const QByteArray &body, ReplyHandler handler);
    QByteArray shopParameters() const;
    void onSwitchShopReply(bool ok, const QJsonDocument &reply, BaseReq::Failure failure);
    void onPersonsReply(bool ok, const QJsonDocument &reply);
    void onOrderListReply(const QString &mode, bool ok, const QJsonDocument &reply, BaseReq::Failure failure);
    void onOrderPhotosReply(const OrderInfo &asked, bool ok, const QJsonDocument &reply);
    void setSearchButtonBusy(bool busy);
    void setSearching(bool searching);
    void refreshSearchButton();
    void clearSearchResult();
    void failSearch(const QString &problem);

    tfhomeorders_OrderListWidget *m_orderListWidget = nullptr;
    QString m_shopId;
    QString m_eid;
    QString m_superId;
    QVBoxLayout *m_mainLayout = nullptr;
    QComboBox *m_branchComboBox = nullptr;
    QComboBox *m_searchTypeComboBox = nullptr;
    QLineEdit *m_searchLineEdit = nullptr;
    QDateEdit *m_shotDateEdit = nullptr;
    QDateEdit *m_selectDateEdit = nullptr;
    QSplitter *m_splitter = nullptr;
    QComboBox *m_tiaoseComboBox = nullptr;
    QPushButton *m_searchButton = nullptr;
    tfhomeorders_PhotoDisplayWidget *m_photoDisplayWidget = nullptr;
    QList<QString> m_tiaoseIds;
    QString m_tiaoseId;
    int m_openypml = 0;
    int m_delyp = 0;
    bool m_reportsPending = false;
    bool m_refreshAfterReports = false;
    bool m_importBusy = false;
    bool m_searching = false;
    QString m_searchIdleBackground = QStringLiteral("#0179FF");
};

#pragma once

#include "transfer/records/ImportTypes.h"
#include "transfer/records/OrderInfo.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QStringList>
#include <QWidget>

#include <functional>

class OrderNumberButtonDelegate;
class QButtonGroup;
class QHBoxLayout;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTableWidgetItem;
class QVBoxLayout;
class SharedFolderOpener;

// The photo transfer tool's order table: one row per order of the current
// search, the per-row picking of photos or videos, the import kind and the
// one-order-at-a-time start-all queue.
class tfhomeorders_OrderListWidget : public QWidget
{
    Q_OBJECT

public:
    using FileChooser = std::function<QStringList(QWidget *parent, const QString &caption,
                                                  const QString &filter)>;

    explicit tfhomeorders_OrderListWidget(QWidget *parent = nullptr);
    ~tfhomeorders_OrderListWidget() override;

    void addOrder(const OrderInfo &order);
    // Appends many orders at once; same rows as addOrder for each.
    void addOrders(const QList<OrderInfo> &orders);
    void clearOrders();
    OrderInfo getCurrentOrderInfo() const;
    // The stored order at that position; the no-order value when there is none.
    OrderInfo orderAt(int index) const;
    int orderCount() const { return m_orders.size(); }
    static QString getStatusColor(const QString &status);

    void updateOrderProgress(const OrderInfo &order, int percent);
    void updateOrderStatus(const OrderInfo &order, const QString &status);
    // failure: why the file failed, kept for the summary (status Failed only).
    void updatePhotoStatus(const OrderInfo &order, int index, const QString &message, PhotoStatus status,
                           const QString &failure = QString());
    void updateOrderInfo(const OrderInfo &order);
    void refreshImportNums(const QMap<QString, OrderInfo> &refreshed);
    void refreshImporderList();

    QList<PhotoInfo> createPhotoInfoList(const QStringList &files, const OrderInfo &order) const;
    void changeImportType(ImportTypes type);
    void upNextOrderPhotos(int afterIndex);
    void reloadStartAllButtonStatus(bool running);
    void reloadAllBtnStatus();
    void reloadChoosePhotoBtn();
    void orderUpPicNums(int position, const std::function<void(int, QString)> &done) const;
    void updateRowBackground(int row, int value);

    void setOpenButtonMode(int mode) { m_openButtonMode = mode; }
    void setDeleteButtonMode(int mode) { m_deleteButtonMode = mode; }
    bool isRunning() const { return m_running; }

    // Replaces the file dialog (tests, scripted use).
    void setFileChooser(FileChooser chooser);

signals:
    void orderSelectionChanged(int row, const OrderInfo &order);
    void startImportOrder(const OrderInfo &order);
    void startImportAllOrders(const QList<OrderInfo> &orders);
    void stopAllImport();
    void importStatusChange(bool isImport);
    void importAllFinish();

public slots:
    void onStartAllClicked();
    void onOpenPhotoPathClicked();
    void onTableSelectionChanged();
    void onSelectPhotosClicked();
    void onCleanPhotosClicked();
    void onRestImportPathClicked();
    void onOrderNumberClicked(int row, const QString &orderNumber);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupUI();
    int columnOf(const QString &title) const;
    QTableWidgetItem *cellItem(int row, const QString &title) const;
    void setCellText(int row, const QString &title, const QString &text);
    // Row of a position-based update: -1 when the list was refilled since.
    int rowOfOrder(const OrderInfo &order) const;
    int rowFromSender() const;
    void selectRow(int row);
    QWidget *createOperationCell(int row);
    // Button cells exist for the rows in view and a screen around them only:
    // thousands of row widgets would make filling the table take seconds.
    void ensureOperationCells();
    void fillRow(int row, const OrderInfo &order);
    // Asks before a pick would write over files already in the order's folder;
    // false when the user keeps them or the row no longer holds that order.
    // replaced gets the names the user agreed to replace.
    // replaced: picked name -> the form of the name already in the order's folder.
    bool confirmReplacing(const QStringList &files, int row, const QString &orderPhotoId,
                          QHash<QString, QString> *replaced);

    int m_openButtonMode = 0;
    int m_deleteButtonMode = 0;
    SharedFolderOpener *m_folderOpener = nullptr;
    QVBoxLayout *m_contentLayout = nullptr;
    QStringList m_headerLabels;
    QTableWidget *m_table = nullptr;
    OrderNumberButtonDelegate *m_orderNumberDelegate = nullptr;
    QHBoxLayout *m_topBarLayout = nullptr;
    QPushButton *m_startAllButton = nullptr;
    QButtonGroup *m_importKindGroup = nullptr;
    QRadioButton *m_photoRadio = nullptr;
    QRadioButton *m_trialVideoRadio = nullptr;
    QRadioButton *m_retouchedVideoRadio = nullptr;
    QList<OrderInfo> m_orders;
    bool m_running = false;
    FileChooser m_fileChooser;
};

#pragma once

#include "batchdelete/BatchDeleteRecords.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QSet>
#include <QStringList>
#include <QWidget>
#include <functional>

class BatchDelete_FileListWidget;
class BatchDelete_OrderListWidget;
class ElementButton;
class QCalendarWidget;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QSplitter;
class QVBoxLayout;

// The batch delete tool's window ("批量删除"): search a branch's finished
// orders, verify the account, then delete the checked orders' files in step
// with the service.
class BatchDelete : public QWidget
{
    Q_OBJECT

public:
    explicit BatchDelete(QWidget *parent = nullptr);
    ~BatchDelete() override;

    // The login reply, filled by the window's creator.
    QJsonObject loginInfo;

    QString currentShopId() const { return m_currentShopId; }
    int permission() const { return m_permission; }
    bool isUserEnabled() const { return m_userEnabled; }
    BatchDelete_OrderListWidget *orderListPanel() const { return orderListWidget; }
    BatchDelete_FileListWidget *fileListPanel() const { return fileListWidget; }

    void setUserEnable(bool enable);
    QCalendarWidget *showCustomCalendar(QDateEdit *edit, const QPoint &globalPos);
    void reqShopInfo();
    void reqOrderList();
    // The branch's persons; their ids are kept for a person filter ("role7id").
    void reqTiaoseList();
    QStringList personIds() const { return m_personIds; }

    // The two-phase delete run.
    void startDeleteRun();
    void deleteNextOrder();
    void deletePost_all(const BatchDeleteOrderInfo &order, const QList<BatchDeleteFileInfo> &files);
    void deletePost_one(const QString &orderPhotoId, const BatchDeleteFileInfo &file,
                        const std::function<void(bool)> &done);
    void deleteOneFile();

signals:
    void changeShop(QMap<QString, QString> values);

public slots:
    void onSearchClick();
    void onBranchSelectionChanged(int index);
    void onSearchTypeChanged(int index);
    void onStartBatchDelete();
    void onOrderSelectionChanged(const QList<BatchDeleteOrderInfo> &orders);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupUI();
    void openCalendar(QDateEdit *edit);
    void onSingleOrderClicked(const BatchDeleteOrderInfo &order);
    void onScanResult(const BatchDeleteOrderInfo &order, const FileScanResult &result);
    void onFileResult(const BatchDeleteOrderInfo &order, const BatchDeleteFileInfo &file);
    void afterFileOutcome(const BatchDeleteOrderInfo &order);
    void finishOrder();
    void endRun(bool showDone);
    void warn(const QString &text);

    QString m_currentShopId;
    QString m_managerId;
    QString m_superId;
    bool m_closing = false;
    int m_permission = 0;
    bool m_userEnabled = true;
    bool m_running = false;
    int m_inFlight = 0;

    QVBoxLayout *mainLayout = nullptr;
    QSplitter *splitter = nullptr;
    QComboBox *shopCombo = nullptr;
    QComboBox *searchTypeCombo = nullptr;
    QLineEdit *keywordEdit = nullptr;
    QDateEdit *closingDateEdit = nullptr;
    ElementButton *startButton = nullptr;
    ElementButton *searchButton = nullptr;
    BatchDelete_OrderListWidget *orderListWidget = nullptr;
    BatchDelete_FileListWidget *fileListWidget = nullptr;
    QStringList m_personIds;
    QString m_selectedPersonId;

    QList<BatchDeleteOrderInfo> m_ordersToDelete;
    int m_currentOrderIndex = 0;
    QList<BatchDeleteFileInfo> m_pendingFiles;
    // Paths the service accepted in the current order's announcement.
    QSet<QString> m_approvedPaths;
};

#pragma once

#include "batchdelete/BatchDeleteJournal.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "batchdelete/BatchDeleteRecords.h"
#include "platform/ShareGuard.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class BatchDelete_FileListWidget;
class BatchDelete_OrderListWidget;
class ElementButton;
class QCalendarWidget;
class QCloseEvent;
class SimpleDialog;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QSplitter;
class QThreadPool;
class QTimer;
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
    bool isRunning() const { return m_running; }
    BatchDelete_OrderListWidget *orderListPanel() const { return orderListWidget; }
    BatchDelete_FileListWidget *fileListPanel() const { return fileListWidget; }

    void setUserEnable(bool enable);
    QCalendarWidget *showCustomCalendar(QDateEdit *edit, const QPoint &globalPos);
    void reqShopInfo();
    void reqOrderList();
    void reqOrderList(const BatchDeleteLogic::Ids &ids);
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
    // Reports files removed by an earlier run whose report never got through.
    void resendJournal();
    bool isResendingJournal() const { return m_resending; }

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
    // Closing during a run asks first, then lets the removed files' reports go out.
    void closeEvent(QCloseEvent *event) override;

private:
    void setupUI();
    void openCalendar(QDateEdit *edit);
    void onSingleOrderClicked(const BatchDeleteOrderInfo &order);
    void onScanResult(const BatchDeleteOrderInfo &order, const FileScanResult &result);
    void sendAnnouncement(const BatchDeleteOrderInfo &order, const QList<BatchDeleteFileInfo> &files,
                          const QByteArray &body, int found);
    void onFileResult(const BatchDeleteOrderInfo &order, const BatchDeleteFileInfo &file);
    void recordOutcome(const BatchDeleteOrderInfo &order, const BatchDeleteFileInfo &file);
    void skipOrder(const BatchDeleteOrderInfo &order, const QString &reason);
    void nextOrder();
    // Ends the run; a stop reason lists the current and later orders as not deleted.
    void endRun(const QString &stopReason);
    void askResend(const QString &text, const std::function<void(bool)> &answer);
    void stopAndClose();
    void closeWhenIdle();
    void closeNow();
    void warn(const QString &text);
    void setSearching(bool searching);
    void failSearch(const QString &problem);
    // The orders of a search, read off the GUI thread; only the latest search's are shown.
    void onOrderListReply(int generation, const BatchDeleteLogic::Ids &ids, const QString &problem,
                          const QList<BatchDeleteOrderInfo> &orders);
    // Records the next batch of files not yet in the journal; false with why when it cannot.
    bool journalAhead(const BatchDeleteOrderInfo &order, const QList<BatchDeleteFileInfo> &files, QString *error);
    // Files recorded ahead that were never handed on: nothing is owed for them.
    void forgetUnremoved(const QList<BatchDeleteFileInfo> &files);
    void resendNext(QList<BatchDeleteJournal::Entry> owed, int failed, const QString &firstFailure);

    QString m_currentShopId;
    QString m_managerId;
    QString m_superId;
    bool m_closing = false;
    int m_permission = 0;
    bool m_userEnabled = true;
    bool m_running = false;
    // Closing was confirmed during a run: no file is handed on any more.
    bool m_stopping = false;
    bool m_closeConfirmed = false;
    // Files handed to a deletion thread whose outcome is not recorded yet.
    int m_inFlight = 0;
    int m_searchGeneration = 0;
    // The branch ids of the search that found the listed orders, and of the run.
    BatchDeleteLogic::Ids m_searchIds;
    BatchDeleteLogic::Ids m_runIds;

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
    QThreadPool *m_deletionPool = nullptr;
    // The current order's real folder as scanned, and why it is listed at the end.
    QString m_scannedFolder;
    // The current order's share, pinned when its scan starts.
    ShareGuard m_share;
    // What the run's files came to, for its final box, and the current order's.
    BatchDeleteLogic::RunEnd m_end;
    BatchDeleteLogic::OrderTally m_tally;
    QList<QPointer<SimpleDialog>> m_resendPrompts;
    std::unique_ptr<BatchDeleteJournal> m_journal;
    QTimer *m_journalRetry = nullptr;
    bool m_resending = false;
    // Owed reports the service refused in this pass, one line each.
    QStringList m_resendRefused;
    // Set when the run cannot go on safely; it ends once no file is in flight.
    QString m_stopReason;
};

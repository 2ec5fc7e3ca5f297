#pragma once

#include "platform/SharePins.h"
#include "split/engine/FJDataOperate.h"
#include "split/ui/DesignFileSplitTypes.h"
#include "split/ui/OrderData.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QWidget>

#include <memory>

class FJDataThread;
class FJLeftPanel;
class QMessageBox;
class FJRightPanel;
class QHBoxLayout;
class QSplitter;
class QThreadPool;
class QVBoxLayout;
class FJResultRelay;
class QJsonDocument;
class TemporarySweep;

// The window of the four design-file and download tools: the order table on
// the left, the options on the right, and the run over the ticked orders.
class FJHome : public QWidget
{
    Q_OBJECT

public:
    explicit FJHome(QWidget *parent = nullptr);
    ~FJHome() override;

    void setInitData(QMap<QString, QString> data);
    void getOrderInfo(OrderData order);
    void nextOrder();
    void processOrderPhotoDetail(bool ok, const QJsonDocument &reply, const OrderData &order);
    void judgeOrderFinish();
    void downImg();
    void startGenerateHtml();

    // "%1-服务%2 %3-%4 %5" of the order object, each value one path component.
    static QString orderFolderName(const QJsonObject &orderObj);
    // The folder of a downloaded file of the given kind below the order folder.
    static QString downloadFolder(const QString &orderDir, const QString &imageType, int splitType);
    // Retouched pictures whose name matches a thumbnail of `images` by base name and lower-case suffix.
    static QJsonArray matchRetouchedToThumbnails(const QJsonArray &images, const QJsonArray &retouched);
    // order with the photos that were chosen in its undownloaded list when
    // its request went (started) moved, unmarked, to the front of its downloaded list.
    static OrderData markDownloaded(OrderData order, const OrderData &started);
    // fresh, a record of a new search, with the photo marks of marked (the
    // same order as the photo sections show it) carried over by photo id.
    static OrderData withMarksOf(OrderData fresh, const OrderData &marked);
    // Who a photo of an order's lists is: its id, or its name and path when
    // it has no usable id, so such photos are never taken for one another.
    static QString photoKey(const ThumbnailInfo &info);
    // The summary line of a failed job: its message, led by the file's name when the message lacks it.
    static QString failureNote(const QString &srcPath, const QString &message);

public slots:
    void onStartProcessRequested();
    // Result report of every design-file job, queued from the pool threads.
    void slt_copypicthread(bool ok, QString jobType, QString srcPath, QString third, QString message);

signals:
    // The run over the ticked orders ended; carries the summary text shown.
    void runFinished(const QString &summary);

protected:
    void closeEvent(QCloseEvent *event) override;

public:
    QJsonObject loginData;
    DesignFileSplitTypes splitType = DesignSplit;
    QThreadPool *threadPool = nullptr;
    QVBoxLayout *verticalLayout = nullptr;
    QHBoxLayout *mainLayout = nullptr;
    QSplitter *splitter = nullptr;
    FJLeftPanel *leftPanel = nullptr;
    FJRightPanel *rightPanel = nullptr;
    FJDataOperate dataOperate;
    QList<int> selectedRows;
    QString orderDir;
    int allNum = 0;
    bool isStartHtml = false;
    bool isSaveHtml = false;
    int copyPicFinishNum = 0;
    int copyPicNum = 0;
    int downPhotoNum = 0;
    int downPhotoFinishNums = 0;
    int proFinishNum = 0;
    int currentOrderIndex = 0;
    QString errorLog;

private:
    void setupUI();
    void onOrderSelected(int row, bool checked);
    QMessageBox *showMessage(const QString &text, bool information);
    void onRelayedResult(int generation, bool ok, const QString &jobType, const QString &srcPath,
                         const QString &third, const QString &message);
    void onDownloaded(int generation, const QString &url, bool ok, const QByteArray &data, const QString &mimeType);
    void downloadEnded(int generation, const QString &note);
    void noteFailure(bool ok, const QString &srcPath, const QString &message);
    void releaseRelay();
    void reportDownloadSuccess(const QString &photoId);
    void startProducts();
    void startJob(FJDataThread *job);
    void beginOrderAnalysis();
    void runDesignSplit(const QJsonObject &shop);
    void runDownloadOriginals(const OrderData &order);
    void runSelectionResults(const QJsonObject &shop);
    void runPhotoDelivery();
    void showOrderProgress();
    void queueDownload(const QString &url, const QJsonObject &entry);
    void skipOrder(const QString &note);
    ShareGuard runShare(const QString &path);
    // "\n", the order's number and service, a blank, text and ";": one line of the summary.
    QString orderNote(const QString &text) const;
    // True, with the order's note, when the order's share is not (or no longer) there.
    bool shareMissing();
    // True, with the order's note, when the order's folder does not answer (the share's server is gone).
    bool shareUnreachable();
    // True, with the order's note, when the order's folder really lies off its share (a link).
    bool orderFolderOffShare();
    // True, with the order's note, when its folder or one on the way to it is a link.
    bool orderFolderLinked();
    // True, with a note, when the order's raw folder is there but really lies off its share (a link).
    bool rawFolderOffShare();
    void noteShareGone(const QString &message);
    void startShareJob(FJDataThread *job);
    bool currentRow(int *row) const;
    // True when the order's run reads files from its share in this mode.
    bool readsShare() const;
    // The photo sections follow the order they show into a new search's list.
    void followShownOrder();

    bool running = false;
    // The order in progress as it stood when its request went: a change of
    // its photo choice made since is for the next run. Later orders are read
    // from the table when their turn comes.
    OrderData m_turnOrder;
    bool htmlScheduled = false;
    // Number of the order in progress; results of another number are dropped.
    int m_generation = 0;
    FJResultRelay *m_relay = nullptr;
    // Each share the run has met, pinned the first time; the order's own.
    SharePins m_runShares;
    ShareGuard m_orderShare;
    // The run's folders written so far; a new one for each run, so each run
    // clears what killed copies left in the folders it writes.
    std::shared_ptr<TemporarySweep> m_sweep;
    bool m_shareGoneNoted = false;
};

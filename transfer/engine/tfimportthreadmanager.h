#pragma once

#include "platform/SharePins.h"
#include "transfer/engine/OrderImportTask.h"
#include "transfer/records/OrderInfo.h"

#include <QAtomicInt>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QString>

#include <functional>

class QTimer;
class tfimportworker;

// Runs the photo import: queues orders, hands their entries to a pool of
// worker threads and reports per-entry results, progress and completion.
// Lives on the GUI thread; only the workers run elsewhere.
class tfimportthreadmanager : public QObject
{
    Q_OBJECT
public:
    explicit tfimportthreadmanager(QObject *parent = nullptr);
    ~tfimportthreadmanager() override;

    void setMaxWorkerCount(int count);
    int workerCount() const { return maxWorkerCount; }
    void startImportOrder(const OrderInfo &order);
    void startImportAllOrders(const QList<OrderInfo> &orders);
    void stopAllTasks();
    void pauseAllTasks();
    void resumeAllTasks();
    int getCurrentTaskCount();
    QString generateImportPath(const OrderInfo &order);
    bool isRunning() const { return running.loadAcquire() != 0; }
    // True while photos handed to workers have not all reported back.
    bool hasPhotosInFlight();
    // The run of orders ends: the next start pins its shares afresh. A stop ends it too.
    void endRun();
    // For an owner that cannot wait any longer: photos being written are
    // finished and taken back instead of reported; nothing more is dispatched.
    // A photo whose replacements are under way already is finished and
    // reported (photoImported only), and counts as in flight until it is.
    void abandonPhotosInFlight();

    // The size of an entry's copy that the run put (or found) whole in place,
    // taken once; -1 when the run placed none. Known without looking at the
    // share: after a lazy unmount its path leads to the empty mount point.
    qint64 takePlacedSize(const QString &orderPhotoId, int photoIndex);

    bool validateOrderPaths(const QList<OrderInfo> &orders, QString &errorMessage, QString &errorPath);
    void createDirectoryStructure(const QString &basePath, const OrderInfo &order);

signals:
    void photoImported(const OrderInfo &orderinfo, const QString &fileName, int photoindex, bool success,
                       const QString &errorMsg);
    void orderProgressUpdated(const OrderInfo &orderinfo, int completed, int total);
    void orderImportCompleted(const OrderInfo &orderinfo, bool success, const QString &errorMsg);
    void allTasksCompleted();
    void pathErrorOccurred(const QString &errorMessage, const QString &invalidPath);

public slots:
    void onPhotoImported(int taskId, const QString &fileName, int photoIndex, bool success,
                         const QString &errorMsg);
    void onWorkerFinished(int workerId);
    void onCopyPlaced(int taskId, int photoIndex, qint64 size);
    void checkTaskCompletion();

private:
    using Emission = std::function<void()>;

    // Resolves the order's folder into folder, making it and its folders
    // first; false, and nothing made, when it cannot be resolved.
    static bool makeOrderFolders(OrderFolder *folder, const QString &basePath, const OrderInfo &order,
                                 const ShareGuard &share);
    // Why each existing folder of the order below folder may not be written
    // into, by size tag: it leads off the share, or out of within (the real
    // place of the order's folder) into another order's folder.
    static QHash<QString, QString> refusedFolders(const QString &folder, const OrderInfo &order,
                                                  const ShareGuard &share, const QString &within);
    void initializeWorkers();
    void destroyWorkers();
    void renewStoppedWorkers();
    tfimportworker *createWorker(int id);
    void assignNextTask();
    void scheduleDispatch(int delayMs);
    bool enqueue(const OrderInfo &order, bool useGeneratedPath);
    void emitAll(const QList<Emission> &emissions);
    // The share folder lies below, as pinned when the run first reached it
    // (unpinned when folder is below no mounted share).
    ShareGuard runShare(const QString &folder);

    // Progress of one started order (all its slices).
    struct RunProgress
    {
        int done = 0;
        int total = 0;
    };

    int maxWorkerCount = 4;
    QList<tfimportworker *> workers;
    QList<tfimportworker *> retiredWorkers; // stopped, still finishing their last photo
    QList<OrderImportTask> taskQueue;
    QMap<int, OrderImportTask> activeTasks;
    QMap<int, QMap<int, bool>> photoResults;
    QHash<int, RunProgress> runProgress;   // by runId
    SharePins runShares; // pinned once per run of orders
    QHash<QPair<QString, int>, qint64> placedSizes; // by order_photo_id and entry index
    QHash<int, OrderInfo> finishingOrders; // by taskId: photos still reported after a give-up
    int finishingEntries = 0;
    QMutex queueMutex;
    QMutex progressMutex;
    QAtomicInt running{0};
    QAtomicInt paused{0};
    QAtomicInt nextTaskId{1};
    QTimer *checkTimer = nullptr;
    QTimer *dispatchTimer = nullptr;       // the one pending dispatch step
};

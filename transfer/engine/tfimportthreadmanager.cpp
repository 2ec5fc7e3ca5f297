#include "transfer/engine/tfimportthreadmanager.h"

#include "app/core/K.h"
#include "app/core/Logging.h"
#include "platform/MountRoot.h"
#include "transfer/engine/tfimportworker.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSet>
#include <QTimer>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

constexpr int kMaxGroupEntries = 8;

void makeFolder(const QString &path, const ShareGuard &share, const QString &within = QString())
{
    // Made only below the share pinned for the run, never in an empty mount point.
    if (!QFileInfo(path).isDir())
        share.makePath(path, within);
}

} // namespace

tfimportthreadmanager::tfimportthreadmanager(QObject *parent) : QObject(parent)
{
#ifdef __GLIBC__
    // Pictures and coefficient arrays of many megabytes go back to the system when
    // freed; otherwise each worker's allocator arena keeps its own largest peak.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
    checkTimer = new QTimer(this);
    connect(checkTimer, &QTimer::timeout, this, &tfimportthreadmanager::checkTaskCompletion);
    checkTimer->start(1000);
    dispatchTimer = new QTimer(this);
    dispatchTimer->setSingleShot(true);
    connect(dispatchTimer, &QTimer::timeout, this, &tfimportthreadmanager::assignNextTask);
    initializeWorkers();
}

tfimportthreadmanager::~tfimportthreadmanager()
{
    // The owner goes: a worker still writing a photo is not waited for. It
    // finishes that photo, takes its copies back (nobody will report them)
    // and deletes itself.
    stopAllTasks();
    const QList<tfimportworker *> all = workers + retiredWorkers;
    workers.clear();
    retiredWorkers.clear();
    for (tfimportworker *worker : all) {
        worker->stop();
        if (worker->isIdle() && worker->wait(1000)) {
            delete worker;
            continue;
        }
        worker->abandon();
        worker->disconnect(this);
        worker->setParent(nullptr);
        connect(worker, &QThread::finished, worker, &QObject::deleteLater);
        if (worker->isFinished())
            worker->deleteLater();
    }
}

bool tfimportthreadmanager::hasPhotosInFlight()
{
    QMutexLocker lock(&queueMutex);
    return !activeTasks.isEmpty() || finishingEntries > 0;
}

void tfimportthreadmanager::abandonPhotosInFlight()
{
    for (tfimportworker *worker : qAsConst(workers) + retiredWorkers) {
        const QList<PhotoImportTask> finishing = worker->abandon();
        if (finishing.isEmpty())
            continue;
        QMutexLocker lock(&queueMutex);
        const auto task = activeTasks.constFind(finishing.first().taskId);
        if (task == activeTasks.constEnd())
            continue;
        finishingOrders.insert(task.key(), task->order);
        finishingEntries += finishing.size();
    }
    stopAllTasks();
}

tfimportworker *tfimportthreadmanager::createWorker(int id)
{
    auto *worker = new tfimportworker(id, this);
    connect(worker, &tfimportworker::photoImported, this, &tfimportthreadmanager::onPhotoImported);
    connect(worker, &tfimportworker::workerFinished, this, &tfimportthreadmanager::onWorkerFinished);
    connect(worker, &tfimportworker::copyPlaced, this, &tfimportthreadmanager::onCopyPlaced);
    worker->start();
    return worker;
}

void tfimportthreadmanager::initializeWorkers()
{
    for (int i = 0; i < maxWorkerCount; ++i)
        workers.append(createWorker(i));
    qCDebug(lcTransfer) << QStringLiteral("初始化 %1 个导片工作线程").arg(maxWorkerCount);
}

void tfimportthreadmanager::destroyWorkers()
{
    const QList<tfimportworker *> all = workers + retiredWorkers;
    workers.clear();
    retiredWorkers.clear();
    for (tfimportworker *worker : all) {
        worker->stop();
        worker->wait();
        delete worker;
    }
}

void tfimportthreadmanager::renewStoppedWorkers()
{
    bool logged = false;
    for (int i = 0; i < workers.size(); ++i) {
        tfimportworker *worker = workers.at(i);
        if (worker->isRunning() && !worker->isStopping())
            continue;
        if (!logged)
            qCDebug(lcTransfer) << "检测到已停止的工作线程，重新初始化";
        logged = true;
        worker->stop();
        if (worker->isFinished() || !worker->isRunning()) {
            delete worker;
        } else {
            // Still writing the photo it had: let it finish without waiting for it here.
            retiredWorkers.append(worker);
            connect(worker, &QThread::finished, this, [this, worker]() {
                if (retiredWorkers.removeOne(worker))
                    worker->deleteLater();
            });
        }
        workers[i] = createWorker(i);
    }
}

void tfimportthreadmanager::setMaxWorkerCount(int count)
{
    const int n = count < 2 ? 1 : std::min(count, 16);
    if (n == maxWorkerCount)
        return;
    if (isRunning()) {
        stopAllTasks();
        destroyWorkers();
        maxWorkerCount = n;
        initializeWorkers();
        scheduleDispatch(10);
    } else {
        destroyWorkers();
        maxWorkerCount = n;
        initializeWorkers();
    }
}

bool tfimportthreadmanager::validateOrderPaths(const QList<OrderInfo> &orders, QString &errorMessage,
                                               QString &errorPath)
{
    const QString unreachable = QStringLiteral("导入路径无法访问并且无法创建，请检查局域网是否能连接");
    // Nothing is created until every order's folder is known to be a safe place on the share.
    for (const OrderInfo &order : orders) {
        // Its reports would carry an empty order id.
        if (!order.hasIds()) {
            errorMessage = QStringLiteral("订单数据错误");
            errorPath = order.orderpayforkey + QLatin1Char('-') + order.servicetimes;
            return false;
        }
        if (order.importPath.isEmpty() && order.importPublicPath.isEmpty()) {
            errorMessage = QStringLiteral("订单 %1-%2 的导入路径和公共导入路径都为空")
                               .arg(order.orderpayforkey, order.servicetimes);
            errorPath = QString();
            return false;
        }
        const QString used = K::generateImportPathByOrder(order);
        // Shown shortened in the message: the path itself may be megabytes long.
        const QString tooLong = K::pathTooLongMessage(used);
        if (!tooLong.isEmpty()) {
            errorMessage = tooLong;
            errorPath = QString();
            return false;
        }
        if (!MountRoot::isOnShare(used)) {
            errorMessage = unreachable;
            errorPath = used;
            return false;
        }
        // A share pinned earlier in the run must still be that share, not an empty mount point.
        if (!MountRoot::isBelowMountedShare(used) || !runShare(used).stillThere()) {
            errorMessage = K::missingShareMessage(used);
            errorPath = QString();
            return false;
        }
        if (order.importPath.isEmpty()) {
            const QString &publicPath = order.importPublicPath;
            if (!QDir(publicPath).exists() && !QFileInfo(publicPath).dir().exists()) {
                errorMessage = QStringLiteral("公共导入路径无法访问，请检查路径是否正确");
                errorPath = publicPath;
                return false;
            }
        }
    }
    for (const OrderInfo &order : orders) {
        const QString &path = order.importPath;
        if (path.isEmpty() || QDir(path).exists() || QFileInfo(path).dir().exists())
            continue;
        // An order reached through a link is refused at its turn, alone; nothing is made for it.
        OrderFolder folder;
        if (!folder.resolve(path, runShare(path), true) && !folder.isLinked()) {
            errorMessage = unreachable;
            errorPath = path;
            return false;
        }
    }
    return true;
}

bool tfimportthreadmanager::enqueue(const OrderInfo &order, bool useGeneratedPath)
{
    OrderImportTask record;
    record.order = order;
    if (useGeneratedPath)
        record.order.importPath = K::generateImportPathByOrder(order);
    record.taskId = nextTaskId.fetchAndAddOrdered(1);
    record.runId = record.taskId;
    // Every folder and file of the order is checked against the share pinned for the run.
    record.share = runShare(K::generateImportPathByOrder(record.order));
    record.listing = QSharedPointer<FolderListing>::create();
    record.startIndex = 0;
    record.totalPhotos = order.photoList.size();
    record.endIndex = record.totalPhotos;
    taskQueue.append(record);
    return true;
}

ShareGuard tfimportthreadmanager::runShare(const QString &folder)
{
    return runShares.pin(folder);
}

void tfimportthreadmanager::endRun()
{
    runShares.clear();
    QMutexLocker lock(&queueMutex);
    placedSizes.clear();
}

void tfimportthreadmanager::startImportOrder(const OrderInfo &order)
{
    QString message;
    QString path;
    if (!validateOrderPaths({order}, message, path)) {
        qCDebug(lcTransfer) << QStringLiteral("路径验证失败: %1, 路径: %2").arg(message, path);
        emit pathErrorOccurred(message, path);
        return;
    }
    renewStoppedWorkers();
    {
        QMutexLocker lock(&queueMutex);
        running.storeRelease(1);
        enqueue(order, false);
        qCDebug(lcTransfer) << QStringLiteral("添加导片任务: %1 (包含 %2 张照片)")
                                   .arg(order.orderpayforkey)
                                   .arg(order.photoList.size());
    }
    scheduleDispatch(0);
}

void tfimportthreadmanager::startImportAllOrders(const QList<OrderInfo> &orders)
{
    QString message;
    QString path;
    if (!validateOrderPaths(orders, message, path)) {
        qCDebug(lcTransfer) << QStringLiteral("批量导片路径验证失败: %1, 路径: %2").arg(message, path);
        emit pathErrorOccurred(message, path);
        return;
    }
    renewStoppedWorkers();
    {
        QMutexLocker lock(&queueMutex);
        running.storeRelease(1);
        for (const OrderInfo &order : orders)
            enqueue(order, true);
        qCDebug(lcTransfer) << QStringLiteral("添加批量导片任务: %1 个订单").arg(orders.size());
    }
    scheduleDispatch(0);
}

void tfimportthreadmanager::stopAllTasks()
{
    {
        QMutexLocker queueLock(&queueMutex);
        QMutexLocker progressLock(&progressMutex);
        running.storeRelease(0);
        taskQueue.clear();
        activeTasks.clear();
        photoResults.clear();
        runProgress.clear();
        runShares.clear();
        placedSizes.clear();
        for (tfimportworker *worker : qAsConst(workers))
            worker->stop();
    }
    if (dispatchTimer)
        dispatchTimer->stop();
    qCDebug(lcTransfer) << "停止所有导片任务";
}

void tfimportthreadmanager::pauseAllTasks()
{
    paused.storeRelease(1);
    qCDebug(lcTransfer) << "暂停所有导片任务";
}

void tfimportthreadmanager::resumeAllTasks()
{
    paused.storeRelease(0);
    scheduleDispatch(10);
    qCDebug(lcTransfer) << "恢复所有导片任务";
}

int tfimportthreadmanager::getCurrentTaskCount()
{
    QMutexLocker lock(&queueMutex);
    return taskQueue.size() + activeTasks.size();
}

QString tfimportthreadmanager::generateImportPath(const OrderInfo &order)
{
    return K::generateImportPathByOrder(order);
}

void tfimportthreadmanager::createDirectoryStructure(const QString &basePath, const OrderInfo &order)
{
    ShareGuard share;
    share.pin(basePath);
    OrderFolder folder;
    makeOrderFolders(&folder, basePath, order, share);
}

bool tfimportthreadmanager::makeOrderFolders(OrderFolder *folder, const QString &basePath, const OrderInfo &order,
                                             const ShareGuard &share)
{
    // Nothing is made for an order whose folder is reached through a link.
    if (!folder->resolve(basePath, share, true))
        return false;
    // Its folders are made only inside it, never through a link into another order.
    const QString within = folder->realPlace();
    makeFolder(basePath + QStringLiteral("/all"), share, within);
    makeFolder(basePath + QStringLiteral("/原始档"), share, within);
    QSet<QString> seen;
    for (const PhotoInfo &photo : order.photoList) {
        if (photo.sizeTag.isEmpty() || seen.contains(photo.sizeTag))
            continue;
        seen.insert(photo.sizeTag);
        makeFolder(basePath + QLatin1Char('/') + photo.sizeTag, share, within);
    }
    return true;
}

QHash<QString, QString> tfimportthreadmanager::refusedFolders(const QString &folder, const OrderInfo &order,
                                                              const ShareGuard &share, const QString &within)
{
    // Once per folder and run: an existing folder may be a link that leads
    // off the share, or into another order's folder on it.
    QSet<QString> seen;
    QHash<QString, QString> refused;
    for (const PhotoInfo &photo : order.photoList) {
        if (photo.sizeTag.isEmpty() || seen.contains(photo.sizeTag))
            continue;
        seen.insert(photo.sizeTag);
        const QString path = folder + QLatin1Char('/') + photo.sizeTag;
        if (!QFileInfo(path).exists())
            continue;
        if (!share.reaches(path))
            refused.insert(photo.sizeTag, K::folderOffShareMessage(path));
        else if (!share.reachesWithin(path, within))
            refused.insert(photo.sizeTag, K::outsideOrderMessage(path));
    }
    return refused;
}

void tfimportthreadmanager::scheduleDispatch(int delayMs)
{
    // One pending step at a time; an earlier request wins.
    if (dispatchTimer->isActive() && dispatchTimer->remainingTime() <= delayMs)
        return;
    dispatchTimer->start(delayMs);
}

void tfimportthreadmanager::emitAll(const QList<Emission> &emissions)
{
    for (const Emission &emission : emissions)
        emission();
}

void tfimportthreadmanager::assignNextTask()
{
    if (paused.loadAcquire() || !running.loadAcquire())
        return;
    QList<Emission> emissions;
    {
        QMutexLocker queueLock(&queueMutex);
        QList<tfimportworker *> idleWorkers;
        bool anyLive = false;
        for (int i = 0; i < workers.size(); ++i) {
            tfimportworker *worker = workers.at(i);
            if (!worker || !worker->isRunning() || worker->isStopping())
                continue;
            anyLive = true;
            if (worker->isIdle())
                idleWorkers.append(worker);
        }
        while (!taskQueue.isEmpty()) {
            if (taskQueue.first().startIndex >= taskQueue.first().endIndex) {
                // Nothing to write: the order is complete as it stands.
                const OrderImportTask empty = taskQueue.takeFirst();
                emissions.append([this, order = empty.order]() {
                    emit orderImportCompleted(order, true, QString());
                });
                qCDebug(lcTransfer) << QStringLiteral("订单 %1 导片完成").arg(empty.order.orderpayforkey);
                continue;
            }
            if (idleWorkers.isEmpty())
                break;
            OrderImportTask record = taskQueue.takeFirst();
            const QString named = K::generateImportPathByOrder(record.order);
            // Once per run: a later slice never makes the order's folder again,
            // nor looks again where its name leads.
            if (record.startIndex == 0) {
                if (makeOrderFolders(&record.folder, named, record.order, record.share))
                    record.refusedFolders = refusedFolders(record.folder.resolved(), record.order, record.share,
                                                           record.folder.realPlace());
            }
            // Unresolved, the entries fail on the named folder's own check.
            const QString folder = record.folder.isResolved() ? record.folder.resolved() : named;

            QMutexLocker progressLock(&progressMutex);
            QMap<int, bool> &results = photoResults[record.taskId];
            results.clear();
            const QList<PhotoInfo> &photos = record.order.photoList;
            int i = record.startIndex;
            while (i < record.endIndex && !idleWorkers.isEmpty()) {
                QList<PhotoImportTask> group;
                int j = i;
                do {
                    PhotoImportTask task;
                    task.photoInfo = photos.at(j);
                    task.targetDir = QDir(folder).absoluteFilePath(photos.at(j).sizeTag);
                    task.taskId = record.taskId;
                    task.photoIndex = j;
                    task.totalPhotos = record.totalPhotos;
                    task.orderFolder = folder;
                    task.share = record.share;
                    task.listing = record.listing;
                    task.folder = record.folder;
                    task.within = record.folder.realPlace();
                    task.folderRefusal = record.refusedFolders.value(photos.at(j).sizeTag);
                    group.append(task);
                    results.insert(j, false);
                    ++j;
                } while (j < record.endIndex && j - i < kMaxGroupEntries && photos.at(j).url == photos.at(i).url);
                idleWorkers.takeFirst()->setTaskGroup(group);
                i = j;
            }
            if (i < record.endIndex) {
                OrderImportTask rest = record;
                rest.taskId = nextTaskId.fetchAndAddOrdered(1);
                rest.startIndex = i;
                rest.received = 0;
                taskQueue.append(rest);
                record.endIndex = i;
            }
            runProgress[record.runId].total = record.totalPhotos;
            activeTasks.insert(record.taskId, record);
        }
        if (!taskQueue.isEmpty() && idleWorkers.isEmpty() && !anyLive)
            qCDebug(lcTransfer) << "assignNextTask - 4-没有空闲线程";
    }
    emitAll(emissions);
}

void tfimportthreadmanager::onPhotoImported(int taskId, const QString &fileName, int photoIndex, bool success,
                                            const QString &errorMsg)
{
    QList<Emission> emissions;
    {
        QMutexLocker queueLock(&queueMutex);
        QMutexLocker progressLock(&progressMutex);
        auto it = activeTasks.find(taskId);
        if (it == activeTasks.end()) {
            // A photo given up too late to be taken back: its results still go out.
            const auto finishing = finishingOrders.constFind(taskId);
            if (finishing == finishingOrders.constEnd() || finishingEntries <= 0)
                return;
            const OrderInfo order = *finishing;
            if (--finishingEntries == 0)
                finishingOrders.clear();
            queueLock.unlock();
            progressLock.unlock();
            emit photoImported(order, fileName, photoIndex, success, errorMsg);
            return;
        }
        OrderImportTask &record = it.value();
        QMap<int, bool> &results = photoResults[taskId];
        auto mark = results.find(photoIndex);
        const bool counted = mark != results.end() && !mark.value() && !record.isCompleted;
        if (mark != results.end())
            mark.value() = true;
        RunProgress &progress = runProgress[record.runId];
        if (counted) {
            ++progress.done;
            ++record.received;
        }
        const OrderInfo order = record.order;
        const int done = progress.done;
        const int total = record.totalPhotos;
        const int runId = record.runId;
        emissions.append([=]() { emit photoImported(order, fileName, photoIndex, success, errorMsg); });
        emissions.append([=]() { emit orderProgressUpdated(order, done, total); });
        if (counted && done >= total) {
            // Every slice of this run is done: none of them may count again.
            for (auto a = activeTasks.begin(); a != activeTasks.end();) {
                if (a.value().runId == runId) {
                    photoResults.remove(a.key());
                    a = activeTasks.erase(a);
                } else {
                    ++a;
                }
            }
            runProgress.remove(runId);
            emissions.append([=]() { emit orderImportCompleted(order, true, QString()); });
            qCDebug(lcTransfer) << QStringLiteral("订单 %1 导片完成").arg(order.orderpayforkey);
        } else if (record.received >= record.endIndex - record.startIndex) {
            // A finished slice holds nothing the run still needs.
            photoResults.remove(taskId);
            activeTasks.erase(it);
        }
    }
    emitAll(emissions);
    scheduleDispatch(0);
}

void tfimportthreadmanager::onCopyPlaced(int taskId, int photoIndex, qint64 size)
{
    QMutexLocker lock(&queueMutex);
    const auto it = activeTasks.constFind(taskId);
    if (it != activeTasks.constEnd())
        placedSizes.insert(qMakePair(it->order.order_photo_id, photoIndex), size);
    else if (finishingOrders.contains(taskId))
        placedSizes.insert(qMakePair(finishingOrders.value(taskId).order_photo_id, photoIndex), size);
}

qint64 tfimportthreadmanager::takePlacedSize(const QString &orderPhotoId, int photoIndex)
{
    QMutexLocker lock(&queueMutex);
    const auto it = placedSizes.find(qMakePair(orderPhotoId, photoIndex));
    if (it == placedSizes.end())
        return -1;
    const qint64 size = it.value();
    placedSizes.erase(it);
    return size;
}

void tfimportthreadmanager::onWorkerFinished(int workerId)
{
    qCDebug(lcTransfer) << QStringLiteral("工作线程 %1 完成任务").arg(workerId);
    scheduleDispatch(10);
}

void tfimportthreadmanager::checkTaskCompletion()
{
    QList<Emission> emissions;
    {
        QMutexLocker queueLock(&queueMutex);
        QMutexLocker progressLock(&progressMutex);
        for (auto a = activeTasks.begin(); a != activeTasks.end();) {
            if (a.value().isCompleted) {
                photoResults.remove(a.key());
                a = activeTasks.erase(a);
            } else {
                ++a;
            }
        }
        if (running.loadAcquire() && !taskQueue.isEmpty()) {
            bool idleLive = false;
            for (tfimportworker *worker : qAsConst(workers))
                idleLive = idleLive || (worker->isRunning() && !worker->isStopping() && worker->isIdle());
            if (idleLive) {
                qCDebug(lcTransfer) << "检测到可能的线程状态异常，尝试重新分配任务";
                scheduleDispatch(100);
            }
        }
        if (running.loadAcquire() && taskQueue.isEmpty() && activeTasks.isEmpty()) {
            running.storeRelease(0);
            emissions.append([this]() { emit allTasksCompleted(); });
            qCDebug(lcTransfer) << "所有导片任务完成";
        }
    }
    emitAll(emissions);
}

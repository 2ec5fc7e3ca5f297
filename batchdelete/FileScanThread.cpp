#include "batchdelete/FileScanThread.h"

#include "app/core/Logging.h"
#include "app/core/QuitGuard.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "batchdelete/FileScanWorker.h"

#include <QThread>

FileScanThread::FileScanThread(QObject *parent)
    : QObject(parent)
{
    BatchDeleteLogic::registerMetaTypes();
    initThread();
    // A scanner still there at quit: its thread's event loop must not outlive the application.
    QuitGuard::atQuit(this, [this]() { shutDown(); });
}

FileScanThread::~FileScanThread()
{
    shutDown();
}

void FileScanThread::shutDown()
{
    if (worker)
        worker->requestStop();
    if (!thread)
        return;
    QThread *ending = thread;
    thread = nullptr;
    ending->quit();
    if (ending->wait(kShutdownWaitMs)) {
        delete ending;
        return;
    }
    qCWarning(lcBatchDelete) << "FileScanThread: 线程关闭超时，但不强制终止";
    // The hung thread releases itself once its file-system call returns.
    QObject::connect(ending, &QThread::finished, ending, &QObject::deleteLater);
    ending->setParent(nullptr);
}

void FileScanThread::initThread()
{
    if (thread && worker)
        return;
    thread = new QThread();
    worker = new FileScanWorker();
    worker->setMaxDepth(maxDepth);
    worker->moveToThread(thread);
    connect(this, &FileScanThread::startScanInternal, worker, &FileScanWorker::startScan, Qt::QueuedConnection);
    connect(worker, &FileScanWorker::scanFinished, this, &FileScanThread::onScanFinished, Qt::QueuedConnection);
    connect(worker, &FileScanWorker::scanProgress, this, &FileScanThread::scanProgress, Qt::QueuedConnection);
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    thread->start(QThread::InheritPriority);
}

void FileScanThread::setMaxDepth(int depth)
{
    maxDepth = depth;
    if (worker)
        worker->setMaxDepth(depth);
}

void FileScanThread::startScan(const QString &orderId, const QString &path)
{
    if (scanning && worker)
        worker->requestStop();
    scanning = true;
    emit startScanInternal(orderId, path);
}

bool FileScanThread::stopAndWait(int timeoutMs)
{
    Q_UNUSED(timeoutMs)
    stopRequested = true;
    if (worker)
        worker->requestStop();
    else
        scanning = false;
    return true;
}

void FileScanThread::onScanFinished(const FileScanResult &result)
{
    scanning = false;
    if (!stopRequested)
        emit scanFinished(result);
}

#pragma once

#include "batchdelete/BatchDeleteRecords.h"

#include <QObject>
#include <QPointer>

class FileScanWorker;
class QThread;

// Owns one scan thread and its worker; results arrive on the owner's thread.
class FileScanThread : public QObject
{
    Q_OBJECT

public:
    explicit FileScanThread(QObject *parent = nullptr);
    ~FileScanThread() override;

    void setMaxDepth(int depth);
    void startScan(const QString &orderId, const QString &path);
    // Raises the stop flag and returns at once; later results are swallowed.
    bool stopAndWait(int timeoutMs);
    bool isScanning() const { return scanning; }

    static constexpr int kShutdownWaitMs = 5000;

signals:
    void scanFinished(const FileScanResult &result);
    void scanProgress(int fileCount, const QString &folderPath);
    void startScanInternal(const QString &orderId, const QString &path);

public slots:
    void onScanFinished(const FileScanResult &result);

private:
    void initThread();
    void shutDown();

    QThread *thread = nullptr;
    QPointer<FileScanWorker> worker;
    int maxDepth = 2;
    bool scanning = false;
    bool stopRequested = false;
};

#pragma once

#include "batchdelete/BatchDeleteRecords.h"

#include <QAtomicInt>
#include <QObject>

// Lists the files below one order folder; lives on a scan thread.
class FileScanWorker : public QObject
{
    Q_OBJECT

public:
    explicit FileScanWorker(QObject *parent = nullptr);

    void setMaxDepth(int depth) { maxDepth.storeRelaxed(depth); }
    void requestStop() { stopFlag.storeRelaxed(1); }

    static int checkPathAccessibility(const QString &path, QString &message);
    bool scanDirectory(const QString &path, QList<BatchDeleteFileInfo> &list, int depth);
    static QString getParentDirectoryNameSafe(const QString &filePath);

public slots:
    void startScan(const QString &orderId, const QString &path);

signals:
    void scanFinished(const FileScanResult &result);
    void scanProgress(int fileCount, const QString &folderPath);

private:
    QAtomicInt maxDepth{2};
    QAtomicInt stopFlag{0};
    int fileCounter = 0;
};

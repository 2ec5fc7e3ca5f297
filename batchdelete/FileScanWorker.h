#pragma once

#include "batchdelete/BatchDeleteRecords.h"

#include <QAtomicInt>
#include <QObject>

#include <functional>

// Lists the files below one order folder; lives on a scan thread.
class FileScanWorker : public QObject
{
    Q_OBJECT

public:
    explicit FileScanWorker(QObject *parent = nullptr);

    void setMaxDepth(int depth) { maxDepth.storeRelaxed(depth); }
    void requestStop() { stopFlag.storeRelaxed(1); }

    // lookedUp, when set, runs between the folder's look-up and its listing.
    static int checkPathAccessibility(const QString &path, QString &message,
                                      const std::function<void()> &lookedUp = nullptr);
    // False when the scan was stopped or a folder could not be listed whole
    // (vanished, refused, or its share dropped): a partial list is no list.
    bool scanDirectory(const QString &path, QList<BatchDeleteFileInfo> &list, int depth);
    static QString getParentDirectoryNameSafe(const QString &filePath);

    // Test seam: called on the scan thread with a folder and an entry's name
    // between reading the name and looking at the entry.
    std::function<void(const QString &folder, const QString &name)> entryNameRead;
    // Test seam: called on the scan thread with the scanned folder between
    // looking it up and opening it for listing.
    std::function<void(const QString &folder)> folderLookedUp;

public slots:
    void startScan(const QString &orderId, const QString &path);

signals:
    void scanFinished(const FileScanResult &result);
    void scanProgress(int fileCount, const QString &folderPath);

private:
    bool fail(int error, const QString &folder);

    QAtomicInt maxDepth{2};
    QAtomicInt stopFlag{0};
    int fileCounter = 0;
    // Why the running scan could not list a folder: its result code and message.
    int failureCode = 0;
    QString failureMessage;
};

#pragma once

#include "transfer/engine/PhotoImportTask.h"

#include <QAtomicInt>
#include <QImage>
#include <QImageIOHandler>
#include <QList>
#include <QMutex>
#include <QSize>
#include <QThread>
#include <QWaitCondition>

#include <memory>

class ReplaceGate;
class ShareTarget;

// One thread of the import pool: writes the entries it is handed into the
// order's folders and reports one result per entry.
class tfimportworker : public QThread
{
    Q_OBJECT
public:
    explicit tfimportworker(int workerId, QObject *parent = nullptr);
    ~tfimportworker() override;

    void setTask(const PhotoImportTask &task);
    // Entries of one source photo, written from a single decode; one result each.
    void setTaskGroup(const QList<PhotoImportTask> &tasks);
    void stop();
    // Stops the worker for an owner that goes away: the photo it is writing
    // is finished, then its copies are removed instead of reported, and a
    // file it was to replace stays as it was. Returns the entries it still
    // reports: those of a photo whose replacements are under way already
    // (empty when none).
    QList<PhotoImportTask> abandon();
    bool isIdle() const { return idle.loadAcquire() != 0; }
    bool isStopping() const { return stopRequested.loadAcquire() != 0; }
    int id() const { return workerId; }

    static QString generateTargetPath(const PhotoImportTask &task);
    static bool copyOriginalPhoto(const QString &source, const QString &target);
    static bool copyFile(const QString &source, const QString &target);
    static bool compressAndSavePhoto(const QString &source, const QString &target, int targetSize);
    static QSize calculateIntermediateSize(const QSize &size, int targetSize);
    static int getImageOrientation(const QString &path);
    static QImage applyImageRotation(const QImage &image, int orientation);
    static bool copyAndRotatePhoto(const QString &source, const QString &target);
    static bool rotateImageIfNeeded(const QString &path);

    // Rotation-table value that turns an image as the reader's own transformation does.
    static int orientationFromTransformation(QImageIOHandler::Transformations transformation);
    // Pixel size of a size copy made from an image of this size (empty: cannot be made).
    static QSize finalScaledSize(const QSize &size, int targetSize);
    static bool isValidTargetSize(int targetSize) { return targetSize >= 1 && targetSize <= 10000; }
    // Encoding of a size copy or a turned full-size copy: the format of the
    // source's content, or its suffix when the content's format is not known.
    static QByteArray writeFormatFor(const QString &source, const QByteArray &contentFormat = QByteArray());
    static int sizeCopyQuality(const QByteArray &format);
    static int fullCopyQuality(const QByteArray &format);

signals:
    void photoImported(int taskId, const QString &fileName, int photoIndex, bool success,
                       const QString &errorMsg);
    void workerFinished(int workerId);
    // Sent before an entry's result when its copy is whole in place: the
    // copy's size, known without looking at the folder again.
    void copyPlaced(int taskId, int photoIndex, qint64 size);

protected:
    void run() override;

private:
    // What became of one entry.
    struct EntryOutcome
    {
        bool success = false;
        QString errorMsg;
        bool placeLost = false; // the share went, or the order's folder no longer leads where it did
        std::shared_ptr<ShareTarget> target; // the copy's target, once one was made
    };

    void processGroup(const QList<PhotoImportTask> &group, const std::shared_ptr<ReplaceGate> &gate);
    // Takes back the copies of a photo nobody will report: given up at an
    // owner's close, not whole because its place was lost mid-photo, or
    // failed in one of its copies (a full share, a write error).
    static void takeBackUnreported(QList<EntryOutcome> &outcomes, bool abandoned);
    // Long sides of the group's size copies, each once.
    static QList<int> sizeTargets(const QList<PhotoImportTask> &group);
    static bool sourceIsWhole(class tfphotosource &source, const QList<PhotoImportTask> &group);
    bool processEntry(const PhotoImportTask &task, class tfphotosource &source, EntryOutcome &outcome,
                      const std::shared_ptr<ReplaceGate> &gate, int copy);

    const int workerId;
    QList<PhotoImportTask> currentTask; // the entries last handed over
    QList<PhotoImportTask> writing;     // the entries being written, with their gate
    std::shared_ptr<ReplaceGate> writingGate;
    QMutex taskMutex;
    QWaitCondition condition;
    QAtomicInt stopRequested{0};
    QAtomicInt hasTask{0};
    QAtomicInt idle{1};
    QAtomicInt abandoned{0};
    QAtomicInt finishing{0}; // given up too late: the photo being written is still reported
};

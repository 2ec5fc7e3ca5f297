#pragma once

#include "transfer/engine/ThumbnailTask.h"
#include "transfer/records/PhotoInfo.h"

#include <QImage>
#include <QList>
#include <QMutex>
#include <QSize>
#include <QThread>
#include <QWaitCondition>

// Makes the previews of an order's picked photos on its own thread and keeps
// them in a "DP_缩略图" folder beside the sources for the next showing.
// Previews travel as QImage; the receiver turns them into pixmaps.
class tfthumbnailthread : public QThread
{
    Q_OBJECT
public:
    explicit tfthumbnailthread(QObject *parent = nullptr);
    ~tfthumbnailthread() override;

    void setTasks(const QList<PhotoInfo> &photos);
    void cancelTasks();
    void stopThread();

    static QImage createThumbnail(const QString &sourcePath, bool isVideo);
    static bool isVideoEntry(const PhotoInfo &photo);
    static QImage createThumbnailFromLargeImage(const QString &sourcePath);
    static QSize calculateThumbnailIntermediateSize(const QSize &size);
    static QImage placeholder();

signals:
    void thumbnailGenerated(const QString &fileName, const QString &filePath, const QImage &thumbnail, int index);
    void allTasksCompleted();

protected:
    void run() override;

private:
    QMutex taskMutex;
    QWaitCondition taskCondition;
    QList<ThumbnailTask> tasks;
    bool cancelRequested = false;
    bool stopRequested = false;
};

#include "transfer/engine/tfthumbnailthread.h"

#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLinearGradient>
#include <QMutexLocker>
#include <QPainter>

#include <exception>

namespace {

const QSize kPreviewSize(160, 120);

QImage fitPreview(const QImage &image)
{
    if (image.isNull())
        return QImage();
    return image.scaled(kPreviewSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The photo's size as it is shown, its EXIF orientation applied; invalid when unreadable.
QSize uprightSize(const QString &path)
{
    QImageReader reader(path);
    QSize size = reader.size();
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        size.transpose();
    return size;
}

bool sameShape(const QSize &a, const QSize &b)
{
    if (!b.isValid() || a.width() == a.height() || b.width() == b.height())
        return true;
    return (a.width() > a.height()) == (b.width() > b.height());
}

} // namespace

tfthumbnailthread::tfthumbnailthread(QObject *parent) : QThread(parent) {}

tfthumbnailthread::~tfthumbnailthread()
{
    stopThread();
    wait();
}

void tfthumbnailthread::setTasks(const QList<PhotoInfo> &photos)
{
    QMutexLocker lock(&taskMutex);
    tasks.clear();
    cancelRequested = false;
    for (int i = 0; i < photos.size(); ++i) {
        const PhotoInfo &photo = photos.at(i);
        if (!photo.imagesize.isEmpty())
            continue;
        tasks.append({photo.url, QFileInfo(photo.url).fileName(), i, isVideoEntry(photo)});
    }
    if (!isRunning())
        start();
    else
        taskCondition.wakeAll();
}

void tfthumbnailthread::cancelTasks()
{
    QMutexLocker lock(&taskMutex);
    cancelRequested = true;
    tasks.clear();
    taskCondition.wakeAll();
}

void tfthumbnailthread::stopThread()
{
    QMutexLocker lock(&taskMutex);
    cancelRequested = true;
    stopRequested = true;
    tasks.clear();
    taskCondition.wakeAll();
}

void tfthumbnailthread::run()
{
    for (;;) {
        ThumbnailTask task;
        {
            QMutexLocker lock(&taskMutex);
            while (tasks.isEmpty()) {
                if (stopRequested)
                    return;
                taskCondition.wait(&taskMutex);
            }
            if (stopRequested)
                return;
            if (cancelRequested)
                continue;
            task = tasks.takeFirst();
        }
        const QImage preview = createThumbnail(task.sourcePath, task.isVideo);
        bool emitIt = false;
        bool finished = false;
        {
            QMutexLocker lock(&taskMutex);
            emitIt = !cancelRequested && !stopRequested;
            finished = emitIt && tasks.isEmpty();
        }
        // Emitted outside the lock; a cancel that lands in between is told apart by index and name.
        if (emitIt)
            emit thumbnailGenerated(task.fileName, task.sourcePath, preview, task.index);
        if (finished)
            emit allTasksCompleted();
    }
}

bool tfthumbnailthread::isVideoEntry(const PhotoInfo &photo)
{
    return photo.sizeTag == QStringLiteral("试拍视频") || photo.sizeTag == QStringLiteral("精修视频");
}

QImage tfthumbnailthread::createThumbnail(const QString &sourcePath, bool isVideo)
{
    if (isVideo) {
        const QImage icon(QStringLiteral(":/transferphotos/image/transferphotos/home/video.png"));
        return icon.isNull() ? placeholder() : icon;
    }
    const QFileInfo source(sourcePath);
    const QString folder = source.absolutePath() + QStringLiteral("/DP_缩略图");
    const QString previewFile = folder + QLatin1Char('/') + source.fileName();
    if (QDir(folder).exists() && QFileInfo::exists(previewFile)) {
        const QImage cached(previewFile);
        // A preview stored sideways by an older version is made again.
        if (!cached.isNull() && sameShape(cached.size(), uprightSize(sourcePath)))
            return cached;
    }
    if (!QDir(folder).exists())
        QDir().mkpath(folder);

    QImage result;
    const QMap<QString, QString> reply = K::vip8ScalImg(sourcePath, previewFile, 160, 120);
    qCDebug(lcTransfer) << "用的新方法生成的" << reply;
    if (reply.value(QStringLiteral("code")) == QLatin1String("1") || !source.exists()) {
        result = QImage(previewFile);
    } else {
        QImageReader reader(sourcePath);
        reader.setAutoTransform(true);
        if (reader.canRead()) {
            const QSize size = reader.size();
            if (size.isValid() && qint64(size.width()) * size.height() <= 20000000 && size.width() <= 5000
                && size.height() <= 5000)
                result = fitPreview(reader.read());
            else
                result = createThumbnailFromLargeImage(sourcePath);
        }
    }
    if (result.isNull())
        return placeholder();
    if (!QDir(folder).exists())
        QDir().mkpath(folder);
    // A half-written preview would be taken for a good one next time.
    AtomicFile::writeImage(result, previewFile, QFileInfo(previewFile).suffix().toLower().toLatin1(), -1);
    return result;
}

QImage tfthumbnailthread::createThumbnailFromLargeImage(const QString &sourcePath)
{
    try {
        QImageReader reader(sourcePath);
        reader.setAutoTransform(true);
        if (!reader.canRead())
            return QImage();
        const QSize size = reader.size();
        if (size.width() < 0 || size.height() < 0)
            return QImage();
        const QSize intermediate = calculateThumbnailIntermediateSize(size);
        reader.setScaledSize(intermediate);
        QImage image = reader.read();
        if (image.isNull()) {
            QImageReader second(sourcePath);
            second.setAutoTransform(true);
            second.setScaledSize(intermediate.boundedTo(QSize(1024, 1024)));
            image = second.read();
        }
        return fitPreview(image);
    } catch (...) {
        return QImage();
    }
}

QSize tfthumbnailthread::calculateThumbnailIntermediateSize(const QSize &size)
{
    const int w = size.width();
    const int h = size.height();
    const int m = std::max(w, h);
    if (m <= 1000)
        return size;
    int t;
    if (m <= 5000)
        t = std::min(m / 2, 2048);
    else if (m <= 10000)
        t = 1600;
    else if (m <= 15000)
        t = 1200;
    else
        t = 800;
    // In 64 bits: a picture's header may claim millions of pixels a side.
    const QSize result = w <= h ? QSize(int(qint64(t) * w / h), t) : QSize(t, int(qint64(t) * h / w));
    if (result.width() > w || result.height() > h)
        return size;
    return result;
}

QImage tfthumbnailthread::placeholder()
{
    QImage image(kPreviewSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 160, 120);
    gradient.setColorAt(0, QColor(100, 149, 237, 100));
    gradient.setColorAt(1, QColor(176, 196, 222, 100));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QPen(QColor(70, 130, 180), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.drawRect(60, 40, 40, 40);
    painter.drawLine(60, 55, 80, 40);
    painter.drawLine(80, 40, 100, 55);
    painter.drawLine(100, 55, 100, 80);
    painter.drawLine(100, 80, 60, 80);
    painter.end();
    return image;
}

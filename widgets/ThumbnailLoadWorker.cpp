#include "widgets/ThumbnailLoadWorker.h"

#include "app/core/BaseReq.h"
#include "app/core/Logging.h"

#include <QBuffer>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QThreadPool>

namespace {

QImage decodeToFit(QImageReader &reader, const QSize &box)
{
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    // Twice the box keeps the final smooth reduction sharp; the JPEG decoder
    // then only does a fraction of the work for a multi-megapixel photo.
    const QSize decodeBox = box * 2;
    if (stored.isValid()
        && (stored.width() > decodeBox.width() || stored.height() > decodeBox.height()))
        reader.setScaledSize(stored.scaled(decodeBox, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull())
        return image;
    if (image.width() > box.width() || image.height() > box.height())
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace

ThumbnailLoadWorker::ThumbnailLoadWorker(QObject *parent)
    : QObject(parent)
    , networkManager(new QNetworkAccessManager(this))
    , decodePool(new QThreadPool(this))
{
    // Decoding a screenful of camera photos is all CPU: one thread per core, the GUI thread only places pixmaps.
    decodePool->setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
}

ThumbnailLoadWorker::~ThumbnailLoadWorker()
{
    cancelAllRequests();
    decodePool->waitForDone();
}

QImage ThumbnailLoadWorker::readScaled(const QString &path, const QSize &box)
{
    QImageReader reader(path);
    return decodeToFit(reader, box);
}

QImage ThumbnailLoadWorker::readScaled(QIODevice *device, const QSize &box)
{
    QImageReader reader(device);
    return decodeToFit(reader, box);
}

void ThumbnailLoadWorker::setLatestGeneration(int generation)
{
    m_latestGeneration.store(generation);
}

void ThumbnailLoadWorker::setTransferTimeout(int milliseconds)
{
    m_transferTimeoutMs.store(milliseconds);
}

void ThumbnailLoadWorker::loadPhoto(const QString &url, const QString &name, const QString &icon,
                                    int index, int generation)
{
    if (isStale(generation))
        return;
    if (url.isEmpty() && icon.isEmpty()) {
        emit photoLoadFailed(name, index, generation);
        return;
    }
    if (!icon.isEmpty()) {
        decodeLater(icon, QByteArray(), name, index, generation);
        return;
    }

    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("User-Agent", "Mozilla/5.0");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(m_transferTimeoutMs.load());
    QNetworkReply *reply = networkManager->get(request);
    activeReplies.append(reply);
    connect(reply, &QNetworkReply::finished, this, [this, reply, name, index, generation] {
        onReplyFinished(reply, name, index, generation);
    });
}

void ThumbnailLoadWorker::onReplyFinished(QNetworkReply *reply, const QString &name, int index,
                                          int generation)
{
    activeReplies.removeOne(reply);
    reply->deleteLater();
    if (reply->property("cancelled").toBool())
        return;
    if (reply->error() != QNetworkReply::NoError) {
        qCDebug(lcWidgets).noquote() << "缩略图下载失败：" << BaseReq::maskedForLog(reply->url().toString())
                                     << BaseReq::maskedForLog(reply->errorString());
        emit photoLoadFailed(name, index, generation);
        return;
    }
    if (isStale(generation))
        return;
    decodeLater(QString(), reply->readAll(), name, index, generation);
}

void ThumbnailLoadWorker::decodeLater(const QString &path, const QByteArray &bytes,
                                      const QString &name, int index, int generation)
{
    decodePool->start([this, path, bytes, name, index, generation] {
        if (isStale(generation))
            return;
        const QSize box(kTileSize, kTileSize);
        QImage image;
        if (!path.isEmpty()) {
            image = readScaled(path, box);
        } else {
            QByteArray data = bytes;
            QBuffer buffer(&data);
            buffer.open(QIODevice::ReadOnly);
            image = readScaled(&buffer, box);
        }
        if (image.isNull()) {
            qCDebug(lcWidgets) << "缩略图无法读取：" << (path.isEmpty() ? name : path);
            emit photoLoadFailed(name, index, generation);
        } else {
            emit photoLoaded(image, name, index, generation);
        }
    });
}

void ThumbnailLoadWorker::cancelAllRequests()
{
    // Aborting finishes a reply at once, which edits activeReplies.
    decodePool->clear();
    const QList<QNetworkReply *> replies = activeReplies;
    activeReplies.clear();
    for (QNetworkReply *reply : replies) {
        reply->setProperty("cancelled", true);
        reply->abort();
    }
}

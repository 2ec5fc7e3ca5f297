#include "transfer/ui/tfhomeorders_PhotoLoadWorker.h"

#include <QBuffer>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>

tfhomeorders_PhotoLoadWorker::tfhomeorders_PhotoLoadWorker(QObject *parent)
    : QObject(parent)
    , m_networkManager(new QNetworkAccessManager(this))
{
}

QImage tfhomeorders_PhotoLoadWorker::videoPlaceholder()
{
    QImage image(QStringLiteral(":/transferphotos/image/transferphotos/home/video.png"));
    if (!image.isNull())
        return image;
    // Without the resource, a plain play mark keeps video tiles recognisable.
    image = QImage(90, 90, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(QStringLiteral("#e2e8f0")));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(QStringLiteral("#64748b")));
    const QPointF triangle[] = {QPointF(35, 28), QPointF(35, 62), QPointF(63, 45)};
    painter.drawPolygon(triangle, 3);
    return image;
}

QImage tfhomeorders_PhotoLoadWorker::decodeTilePicture(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    // Large pictures are decoded at a reduced size: the tile is 90 x 90.
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > 1024 || full.height() > 1024))
        reader.setScaledSize(full.scaled(360, 360, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull())
        return QImage();
    return image.scaled(90, 90, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void tfhomeorders_PhotoLoadWorker::loadPhoto(const QString &url, const QString &photoName, int index,
                                             int generation, bool video)
{
    if (video) {
        emit photoLoaded(videoPlaceholder(), photoName, index, generation);
        return;
    }
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("User-Agent", "Mozilla/5.0");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(kDownloadTimeoutMs);
    QNetworkReply *reply = m_networkManager->get(request);
    m_pendingReplies.append(reply);
    connect(
        reply, &QNetworkReply::finished, reply,
        [this, reply, photoName, index, generation]() {
            m_pendingReplies.removeAll(reply);
            const bool cancelled = reply->property("cancelled").toBool();
            if (!cancelled) {
                if (reply->error() == QNetworkReply::NoError) {
                    const QImage image = decodeTilePicture(reply->readAll());
                    if (image.isNull())
                        emit photoLoadFailed(photoName, index, generation);
                    else
                        emit photoLoaded(image, photoName, index, generation);
                } else {
                    emit photoLoadFailed(photoName, index, generation);
                }
            }
            reply->deleteLater();
        },
        Qt::DirectConnection);
}

void tfhomeorders_PhotoLoadWorker::cancelAllRequests()
{
    const QList<QNetworkReply *> replies = std::move(m_pendingReplies);
    m_pendingReplies.clear();
    for (QNetworkReply *reply : replies) {
        reply->setProperty("cancelled", true);
        reply->abort();
    }
}

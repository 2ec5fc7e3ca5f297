#include "widgets/ThumbnailLoadWorker.h"

#include "app/core/BaseReq.h"
#include "app/core/Logging.h"
#include "platform/ThreadPriority.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QThreadPool>
#include <QTransform>

namespace {

// APP1 is at most 64 KiB and comes right after SOI (and perhaps APP0).
constexpr qint64 kExifHeadBytes = 128 * 1024;

// Reads the TIFF words of an EXIF block; out-of-range reads give 0.
struct TiffReader {
    const QByteArray &data;
    bool littleEndian;
    quint32 u16(qint64 at) const
    {
        if (at < 0 || at + 2 > data.size())
            return 0;
        const auto *p = reinterpret_cast<const uchar *>(data.constData() + at);
        return littleEndian ? quint32(p[0] | p[1] << 8) : quint32(p[0] << 8 | p[1]);
    }
    quint32 u32(qint64 at) const
    {
        if (at < 0 || at + 4 > data.size())
            return 0;
        return littleEndian ? (u16(at) | u16(at + 2) << 16) : (u16(at) << 16 | u16(at + 2));
    }
};

struct ExifPreview {
    QByteArray jpeg;
    int orientation = 1;
};

ExifPreview previewFromTiff(const QByteArray &tiff)
{
    ExifPreview preview;
    if (!tiff.startsWith("II") && !tiff.startsWith("MM"))
        return preview;
    const TiffReader r{tiff, tiff.startsWith("II")};
    if (r.u16(2) != 42)
        return preview;
    const qint64 ifd0 = r.u32(4);
    const quint32 entries0 = r.u16(ifd0);
    for (quint32 i = 0; i < entries0; ++i) {
        const qint64 entry = ifd0 + 2 + 12 * qint64(i);
        if (r.u16(entry) == 0x0112)
            preview.orientation = int(r.u16(entry + 8));
    }
    const qint64 ifd1 = r.u32(ifd0 + 2 + 12 * qint64(entries0));
    if (ifd1 <= 0)
        return preview;
    qint64 offset = 0;
    qint64 length = 0;
    const quint32 entries1 = r.u16(ifd1);
    for (quint32 i = 0; i < entries1; ++i) {
        const qint64 entry = ifd1 + 2 + 12 * qint64(i);
        if (r.u16(entry) == 0x0201)
            offset = r.u32(entry + 8);
        else if (r.u16(entry) == 0x0202)
            length = r.u32(entry + 8);
    }
    if (offset > 0 && length > 0 && offset + length <= tiff.size())
        preview.jpeg = tiff.mid(int(offset), int(length));
    return preview;
}

// The small JPEG a camera stores in the EXIF block, with the photo's orientation.
ExifPreview exifPreview(const QByteArray &head)
{
    const auto byte = [&head](qint64 at) { return at < head.size() ? uchar(head.at(int(at))) : 0; };
    if (byte(0) != 0xFF || byte(1) != 0xD8)
        return {};
    qint64 pos = 2;
    while (pos + 4 <= head.size() && byte(pos) == 0xFF) {
        const uchar marker = byte(pos + 1);
        if (marker == 0xDA || marker == 0xD9)
            break;
        const qint64 length = byte(pos + 2) << 8 | byte(pos + 3);
        if (length < 2)
            break;
        if (marker == 0xE1 && head.mid(int(pos + 4), 6) == QByteArray("Exif\0\0", 6))
            return previewFromTiff(head.mid(int(pos + 10), int(length - 8)));
        pos += 2 + length;
    }
    return {};
}

// The EXIF orientation applied as the reader's auto-transform does: mirror, flip, then a quarter turn.
QImage oriented(const QImage &image, int orientation)
{
    const bool mirror = orientation == 2 || orientation == 3 || orientation == 7 || orientation == 8;
    const bool flip = orientation == 3 || orientation == 4 || orientation == 5 || orientation == 8;
    QImage result = (mirror || flip) ? image.mirrored(mirror, flip) : image;
    if (orientation >= 5 && orientation <= 8)
        result = result.transformed(QTransform().rotate(90));
    return result;
}

bool isBlack(const QImage &image, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            // JPEG noise leaves black a little above zero.
            if (qMax(qRed(c), qMax(qGreen(c), qBlue(c))) > 48)
                return false;
        }
    }
    return true;
}

// Cameras keep a 160x120 preview even for 3:2 photos, the picture between
// black bars. A preview of another aspect without black bars is returned as
// it is (and then not used).
QImage withoutBars(const QImage &thumb, const QSize &stored)
{
    const QSize content = stored.scaled(thumb.size(), Qt::KeepAspectRatio);
    const int dx = thumb.width() - content.width();
    const int dy = thumb.height() - content.height();
    if (content.isEmpty() || (dx < 2 && dy < 2))
        return thumb;
    // The bars are judged away from the picture's edge, where the encoder
    // blurs both together; the rows or columns next to it are left out.
    const int bar = qMax(dx, dy) / 2;
    const int margin = bar >= 4 ? 2 : bar / 2;
    const QRect inner(dx / 2, dy / 2, content.width(), content.height());
    QRect first, second;
    if (dy >= 2) {
        first = QRect(0, 0, thumb.width(), inner.top() - margin);
        second = QRect(0, inner.bottom() + 1 + margin, thumb.width(),
                       thumb.height() - inner.bottom() - 1 - margin);
    } else {
        first = QRect(0, 0, inner.left() - margin, thumb.height());
        second = QRect(inner.right() + 1 + margin, 0, thumb.width() - inner.right() - 1 - margin,
                       thumb.height());
    }
    if (first.isEmpty() || second.isEmpty() || !isBlack(thumb, first) || !isBlack(thumb, second))
        return thumb;
    return thumb.copy(dy >= 2 ? inner.adjusted(0, 1, 0, -1) : inner.adjusted(1, 0, -1, 0));
}

// A camera's embedded preview, when it is the same picture (same aspect) and
// big enough for the tile: it spares decoding a multi-megapixel photo.
QImage fromExifPreview(const QByteArray &head, const QSize &stored, const QSize &box)
{
    const ExifPreview preview = exifPreview(head);
    if (preview.jpeg.isEmpty())
        return {};
    const QImage whole = QImage::fromData(preview.jpeg, "JPEG");
    const QImage thumb = withoutBars(whole, stored);
    // Bars cut off already match the photo's aspect; the row or column shaved
    // at each edge is within what the smooth reduction hides.
    const bool barsCut = thumb.size() != whole.size();
    const QSize fitted = stored.scaled(box, Qt::KeepAspectRatio);
    const qint64 cross = qint64(thumb.width()) * stored.height() - qint64(thumb.height()) * stored.width();
    if (thumb.isNull() || thumb.width() < fitted.width() || thumb.height() < fitted.height()
        || (!barsCut && qAbs(cross) * 50 > qint64(thumb.height()) * stored.width()))
        return {};
    return oriented(thumb.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                    preview.orientation);
}

QImage decodeToFit(QIODevice *device, const QSize &box)
{
    const QByteArray head = device->peek(kExifHeadBytes);
    QImageReader reader(device);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    // Twice the box keeps the final smooth reduction sharp; the JPEG decoder
    // then only does a fraction of the work for a multi-megapixel photo.
    const QSize decodeBox = box * 2;
    if (stored.isValid()
        && (stored.width() > decodeBox.width() || stored.height() > decodeBox.height())) {
        const QImage preview = fromExifPreview(head, stored, box);
        if (!preview.isNull())
            return preview;
        reader.setScaledSize(stored.scaled(decodeBox, Qt::KeepAspectRatio));
    }
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return decodeToFit(&file, box);
}

QImage ThumbnailLoadWorker::readScaled(QIODevice *device, const QSize &box)
{
    return decodeToFit(device, box);
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
        // The GUI thread places the pictures: it must not queue behind them.
        ThreadPriority::lowerCurrentThread();
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

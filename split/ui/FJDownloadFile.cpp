#include "split/ui/FJDownloadFile.h"

#include "app/core/AtomicFile.h"
#include "app/core/TemporarySweep.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

namespace FJDownloadFile {

QByteArray formatHint(const QString &mimeType)
{
    const QString mime = mimeType.toLower();
    if (mime.contains(QLatin1String("jpeg")) || mime.contains(QLatin1String("jpg")))
        return "JPG";
    if (mime.contains(QLatin1String("png")))
        return "PNG";
    if (mime.contains(QLatin1String("gif")))
        return "GIF";
    if (mime.contains(QLatin1String("bmp")))
        return "BMP";
    return QByteArray();
}

QByteArray formatOfName(const QString &path)
{
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    if (suffix == "jpg" || suffix == "jpeg" || suffix == "jpe")
        return "jpeg";
    if (suffix == "tif")
        return "tiff";
    return suffix;
}

QString save(const QByteArray &data, const QString &mimeType, const QString &path, bool text, TemporarySweep *sweep)
{
    if (sweep)
        sweep->beforeWritingTo(path);
    QString error;
    if (text)
        return AtomicFile::write(data, path, &error) ? QString() : error;

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, formatHint(mimeType));
    // The format the bytes are in, whatever the service's MIME type says.
    const QByteArray sent = QImageReader::imageFormat(&buffer);
    buffer.seek(0);
    // Decoded whole even when the bytes are kept: a damaged picture is a failure.
    const QImage image = reader.read();
    if (image.isNull())
        return QStringLiteral("Failed to read image: ") + reader.errorString();

    const QByteArray wanted = formatOfName(path);
    // Already in the format the name says: the retoucher's file as sent, with
    // its EXIF and colour profile; re-encoding would only change it.
    if (!sent.isEmpty() && sent == wanted)
        return AtomicFile::write(data, path, &error) ? QString() : QStringLiteral("Failed to save image: ") + error;

    const QByteArray encoded = AtomicFile::encodeImage(image, wanted.isEmpty() ? QByteArray("jpg") : wanted, 100, &error);
    if (encoded.isEmpty() || !AtomicFile::write(encoded, path, &error))
        return QStringLiteral("Failed to save image: ") + error;
    return QString();
}

} // namespace FJDownloadFile

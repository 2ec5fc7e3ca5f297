#include "split/ui/FJDownloadFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

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

QString save(const QByteArray &data, const QString &mimeType, const QString &path, bool text)
{
    QSaveFile file(path);
    if (text) {
        if (file.open(QIODevice::WriteOnly | QIODevice::Text) && file.write(data) == data.size() && file.commit())
            return QString();
        return file.errorString();
    }
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, formatHint(mimeType));
    const QImage image = reader.read();
    if (image.isNull())
        return QStringLiteral("Failed to read image: ") + reader.errorString();
    const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    QImageWriter writer(&file, format.isEmpty() ? QByteArray("jpg") : format);
    writer.setQuality(100);
    if (file.open(QIODevice::WriteOnly) && writer.write(image) && file.commit())
        return QString();
    return QStringLiteral("Failed to save image: ") + (writer.error() != QImageWriter::UnknownError
                                                          ? writer.errorString()
                                                          : file.errorString());
}

} // namespace FJDownloadFile

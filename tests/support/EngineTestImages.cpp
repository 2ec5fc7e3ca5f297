#include "EngineTestImages.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QColorSpace>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QProcess>

#include <cmath>

namespace EngineTestImages {

QImage pattern(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_RGB32);
    const int hw = width / 2;
    const int hh = height / 2;
    QPainter painter(&image);
    painter.fillRect(0, 0, hw, hh, QColor(220, 30, 30));
    painter.fillRect(hw, 0, width - hw, hh, QColor(30, 200, 30));
    painter.fillRect(0, hh, hw, height - hh, QColor(30, 30, 220));
    painter.fillRect(hw, hh, width - hw, height - hh, QColor(240, 240, 40));
    painter.end();
    return format == QImage::Format_RGB32 ? image : image.convertToFormat(format);
}

QList<QColor> quarterColours(const QImage &image)
{
    const int w = image.width();
    const int h = image.height();
    return {image.pixelColor(w / 4, h / 4), image.pixelColor(3 * w / 4, h / 4),
            image.pixelColor(w / 4, 3 * h / 4), image.pixelColor(3 * w / 4, 3 * h / 4)};
}

bool sameQuarters(const QImage &a, const QImage &b)
{
    if (a.isNull() || b.isNull())
        return false;
    const QList<QColor> ca = quarterColours(a);
    const QList<QColor> cb = quarterColours(b);
    for (int i = 0; i < 4; ++i) {
        const int d = std::abs(ca[i].red() - cb[i].red()) + std::abs(ca[i].green() - cb[i].green())
                      + std::abs(ca[i].blue() - cb[i].blue());
        if (d > 60)
            return false;
    }
    return true;
}

bool writeJpeg(const QString &path, const QImage &image, int quality)
{
    QImageWriter writer(path, "jpeg");
    writer.setQuality(quality);
    return writer.write(image);
}

bool tagOrientation(const QString &path, int orientation)
{
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"),
                   {QStringLiteral("-q"), QStringLiteral("-Orientation#=%1").arg(orientation),
                    QStringLiteral("-overwrite_original"), path});
    return exiftool.waitForFinished(30000) && exiftool.exitStatus() == QProcess::NormalExit
           && exiftool.exitCode() == 0;
}

namespace {

QByteArray exiftool(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("exiftool"), arguments);
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return QByteArray();
    return tool.readAllStandardOutput() + '\n';
}

} // namespace

bool tagCamera(const QString &path, int orientation)
{
    const QString icc = path + QStringLiteral(".icc");
    QFile profile(icc);
    if (!profile.open(QIODevice::WriteOnly) || profile.write(QColorSpace(QColorSpace::AdobeRgb).iccProfile()) <= 0)
        return false;
    profile.close();
    return !exiftool({QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                      QStringLiteral("-Orientation#=%1").arg(orientation),
                      QStringLiteral("-DateTimeOriginal=2026:05:17 14:03:21"), QStringLiteral("-Make=Canon"),
                      QStringLiteral("-Model=Canon EOS R6"), QStringLiteral("-LensModel=RF24-70mm F2.8 L IS USM"),
                      QStringLiteral("-ExposureTime=1/250"), QStringLiteral("-GPSLatitude=31.2304"),
                      QStringLiteral("-GPSLatitudeRef=N"), QStringLiteral("-XMP-dc:Title=studio"),
                      QStringLiteral("-ICC_Profile<=") + icc, path})
                .isEmpty();
}

QJsonObject cameraTags(const QString &path)
{
    const QByteArray json = exiftool({QStringLiteral("-j"), QStringLiteral("-n"), QStringLiteral("-Orientation"),
                                      QStringLiteral("-DateTimeOriginal"), QStringLiteral("-Make"),
                                      QStringLiteral("-Model"), QStringLiteral("-LensModel"),
                                      QStringLiteral("-ExposureTime"), QStringLiteral("-GPSLatitude"),
                                      QStringLiteral("-XMP-dc:Title"), QStringLiteral("-ProfileDescription"), path});
    QJsonObject tags = QJsonDocument::fromJson(json).array().at(0).toObject();
    tags.remove(QStringLiteral("SourceFile"));
    return tags;
}

int jpegQuality(const QString &path)
{
    static const int kLuminance[64] = {
        16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
        14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
        18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
        49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    static const int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray data = file.readAll();
    const auto byteAt = [&data](int i) { return int(uchar(data.at(i))); };
    int pos = 2;
    while (pos + 4 < data.size()) {
        if (byteAt(pos) != 0xFF)
            return -1;
        const int marker = byteAt(pos + 1);
        const int length = (byteAt(pos + 2) << 8) | byteAt(pos + 3);
        if (marker == 0xDB) {
            const int precisionAndId = byteAt(pos + 4);
            if ((precisionAndId & 0x0F) != 0 || (precisionAndId >> 4) != 0)
                return -1;
            int table[64];
            for (int k = 0; k < 64; ++k)
                table[kZigzag[k]] = byteAt(pos + 5 + k);
            for (int q = 1; q <= 100; ++q) {
                const int scale = q < 50 ? 5000 / q : 200 - 2 * q;
                bool match = true;
                for (int k = 0; k < 64 && match; ++k) {
                    const int v = std::min(255, std::max(1, (kLuminance[k] * scale + 50) / 100));
                    match = v == table[k];
                }
                if (match)
                    return q;
            }
            return -1;
        }
        if (marker == 0xDA)
            return -1;
        pos += 2 + length;
    }
    return -1;
}

QImage upright(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

QList<PhotoInfo> photoEntries(const QString &source, const QStringList &sizes)
{
    QList<PhotoInfo> entries;
    PhotoInfo all;
    all.img_name = QFileInfo(source).fileName();
    all.url = source;
    all.sizeTag = QStringLiteral("all");
    entries.append(all);
    const QStringList tags{QStringLiteral("90"), QStringLiteral("190"), QStringLiteral("1920")};
    for (int i = 0; i < tags.size(); ++i) {
        PhotoInfo copy = all;
        copy.sizeTag = tags.at(i);
        copy.imagesize = sizes.value(i, tags.at(i));
        entries.append(copy);
    }
    return entries;
}

OrderInfo order(const QString &importPath, const QString &number, const QString &orderPhotoId,
                const QStringList &sources)
{
    OrderInfo info;
    info.id = orderPhotoId;
    info.order_photo_id = orderPhotoId;
    info.orderpayforkey = number;
    info.servicetimes = QStringLiteral("1");
    info.importPath = importPath;
    info.index = 0;
    for (const QString &source : sources)
        info.photoList.append(photoEntries(source));
    return info;
}

} // namespace EngineTestImages

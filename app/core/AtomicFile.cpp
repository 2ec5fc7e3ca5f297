#include "app/core/AtomicFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

namespace AtomicFile {

namespace {

bool commit(QSaveFile &file, const QString &target, QString *error)
{
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // Only a file that is really there counts as written.
    if (!QFileInfo(target).isFile()) {
        if (error)
            *error = QStringLiteral("目标文件不存在: %1").arg(target);
        return false;
    }
    return true;
}

} // namespace

bool copy(const QString &source, const QString &target, QString *error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        if (error)
            *error = out.errorString();
        return false;
    }
    constexpr qint64 chunk = 4 * 1024 * 1024;
    QByteArray buffer(int(chunk), Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), chunk);
        if (n < 0) {
            if (error)
                *error = in.errorString();
            out.cancelWriting();
            return false;
        }
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n) {
            if (error)
                *error = out.errorString();
            out.cancelWriting();
            return false;
        }
    }
    return commit(out, target, error);
}

QByteArray encodeImage(const QImage &image, const QByteArray &format, int quality, QString *error)
{
    // Encoded in memory first: one large write suits a network share far better than
    // the encoder's many small ones, and a failed encode never touches the share.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image)) {
        if (error)
            *error = writer.errorString();
        return QByteArray();
    }
    return encoded;
}

bool writeImage(const QImage &image, const QString &target, const QByteArray &format, int quality,
                QString *error)
{
    const QByteArray encoded = encodeImage(image, format, quality, error);
    return !encoded.isEmpty() && write(encoded, target, error);
}

bool write(const QByteArray &data, const QString &target, QString *error)
{
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        if (error)
            *error = out.errorString();
        return false;
    }
    if (out.write(data) != data.size()) {
        if (error)
            *error = out.errorString();
        out.cancelWriting();
        return false;
    }
    return commit(out, target, error);
}

} // namespace AtomicFile

#include "transfer/engine/tfphotosource.h"

#include "app/core/Logging.h"
#include "app/core/AtomicFile.h"
#include "transfer/engine/JpegFile.h"
#include "transfer/engine/ShareTarget.h"
#include "transfer/engine/tfimportworker.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <limits>
#include <utility>
#include <exception>

namespace {

constexpr qint64 kMaxWholePixels = 50000000;
constexpr int kMaxWholeSide = 10000;
constexpr qint64 kMaxDecodedFileBytes = 104857600;  // larger full-size photos are byte copies
constexpr qint64 kMaxNormalReadBytes = 31457280;
constexpr int kLargeReadSide = 4096;
constexpr qint64 kCapPixels = 100000000;
constexpr int kCapSide = 8192;

double mib(qint64 bytes) { return double(bytes) / 1048576.0; }

bool isQuarterTurn(QImageIOHandler::Transformations t)
{
    return t & QImageIOHandler::TransformationRotate90;
}

QSize fitLongSide(const QSize &size, int side)
{
    if (size.width() > size.height())
        return QSize(side, int(qint64(size.height()) * side / size.width()));
    return QSize(int(qint64(size.width()) * side / size.height()), side);
}

// The EXIF value of the reader's transformation (the rotation table numbers 6 and 8 the other way round).
int exifOrientation(QImageIOHandler::Transformations transformation)
{
    switch (int(transformation)) {
    case QImageIOHandler::TransformationMirror: return 2;
    case QImageIOHandler::TransformationRotate180: return 3;
    case QImageIOHandler::TransformationFlip: return 4;
    case QImageIOHandler::TransformationFlipAndRotate90: return 5;
    case QImageIOHandler::TransformationRotate90: return 6;
    case QImageIOHandler::TransformationMirrorAndRotate90: return 7;
    case QImageIOHandler::TransformationRotate270: return 8;
    }
    return 1;
}

QByteArray canonicalFormat(QByteArray name)
{
    name = name.toLower();
    if (name == "jpg")
        return "jpeg";
    if (name == "tif")
        return "tiff";
    return name;
}

} // namespace

tfphotosource::tfphotosource(const QString &path) : m_path(path) {}

bool tfphotosource::probe()
{
    if (m_probed)
        return m_readable;
    m_probed = true;
    QImageReader reader(m_path);
    if (!reader.canRead())
        return false;
    m_readable = true;
    m_format = reader.format();
    m_storedSize = reader.size();
    m_transformation = reader.transformation();
    m_orientation = tfimportworker::orientationFromTransformation(m_transformation);
    return true;
}

bool tfphotosource::claimsOtherFormat() const
{
    // A suffix no reader knows claims nothing; a known one must match the content.
    const QByteArray claimed = canonicalFormat(QFileInfo(m_path).suffix().toLatin1());
    return QImageReader::supportedImageFormats().contains(claimed) && claimed != canonicalFormat(m_format);
}

bool tfphotosource::turnLosslessly()
{
    m_turnTried = true;
    bool damaged = false;
    m_turned = JpegFile::turnedUpright(m_data, exifOrientation(m_transformation), &damaged);
    return !damaged;
}

bool tfphotosource::load(const QList<int> &sizeTargets, bool uprightOriginal)
{
    if (m_loaded)
        return m_whole;
    m_loaded = true;
    if (!probe() || !m_storedSize.isValid() || claimsOtherFormat()) {
        qCDebug(lcTransfer) << "图片无法读取或与文件名不符:" << m_path;
        return false;
    }
    QSize needed;
    for (int target : sizeTargets)
        needed = needed.expandedTo(tfimportworker::finalScaledSize(m_storedSize, target));
    if (m_format == "jpeg") {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        // Read into a buffer of the file's size, on large pages like the decode.
        const qint64 size = file.size();
        m_data = QByteArray(int(std::min<qint64>(size, std::numeric_limits<int>::max() - 1)), Qt::Uninitialized);
        JpegFile::adviseLargePages(m_data.data(), m_data.size());
        qint64 got = 0;
        while (got < m_data.size()) {
            const qint64 n = file.read(m_data.data() + got, m_data.size() - got);
            if (n <= 0)
                break;
            got += n;
        }
        m_data.truncate(int(got));
        if (!file.atEnd())
            m_data += file.readAll(); // grew while being read
        {
            // The reduced decode, four bytes a pixel, and the size copies made from it.
            const QSize decoded = JpegFile::decodedSize(m_storedSize, needed);
            const JpegFile::MemoryShare share(int((qint64(decoded.width()) * decoded.height() * 6) >> 20) + 1);
            // Every scan is decoded, even at 1/8 size, so a truncated file shows here.
            JpegFile::Decode result = JpegFile::Decode::Damaged;
            const QImage base = JpegFile::decode(m_data, needed, &result);
            if (result == JpegFile::Decode::Damaged) {
                qCDebug(lcTransfer) << "图片不完整:" << m_path;
                return false;
            }
            m_whole = true;
            if (!base.isNull() && !sizeTargets.isEmpty()) {
                // The size copies are made now and the large picture let go before the turn.
                m_storedBases.append(base);
                prepareSizes(sizeTargets);
                m_storedBases.clear();
            }
        }
        if (uprightOriginal && m_orientation != 1 && !turnLosslessly()) {
            qCDebug(lcTransfer) << "图片不完整:" << m_path;
            m_whole = false;
            return false;
        }
        return true;
    }
    if (qint64(m_storedSize.width()) * m_storedSize.height() <= kMaxWholePixels) {
        QImageReader reader(m_path);
        reader.setAutoTransform(false);
        const QImage base = reader.read();
        if (base.isNull())
            return false;
        if (!sizeTargets.isEmpty())
            m_storedBases.append(base);
    }
    m_whole = true;
    return true;
}

bool tfphotosource::plainCopy(ShareTarget &target)
{
    QString error;
    // The bytes already read and checked are the ones written.
    if (!m_data.isEmpty() ? target.write(m_data, &error) : target.copy(m_path, &error))
        return true;
    qCDebug(lcTransfer) << "文件拷贝失败:" << error;
    return false;
}

bool tfphotosource::copyUpright(ShareTarget &target)
{
    if (!QFileInfo::exists(m_path)) {
        qCDebug(lcTransfer) << "源文件不存在:" << m_path;
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    if (!load({}))
        return false;
    if (m_orientation == 1) {
        qCDebug(lcTransfer) << "图片方向正常，直接拷贝:" << m_path;
        const bool ok = plainCopy(target);
        if (timer.elapsed() > 10000)
            qCDebug(lcTransfer) << QStringLiteral("文件拷贝耗时较长: %1秒, 文件: %2")
                                       .arg(timer.elapsed() / 1000.0, 0, 'f', 1)
                                       .arg(m_path);
        return ok;
    }
    qCDebug(lcTransfer) << QStringLiteral("检测到图片需要旋转，EXIF方向: %1, 源文件: %2")
                               .arg(m_orientation)
                               .arg(m_path);
    return copyAndRotate(target);
}

bool tfphotosource::copyAndRotate(ShareTarget &target)
{
    if (!load({}))
        return false;
    if (!m_data.isEmpty()) {
        if (!m_turnTried && !turnLosslessly())
            return false;
        if (!m_turned.isEmpty()) {
            QString error;
            const bool written = target.write(std::exchange(m_turned, QByteArray()), &error);
            if (!written)
                qCDebug(lcTransfer) << "无损旋转写入失败:" << error;
            return written;
        }
        // Sides that are not whole blocks: re-encoded below, metadata carried over.
    }
    try {
        const qint64 fileSize = QFileInfo(m_path).size();
        if (fileSize > kMaxDecodedFileBytes) {
            qCDebug(lcTransfer) << QStringLiteral("文件过大 (%1MB)，使用直接拷贝: %2")
                                       .arg(mib(fileSize), 0, 'f', 1)
                                       .arg(m_path);
            return plainCopy(target);
        }
        qCDebug(lcTransfer) << QStringLiteral("开始旋转拷贝，文件大小: %1MB, 源文件: %2")
                                   .arg(mib(fileSize), 0, 'f', 1)
                                   .arg(m_path);
        QElapsedTimer timer;
        timer.start();
        QImageReader reader(m_path);
        if (!reader.canRead()) {
            qCDebug(lcTransfer) << "无法读取图片进行旋转拷贝:" << m_path;
            return plainCopy(target);
        }
        const QSize stored = reader.size();
        if (!stored.isValid()) {
            qCDebug(lcTransfer) << "无法获取图片尺寸进行旋转拷贝:" << m_path;
            return plainCopy(target);
        }
        const QImageIOHandler::Transformations turn = reader.transformation();
        const qint64 pixels = qint64(stored.width()) * stored.height();
        QImage image;
        if (pixels <= kMaxWholePixels && fileSize <= kMaxNormalReadBytes) {
            reader.setAutoTransform(true);
            image = reader.read();
            if (image.isNull()) {
                qCDebug(lcTransfer) << "旋转拷贝时无法读取图片，回退到直接拷贝:" << m_path;
                return plainCopy(target);
            }
        } else {
            qCDebug(lcTransfer) << QStringLiteral("超大图片旋转拷贝处理 (%1x%2, %3MP)")
                                       .arg(stored.width())
                                       .arg(stored.height())
                                       .arg(pixels / 1000000.0, 0, 'f', 1);
            QSize request = stored;
            if (stored.width() > kLargeReadSide || stored.height() > kLargeReadSide)
                request = fitLongSide(stored, kLargeReadSide);
            reader.setScaledSize(request);
            reader.setAutoTransform(true);
            image = reader.read();
            if (image.isNull()) {
                qCDebug(lcTransfer) << "超大图片渐进式旋转拷贝读取失败，回退到直接拷贝:" << m_path;
                return plainCopy(target);
            }
            if (request != stored) {
                QSize back = stored;
                if (pixels > kCapPixels)
                    back = fitLongSide(stored, std::min(std::max(stored.width(), stored.height()), kCapSide));
                // The reader turned the picture, so a quarter turn swaps the sides.
                if (isQuarterTurn(turn))
                    back.transpose();
                qCDebug(lcTransfer) << QStringLiteral("缩放回目标尺寸: %1x%2 -> %3x%4")
                                           .arg(image.width())
                                           .arg(image.height())
                                           .arg(back.width())
                                           .arg(back.height());
                image = image.scaled(back, Qt::KeepAspectRatio, Qt::SmoothTransformation);
                if (image.isNull())
                    return plainCopy(target);
            }
        }
        if (timer.elapsed() > 10000)
            qCDebug(lcTransfer) << QStringLiteral("图片旋转拷贝读取耗时较长: %1秒")
                                       .arg(timer.elapsed() / 1000.0, 0, 'f', 1);
        const QByteArray format = tfimportworker::writeFormatFor(m_path, reader.format());
        QString error;
        QByteArray bytes = AtomicFile::encodeImage(image, format, tfimportworker::fullCopyQuality(format), &error);
        image = QImage();
        if (JpegFile::isJpeg(bytes))
            bytes = JpegFile::withMetadataOf(bytes, m_data, isQuarterTurn(turn));
        if (!bytes.isEmpty() && target.write(bytes, &error)) {
            qCDebug(lcTransfer) << QStringLiteral("图片旋转拷贝成功: %1 -> %2 (耗时: %3秒)")
                                       .arg(m_path, target.path())
                                       .arg(timer.elapsed() / 1000.0, 0, 'f', 1);
            return true;
        }
        qCDebug(lcTransfer) << QStringLiteral("图片旋转拷贝保存失败: %1, 错误: %2，回退到直接拷贝")
                                   .arg(m_path, error);
        // A byte copy cannot help where no copy may go.
        if (target.outcome() == ShareTarget::Refused || target.outcome() == ShareTarget::ShareGone
            || target.outcome() == ShareTarget::NotReplaced)
            return false;
        return plainCopy(target);
    } catch (const std::exception &e) {
        qCDebug(lcTransfer) << QStringLiteral("图片旋转拷贝异常: %1, 错误: %2，回退到直接拷贝")
                                   .arg(m_path, QString::fromLocal8Bit(e.what()));
        return plainCopy(target);
    } catch (...) {
        qCDebug(lcTransfer) << QStringLiteral("图片旋转拷贝未知异常: %1，回退到直接拷贝").arg(m_path);
        return plainCopy(target);
    }
}

void tfphotosource::prepareSizes(const QList<int> &targets)
{
    // Largest first, so each smaller copy can be scaled from a smaller picture.
    QList<int> order = targets;
    std::sort(order.begin(), order.end(), std::greater<int>());
    for (int t : order) {
        if (!m_scaled.contains(t))
            m_scaled.insert(t, makeScaled(t));
    }
}

QImage tfphotosource::scaledCopy(int target)
{
    if (!m_scaled.contains(target))
        m_scaled.insert(target, makeScaled(target));
    return m_scaled.value(target);
}

QImage tfphotosource::decodeForSizes(const QSize &neededStored)
{
    QImageReader reader(m_path);
    reader.setAutoTransform(false);
    const QSize stored = reader.size();
    // JPEG decodes straight to 1/2, 1/4 or 1/8 size; pick the smallest that still covers the copy.
    if (reader.format() == "jpeg" && stored.isValid()) {
        for (int d : {8, 4, 2}) {
            const QSize reduced(stored.width() / d, stored.height() / d);
            if (reduced.width() >= neededStored.width() && reduced.height() >= neededStored.height()
                && !reduced.isEmpty()) {
                reader.setScaledSize(reduced);
                break;
            }
        }
    }
    return reader.read();
}

QImage tfphotosource::oversizeScaledCopy(int target)
{
    QImageReader reader(m_path);
    reader.setAutoTransform(false);
    const QSize stored = reader.size();
    qCDebug(lcTransfer) << QStringLiteral("检测到超大图片 (%1x%2)，使用渐进式缩放处理")
                               .arg(stored.width())
                               .arg(stored.height());
    const QSize intermediate = tfimportworker::calculateIntermediateSize(stored, target);
    reader.setScaledSize(intermediate);
    QImage image = reader.read();
    if (image.isNull()) {
        qCDebug(lcTransfer) << "超大图片渐进式读取失败:" << m_path;
        reader.setScaledSize(intermediate.boundedTo(QSize(2048, 2048)));
        image = reader.read();
        if (image.isNull()) {
            QImageReader second(m_path);
            second.setScaledSize(intermediate.boundedTo(QSize(2048, 2048)));
            image = second.read();
        }
        if (image.isNull()) {
            qCDebug(lcTransfer) << "保守模式读取仍然失败:" << m_path;
            return QImage();
        }
    }
    qCDebug(lcTransfer) << QStringLiteral("渐进式缩放成功，中间尺寸: %1x%2").arg(image.width()).arg(image.height());
    const QSize final = tfimportworker::finalScaledSize(image.size(), target);
    if (final.isEmpty()) {
        qCDebug(lcTransfer) << "最终缩放失败:" << m_path;
        return QImage();
    }
    if (final != image.size())
        image = image.scaled(final, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (image.isNull())
        return QImage();
    return m_orientation == 1 ? image : tfimportworker::applyImageRotation(image, m_orientation);
}

QImage tfphotosource::makeScaled(int target)
{
    if (!load({target})) {
        qCDebug(lcTransfer) << "无法读取图片:" << m_path;
        return QImage();
    }
    const QSize stored = m_storedSize;
    if (m_storedBases.isEmpty()
        && (qint64(stored.width()) * stored.height() > kMaxWholePixels || stored.width() > kMaxWholeSide
            || stored.height() > kMaxWholeSide))
        return oversizeScaledCopy(target);

    const QSize final = tfimportworker::finalScaledSize(stored, target);
    if (final.isEmpty()) {
        qCDebug(lcTransfer) << "最终缩放失败:" << m_path;
        return QImage();
    }
    if (final == stored)
        qCDebug(lcTransfer) << "当前尺寸已接近目标尺寸，跳过缩放";

    // Smallest unturned picture at hand that still covers the copy.
    int best = -1;
    for (int i = 0; i < m_storedBases.size(); ++i) {
        const QSize s = m_storedBases.at(i).size();
        if (s.width() >= final.width() && s.height() >= final.height()
            && (best < 0 || s.width() < m_storedBases.at(best).width()))
            best = i;
    }
    QImage base;
    if (best >= 0) {
        base = m_storedBases.at(best);
    } else {
        base = decodeForSizes(final);
        if (base.isNull()) {
            qCDebug(lcTransfer) << "图片读取失败:" << m_path;
            return QImage();
        }
        m_storedBases.append(base);
    }
    QImage image = base.size() == final ? base
                                        : base.scaled(final, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (image.isNull()) {
        qCDebug(lcTransfer) << "最终缩放失败:" << m_path;
        return QImage();
    }
    if (image.size() != base.size())
        m_storedBases.append(image);
    if (m_orientation == 1)
        return image;
    qCDebug(lcTransfer) << QStringLiteral("缩小后检测到需要旋转，EXIF方向: %1, 源文件: %2")
                               .arg(m_orientation)
                               .arg(m_path);
    return tfimportworker::applyImageRotation(image, m_orientation);
}

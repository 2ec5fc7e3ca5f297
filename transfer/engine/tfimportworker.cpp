#include "transfer/engine/tfimportworker.h"

#include "app/core/Logging.h"
#include "app/core/AtomicFile.h"
#include "app/core/K.h"
#include "transfer/engine/ReplaceGate.h"
#include "transfer/engine/ShareTarget.h"
#include "transfer/engine/tfphotosource.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <QMutexLocker>
#include <QTransform>

#include <algorithm>

#include <cstdio>
#include <exception>
#include <future>
#include <vector>

namespace {

const QString kTagAll = QStringLiteral("all");
const QString kTagTrialVideo = QStringLiteral("试拍视频");
const QString kTagRetouchedVideo = QStringLiteral("精修视频");

bool isSizeTag(const QString &tag)
{
    return tag != kTagAll && tag != kTagTrialVideo && tag != kTagRetouchedVideo;
}

int targetSizeOf(const PhotoInfo &photo)
{
    bool ok = false;
    const int size = photo.imagesize.toInt(&ok, 10);
    return ok ? size : 0;
}

bool writeSizeCopy(const QImage &image, const tfphotosource &source, ShareTarget &target)
{
    if (image.isNull())
        return false;
    qCDebug(lcTransfer) << "要保存图片了:" << target.path();
    const QByteArray format = tfimportworker::writeFormatFor(source.path(), source.format());
    QString error;
    const QByteArray encoded =
        AtomicFile::encodeImage(image, format, tfimportworker::sizeCopyQuality(format), &error);
    if (encoded.isEmpty() || !target.write(encoded, &error)) {
        qCDebug(lcTransfer) << "图片保存失败:" << error;
        return false;
    }
    qCDebug(lcTransfer) << QStringLiteral("图片处理成功: %1 -> %2 (最终尺寸: %3x%4)")
                               .arg(source.path(), target.path())
                               .arg(image.width())
                               .arg(image.height());
    return true;
}

bool copyVideo(const QString &source, ShareTarget &target)
{
    qCDebug(lcTransfer) << "原文件路径：" << source;
    qCDebug(lcTransfer) << "目标文件路径：" << target.path();
    if (!QFileInfo::exists(source)) {
        qCDebug(lcTransfer) << "源文件不存在：" << source;
        return false;
    }
    QString error;
    // The old target is replaced in one step; when it cannot be replaced the copy fails.
    if (!target.copy(source, &error)) {
        qCDebug(lcTransfer) << "copyFile 拷贝失败：" << error;
        return false;
    }
    qCDebug(lcTransfer) << "copyFile 拷贝成功：" << target.path();
    return true;
}

// A run's entry: the size folder is made below the order's folder while the
// share is there; the order's folder itself is never made again mid-run.
bool makeTargetFolder(const PhotoImportTask &task, const QString &folder)
{
    if (task.orderFolder.isEmpty())
        return QDir(folder).mkpath(QStringLiteral("."));
    return QFileInfo(task.orderFolder).isDir() && task.share.makePath(folder, task.within);
}

} // namespace

tfimportworker::tfimportworker(int workerId, QObject *parent) : QThread(parent), workerId(workerId) {}

tfimportworker::~tfimportworker()
{
    stop();
    wait();
}

void tfimportworker::setTask(const PhotoImportTask &task)
{
    setTaskGroup({task});
}

void tfimportworker::setTaskGroup(const QList<PhotoImportTask> &tasks)
{
    QMutexLocker lock(&taskMutex);
    currentTask = tasks;
    hasTask.storeRelease(1);
    idle.storeRelease(0);
    condition.wakeOne();
}

void tfimportworker::stop()
{
    // Written under the lock so a worker about to wait cannot miss it.
    QMutexLocker lock(&taskMutex);
    stopRequested.storeRelease(1);
    condition.wakeAll();
}

QList<PhotoImportTask> tfimportworker::abandon()
{
    QMutexLocker lock(&taskMutex);
    abandoned.storeRelease(1);
    stopRequested.storeRelease(1);
    condition.wakeAll();
    // Given up once its gate has opened, a photo may have taken another file's place already.
    if (!writingGate || writingGate->giveUp())
        return {};
    finishing.storeRelease(1);
    return writing;
}

void tfimportworker::run()
{
    for (;;) {
        QList<PhotoImportTask> group;
        {
            QMutexLocker lock(&taskMutex);
            while (!hasTask.loadAcquire() && !stopRequested.loadAcquire()) {
                idle.storeRelease(1);
                condition.wait(&taskMutex);
            }
            // Entries already handed over are still written and reported, even after a stop.
            if (!hasTask.loadAcquire())
                break;
            group = currentTask;
            currentTask.clear();
            hasTask.storeRelease(0);
            idle.storeRelease(0);
            // A file the photo replaces goes only once every copy of the photo is whole.
            writing = group;
            writingGate = std::make_shared<ReplaceGate>(group.size(), [this] { return abandoned.loadAcquire() != 0; });
            finishing.storeRelease(0);
        }
        processGroup(group, writingGate);
        QMutexLocker lock(&taskMutex);
        writing.clear();
        writingGate.reset();
    }
    idle.storeRelease(1);
    emit workerFinished(workerId);
    qCDebug(lcTransfer) << QStringLiteral("导片工作线程 %1 结束").arg(workerId);
}

void tfimportworker::processGroup(const QList<PhotoImportTask> &group, const std::shared_ptr<ReplaceGate> &gate)
{
    if (group.isEmpty()) {
        idle.storeRelease(1);
        return;
    }
    tfphotosource source(group.first().photoInfo.url);
    // A photo that cannot be read whole fails every entry before any is written.
    const bool damaged = !sourceIsWhole(source, group);
    if (!damaged)
        source.prepareSizes(sizeTargets(group)); // from here on the entries only read the source
    const auto run = [&](int copy) {
        const PhotoImportTask &task = group.at(copy);
        EntryOutcome outcome;
        if (task.photoInfo.status == PhotoStatus::Uploaded) {
            outcome.success = true;
        } else if (damaged) {
            outcome.errorMsg = QStringLiteral("图片损坏或不完整");
        } else {
            try {
                outcome.success = processEntry(task, source, outcome, gate, copy);
            } catch (const std::exception &e) {
                outcome.success = false;
                outcome.errorMsg = QStringLiteral("处理异常: %1").arg(QString::fromLocal8Bit(e.what()));
            } catch (...) {
                outcome.success = false;
                outcome.errorMsg = QStringLiteral("未知异常");
            }
        }
        gate->arrive(copy, outcome.success);
        if (outcome.success)
            outcome.errorMsg.clear();
        return outcome;
    };
    // Each copy waits for its own flush to disk: the copies are written side by
    // side so those waits overlap. Results still go out in entry order, each
    // only once its file is whole on disk.
    std::vector<std::future<EntryOutcome>> later;
    for (int i = 1; i < group.size(); ++i)
        later.push_back(std::async(std::launch::async, run, i));
    QList<EntryOutcome> outcomes{run(0)};
    for (std::future<EntryOutcome> &f : later)
        outcomes.append(f.get());
    // A photo that took another file's place is whole in every folder: it is no longer given up.
    const bool replaced = std::any_of(outcomes.cbegin(), outcomes.cend(), [](const EntryOutcome &outcome) {
        return outcome.target && outcome.target->tookPlace();
    });
    const bool abandonedNow = !replaced && abandoned.loadAcquire() != 0 && finishing.loadAcquire() == 0;
    takeBackUnreported(outcomes, abandonedNow);
    if (abandonedNow) {
        idle.storeRelease(1);
        return;
    }
    for (int i = 0; i < group.size(); ++i) {
        const PhotoImportTask &task = group.at(i);
        const EntryOutcome &outcome = outcomes.at(i);
        // Free before the last result goes out, so the manager can hand over the next photo at once.
        if (i == group.size() - 1) {
            QMutexLocker lock(&taskMutex);
            if (!hasTask.loadAcquire())
                idle.storeRelease(1);
        }
        // Sizes only of the copies reported: the full-size copy and videos.
        const qint64 size = outcome.success && outcome.target ? outcome.target->placedSize() : -1;
        if (size >= 0 && !isSizeTag(task.photoInfo.sizeTag))
            emit copyPlaced(task.taskId, task.photoIndex, size);
        emit photoImported(task.taskId, task.photoInfo.img_name, task.photoIndex, outcome.success,
                           outcome.errorMsg);
    }
}

void tfimportworker::takeBackUnreported(QList<EntryOutcome> &outcomes, bool abandoned)
{
    auto gone = std::find_if(outcomes.cbegin(), outcomes.cend(),
                             [](const EntryOutcome &outcome) { return outcome.placeLost; });
    // A photo with a failed copy is not reported: the copies written of it go
    // too, with that copy's reason (not that of a copy it kept from replacing).
    if (gone == outcomes.cend())
        gone = std::find_if(outcomes.cbegin(), outcomes.cend(), [](const EntryOutcome &outcome) {
            return !outcome.success && !(outcome.target && outcome.target->outcome() == ShareTarget::NotReplaced);
        });
    if (!abandoned && gone == outcomes.cend())
        return;
    const QString why = abandoned ? QString() : gone->errorMsg;
    // A copy that took another file's place stays (it only did so once the
    // photo was whole): the service may list that name. The others are
    // removed through their held folders.
    for (EntryOutcome &outcome : outcomes) {
        if (outcome.target && outcome.target->takeBack()) {
            outcome.success = false;
            outcome.errorMsg = why;
        }
    }
}

QList<int> tfimportworker::sizeTargets(const QList<PhotoImportTask> &group)
{
    QList<int> sizes;
    for (const PhotoImportTask &other : group) {
        const int s = targetSizeOf(other.photoInfo);
        if (isSizeTag(other.photoInfo.sizeTag) && other.photoInfo.status != PhotoStatus::Uploaded
            && isValidTargetSize(s) && !sizes.contains(s))
            sizes.append(s);
    }
    return sizes;
}

bool tfimportworker::processEntry(const PhotoImportTask &task, tfphotosource &source, EntryOutcome &outcome,
                                  const std::shared_ptr<ReplaceGate> &gate, int copy)
{
    QString &errorMsg = outcome.errorMsg;
    const PhotoInfo &photo = task.photoInfo;
    const QString target = generateTargetPath(task);
    const QString folder = QFileInfo(target).absolutePath();
    const bool runEntry = !task.orderFolder.isEmpty();
    const QString missingShare =
        K::missingShareMessage(task.share.isPinned() ? task.share.shareFolder() : task.orderFolder);
    // Looked at before each file: after an unmount the mount point is an empty local folder.
    if (runEntry && !task.share.holds(target)) {
        errorMsg = missingShare;
        outcome.placeLost = true;
        return false;
    }
    // Only below the order's folder as resolved at the start, and only while its name still leads there.
    if (runEntry && !task.folder.named().isEmpty() && !task.folder.stillResolves()) {
        errorMsg = task.folder.problem();
        outcome.placeLost = true;
        return false;
    }
    // A folder that was there when the order started is written into only
    // while it lies on the share, inside the order's own folder.
    if (runEntry && !task.folderRefusal.isEmpty()) {
        errorMsg = task.folderRefusal;
        return false;
    }
    if (!QFileInfo(folder).isDir() && !makeTargetFolder(task, folder)) {
        outcome.placeLost = runEntry && !task.share.stillThere();
        errorMsg = outcome.placeLost ? missingShare : QStringLiteral("无法创建目标目录: %1").arg(folder);
        return false;
    }
    if (source.path() != photo.url) {
        errorMsg = QStringLiteral("原图拷贝失败");
        return false;
    }
    outcome.target = std::make_shared<ShareTarget>(
        runEntry ? ShareTarget(target, task.share, photo.replaceConfirmed, task.listing.data()) : ShareTarget(target));
    ShareTarget &out = *outcome.target;
    if (runEntry)
        out.setReplaceGate(gate, copy);
    bool ok = false;
    if (photo.sizeTag == kTagAll) {
        errorMsg = QStringLiteral("原图拷贝失败");
        ok = source.copyUpright(out);
    } else if (photo.sizeTag == kTagTrialVideo || photo.sizeTag == kTagRetouchedVideo) {
        errorMsg = QStringLiteral("%1拷贝失败").arg(photo.sizeTag);
        ok = copyVideo(photo.url, out);
    } else {
        const int size = targetSizeOf(photo);
        errorMsg = QStringLiteral("图片压缩失败 (目标尺寸: %1)").arg(size);
        // Made before the entries run, from one decode for every size copy of this photo.
        ok = isValidTargetSize(size) && writeSizeCopy(source.scaledCopy(size), source, out);
    }
    if (!ok && !out.problem().isEmpty())
        errorMsg = out.problem();
    outcome.placeLost = !ok && out.outcome() == ShareTarget::ShareGone;
    return ok;
}

bool tfimportworker::sourceIsWhole(tfphotosource &source, const QList<PhotoImportTask> &group)
{
    bool picture = false;
    bool original = false;
    for (const PhotoImportTask &task : group) {
        const PhotoInfo &photo = task.photoInfo;
        if (photo.status == PhotoStatus::Uploaded)
            continue;
        if (photo.sizeTag == kTagTrialVideo || photo.sizeTag == kTagRetouchedVideo) {
            const QFileInfo file(photo.url);
            if (file.isFile() && file.size() == 0)
                return false;
            continue;
        }
        picture = true;
        original = original || photo.sizeTag == kTagAll;
    }
    return !picture || source.load(sizeTargets(group), original);
}

QString tfimportworker::generateTargetPath(const PhotoImportTask &task)
{
    // Every folder holds the photo under its own name, so a name without a suffix
    // gains no trailing dot and the copies are found (and deleted) beside the original.
    return QDir(task.targetDir).absoluteFilePath(task.photoInfo.img_name);
}

bool tfimportworker::copyOriginalPhoto(const QString &source, const QString &target)
{
    ShareTarget out(target);
    return tfphotosource(source).copyUpright(out);
}

bool tfimportworker::copyFile(const QString &source, const QString &target)
{
    ShareTarget out(target);
    return copyVideo(source, out);
}

bool tfimportworker::compressAndSavePhoto(const QString &source, const QString &target, int targetSize)
{
    if (!isValidTargetSize(targetSize)) {
        qCDebug(lcTransfer) << "最终缩放失败:" << source;
        return false;
    }
    tfphotosource photo(source);
    const QImage image = photo.scaledCopy(targetSize);
    ShareTarget out(target);
    return writeSizeCopy(image, photo, out);
}

QSize tfimportworker::calculateIntermediateSize(const QSize &size, int targetSize)
{
    const int w = size.width();
    const int h = size.height();
    const int m = std::max(w, h);
    const qint64 t = targetSize;
    if (m <= 4 * t)
        return size;
    int side;
    if (m < 15001)
        side = int(std::min<qint64>(4 * t, 4096));
    else if (m < 20001)
        side = int(std::min<qint64>(3 * t, 3072));
    else
        side = int(std::min<qint64>(3 * t, 2048));
    QSize result = w > h ? QSize(side, int(qint64(h) * side / w)) : QSize(int(qint64(w) * side / h), side);
    if (result.width() > w || result.height() > h)
        return size;
    qCDebug(lcTransfer) << QStringLiteral("计算中间尺寸: %1x%2 -> %3x%4 (目标: %5)")
                               .arg(w)
                               .arg(h)
                               .arg(result.width())
                               .arg(result.height())
                               .arg(targetSize);
    return result;
}

QSize tfimportworker::finalScaledSize(const QSize &size, int targetSize)
{
    const int w = size.width();
    const int h = size.height();
    if (w <= 0 || h <= 0)
        return QSize();
    const qint64 t = targetSize;
    const QSize wanted = w > h ? QSize(int(t), int(qint64(h) * t / w)) : QSize(int(qint64(w) * t / h), int(t));
    if (std::abs(w - wanted.width()) <= 9 && std::abs(h - wanted.height()) <= 9)
        return size;
    if (wanted.isEmpty())
        return QSize();
    // Same arithmetic as scaling with Qt::KeepAspectRatio into the wanted box.
    QSize result = size.scaled(wanted, Qt::KeepAspectRatio);
    result.setWidth(std::max(result.width(), 1));
    result.setHeight(std::max(result.height(), 1));
    return result;
}

int tfimportworker::orientationFromTransformation(QImageIOHandler::Transformations transformation)
{
    // Values of the rotation table whose operation equals the reader's own turn.
    switch (int(transformation)) {
    case QImageIOHandler::TransformationNone: return 1;
    case QImageIOHandler::TransformationMirror: return 2;
    case QImageIOHandler::TransformationRotate180: return 3;
    case QImageIOHandler::TransformationFlip: return 4;
    case QImageIOHandler::TransformationFlipAndRotate90: return 5;
    case QImageIOHandler::TransformationRotate270: return 6;
    case QImageIOHandler::TransformationMirrorAndRotate90: return 7;
    case QImageIOHandler::TransformationRotate90: return 8;
    }
    return 1;
}

int tfimportworker::getImageOrientation(const QString &path)
{
    QImageReader reader(path);
    if (!reader.canRead()) {
        qCDebug(lcTransfer) << "无法读取图片EXIF信息:" << path;
        return 1;
    }
    return orientationFromTransformation(reader.transformation());
}

QImage tfimportworker::applyImageRotation(const QImage &image, int orientation)
{
    if (image.isNull()) {
        qCDebug(lcTransfer) << "传入的图片为空，无法旋转";
        return QImage();
    }
    auto rotated = [&image](qreal angle) { return image.transformed(QTransform().rotate(angle), Qt::FastTransformation); };
    QImage result;
    switch (orientation) {
    case 1:
        qCDebug(lcTransfer) << "EXIF方向1：正常方向，无需旋转";
        return image;
    case 2:
        qCDebug(lcTransfer) << "EXIF方向2：水平翻转";
        result = image.mirrored(true, false);
        break;
    case 3:
        qCDebug(lcTransfer) << "EXIF方向3：180度旋转";
        result = rotated(180);
        break;
    case 4:
        qCDebug(lcTransfer) << "EXIF方向4：垂直翻转";
        result = image.mirrored(false, true);
        break;
    case 5:
        qCDebug(lcTransfer) << "EXIF方向5：图片逆时针90度+翻转，执行顺时针90度+水平翻转纠正";
        result = rotated(90).mirrored(true, false);
        break;
    case 6:
        qCDebug(lcTransfer) << "EXIF方向6：图片顺时针90度，执行逆时针90度纠正";
        result = rotated(-90);
        break;
    case 7:
        qCDebug(lcTransfer) << "EXIF方向7：图片顺时针90度+翻转，执行逆时针90度+水平翻转纠正";
        result = rotated(-90).mirrored(true, false);
        break;
    case 8:
        qCDebug(lcTransfer) << "EXIF方向8：图片逆时针90度，执行顺时针90度纠正";
        result = rotated(90);
        break;
    default:
        qCDebug(lcTransfer) << QStringLiteral("未知的EXIF方向值: %1").arg(orientation);
        return image;
    }
    if (result.isNull()) {
        qCDebug(lcTransfer) << QStringLiteral("图片旋转失败，EXIF方向: %1").arg(orientation);
        return image;
    }
    qCDebug(lcTransfer) << QStringLiteral("图片旋转成功，EXIF方向: %1, 原尺寸: %2x%3, 新尺寸: %4x%5")
                               .arg(orientation)
                               .arg(image.width())
                               .arg(image.height())
                               .arg(result.width())
                               .arg(result.height());
    return result;
}

bool tfimportworker::copyAndRotatePhoto(const QString &source, const QString &target)
{
    ShareTarget out(target);
    return tfphotosource(source).copyAndRotate(out);
}

bool tfimportworker::rotateImageIfNeeded(const QString &path)
{
    try {
        const qint64 fileSize = QFileInfo(path).size();
        if (fileSize > 104857600) {
            qCDebug(lcTransfer) << QStringLiteral("文件过大 (%1MB)，跳过旋转处理: %2")
                                       .arg(fileSize / 1048576.0, 0, 'f', 1)
                                       .arg(path);
            return true;
        }
        const int orientation = getImageOrientation(path);
        if (orientation == 1) {
            qCDebug(lcTransfer) << "图片方向正常，无需旋转:" << path;
            return true;
        }
        qCDebug(lcTransfer) << QStringLiteral("检测到图片需要旋转，EXIF方向: %1, 文件大小: %2MB, 文件: %3")
                                   .arg(orientation)
                                   .arg(fileSize / 1048576.0, 0, 'f', 1)
                                   .arg(path);
        QElapsedTimer timer;
        timer.start();
        QImageReader reader(path);
        if (!reader.canRead()) {
            qCDebug(lcTransfer) << "旋转时无法读取图片:" << path;
            return false;
        }
        const QSize stored = reader.size();
        if (!stored.isValid()) {
            qCDebug(lcTransfer) << "无法获取图片尺寸进行旋转:" << path;
            return false;
        }
        const bool quarter = reader.transformation() & QImageIOHandler::TransformationRotate90;
        const qint64 pixels = qint64(stored.width()) * stored.height();
        QImage image;
        reader.setAutoTransform(true);
        if (pixels <= 50000000 && fileSize <= 31457280) {
            image = reader.read();
            if (image.isNull()) {
                qCDebug(lcTransfer) << "旋转时无法读取图片:" << path;
                return false;
            }
        } else {
            qCDebug(lcTransfer) << QStringLiteral("超大图片旋转处理 (%1x%2, %3MP)")
                                       .arg(stored.width())
                                       .arg(stored.height())
                                       .arg(pixels / 1000000.0, 0, 'f', 1);
            QSize request = stored;
            if (stored.width() > 4096 || stored.height() > 4096)
                request = stored.width() > stored.height()
                              ? QSize(4096, int(qint64(stored.height()) * 4096 / stored.width()))
                              : QSize(int(qint64(stored.width()) * 4096 / stored.height()), 4096);
            reader.setScaledSize(request);
            image = reader.read();
            if (image.isNull()) {
                qCDebug(lcTransfer) << "超大图片渐进式旋转读取失败:" << path;
                return false;
            }
            if (request != stored) {
                QSize back = stored;
                if (pixels > 100000000) {
                    const int side = std::min(std::max(stored.width(), stored.height()), 8192);
                    back = stored.width() > stored.height()
                               ? QSize(side, int(qint64(stored.height()) * side / stored.width()))
                               : QSize(int(qint64(stored.width()) * side / stored.height()), side);
                }
                if (quarter)
                    back.transpose();
                qCDebug(lcTransfer) << QStringLiteral("缩放回目标尺寸: %1x%2 -> %3x%4")
                                           .arg(image.width())
                                           .arg(image.height())
                                           .arg(back.width())
                                           .arg(back.height());
                image = image.scaled(back, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            }
        }
        if (timer.elapsed() > 10000)
            qCDebug(lcTransfer) << QStringLiteral("图片旋转读取耗时较长: %1秒").arg(timer.elapsed() / 1000.0, 0, 'f', 1);

        const QString temp = path + QStringLiteral(".tmp_rotate");
        const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
        int quality = -1;
        if (format == "jpg" || format == "jpeg")
            quality = fileSize <= 20971520 ? 95 : 85;
        QString error;
        if (!AtomicFile::writeImage(image, temp, format, quality, &error)) {
            qCDebug(lcTransfer) << QStringLiteral("图片旋转保存失败: %1, 错误: %2").arg(path, error);
            QFile::remove(temp);
            return false;
        }
        // rename() replaces the old file in one step; when it fails the turned
        // picture stays in the temporary file next to the untouched original.
        if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
            qCDebug(lcTransfer) << QStringLiteral("图片旋转后文件替换失败: %1").arg(path);
            return false;
        }
        qCDebug(lcTransfer) << QStringLiteral("图片旋转成功: %1 (耗时: %2秒)")
                                   .arg(path)
                                   .arg(timer.elapsed() / 1000.0, 0, 'f', 1);
        return true;
    } catch (const std::exception &e) {
        qCDebug(lcTransfer) << QStringLiteral("图片旋转异常: %1, 错误: %2").arg(path, QString::fromLocal8Bit(e.what()));
        return false;
    } catch (...) {
        qCDebug(lcTransfer) << QStringLiteral("图片旋转未知异常: %1").arg(path);
        return false;
    }
}

QByteArray tfimportworker::writeFormatFor(const QString &source, const QByteArray &contentFormat)
{
    // The content decides: a name without a suffix, or one ending in a dot or a blank, names no format.
    if (!contentFormat.isEmpty())
        return contentFormat.toLower();
    return QFileInfo(source).suffix().toLower().toLatin1();
}

int tfimportworker::sizeCopyQuality(const QByteArray &format)
{
    return (format == "jpg" || format == "jpeg" || format == "webp") ? 90 : -1;
}

int tfimportworker::fullCopyQuality(const QByteArray &format)
{
    return (format == "jpg" || format == "jpeg") ? 95 : -1;
}

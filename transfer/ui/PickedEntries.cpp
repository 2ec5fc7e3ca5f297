#include "transfer/ui/PickedEntries.h"

#include "app/core/FoldedFileName.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/SameFileContent.h"
#include "transfer/records/ImportTypes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QHash>

namespace PickedEntries {

const QString kTagAll = QStringLiteral("all");
const QString kTagTrialVideo = QStringLiteral("试拍视频");
const QString kTagRetouchedVideo = QStringLiteral("精修视频");
const QString kPreviewFolder = QStringLiteral("DP_缩略图");

namespace {

PhotoInfo pickedEntry(const QFileInfo &file, const QString &target, const QString &tag,
                      const QString &size)
{
    PhotoInfo entry;
    entry.img_name = file.fileName();
    entry.url = file.absoluteFilePath();
    entry.importPath = target;
    entry.sizeTag = tag;
    entry.imagesize = size;
    entry.status = PhotoStatus::Waiting;
    entry.statusOrigin = PhotoStatus::Waiting;
    entry.status90 = PhotoStatus::Waiting;
    entry.status190 = PhotoStatus::Waiting;
    entry.status1920 = PhotoStatus::Waiting;
    return entry;
}

QString orDefault(const QString &value, const char *fallback)
{
    return value.isEmpty() ? QString::fromLatin1(fallback) : value;
}

} // namespace

bool isVideoTag(const QString &sizeTag)
{
    return sizeTag == kTagTrialVideo || sizeTag == kTagRetouchedVideo;
}

bool isFileEntry(const PhotoInfo &entry)
{
    return entry.sizeTag == kTagAll || isVideoTag(entry.sizeTag);
}

QStringList collidingNames(const QStringList &files)
{
    QHash<QString, int> counts;
    for (const QString &path : files)
        ++counts[foldedFileName(QFileInfo(path).fileName())];
    QStringList names;
    for (const QString &path : files) {
        if (counts.value(foldedFileName(QFileInfo(path).fileName())) > 1)
            names.append(QFileInfo(path).fileName());
    }
    return names;
}

QStringList previewFiles(const QStringList &files)
{
    QStringList previews;
    for (const QString &path : files) {
        const QStringList folders = QFileInfo(path).absolutePath().split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (const QString &folder : folders) {
            if (foldedFileName(folder) == foldedFileName(kPreviewFolder)) {
                previews.append(path);
                break;
            }
        }
    }
    return previews;
}

namespace {

struct ShareForm
{
    QString picked;
    QString form;
    bool sameBytes = false;
};

// Picked files whose name (after folding) is in the order's folder, with the form found there.
QList<ShareForm> shareForms(const QStringList &files, const QString &orderFolder, int importType,
                           bool compareBytes = true)
{
    // A photo is on the share when its full-size copy is: size copies without one
    // are what a photo that never got there left behind.
    QStringList tags;
    if (importType == FinishedPhotos)
        tags = QStringList{kTagAll};
    else if (importType == TrialVideo)
        tags = QStringList{kTagTrialVideo};
    else if (importType == RetouchedVideo)
        tags = QStringList{kTagRetouchedVideo};
    // Folded name -> the file of that name in the first folder holding one.
    QHash<QString, QString> onShare;
    for (const QString &tag : qAsConst(tags)) {
        const QDir folder(QDir(orderFolder).filePath(tag));
        const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString &name : names) {
            const QString key = foldedFileName(name);
            if (!onShare.contains(key))
                onShare.insert(key, folder.filePath(name));
        }
    }
    QList<ShareForm> found;
    if (onShare.isEmpty())
        return found;
    for (const QString &path : files) {
        const QString name = QFileInfo(path).fileName();
        const auto there = onShare.constFind(foldedFileName(name));
        if (there == onShare.constEnd())
            continue;
        // The form as listed: a share that folds names answers for any form.
        const QString form = QFileInfo(*there).fileName();
        const QString fullCopy = QDir(QDir(orderFolder).filePath(tags.first())).filePath(form);
        found.append({name, form, compareBytes && sameFileContent(path, fullCopy)});
    }
    return found;
}

} // namespace

QList<QPair<QString, QString>> existingForms(const QStringList &files, const QString &orderFolder, int importType)
{
    QList<QPair<QString, QString>> existing;
    for (const ShareForm &found : shareForms(files, orderFolder, importType)) {
        if (!found.sameBytes)
            existing.append(qMakePair(found.picked, found.form));
    }
    return existing;
}

QHash<QString, QString> doneLookAlikes(const QStringList &files, const QString &orderFolder, int importType)
{
    QHash<QString, QString> done;
    for (const ShareForm &found : shareForms(files, orderFolder, importType)) {
        if (found.sameBytes && found.form != found.picked)
            done.insert(found.picked, found.form);
    }
    return done;
}

QSet<QString> withoutFullCopy(const QStringList &files, const QString &orderFolder, int importType)
{
    QSet<QString> names;
    if (importType != FinishedPhotos)
        return names;
    for (const QString &path : files)
        names.insert(QFileInfo(path).fileName());
    for (const ShareForm &found : shareForms(files, orderFolder, importType, false))
        names.remove(found.picked);
    return names;
}

QStringList existingNames(const QStringList &files, const QString &orderFolder, int importType)
{
    QStringList names;
    for (const auto &pair : existingForms(files, orderFolder, importType))
        names.append(pair.first);
    return names;
}

QString selectAllHint()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("Cmd+A");
#else
    return QStringLiteral("Ctrl+A");
#endif
}

QList<PhotoInfo> build(const QStringList &files, const OrderInfo &order, int importType)
{
    const QString target = order.importPath.isEmpty() ? K::generateImportPathByOrder(order)
                                                       : order.importPath;
    QList<PhotoInfo> entries;
    if (importType < FinishedPhotos || importType > RetouchedVideo)
        return entries;
    entries.reserve(importType == FinishedPhotos ? files.size() * 4 : files.size());
    for (const QString &path : files) {
        const QFileInfo file(path);
        switch (importType) {
        case FinishedPhotos:
            entries.append(pickedEntry(file, target, kTagAll, QString()));
            entries.append(pickedEntry(file, target, QStringLiteral("90"),
                                       orDefault(order.imagesize_small, "90")));
            entries.append(pickedEntry(file, target, QStringLiteral("190"),
                                       orDefault(order.imagesize_middle, "190")));
            entries.append(pickedEntry(file, target, QStringLiteral("1920"),
                                       orDefault(order.imagesize_big, "1920")));
            break;
        case TrialVideo:
            entries.append(pickedEntry(file, target, kTagTrialVideo, QString()));
            break;
        case RetouchedVideo:
            entries.append(pickedEntry(file, target, kTagRetouchedVideo, QString()));
            break;
        }
    }
    return entries;
}

int fileCount(const QList<PhotoInfo> &entries)
{
    int count = 0;
    for (const PhotoInfo &entry : entries) {
        if (isFileEntry(entry))
            ++count;
    }
    return count;
}

int fileEntryIndex(const QList<PhotoInfo> &entries, int entryIndex)
{
    if (entryIndex < 0 || entryIndex >= entries.size())
        return -1;
    return isVideoTag(entries.at(entryIndex).sizeTag) ? entryIndex : entryIndex - entryIndex % 4;
}

int tileIndexOf(const QList<PhotoInfo> &entries, int entryIndex)
{
    if (entryIndex < 0 || entryIndex >= entries.size())
        return -1;
    if (isVideoTag(entries.at(entryIndex).sizeTag))
        return entryIndex;
    return entryIndex / 4;
}

int applyStatus(QList<PhotoInfo> &entries, int entryIndex, int status, const QString &failure)
{
    if (entryIndex < 0 || entryIndex >= entries.size())
        return -1;
    PhotoInfo &entry = entries[entryIndex];
    if (isVideoTag(entry.sizeTag)) {
        entry.status = status;
        entry.status90 = status;
        entry.status190 = status;
        entry.status1920 = status;
        if (status == PhotoStatus::Uploaded || status == PhotoStatus::Failed)
            entry.statusOrigin = status;
        if (status == PhotoStatus::Failed && !failure.isEmpty())
            entry.failure = failure;
        else if (entry.statusOrigin == PhotoStatus::Uploaded)
            entry.failure.clear();
        return entryIndex;
    }

    const int headIndex = entryIndex - entryIndex % 4;
    const QString tag = entry.sizeTag;
    PhotoInfo &head = entries[headIndex];
    bool known = true;
    if (tag == kTagAll)
        head.status = status;
    else if (tag == QLatin1String("90"))
        head.status90 = status;
    else if (tag == QLatin1String("190"))
        head.status190 = status;
    else if (tag == QLatin1String("1920"))
        head.status1920 = status;
    else
        known = false;
    if (known)
        entries[entryIndex].status = status;

    const int states[] = {head.status, head.status90, head.status190, head.status1920};
    bool allUploaded = true;
    bool anyFailed = false;
    for (int state : states) {
        allUploaded = allUploaded && state == PhotoStatus::Uploaded;
        anyFailed = anyFailed || state == PhotoStatus::Failed;
    }
    if (allUploaded) {
        head.statusOrigin = PhotoStatus::Uploaded;
        head.failure.clear();
        qCDebug(lcTransfer) << "照片状态已上传并且已更新:" << head.img_name;
    } else if (anyFailed) {
        head.statusOrigin = PhotoStatus::Failed;
    }
    if (known && status == PhotoStatus::Failed && !failure.isEmpty())
        head.failure = failure;
    return headIndex;
}

int failedFiles(const QList<PhotoInfo> &entries)
{
    int failed = 0;
    for (const PhotoInfo &entry : entries) {
        if (isFileEntry(entry) && entry.statusOrigin == PhotoStatus::Failed)
            ++failed;
    }
    return failed;
}

bool hasFailedEntry(const QList<PhotoInfo> &entries)
{
    for (const PhotoInfo &entry : entries) {
        if (entry.status == PhotoStatus::Failed)
            return true;
    }
    return false;
}

QString summaryLine(const OrderInfo &order, int total, int failed)
{
    QString line = QStringLiteral("\n") + order.orderpayforkey + QStringLiteral("-") + order.servicetimes
                   + QStringLiteral("  总数:") + K::s(total) + QStringLiteral("  成功:") + K::s(total - failed);
    if (failed > 0)
        line += QStringLiteral("  失败:") + K::s(failed);
    return line;
}

QString failureLines(const QList<PhotoInfo> &entries)
{
    // A few lines say why; a share that ran full would otherwise list every photo.
    constexpr int kShown = 3;
    QString lines;
    int failed = 0;
    for (const PhotoInfo &entry : entries) {
        if (!isFileEntry(entry) || entry.statusOrigin != PhotoStatus::Failed)
            continue;
        if (++failed <= kShown)
            lines += QStringLiteral("\n  %1：%2")
                         .arg(entry.img_name, entry.failure.isEmpty() ? QStringLiteral("原因未知") : entry.failure);
    }
    if (failed > kShown)
        lines += QStringLiteral("\n  …另有%1张失败").arg(failed - kShown);
    return lines;
}

Uploaded uploaded(const QList<PhotoInfo> &entries)
{
    Uploaded result;
    for (const PhotoInfo &entry : entries) {
        qCDebug(lcTransfer) << entry.img_name << " size:" << entry.sizeTag;
        bool counts = false;
        if (isVideoTag(entry.sizeTag)) {
            counts = entry.statusOrigin == PhotoStatus::Uploaded;
            qCDebug(lcTransfer) << "photoinfo.statusOrigin == PhotoStatus::Uploaded: "
                                << (counts ? "true" : "false");
        } else if (entry.sizeTag == kTagAll) {
            counts = entry.statusOrigin == PhotoStatus::Uploaded
                     || (entry.status == PhotoStatus::Uploaded && entry.status90 == PhotoStatus::Uploaded
                         && entry.status190 == PhotoStatus::Uploaded
                         && entry.status1920 == PhotoStatus::Uploaded);
        }
        if (!counts)
            continue;
        if (result.count > 0)
            result.names += QStringLiteral("|:|");
        result.names += entry.img_name;
        ++result.count;
    }
    return result;
}

} // namespace PickedEntries

#include "importfiles/DeleteFileRunnable.h"

#include "app/core/K.h"
#include "app/core/Logging.h"
#include "importfiles/ImportedPhotos.h"
#include "platform/MountRoot.h"
#include "platform/NetworkErrors.h"
#include "platform/ShareRemoval.h"

#include <cerrno>

DeleteFileRunnable::DeleteFileRunnable(const ThumbnailInfo &info, QObject *parent)
    : QObject(parent)
    , m_photo(info)
{
}

DeleteFileRunnable::~DeleteFileRunnable()
{
    qCDebug(lcImportFiles) << "DeleteFileRunnable 析构";
}

QString DeleteFileRunnable::unreachable(const QString &path) const
{
    // Once the share has gone, its mount point is a local folder: what lies
    // there under the photo's path is not the photo.
    return QLatin1Char(' ') + K::missingShareMessage(m_share.isPinned() ? m_share.shareFolder() : path);
}

QString DeleteFileRunnable::removeFromShare(const QString &path, const QString &failedText, bool *tried) const
{
    *tried = false;
    if (!MountRoot::isStrictlyBelow(path, m_share.shareFolder()))
        return ImportedPhotos::offShareReason();
    const ShareRemoval::Result removal = ShareRemoval::remove(m_share, path, m_within, m_beforeRemoval);
    switch (removal.outcome) {
    case ShareRemoval::Outcome::Removed:
        qCDebug(lcImportFiles) << "文件删除成功:" << path;
        return QString();
    case ShareRemoval::Outcome::Missing:
        return QStringLiteral(" 文件不存在");
    case ShareRemoval::Outcome::ShareGone:
        return unreachable(path);
    case ShareRemoval::Outcome::OffShare:
        return ImportedPhotos::offShareReason();
    case ShareRemoval::Outcome::OffFolder:
        return QLatin1Char(' ') + K::outsideOrderText();
    case ShareRemoval::Outcome::FolderFailed:
    case ShareRemoval::Outcome::Failed:
        break;
    }
    qCDebug(lcImportFiles) << "文件删除失败:" << path << "错误:" << qt_error_string(removal.error);
    // Only "no such file" says the file is not there.
    const bool folder = removal.outcome == ShareRemoval::Outcome::FolderFailed;
    if (folder && removal.error == ENOENT)
        return QStringLiteral(" 文件不存在");
    if (NetworkErrors::isUnreachable(removal.error))
        return unreachable(path);
    if (removal.error == EACCES || removal.error == EPERM)
        return QStringLiteral(" 没有删除权限");
    if (folder)
        return QLatin1Char(' ') + qt_error_string(removal.error);
    *tried = true;
    return failedText + qt_error_string(removal.error);
}

void DeleteFileRunnable::run()
{
    if (m_cancelled) {
        qCDebug(lcImportFiles) << "任务已中止，不执行删除";
        return;
    }
    DeleteFileResult result;
    result.photo = m_photo;
    const QString &path = m_photo.filePath;
    const QString &name = m_photo.name;

    if (path.isEmpty()) {
        result.message = name + QStringLiteral(" 文件路径为空");
        emit deleteFinished(result);
        return;
    }
    bool tried = false;
    const QString why = removeFromShare(path, QStringLiteral("删除失败:"), &tried);
    result.message = why.isEmpty() ? QString() : name + why;
    result.success = why.isEmpty();
    // A main file not there, or out of reach, leaves its copies alone.
    if (!why.isEmpty() && !tried) {
        emit deleteFinished(result);
        return;
    }

    const auto add = [&result](const QString &text) {
        result.message = result.message.isEmpty() ? text : result.message + QLatin1Char('\n') + text;
    };
    for (const QString &extra : m_photo.extraPaths) {
        if (extra.isEmpty())
            continue;
        const QString label = ImportedPhotos::extraPathLabel(extra);
        if (label.isEmpty())
            add(extra + QStringLiteral(" 的路径错误"));
        // A photo counts as deleted by its main file alone.
        const QString extraWhy = removeFromShare(extra, QStringLiteral(" 删除失败 "), &tried);
        if (extraWhy == ImportedPhotos::offShareReason())
            add((label.isEmpty() ? extra : label) + extraWhy);
        else if (!extraWhy.isEmpty())
            add(label + extraWhy);
    }
    emit deleteFinished(result);
}

#include "importfiles/DeleteFileRunnable.h"

#include "app/core/K.h"
#include "app/core/Logging.h"
#include "importfiles/ImportedPhotos.h"
#include "platform/MountRoot.h"

#include <QFile>
#include <QFileInfo>

DeleteFileRunnable::DeleteFileRunnable(const ThumbnailInfo &info, QObject *parent)
    : QObject(parent)
    , m_photo(info)
{
}

DeleteFileRunnable::~DeleteFileRunnable()
{
    qCDebug(lcImportFiles) << "DeleteFileRunnable 析构";
}

namespace {

QString notOnShare()
{
    return QStringLiteral(" 路径不在共享目录内");
}

} // namespace

QString DeleteFileRunnable::refusal(const QString &path) const
{
    // Once the share has gone, its mount point is a local folder: what lies
    // there under the photo's path is not the photo.
    const auto gone = [this, &path] {
        return QLatin1Char(' ') + K::missingShareMessage(m_share.isPinned() ? m_share.shareFolder() : path);
    };
    if (!m_share.stillThere())
        return gone();
    if (!MountRoot::isStrictlyBelow(path, m_share.shareFolder()))
        return notOnShare();
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral(" 文件不存在");
    // A folder on the way may be a link leading off the share.
    if (!m_share.reaches(path))
        return m_share.stillThere() ? notOnShare() : gone();
    if (!info.isWritable())
        return QStringLiteral(" 没有删除权限");
    return QString();
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
    const QString why = refusal(path);
    if (!why.isEmpty()) {
        result.message = name + why;
        emit deleteFinished(result);
        return;
    }
    QFile file(path);
    if (!file.remove()) {
        result.message = name + QStringLiteral("删除失败:") + file.errorString();
        qCDebug(lcImportFiles) << "文件删除失败:" << path << "错误:" << result.message;
    } else {
        result.success = true;
        qCDebug(lcImportFiles) << "文件删除成功:" << path;
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
        const QString extraWhy = refusal(extra);
        if (extraWhy == notOnShare()) {
            add((label.isEmpty() ? extra : label) + extraWhy);
        } else if (!extraWhy.isEmpty()) {
            add(label + extraWhy);
        } else {
            QFile extraFile(extra);
            // A photo counts as deleted by its main file alone.
            if (!extraFile.remove()) {
                add(label + QStringLiteral(" 删除失败 ") + extraFile.errorString());
                qCDebug(lcImportFiles) << "文件删除失败:" << extra << "错误:" << result.message;
            }
        }
    }
    emit deleteFinished(result);
}

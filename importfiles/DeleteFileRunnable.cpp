#include "importfiles/DeleteFileRunnable.h"

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
    // Only files on the share are ever removed.
    if (!MountRoot::isOnShare(path)) {
        result.message = name + QStringLiteral(" 路径不在共享目录内");
        emit deleteFinished(result);
        return;
    }
    const QFileInfo info(path);
    if (!info.exists()) {
        result.message = name + QStringLiteral(" 文件不存在");
        emit deleteFinished(result);
        return;
    }
    if (!info.isWritable()) {
        result.message = name + QStringLiteral(" 没有删除权限");
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
        const QFileInfo extraInfo(extra);
        if (!MountRoot::isOnShare(extra)) {
            add((label.isEmpty() ? extra : label) + QStringLiteral(" 路径不在共享目录内"));
        } else if (!extraInfo.exists()) {
            add(label + QStringLiteral(" 文件不存在"));
        } else if (!extraInfo.isWritable()) {
            add(label + QStringLiteral(" 没有删除权限"));
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

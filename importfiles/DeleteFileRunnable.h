#pragma once

#include "importfiles/DeleteFileResult.h"
#include "platform/ShareGuard.h"

#include <QObject>
#include <QRunnable>

// Removes one imported photo's file and its reduced copies from the share on
// a pool thread, each only through the share pinned before the service was
// asked and only while it is still there. Deleted by the pool after run(),
// so it has no parent.
class DeleteFileRunnable : public QObject, public QRunnable
{
    Q_OBJECT

public:
    explicit DeleteFileRunnable(const ThumbnailInfo &info, QObject *parent = nullptr);
    ~DeleteFileRunnable() override;

    // The share the files are removed on; without one nothing is removed.
    void setShareGuard(const ShareGuard &share) { m_share = share; }

    void run() override;

signals:
    void deleteFinished(const DeleteFileResult &result);

private:
    // Why path may not be removed, as the end of its message; empty when it may.
    QString refusal(const QString &path) const;

    ThumbnailInfo m_photo;
    ShareGuard m_share;
    bool m_cancelled = false;
};

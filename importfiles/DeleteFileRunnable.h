#pragma once

#include "importfiles/DeleteFileResult.h"
#include "platform/ShareGuard.h"

#include <QObject>
#include <QRunnable>

#include <functional>

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
    // The real place of the order's folder as pinned: a file whose folder
    // lies elsewhere is not removed. None: the share alone decides.
    void setOrderPlace(const QString &within) { m_within = within; }
    // Runs between the checks of each removal and the removal itself (tests unmount there).
    void setBeforeRemoval(const std::function<void()> &hook) { m_beforeRemoval = hook; }

    void run() override;

signals:
    void deleteFinished(const DeleteFileResult &result);

private:
    // Removes path through its folder held open on the share. Empty when it
    // went, else why not as the end of its message; a removal that failed
    // for another reason is said as failedText and the system's reason, and
    // sets *tried.
    QString removeFromShare(const QString &path, const QString &failedText, bool *tried) const;
    QString unreachable(const QString &path) const;

    ThumbnailInfo m_photo;
    ShareGuard m_share;
    QString m_within;
    std::function<void()> m_beforeRemoval;
    bool m_cancelled = false;
};

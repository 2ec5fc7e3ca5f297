#pragma once

#include "importfiles/DeleteFileResult.h"

#include <QObject>
#include <QRunnable>

// Removes one imported photo's file and its reduced copies from the share on
// a pool thread. Deleted by the pool after run(), so it has no parent.
class DeleteFileRunnable : public QObject, public QRunnable
{
    Q_OBJECT

public:
    explicit DeleteFileRunnable(const ThumbnailInfo &info, QObject *parent = nullptr);
    ~DeleteFileRunnable() override;

    void run() override;

signals:
    void deleteFinished(const DeleteFileResult &result);

private:
    ThumbnailInfo m_photo;
    bool m_cancelled = false;
};

#pragma once

#include "widgets/ThumbnailInfo.h"

#include <QMetaType>
#include <QString>

// The outcome of deleting one imported photo from the share.
struct DeleteFileResult
{
    bool success = false; // the main file was removed
    QString message;
    ThumbnailInfo photo;
};

Q_DECLARE_METATYPE(DeleteFileResult)

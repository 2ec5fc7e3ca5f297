#pragma once

#include "platform/ShareGuard.h"
#include "transfer/engine/FolderListing.h"
#include "transfer/engine/OrderFolder.h"
#include "transfer/records/OrderInfo.h"

#include <QHash>
#include <QSharedPointer>

// One queued or dispatched order, or a slice of one. The slice's entries are
// the index range [startIndex, endIndex) of the order's full photoList, so
// slicing never copies the list.
struct OrderImportTask
{
    OrderInfo order;
    bool isCompleted = false;
    int taskId = 0;
    int startIndex = 0;
    int totalPhotos = 0;
    int endIndex = 0;
    int received = 0; // results that arrived for this slice
    int runId = 0; // taskId of the record the start operation made; shared by its slices
    ShareGuard share; // pinned when the order was started; shared by its slices
    OrderFolder folder; // resolved when the order's first slice went out; shared by its slices
    QSharedPointer<FolderListing> listing; // the run's folders as first seen; shared by its slices
    // Why an existing folder of the order may not be written into (off the
    // share, or out of the order's folder), by size tag; shared by its slices.
    QHash<QString, QString> refusedFolders;
};

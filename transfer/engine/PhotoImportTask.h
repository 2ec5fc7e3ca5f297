#pragma once

#include "platform/ShareGuard.h"
#include "transfer/engine/FolderListing.h"
#include "transfer/engine/OrderFolder.h"
#include "transfer/records/PhotoInfo.h"

#include <QSharedPointer>
#include <QString>

// One entry of an order handed by the import manager to one worker.
struct PhotoImportTask
{
    PhotoInfo photoInfo;
    QString targetDir;   // the order's import folder joined with the entry's size tag
    int taskId = 0;      // the manager's record the entry came from
    int photoIndex = 0;  // position in the order's full entry list
    int totalPhotos = 0; // entries of the order; carried along
    // Set for a run's entries: the order's folder (as resolved when the order
    // started), which the worker never makes again, and the share pinned when
    // the run started, which every write and every folder is checked against.
    // Without them the entry is written where targetDir says, replacing what
    // is there.
    QString orderFolder;
    ShareGuard share;
    OrderFolder folder; // the order's folder as named and as resolved; checked before each entry
    QSharedPointer<FolderListing> listing; // the run's view of its folders, shared by its entries
    QString within; // the real place of the order's folder as resolved: folders are made only inside it
    QString folderRefusal; // why the entry's folder, there when the order started, is not written into
};

#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// Deletion state of one file of an order folder.
enum FileDeleteStatus : int {
    NotDeleted = 0,
    Deleting = 1,
    Deleted = 2,
    SubmitFailed = 3,
    MissingFile = 4,
    FileOccupied = 5,
    NetworkUnreachable = 6,
    NoPermission = 7,
    UnknownError = 8
};

// One file found in an order folder.
struct BatchDeleteFileInfo
{
    QString fileName;
    QString filePath;
    QString dirName;
    qint64 size = 0;
    int status = NotDeleted;
    QString errorMessage;
    int index = 0;
};

// One order of a search, with the files of its folder and their outcomes.
struct BatchDeleteOrderInfo
{
    QString id;
    QString order_photo_id;
    QString orderpayforkey;
    QString servicetimes;
    QString name;
    QString mname;
    QString wname;
    QString role1;
    QString tiaosename;
    QString netpath;
    QString fulfil_time;
    bool checked = false;
    int row = -1;
    QList<BatchDeleteFileInfo> deleted;
    QList<BatchDeleteFileInfo> failed;
    QList<BatchDeleteFileInfo> all;
    // Why the order is never scanned or deleted, read from the reply (an id
    // that is no text or integer, a folder path too long); empty when fine.
    QString problem;
};

// The outcome of one scan of an order folder.
struct FileScanResult
{
    QList<BatchDeleteFileInfo> files;
    int code = 0;
    QString errorMessage;
    QString scanPath;
    int fileCount = 0;
    QString orderId;
};

Q_DECLARE_TYPEINFO(BatchDeleteFileInfo, Q_MOVABLE_TYPE);
Q_DECLARE_TYPEINFO(BatchDeleteOrderInfo, Q_MOVABLE_TYPE);
Q_DECLARE_METATYPE(BatchDeleteFileInfo)
Q_DECLARE_METATYPE(BatchDeleteOrderInfo)
Q_DECLARE_METATYPE(FileScanResult)

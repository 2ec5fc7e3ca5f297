#pragma once

#include <QList>
#include <QMetaType>
#include <QPixmap>
#include <QString>

// State of one file entry.
enum PhotoStatus : int {
    Uploaded = 0,
    Waiting = 1,
    Failed = 2,
};

// One picked, queued or imported file entry of the photo transfer tool.
// A picked photo is four consecutive entries tagged "all", "90", "190",
// "1920"; the "all" entry (the group head) carries the photo-level states.
struct PhotoInfo
{
    QString id;          // service id of an imported file; empty when picked
    QString extra;       // filled by nothing; carried along with the record
    int status = PhotoStatus::Waiting;
    QPixmap thumbnail;   // only a tile's own copy holds one
    QString img_name;
    QString imagesize;   // target long side for a size copy; "" otherwise
    QString sizeTag;     // "all", "90", "190", "1920", "试拍视频" or "精修视频"
    QString url;         // service address, or the source file when picked
    QString importPath;  // the order's import folder at pick time
    QString localpath;   // where the service recorded the file
    int statusOrigin = PhotoStatus::Waiting;
    int status90 = PhotoStatus::Waiting;
    int status190 = PhotoStatus::Waiting;
    int status1920 = PhotoStatus::Waiting;
    // The user agreed to replace the file of this name in the order's folder.
    bool replaceConfirmed = false;
    // Why the file's last import failed, in the user's words ("" when it did not).
    QString failure;
};

Q_DECLARE_METATYPE(PhotoInfo)

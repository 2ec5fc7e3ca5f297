#pragma once

#include <QMetaType>
#include <QString>

// The state of one chosen file on its way to the share.
enum class ImportStatus : qint32 {
    Waiting = 0,
    Success = 1,
    Failed = 2,
};

// One chosen file; travels by value between the copy tasks and the window.
struct ImportFile
{
    QString sourcePath;
    QString baseName;     // complete base name (without the last suffix)
    QString suffix;       // last suffix, case as on disk
    QString targetFolder; // order folder joined with its subfolder
    ImportStatus status = ImportStatus::Waiting;
    QString message;
    qint32 orderRow = 0;
    qint32 fileRow = 0;
    qint64 size = 0; // 64 bits: camera raw and video files pass 2 GB
    qint32 generation = 0; // of the order's choice the file belongs to
    bool replaceAllowed = false; // the user agreed to replace another file of its name
    // The name a file already in the target folder has that the share takes
    // for this one's (another Unicode form or letter case); empty when none.
    QString lookAlikeName;
    // Set by a copy that took a name no file had: the folder holds one more.
    bool newOnShare = false;

    // The name the file is shown, compared, copied and reported under: its
    // own, also without a suffix or ending in a dot or a blank.
    QString fileName() const
    {
        if (sourcePath.isEmpty())
            return baseName + QLatin1Char('.') + suffix;
        return sourcePath.mid(sourcePath.lastIndexOf(QLatin1Char('/')) + 1);
    }

    // The name the file has on the share: a look-alike already there keeps
    // its own, the one the service holds, when the file takes its place.
    QString placedName() const { return lookAlikeName.isEmpty() ? fileName() : lookAlikeName; }
};

Q_DECLARE_METATYPE(ImportFile)

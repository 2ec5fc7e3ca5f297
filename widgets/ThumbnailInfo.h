#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

// One photo handed to the thumbnail grid, copied by value.
struct ThumbnailInfo
{
    QString id;
    QString name; // shown under the tile
    bool selected = false;
    QString filePath; // not read by the grid
    QString url;      // picture address, used when localPath is empty
    QString photoPath;
    QString photoUrl;
    QString localPath = QStringLiteral(""); // preferred picture source when not empty
    bool selectable = true;
    QStringList extraPaths;
};

Q_DECLARE_METATYPE(ThumbnailInfo)

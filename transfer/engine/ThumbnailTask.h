#pragma once

#include <QString>

// One preview to make for the picked-photo panel.
struct ThumbnailTask
{
    QString sourcePath;
    QString fileName;
    int index = 0; // position in the list given to setTasks
    bool isVideo = false; // from the entry's own tag, not the current import kind
};

#pragma once

#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// The grid's record of one item: what to load and the card showing it.
struct ThumbnailItemData
{
    QString name;
    QString localPath;
    QString url;
    QString filePath;
    bool selectable = true;
    bool selected = false;
    bool loading = false; // a request is out
    bool loaded = false;  // a picture is shown
    QWidget *card = nullptr;
    QLabel *photoLabel = nullptr;
    QLabel *nameLabel = nullptr;
    QPushButton *selectButton = nullptr;
};

#pragma once

#include <QString>

class QLabel;
class QWidget;

// One shown entry of the imported-photo grid, in display order.
struct PhotoDisplayData
{
    QString id;
    QString name;
    QString url;
    QString localPath;
    QLabel *photoLabel = nullptr;
    QLabel *nameLabel = nullptr;
    QWidget *itemWidget = nullptr;
    bool isLoading = false;
    bool isLoaded = false;
    bool isSelected = false;
};

#pragma once

#include <QJsonObject>
#include <QMainWindow>

// The photo transfer tool's main window ("导片").
class tfhome : public QMainWindow
{
    Q_OBJECT

public:
    explicit tfhome(QWidget *parent = nullptr);

    // The login reply, filled by the window's creator.
    QJsonObject loginInfo;
};

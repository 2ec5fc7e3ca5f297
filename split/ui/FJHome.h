#pragma once

#include "split/ui/DesignFileSplitTypes.h"

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QWidget>

// The window of the four design-file and download tools. Shell until the
// split tools land.
class FJHome : public QWidget
{
    Q_OBJECT

public:
    explicit FJHome(QWidget *parent = nullptr);

    void setInitData(QMap<QString, QString> data);

public slots:
    // Result report of every design-file job, queued from the pool threads.
    void slt_copypicthread(bool ok, QString jobType, QString srcPath, QString third, QString message);

public:
    QJsonObject loginData;
    DesignFileSplitTypes splitType = DesignSplit;
};

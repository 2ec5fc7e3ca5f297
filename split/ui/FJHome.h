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

    QJsonObject loginData;
    DesignFileSplitTypes splitType = DesignSplit;
};

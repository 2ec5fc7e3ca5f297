#pragma once

#include "importfiles/ImportFile.h"

#include <QList>
#include <QString>
#include <QStringList>

// One order of an order search, with its chosen files and their outcomes.
struct ImportOrder
{
    QString id;
    QString orderid;
    QString order_photo_id;
    qint32 row = 0;
    QString orderpayforkey;
    QString servicetimes;
    QString wname;
    QString mname;
    QString comboname;
    QString shotdate;
    QString shotdate_year;
    QString shotdate_month;
    QString shotdate_day;
    QString sampledate;
    QString order_price;
    QString selectphotoname;
    QString storesname;
    QString number_yuanshidang;
    QString number_yuanpian;
    QString number_jingxiu;
    QString wphone;
    QString mphone;
    QString selectphototime;
    QString role1;
    QString role2;
    QString importPath;
    QString serverName;
    QString publicNetPath;
    QString importPublicPath;
    QList<ImportFile> files;
    QStringList selectedNames;
    QStringList failedNames;
    QList<ImportFile> failedFiles;
    QList<ImportFile> successFiles;
    QString netPath;       // the order's own folder as the service wrote it
    qint32 generation = 0; // of the current choice; results of older ones are stale
};

Q_DECLARE_METATYPE(ImportOrder)

#pragma once

#include "transfer/records/OrderInfo.h"

#include <QJsonArray>
#include <QJsonObject>

// Building the photo transfer tool's records from service replies.
namespace OrderRecords {

// One entry of "images", "images_taipian" or a savepicpath reply.
PhotoInfo photoFromReply(const QJsonObject &object);

// Appends each object of the array to the list its "type" chooses:
// "2" trial-shoot videos, "3" retouched videos, anything else photos.
void sortImportedEntries(const QJsonArray &entries, QList<PhotoInfo> &photos,
                         QList<PhotoInfo> &trialVideos, QList<PhotoInfo> &retouchedVideos);

// Splits a shooting date "Y-M-D" into year and two-digit month and day;
// anything else gives 1970, 01, 01.
void splitShotDate(const QString &shotdate, QString &year, QString &month, QString &day);

// One object of the order_list "data" array at the given position.
OrderInfo orderFromListObject(const QJsonObject &object, int index);

} // namespace OrderRecords

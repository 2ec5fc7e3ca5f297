#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QString>

// What the production sheet of one order is made from: copies of the order
// detail holder's members, so the text can be built without a holder.
struct ProductionSheetInput
{
    QJsonObject order;
    QString barcodeUrl;
    QString serviceCount = QStringLiteral("0");
    QJsonArray serviceVisits;
    QMap<QString, QJsonObject> retouchMarkImages;
    QMap<QString, QJsonObject> selectedImages;
    QMap<QString, QJsonObject> baseImages;
};

// The HTML text of an order's production sheet ("明细制作单"). Pure: reads its
// arguments only. Every service value is HTML-escaped, so markup sent by the
// service shows as text, but the shop's own markup (SheetParts::shopMarkup).
// Pictures come only from "data:image/" sources, fitted into their boxes.
namespace ProductionSheetHtml {

// The whole sheet, its pictures in place. A picture URL without an entry in
// imageSources shows an empty source and leaves an empty entry behind, as
// callers expect.
QString build(const ProductionSheetInput &input, QMap<QString, QString> &imageSources,
              const QDateTime &printTime);

// A pickup date with its time slot in brackets, unless the slot is empty or ":00".
QString pickupText(const QString &date, const QString &slot);

// The decimal value of a sheet count, 0 for anything that is not a plain integer.
int sheetCount(const QString &text);

// A service value made safe as HTML text or attribute value.
QString escaped(const QString &value);

} // namespace ProductionSheetHtml

#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include "split/engine/SheetPictures.h"

// The HTML of an order's production sheet, built from the order detail reply.
// Each section appends its markup to the sheet text. Pure functions, safe on
// any pool thread: pictures are read from the order's "其他/" folder only and
// embedded as data URLs; every service text is HTML-escaped but the shop's
// own markup (SheetParts::shopMarkup).
class FJSheetHtml
{
public:
    // The two texts that end the titles of the product tables.
    struct PickupTexts {
        QString pickup;
        QString urgent;
    };

    enum class GridKind { SonGood, Product };

    // Where the sheet's pictures come from: the order's "其他/" folder only.
    struct Sources {
        QString orderDir;
        SheetPictures pictures;
        // A placeholder for the picture sub + name, fitted into size x size
        // (size 0: the file's own bytes); empty when the name leaves the folder.
        QString picture(const QString &sub, const QString &name, int size);
    };

    // The whole sheet; stamp is the printing time shown at the bottom.
    static QString build(const QJsonObject &reply, const QString &orderDir, const QDateTime &stamp);

    // Document head with its style block.
    static void appendHead(QString &html);
    // Shop name and barcode row.
    static void appendHeader(QString &html, const QJsonObject &order, Sources &src);
    // The thirteen-row order table; returns the pickup slot.
    static QString appendOrderInfo(QString &html, const QJsonObject &order);
    // General, consumption and retouching requirements and the "指定制作" heading.
    static PickupTexts appendRequirements(QString &html, const QJsonObject &order, const QJsonObject &reply,
                                          Sources &src, const QString &pickupSlot);
    // The urgent and normal product tables of every selection visit.
    static void appendVisits(QString &html, const QJsonObject &reply, const PickupTexts &pickup,
                             Sources &src);
    // One picture grid under a product or son_good row.
    static void appendGrid(QString &html, const QJsonArray &pictures, GridKind kind, bool urgent,
                           Sources &src);
    // Selected and base photos, disclaimer and signature row.
    static void appendPhotoGrids(QString &html, const QJsonObject &reply, const QJsonObject &order,
                                 Sources &src);

    // The service text of key, escaped for the markup; empty unless a JSON string.
    static QString value(const QJsonObject &object, const QString &key);
    // orderDir + "其他/" + sub + "/" + name, where name is one file of that
    // folder (its slashes become "_", as when the jobs stored it); empty when
    // the path would leave the order's folders.
    static QString picturePath(const QString &orderDir, const QString &sub, const QString &name);
};

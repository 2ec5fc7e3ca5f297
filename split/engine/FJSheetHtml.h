#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// The HTML of an order's production sheet, built from the order detail reply.
// Each section appends its markup to the sheet text. Pure functions, safe on
// any pool thread: pictures are read as QImage from the order's "其他/" folder
// only and embedded as data URLs; every service text is HTML-escaped.
class FJSheetHtml
{
public:
    // The two texts that end the titles of the product tables.
    struct PickupTexts {
        QString pickup;
        QString urgent;
    };

    enum class GridKind { SonGood, Product };

    // The whole sheet; stamp is the printing time shown at the bottom.
    static QString build(const QJsonObject &reply, const QString &orderDir, const QDateTime &stamp);

    // Document head with its style block.
    static void appendHead(QString &html);
    // Shop name and barcode row.
    static void appendHeader(QString &html, const QJsonObject &order, const QString &orderDir);
    // The thirteen-row order table; returns the pickup slot.
    static QString appendOrderInfo(QString &html, const QJsonObject &order);
    // General, consumption and retouching requirements and the "指定制作" heading.
    static PickupTexts appendRequirements(QString &html, const QJsonObject &order, const QJsonObject &reply,
                                          const QString &orderDir, const QString &pickupSlot);
    // The urgent and normal product tables of every selection visit.
    static void appendVisits(QString &html, const QJsonObject &reply, const PickupTexts &pickup,
                             const QString &orderDir);
    // One picture grid under a product or son_good row.
    static void appendGrid(QString &html, const QJsonArray &pictures, GridKind kind, bool urgent,
                           const QString &orderDir);
    // Selected and base photos, disclaimer and signature row.
    static void appendPhotoGrids(QString &html, const QJsonObject &reply, const QJsonObject &order,
                                 const QString &orderDir);
    // Closing with the time stamp.
    static void appendClosing(QString &html, const QDateTime &stamp);

    // The service text of key, escaped for the markup; empty unless a JSON string.
    static QString value(const QJsonObject &object, const QString &key);
    // orderDir + "其他/" + sub + name as a data URL fitted into size x size
    // (size 0: the file's own bytes). The name is one file of that folder:
    // its slashes and backslashes become "_", as when the jobs stored it.
    // Empty when the file is missing or cannot be read.
    static QString picture(const QString &orderDir, const QString &sub, const QString &name, int size);
};

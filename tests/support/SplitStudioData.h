#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// Canned replies of the studio service for the split and download tools.
namespace SplitStudioData {

// Branches "一店" (id "11") and "二店" (id "22") become Config::k_shops.
void installShops();

QString orderNumber(int n);      // "FJ100n"
QString orderPhotoId(int n);     // "op-n"

// One element of an order search: order n with `images` entries in "images",
// two photos not yet downloaded and one downloaded.
QJsonObject order(int n, int images = 3);
QJsonObject orderListReply(int count);
QJsonObject switchShopReply(const QString &superId = QStringLiteral("S9"), const QString &eid = QStringLiteral("E7"));
QJsonObject accepted();
QJsonObject refused(const QString &message);

} // namespace SplitStudioData

#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

class StandInService;

// Canned replies of the studio service for the file import tool: orders
// whose folders are UNC paths on one share, a branch's public import folder,
// the customer's picked photo names.
namespace ImportFilesStudioData {

extern const QString kServer;
extern const QString kShare;

// The share-relative folder of order n ("photo/orders/DD...-1"), for a mount root.
QString orderShareFolder(int n);
// The same in the service's UNC form.
QString orderNetpath(int n);
// The branch's public import folder ("\\NAS-STUDIO\photo\import").
QString publicNetpath();
QString publicShareFolder();
QString orderNumber(int n);
QString orderPhotoId(int n);

// Order n of a search. An empty netpath leaves the order without its own folder.
QJsonObject order(int n, const QString &netpath, const QStringList &pickedNames = {});

QJsonObject switchShopReply();
// A search reply with the given orders.
QJsonObject orderListReply(const QJsonArray &orders, int openypml = 1, int delyp = 1);
QJsonObject accepted();
// switch_shop and order_list (`orders` orders with their own folders), savepicpath_batch,
// saveorderphotopath and savepicpath accepted.
void install(StandInService &service, int orders = 3);

} // namespace ImportFilesStudioData

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
// Imported photos of an order: JPEGs with reduced copies and raws, their
// "localpath" values UNC paths below shareFolder.
QJsonObject photosReply(const QString &shareFolder, const QJsonArray &jpegs, const QJsonArray &raws);
QJsonObject jpeg(const QString &id, const QString &name, const QString &shareFolder, bool withReduced = true);
QJsonObject raw(const QString &id, const QString &name, const QString &shareFolder, const QString &isdownload = "0");
QString unc(const QString &shareFolder);
// getorder_pics answers `reply` with the request's own timestamp.
void servePhotos(StandInService &service, const QJsonObject &reply);

// switch_shop and order_list (`orders` orders with their own folders), savepicpath_batch,
// saveorderphotopath and savepicpath accepted.
void install(StandInService &service, int orders = 3);

} // namespace ImportFilesStudioData

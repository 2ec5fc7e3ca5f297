#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

class StandInService;

// Canned replies of the studio service for the photo transfer tool: orders
// with shooting dates, output sizes, share paths in UNC form and imported
// photos and videos whose "localpath" is a UNC path on the same share.
namespace TransferStudioData {

// The share server and share the canned paths live on.
extern const QString kServer;
extern const QString kShare;

// Makes the share folder (kShare by default) below a mount root, with a file
// in it: an empty folder on the root's own disk is an unmounted mount point.
// Returns the folder.
QString makeShare(const QString &root, const QString &share = kShare);

// The UNC folder of order n ("\\NAS-STUDIO\photo\2024\05\1n\DD...").
QString orderNetpath(int n);
// The share-relative folder of order n ("photo/2024/05/..."), for a mount root.
QString orderShareFolder(int n);
QString orderNumber(int n);
QString orderPhotoId(int n);

// One imported file of an order; type "1" photo, "2" trial video, "3" retouched video.
QJsonObject importedFile(int order, int n, const QString &type, const QString &urlBase);

// Order n of a search; `photos` imported photos with URLs below urlBase.
QJsonObject order(int n, int photos = 2, const QString &urlBase = QString());

QJsonObject switchShopReply();
QJsonObject personsReply();
// A search reply with `count` orders.
QJsonObject orderListReply(int count, int openypml = 1, int delyp = 1, const QString &urlBase = QString());
// The getorderphotoimg reply of order n.
QJsonObject orderPhotosReply(int n, int photos, int trialVideos, int retouchedVideos,
                             const QString &urlBase = QString());
QJsonObject accepted();
QJsonObject refused(const QString &message);

// Gives the stand-in every action of the transfer panels: switch_shop,
// get_persons, order_list (`orders` orders), getorderphotoimg of order 0,
// delimages and delmv; picture URLs point at urlBase.
void install(StandInService &service, int orders = 3, const QString &urlBase = QString());

} // namespace TransferStudioData

#pragma once

#include "importfiles/ImportFileType.h"
#include "importfiles/ImportOrder.h"
#include "platform/ShareGuard.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// The file import tool's rules that need no window: records from service
// replies, file routing, folder scans and the bodies of its reports.
namespace ImportRules {

struct ShotDate
{
    QString year;
    QString month;
    QString day;
};

// "yyyy-M-d" split with one-character parts padded; 1970-01-01 for any other form.
ShotDate splitShotDate(const QString &shotdate);

// Base name up to the first dot, ".", lower-case last suffix.
QString pickName(const QString &fileName);

// An id of a reply: a string as it is, an integer by its digits; empty for
// anything else (missing, a fraction, a boolean, an object).
QString idText(const QJsonValue &value);

// One order object of an "order_list" reply at index `index`. Its ids
// ("id", "order_photo_id") are read with idText.
ImportOrder orderFromJson(const QJsonObject &object, int index);

// False for an order whose "id" or "order_photo_id" the reply gave in no
// usable form: nothing may be written or reported for it.
bool hasIds(const ImportOrder &order);
// "订单数据错误"
QString badOrderMessage();

// The orders of an "order_list" reply's "data" array.
QList<ImportOrder> ordersFromReply(const QJsonObject &reply);

// A JSON value read as an int the way the service's flags are read: numbers only.
int flagValue(const QJsonValue &value);

QString statusText(ImportStatus status);
QString statusColor(ImportStatus status);

bool isCameraJpegSuffix(const QString &suffix);
// "原片", "原始档" or "精修片" for a file of the tool.
QString subfolderFor(ImportFileType type, const QString &suffix);
// The subfolders the tool creates in an order folder, in creation order.
QStringList subfoldersOf(ImportFileType type);

// "图片文件 (...);;所有文件 (*.*)"
QString fileFilter(ImportFileType type);

// The import folder of an order: its own when the service gave one, else
// built below the branch's public folder. Empty, with the offending path in
// `refused`, unless the service's text is absolute without "." or ".." parts
// and the folder lies strictly below the mount root.
QString orderFolder(const ImportOrder &order, QString &refused);

// Where an order folder was found when its order started.
struct OrderPlace
{
    QString folder; // its real place, links resolved, written below the share's pinned folder
    QString within; // its real place as the system gives it: what every "within" check holds to
    bool isEmpty() const { return folder.isEmpty(); }
};

// The order folder's place; empty unless it lies below the pinned share
// while that is there. Taken once when an order starts and handed on:
// everything of the order is written, checked and listed there, whatever
// the folder's name points at later. Nothing works the real place out again.
OrderPlace resolveOrderFolder(const QString &folder, const ShareGuard &share);

// True when folder, or the deepest part of it that exists, leads out of
// the pinned share (through a link): nothing may be made through it.
bool leadsOffShare(const QString &folder, const ShareGuard &share);

// The real place of path, every link followed; for a path that is not there,
// the real place of its deepest part that is, with the rest of its name.
// Empty when a link on the way leads nowhere: it could be made to lead anywhere.
QString realPlaceOf(const QString &path);

// True while folder still leads to within, a real place taken earlier.
bool resolvesTo(const QString &folder, const QString &within);

// targetFolder, a folder below orderFolder, at the same place below realFolder.
QString placeBelow(const QString &targetFolder, const QString &orderFolder, const QString &realFolder);

QString outsideShareMessage(const QString &folder);
// True when folder is there (or a link stands there) and its real place is
// not below the pinned share while the share is still there.
bool folderOffShare(const QString &folder, const ShareGuard &share);
// True when folder is there (or a link stands there) on the pinned share
// while it is there, but its real place is not at or below within, the real
// place of its order's folder: another order's folder, reached through a link.
bool folderOutsideOrder(const QString &folder, const ShareGuard &share, const QString &within);
QString nameNotAllowedMessage(const QString &target);

// True for a name an SMB share refuses, or takes under another name: one
// with a control character or any of \ / : * ? " < > |, or ending in a dot
// or a blank.
bool smbRefusesName(const QString &name);
QString listingFailedMessage(const QString &folder, const QString &reason);
QString movedFolderMessage(const QString &folder);

// The chosen files (source paths) that would land on one name of the share,
// equal after Unicode and letter-case folding; empty when none collide.
QStringList collidingNames(const QList<ImportFile> &files);

// One chosen file of an order.
ImportFile makeFile(const QString &path, const QString &orderFolder, ImportFileType type,
                    int orderRow, int fileRow);

// Lines of the chosen files whose pick names the customer did not pick.
QStringList mismatchedNames(const QStringList &paths, const QStringList &selectedNames);

struct FolderScan
{
    QJsonArray entries; // {"name","size"} per file, sizes as text
    int count = 0;
    QString failure; // the folder could not be listed, and why; no entries then
};
// The files of one subfolder of an order folder matching the subfolder's
// masks, and those of placedNames (or their look-alikes) that lie there
// whatever their names, each under its name on the share. A subfolder
// that does not exist holds nothing, unless it should hold placed files or
// the order folder itself is gone; one that cannot be read fails.
FolderScan scanSubfolder(const QString &importPath, const QString &subfolder,
                         const QStringList &placedNames = {});

// The names on the share of the order's chosen files copied into its subfolder.
QStringList placedNames(const ImportOrder &order, const QString &subfolder);

// The order_list body of a search.
QByteArray orderListBody(const QString &keyword, const QString &searchType, const QString &shopId,
                         const QString &managerId, const QString &superId);

struct BranchIds
{
    QString shopId;
    QString managerId; // "EID" of the branch
    QString superId;
};

// The order folder in the service's UNC form, without trailing separators.
QString serviceFolder(const ImportOrder &order);

QByteArray batchBody(ImportFileType type, const ImportOrder &order, const BranchIds &ids,
                     const QJsonArray &imgNames, const QJsonArray &rawImgNames);
// An order's "savepicpath_batch" report, built once and sent as often as the
// user asks.
struct BatchReport
{
    QByteArray body;
    int jpegCount = 0;
    int rawCount = 0;
    bool shareGone = false; // the pinned share went away: no body
    QString failure;        // a folder could not be listed: no body
    int placedListed = 0;   // how many of the files the run placed were there to be listed
};
// Lists the order's folders and builds the report; slow for large orders, so
// meant for a worker thread. With a pinned share the listing counts only when
// the share was there before and after it.
// place, when given, is the order folder's place resolved when the order started.
BatchReport batchReport(ImportFileType type, const ImportOrder &order, const BranchIds &ids,
                        const ShareGuard &share = ShareGuard(), const OrderPlace &place = OrderPlace());
QByteArray orderPathBody(const ImportOrder &order, const BranchIds &ids, const QString &personId);
// The "savepicpath" report of one file, under its name on the share.
QByteArray photoInfoBody(ImportFileType type, const ImportOrder &order, const ImportFile &file,
                         const BranchIds &ids, const QString &personId);

// The names a "savepicpath_batch" reply asks to import again, as the HTML
// of the error dialog; empty when it asks for none.
QString reimportHtml(ImportFileType type, const ImportOrder &order, const QJsonObject &reply);

} // namespace ImportRules

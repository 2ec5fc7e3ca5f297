#include "batchdelete/BatchDeleteLogic.h"

#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/core/ServiceReply.h"
#include "platform/MountRoot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QRegularExpression>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace BatchDeleteLogic {

void registerMetaTypes()
{
    qRegisterMetaType<BatchDeleteOrderInfo>("BatchDeleteOrderInfo");
    qRegisterMetaType<BatchDeleteFileInfo>("BatchDeleteFileInfo");
    qRegisterMetaType<FileScanResult>("FileScanResult");
    qRegisterMetaType<QList<BatchDeleteOrderInfo>>("QList<BatchDeleteOrderInfo>");
    qRegisterMetaType<QList<BatchDeleteFileInfo>>("QList<BatchDeleteFileInfo>");
}

QString customerName(const QString &mname, const QString &wname)
{
    if (!mname.isEmpty() && !wname.isEmpty())
        return mname + QLatin1Char('/') + wname;
    return mname.isEmpty() ? wname : mname;
}

QString orderFolder(const QString &netpath, QString *tooLong)
{
    QString unified = netpath;
    unified.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString folder;
    if (unified.startsWith(QLatin1Char('/'))) {
        folder = K::pathConvert(netpath);
        while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
            folder.chop(1);
    }
    // Never taken: a path far past the system's limits costs time in every
    // step that touches it, the window's among them.
    const QString problem = K::pathTooLongMessage(folder);
    if (tooLong)
        *tooLong = problem;
    return problem.isEmpty() && isBelowShare(folder, MountRoot::path()) ? folder : QString();
}

bool isBelowShare(const QString &path, const QString &root)
{
    if (!MountRoot::isStrictlyBelow(path, root))
        return false;
    const QString rootWithSlash = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    return path.mid(rootWithSlash.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts).size() >= 2;
}

QString realOrderFolder(const QString &folder, QString *reason)
{
    const QString realRoot = QFileInfo(MountRoot::path()).canonicalFilePath();
    if (folder.isEmpty() || realRoot.isEmpty()) {
        *reason = QStringLiteral("订单目录无效");
        return QString();
    }
    // Looked up by hand: why it cannot be found tells a missing folder from a share gone.
    char *resolved = ::realpath(QFile::encodeName(folder).constData(), nullptr);
    if (!resolved) {
        folderProblem(errno, folder, reason);
        return QString();
    }
    const QString real = QFile::decodeName(resolved);
    std::free(resolved);
    if (!isBelowShare(real, realRoot)) {
        *reason = QStringLiteral("订单目录链接到共享目录以外");
        return QString();
    }
    *reason = K::orderFolderLinkRefusal(folder);
    return reason->isEmpty() ? real : QString();
}

int folderProblem(int error, const QString &folder, QString *message)
{
    if (error == EACCES || error == EPERM) {
        *message = QStringLiteral("没有权限访问目录: %1").arg(folder);
        return 4;
    }
    const bool networkPath = folder.startsWith(QLatin1String("\\\\")) || folder.startsWith(QLatin1String("//"));
    if ((error == ENOENT || error == ENOTDIR) && !networkPath) {
        *message = QStringLiteral("目录不存在: %1").arg(folder);
        return 2;
    }
    *message = QStringLiteral("共享目录连接失败: %1\n请检查网络连接或共享目录权限").arg(folder);
    return 3;
}

QString shareMissingText(const QString &folder)
{
    struct stat info;
    QString unreachable;
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0 && folderProblem(errno, folder, &unreachable) == 3)
        return unreachable;
    return K::missingShareMessage(folder);
}

BatchDeleteOrderInfo orderFromJson(const QJsonObject &object, int row)
{
    const auto text = [&object](const char *key) { return object.value(QLatin1String(key)).toString(); };
    BatchDeleteOrderInfo order;
    order.id = ServiceReply::idText(object.value(QLatin1String("id")));
    order.order_photo_id = ServiceReply::idText(object.value(QLatin1String("order_photo_id")));
    order.orderpayforkey = text("orderpayforkey");
    order.servicetimes = text("servicetimes");
    order.mname = text("mname");
    order.wname = text("wname");
    order.name = customerName(order.mname, order.wname);
    order.role1 = text("role1");
    order.tiaosename = text("tiaosename");
    order.netpath = orderFolder(text("netpath"), &order.problem);
    order.fulfil_time = text("fulfil_time");
    order.checked = false;
    order.row = row;
    // Nothing may go out under an empty id: the service would take it for every order.
    if (order.id.isEmpty() || order.order_photo_id.isEmpty())
        order.problem = badOrderText();
    return order;
}

QList<BatchDeleteOrderInfo> ordersFromReply(const QJsonObject &reply)
{
    const QJsonArray data = reply.value(QLatin1String("data")).toArray();
    QList<BatchDeleteOrderInfo> orders;
    orders.reserve(data.size());
    for (int i = 0; i < data.size(); ++i)
        orders.append(orderFromJson(data.at(i).toObject(), i));
    return orders;
}

bool isAccepted(const QJsonObject &reply)
{
    return ServiceReply::codeOf(reply) == ServiceReply::Code::Accepted;
}

QString refusalText(const QJsonObject &reply)
{
    if (ServiceReply::codeOf(reply) == ServiceReply::Code::BadForm)
        return ServiceReply::badFormMessage();
    return reply.value(QLatin1String("message")).toString();
}

QByteArray switchShopBody(const QString &shopId)
{
    return FormBody().add(QStringLiteral("shopid"), shopId).toBytes();
}

QByteArray orderListBody(const QString &keyword, int searchType, const QString &role7id, const Ids &ids)
{
    return FormBody()
        .add(QStringLiteral("keyword"), keyword)
        .add(QStringLiteral("searchtype"), QString::number(searchType))
        .add(QStringLiteral("role7id"), role7id)
        .add(QStringLiteral("ratio"), QStringLiteral("90"))
        .add(QStringLiteral("shopid"), ids.shopId)
        .add(QStringLiteral("eid"), ids.managerId)
        .add(QStringLiteral("superid"), ids.superId)
        .add(QStringLiteral("personid"), ids.managerId)
        .toBytes();
}

QByteArray loginBody(const QString &username, const QString &password)
{
    return FormBody().add(QStringLiteral("username"), username).add(QStringLiteral("password"), password).toBytes();
}

QByteArray picsJson(const QList<BatchDeleteFileInfo> &files)
{
    QJsonArray array;
    for (const BatchDeleteFileInfo &file : files) {
        QJsonObject object;
        object.insert(QStringLiteral("picpath"), file.filePath);
        object.insert(QStringLiteral("picname"), file.fileName);
        object.insert(QStringLiteral("picshortpath"), file.dirName);
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

static FormBody idsBody(const Ids &ids, const QString &orderPhotoId)
{
    FormBody body;
    body.add(QStringLiteral("shopid"), ids.shopId)
        .add(QStringLiteral("eid"), ids.managerId)
        .add(QStringLiteral("superid"), ids.superId)
        .add(QStringLiteral("personid"), ids.managerId)
        .add(QStringLiteral("order_photo_id"), orderPhotoId);
    return body;
}

QByteArray deleteBeforeBody(const Ids &ids, const QString &orderPhotoId, const QList<BatchDeleteFileInfo> &files)
{
    FormBody body = idsBody(ids, orderPhotoId);
    body.add(QStringLiteral("pics"), QString::fromUtf8(picsJson(files)));
    return body.toBytes();
}

QByteArray deleteAfterBody(const Ids &ids, const QString &orderPhotoId, const BatchDeleteFileInfo &file)
{
    FormBody body = idsBody(ids, orderPhotoId);
    body.add(QStringLiteral("picpath"), file.filePath).add(QStringLiteral("picname"), file.fileName);
    return body.toBytes();
}

QString deletedListText(const QList<BatchDeleteFileInfo> &files)
{
    QString text;
    for (const BatchDeleteFileInfo &file : files)
        text += QLatin1Char('\n') + file.dirName + QLatin1Char('/') + file.fileName;
    return text;
}

QString failedListText(const QList<BatchDeleteFileInfo> &files)
{
    QString text;
    for (const BatchDeleteFileInfo &file : files)
        text += QLatin1Char('\n') + file.dirName + QLatin1Char('/') + file.fileName + QStringLiteral(": ")
                + failedReason(file);
    return text;
}

// When owed records go out, said alike wherever a removed file's record is owed.
static QString owedRecordsSentText()
{
    return QStringLiteral("在下次开始批量删除或重新打开批量删除时自动补交");
}

QString failedReason(const BatchDeleteFileInfo &file)
{
    // Gone from the share: a blank reason here reads as a photo still there.
    if (file.status == SubmitFailed)
        return QStringLiteral("已从共享目录删除，删除记录未提交，将") + owedRecordsSentText();
    return file.errorMessage.isEmpty() ? statusText(file.status) : file.errorMessage;
}

QString orderLine(const BatchDeleteOrderInfo &order, const QString &text)
{
    return order.orderpayforkey + QLatin1Char('-') + order.servicetimes + QStringLiteral("：") + text;
}

void RunEnd::addRefused(const BatchDeleteOrderInfo &order, const QString &reason)
{
    untouched << orderLine(order, reason);
}

void RunEnd::addOrder(const BatchDeleteOrderInfo &order, const OrderTally &tally, const QString &stopReason)
{
    const QString why = !stopReason.isEmpty()        ? stopReason
                        : !tally.lostReason.isEmpty() ? tally.lostReason
                                                      : tally.keptReason;
    if (tally.announced == 0) {
        addRefused(order, why);
        return;
    }
    const int kept = tally.announced - tally.removed;
    if (kept > 0)
        (tally.removed == 0 ? untouched : partly)
            << orderLine(order, QStringLiteral("%1个文件未删除，%2").arg(kept).arg(why));
    if (tally.owed > 0)
        owed << orderLine(order, QStringLiteral("%1个文件已删除（%2）").arg(tally.owed).arg(statusText(SubmitFailed)));
}

bool RunEnd::allDone() const
{
    return failed == 0 && stopReason.isEmpty() && untouched.isEmpty() && partly.isEmpty() && owed.isEmpty();
}

QString runEndText(const RunEnd &end)
{
    if (end.allDone())
        return QStringLiteral("全部删除完成！");
    QStringList lines;
    if (!end.stopReason.isEmpty())
        lines << end.stopReason;
    lines << QStringLiteral("删除结束：成功%1个，失败%2个").arg(end.deleted).arg(end.failed);
    if (!end.untouched.isEmpty())
        lines << QStringLiteral("以下订单未删除：") << end.untouched;
    if (!end.partly.isEmpty())
        lines << QStringLiteral("以下订单部分文件未删除：") << end.partly;
    if (!end.owed.isEmpty())
        lines << QStringLiteral("以下订单的文件已从共享目录删除，但删除记录未提交：") << end.owed
              << QStringLiteral("未提交的删除记录将") + owedRecordsSentText();
    return lines.join(QLatin1Char('\n'));
}

QString badOrderText()
{
    return QStringLiteral("订单数据错误");
}

QString nothingDeletableText()
{
    return QStringLiteral("扫描到的文件都不在订单目录内");
}

QString formatFileSize(qint64 size)
{
    constexpr qint64 kb = 1024;
    constexpr qint64 mb = kb * 1024;
    constexpr qint64 gb = mb * 1024;
    if (size < kb)
        return QString::number(size) + QStringLiteral(" B");
    if (size < mb)
        return QString::number(double(size) / kb, 'f', 2) + QStringLiteral(" KB");
    if (size < gb)
        return QString::number(double(size) / mb, 'f', 2) + QStringLiteral(" MB");
    return QString::number(double(size) / gb, 'f', 2) + QStringLiteral(" GB");
}

QString statusText(int status)
{
    switch (status) {
    case NotDeleted: return QStringLiteral("未删除");
    case Deleting: return QStringLiteral("删除中");
    case Deleted: return QStringLiteral("已删除");
    case SubmitFailed: return QStringLiteral("提交状态失败");
    case MissingFile:
    case FileOccupied: return QStringLiteral("删除失败");
    default: return QStringLiteral("未知");
    }
}

QString statusColor(int status)
{
    switch (status) {
    case NotDeleted: return QStringLiteral("#8e8e93");
    case Deleting: return QStringLiteral("#007aff");
    case Deleted: return QStringLiteral("#34c759");
    case SubmitFailed: return QStringLiteral("#ff9500");
    case MissingFile:
    case FileOccupied: return QStringLiteral("#ff3b30");
    default: return QStringLiteral("#333333");
    }
}

QString statusCellText(int status, const QString &errorMessage)
{
    if (status == MissingFile)
        return statusText(status) + QStringLiteral(" (文件不存在)");
    if (status == FileOccupied)
        return statusText(status) + QStringLiteral(" (文件被占用)");
    if ((status == NetworkUnreachable || status == NoPermission || status == UnknownError) && !errorMessage.isEmpty())
        return errorMessage;
    return statusText(status);
}

QString writeErrorText(int error)
{
    switch (error) {
    case EROFS: return QStringLiteral("所在磁盘为只读");
    case EACCES:
    case EPERM: return QStringLiteral("没有写入权限");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("磁盘空间不足");
    case ENOENT: return QStringLiteral("所在目录不存在");
    case EISDIR: return QStringLiteral("同名的目录占着这个位置");
    case EIO: return QStringLiteral("磁盘读写出错");
    case EBUSY: return QStringLiteral("正被其他程序占用");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString outsideScannedFolderText()
{
    return QStringLiteral("文件已不在扫描时的订单目录中");
}

bool isFolderLost(const BatchDeleteFileInfo &file)
{
    return file.status == NetworkUnreachable
           || (file.status == UnknownError && file.errorMessage == outsideScannedFolderText());
}

// Runs of separators name one folder; "." and ".." are left for the checks to refuse.
static QString collapsed(QString path)
{
    static const QRegularExpression runs(QStringLiteral("/{2,}"));
    return path.replace(runs, QStringLiteral("/"));
}

bool mayDelete(const QString &filePath, const QString &orderFolder)
{
    const QString folder = collapsed(orderFolder);
    return MountRoot::isStrictlyBelow(folder, collapsed(MountRoot::path()))
           && MountRoot::isStrictlyBelow(collapsed(filePath), folder);
}

bool isGoneFromShare(const QString &filePath)
{
    // Only a mounted share tells: the folder an unmount leaves behind may hold
    // anything, the order's folders and even the file itself.
    if (!MountRoot::isBelowMountedShare(filePath))
        return false;
    const QFileInfo info(filePath);
    return !info.exists() && !info.isSymLink();
}

} // namespace BatchDeleteLogic

#include "importfiles/ImportRules.h"

#include "app/core/FoldedFileName.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/core/ServiceReply.h"
#include "platform/MountRoot.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QHash>
#include <QMap>
#include <QScopeGuard>
#include <QSet>

#include <cerrno>

#include <dirent.h>
#include <sys/stat.h>

namespace ImportRules {

namespace {

QString padded(const QString &part)
{
    return part.size() == 1 ? QLatin1Char('0') + part : part;
}

QStringList masksOf(const QString &subfolder)
{
    if (subfolder == QStringLiteral("原始档"))
        return {QStringLiteral("*.raw"), QStringLiteral("*.cr2"), QStringLiteral("*.cr3"),
                QStringLiteral("*.nef"), QStringLiteral("*.arw"), QStringLiteral("*.raf")};
    return {QStringLiteral("*.jpg"), QStringLiteral("*.JPG"), QStringLiteral("*.jpeg"),
            QStringLiteral("*.JPEG")};
}

void appendNames(QString &html, const QJsonArray &names)
{
    for (const QJsonValue &value : names) {
        html += QStringLiteral("<br/><span style=\"font-size: 23px; color: #FF0000;\">")
                + value.toObject().value(QStringLiteral("name")).toString().toHtmlEscaped()
                + QStringLiteral("</span>");
    }
}

bool isPlainAbsolute(const QString &servicePath)
{
    QString path = servicePath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!path.startsWith(QLatin1Char('/')))
        return false;
    const QStringList parts = path.split(QLatin1Char('/'));
    return !parts.contains(QStringLiteral(".")) && !parts.contains(QStringLiteral(".."));
}

} // namespace

ShotDate splitShotDate(const QString &shotdate)
{
    const QStringList parts = shotdate.split(QLatin1Char('-'), Qt::KeepEmptyParts);
    if (parts.size() != 3)
        return {QStringLiteral("1970"), QStringLiteral("01"), QStringLiteral("01")};
    return {parts.at(0), padded(parts.at(1)), padded(parts.at(2))};
}

QString pickName(const QString &fileName)
{
    const QFileInfo info(fileName);
    return info.baseName() + QLatin1Char('.') + info.suffix().toLower();
}

QString idText(const QJsonValue &value)
{
    return ServiceReply::idText(value);
}

bool hasIds(const ImportOrder &order)
{
    return !order.id.isEmpty() && !order.order_photo_id.isEmpty();
}

QString badOrderMessage()
{
    return QStringLiteral("订单数据错误");
}

ImportOrder orderFromJson(const QJsonObject &o, int index)
{
    const auto text = [&o](const char *key) { return o.value(QLatin1String(key)).toString(); };

    ImportOrder order;
    order.row = index;
    order.id = idText(o.value(QStringLiteral("id")));
    order.orderid = order.id;
    order.order_photo_id = idText(o.value(QStringLiteral("order_photo_id")));
    order.orderpayforkey = text("orderpayforkey");
    order.servicetimes = text("servicetimes");
    order.wname = text("wname");
    order.mname = text("mname");
    order.comboname = text("comboname");
    order.shotdate = text("shotdate");
    order.storesname = text("storesname");
    const ShotDate date = splitShotDate(order.shotdate);
    order.shotdate_year = date.year;
    order.shotdate_month = date.month;
    order.shotdate_day = date.day;
    order.sampledate = text("sampledate");
    order.order_price = text("order_price");
    order.selectphotoname = text("selectphotoname");
    order.wphone = text("wphone");
    order.mphone = text("mphone");
    order.selectphototime = text("selectphototime");
    order.role1 = text("role1");
    order.role2 = text("role2");
    order.number_yuanshidang = text("number_yuanshidang");
    order.number_yuanpian = text("number_yuanpian");
    order.number_jingxiu = text("number_jingxiu");

    const QJsonObject pub = o.value(QStringLiteral("picpathnew")).toObject();
    const QString netpath = text("netpath");
    const QString publicNetpath = pub.value(QStringLiteral("netpath")).toString();
    order.serverName = K::getServeName(netpath, publicNetpath);
    order.importPath = K::pathConvert(netpath);
    order.netPath = netpath;
    order.publicNetPath = publicNetpath;
    order.importPublicPath = K::pathConvert(publicNetpath);

    const QJsonArray images = o.value(QStringLiteral("images")).toArray();
    for (const QJsonValue &image : images)
        order.selectedNames.append(pickName(image.toObject().value(QStringLiteral("img_name")).toString()));
    return order;
}

QList<ImportOrder> ordersFromReply(const QJsonObject &reply)
{
    const QJsonArray data = reply.value(QStringLiteral("data")).toArray();
    QList<ImportOrder> orders;
    orders.reserve(data.size());
    for (int i = 0; i < data.size(); ++i)
        orders.append(orderFromJson(data.at(i).toObject(), i));
    return orders;
}

int flagValue(const QJsonValue &value)
{
    return value.isDouble() ? value.toInt() : 0;
}

QString statusText(ImportStatus status)
{
    switch (status) {
    case ImportStatus::Waiting:
        return QStringLiteral("等待导入");
    case ImportStatus::Success:
        return QStringLiteral("导入成功");
    case ImportStatus::Failed:
        return QStringLiteral("导入失败");
    }
    return QString();
}

QString statusColor(ImportStatus status)
{
    switch (status) {
    case ImportStatus::Waiting:
        return QStringLiteral("#999999");
    case ImportStatus::Success:
        return QStringLiteral("#28a745");
    case ImportStatus::Failed:
        return QStringLiteral("#dc3545");
    }
    return QStringLiteral("#333333");
}

bool isCameraJpegSuffix(const QString &suffix)
{
    return suffix == QLatin1String("jpg") || suffix == QLatin1String("JPG")
           || suffix == QLatin1String("jpeg") || suffix == QLatin1String("JPEG");
}

QString subfolderFor(ImportFileType type, const QString &suffix)
{
    if (type == RetouchedFiles)
        return QStringLiteral("精修片");
    return isCameraJpegSuffix(suffix) ? QStringLiteral("原片") : QStringLiteral("原始档");
}

QStringList subfoldersOf(ImportFileType type)
{
    if (type == RetouchedFiles)
        return {QStringLiteral("精修片")};
    return {QStringLiteral("原片"), QStringLiteral("原始档")};
}

QString fileFilter(ImportFileType type)
{
    if (type == RetouchedFiles)
        return QStringLiteral("图片文件 (*.jpg *.jpeg);;所有文件 (*.*)");
    return QStringLiteral("图片文件 (*.jpg *.jpeg *.raw *.cr2 *.cr3 *.nef *.arw *.raf);;所有文件 (*.*)");
}

QString orderFolder(const ImportOrder &order, QString &refused)
{
    // Judged on the service's own text: conversion may hide "." or ".." parts.
    const bool own = !order.netPath.isEmpty();
    const QString raw = own ? order.netPath : order.publicNetPath;
    refused.clear();
    QString folder = own ? order.importPath : K::generateImportPath(K::importPathMap(order));
    QString checked = folder;
    while (checked.size() > 1 && checked.endsWith(QLatin1Char('/')))
        checked.chop(1);
    if (!isPlainAbsolute(raw) || !MountRoot::isOnShare(checked)) {
        refused = raw.isEmpty() ? folder : raw;
        return QString();
    }
    return folder;
}

OrderPlace resolveOrderFolder(const QString &folder, const ShareGuard &share)
{
    const QString named = QDir::cleanPath(folder);
    if (!share.holds(named))
        return {};
    const QString realShare = QFileInfo(share.shareFolder()).canonicalFilePath();
    const QString real = ShareGuard::realPlace(named);
    if (realShare.isEmpty() || !MountRoot::isStrictlyBelow(real, realShare) || !share.stillThere())
        return {};
    return {share.shareFolder() + real.mid(realShare.size() + 1), real};
}

bool leadsOffShare(const QString &folder, const ShareGuard &share)
{
    const QString realShare = QFileInfo(share.shareFolder()).canonicalFilePath();
    const QString real = realPlaceOf(folder);
    return real.isEmpty() || !MountRoot::isAtOrBelow(real, realShare);
}

QString realPlaceOf(const QString &path)
{
    QString existing = QDir::cleanPath(path);
    QString rest;
    while (!QFileInfo::exists(existing)) {
        if (QFileInfo(existing).isSymLink())
            return QString();
        const QString parent = QFileInfo(existing).path();
        if (parent == existing)
            return QString();
        rest.prepend(QLatin1Char('/') + QFileInfo(existing).fileName());
        existing = parent;
    }
    const QString real = ShareGuard::realPlace(existing);
    return real.isEmpty() ? QString() : QDir::cleanPath(real + rest);
}

bool resolvesTo(const QString &folder, const QString &within)
{
    const QString now = ShareGuard::realPlace(folder);
    return !now.isEmpty() && now == within;
}

QString placeBelow(const QString &targetFolder, const QString &orderFolder, const QString &realFolder)
{
    return QDir::cleanPath(realFolder + QLatin1Char('/') + QDir(orderFolder).relativeFilePath(targetFolder));
}

QString outsideShareMessage(const QString &folder)
{
    return QStringLiteral("订单文件夹不在共享目录内: %1").arg(folder);
}

bool folderOffShare(const QString &folder, const ShareGuard &share)
{
    const QFileInfo info(folder);
    return (info.exists() || info.isSymLink()) && !share.reaches(folder) && share.stillThere();
}

bool folderOutsideOrder(const QString &folder, const ShareGuard &share, const QString &within)
{
    const QFileInfo info(folder);
    // Asked before each copy: the usual answer takes one resolution on the share.
    return !within.isEmpty() && (info.exists() || info.isSymLink()) && !share.reachesWithin(folder, within)
           && share.reaches(folder);
}

QString nameNotAllowedMessage(const QString &target)
{
    return QStringLiteral("共享目录不允许此文件名: %1").arg(target);
}

bool smbRefusesName(const QString &name)
{
    static const QString refused = QStringLiteral("\\/:*?\"<>|");
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || refused.contains(c))
            return true;
    }
    return name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' '));
}

QString listingFailedMessage(const QString &folder, const QString &reason)
{
    return QStringLiteral("读取目录失败: %1: %2").arg(folder, reason);
}

QString movedFolderMessage(const QString &folder)
{
    return QStringLiteral("订单文件夹已指向别处，未导入: %1").arg(folder);
}

QStringList collidingNames(const QList<ImportFile> &files)
{
    const auto key = [](const ImportFile &file) {
        return foldedFileName(QDir(file.targetFolder).filePath(file.fileName()));
    };
    QHash<QString, int> seen;
    for (const ImportFile &file : files)
        ++seen[key(file)];
    QStringList names;
    for (const ImportFile &file : files) {
        if (seen.value(key(file)) > 1)
            names.append(QDir::toNativeSeparators(file.sourcePath));
    }
    return names;
}

ImportFile makeFile(const QString &path, const QString &orderFolder, ImportFileType type,
                    int orderRow, int fileRow)
{
    const QFileInfo info(path);
    ImportFile file;
    file.sourcePath = path;
    file.baseName = info.completeBaseName();
    file.suffix = info.suffix();
    file.targetFolder = QDir(orderFolder).filePath(subfolderFor(type, file.suffix));
    file.status = ImportStatus::Waiting;
    file.orderRow = orderRow;
    file.fileRow = fileRow;
    file.size = info.size();
    return file;
}

QStringList mismatchedNames(const QStringList &paths, const QStringList &selectedNames)
{
    // A set: a card of thousands against as many picks is otherwise quadratic.
    const QSet<QString> picked(selectedNames.cbegin(), selectedNames.cend());
    QStringList mismatched;
    for (const QString &path : paths) {
        const QString name = QFileInfo(path).fileName();
        if (!picked.contains(pickName(name)))
            mismatched.append(name);
    }
    return mismatched;
}

FolderScan scanSubfolder(const QString &importPath, const QString &subfolder, const QStringList &placedNames)
{
    FolderScan scan;
    if (importPath.isEmpty())
        return scan;
    const QString path = QDir(importPath).absoluteFilePath(subfolder);
    const QStringList masks = masksOf(subfolder);
    // Names the masks miss (no suffix, a trailing dot or blank, hidden) are
    // still the order's photos when this tool put them there; folded, as a
    // share that folds names answers to a look-alike of the name.
    QSet<QString> placed;
    for (const QString &name : placedNames)
        placed.insert(foldedFileName(name));
    const auto failed = [&scan, &path](int cause) {
        scan.entries = QJsonArray();
        scan.failure = listingFailedMessage(path, qt_error_string(cause));
        return scan;
    };
    // Listed by hand: QDir takes a folder it cannot read for an empty one.
    DIR *dir = ::opendir(QFile::encodeName(path).constData());
    if (!dir) {
        // Missing, or a file in the folder's place: no photo there, unless
        // this tool put some there.
        if ((errno != ENOENT && errno != ENOTDIR) || !placed.isEmpty())
            return failed(errno);
        // An order folder gone (moved away, renamed) is no empty order.
        struct stat order;
        if (::stat(QFile::encodeName(importPath).constData(), &order) != 0) {
            scan.failure = listingFailedMessage(QDir::cleanPath(importPath), qt_error_string(errno));
            return scan;
        }
        return scan;
    }
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0)
                return failed(errno);
            break;
        }
        const QString name = QFile::decodeName(entry->d_name);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        const bool listedByMask = !name.startsWith(QLatin1Char('.')) && QDir::match(masks, name);
        if (!listedByMask && (placed.isEmpty() || !placed.contains(foldedFileName(name))))
            continue;
        struct stat info;
        if (::fstatat(::dirfd(dir), entry->d_name, &info, 0) != 0) {
            // Gone since it was listed: not there.
            if (errno == ENOENT)
                continue;
            return failed(errno);
        }
        if (!S_ISREG(info.st_mode))
            continue;
        QJsonObject item;
        item.insert(QStringLiteral("name"), name);
        item.insert(QStringLiteral("size"), QString::number(qint64(info.st_size)));
        scan.entries.append(item);
    }
    scan.count = scan.entries.size();
    return scan;
}

QStringList placedNames(const ImportOrder &order, const QString &subfolder)
{
    const QString folder = QDir(order.importPath).absoluteFilePath(subfolder);
    QStringList names;
    for (const ImportFile &file : order.files) {
        if (file.status == ImportStatus::Success && QDir::cleanPath(file.targetFolder) == QDir::cleanPath(folder))
            names.append(file.placedName());
    }
    return names;
}

QByteArray orderListBody(const QString &keyword, const QString &searchType, const QString &shopId,
                         const QString &managerId, const QString &superId)
{
    return FormBody()
        .add(QStringLiteral("keyword"), keyword)
        .add(QStringLiteral("searchtype"), searchType)
        .add(QStringLiteral("ratio"), QStringLiteral("90"))
        .add(QStringLiteral("shopid"), shopId)
        .add(QStringLiteral("eid"), managerId)
        .add(QStringLiteral("superid"), superId)
        .add(QStringLiteral("personid"), managerId)
        .toBytes();
}

QString serviceFolder(const ImportOrder &order)
{
    QString path = K::returnUpDatePath(order.serverName, order.importPath);
    while (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path;
}

QByteArray batchBody(ImportFileType type, const ImportOrder &order, const BranchIds &ids,
                     const QJsonArray &imgNames, const QJsonArray &rawImgNames)
{
    const auto compact = [](const QJsonArray &array) {
        return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
    };
    FormBody body;
    body.add(QStringLiteral("shopid"), ids.shopId);
    body.add(QStringLiteral("imgnames"), compact(imgNames));
    if (type != RetouchedFiles)
        body.add(QStringLiteral("rawimgnames"), compact(rawImgNames));
    body.add(QStringLiteral("type"), type == RetouchedFiles ? QStringLiteral("5") : QStringLiteral("1"));
    body.add(QStringLiteral("order_photo_id"), order.order_photo_id);
    body.add(QStringLiteral("eid"), ids.managerId);
    body.add(QStringLiteral("superid"), ids.superId);
    body.add(QStringLiteral("personid"), ids.managerId);
    body.add(QStringLiteral("person_id"), ids.managerId);
    body.add(QStringLiteral("orderid"), order.orderid);
    body.add(QStringLiteral("localpath"), serviceFolder(order));
    return body.toBytes();
}

BatchReport batchReport(ImportFileType type, const ImportOrder &order, const BranchIds &ids, const ShareGuard &share,
                        const OrderPlace &place)
{
    BatchReport report;
    // Once the share has gone, its mount point is a local folder: a listing
    // of it names files that are not on the share.
    const auto gone = [&share] { return share.isPinned() && !share.stillThere(); };
    if (gone()) {
        report.shareGone = true;
        return report;
    }
    const QString jpegFolder = type == RetouchedFiles ? QStringLiteral("精修片") : QStringLiteral("原片");
    const QString folder = place.isEmpty() ? order.importPath : place.folder;
    // A subfolder that is a link off the share, or into another order's
    // folder, lists files that are not the order's.
    const QString within = place.within;
    for (const QString &sub : subfoldersOf(type)) {
        const QString path = QDir(folder).filePath(sub);
        if (share.isPinned() && folderOffShare(path, share)) {
            report.failure = K::folderOffShareMessage(QDir(order.importPath).filePath(sub));
            return report;
        }
        if (share.isPinned() && folderOutsideOrder(path, share, within)) {
            report.failure = K::outsideOrderMessage(QDir(order.importPath).filePath(sub));
            return report;
        }
    }
    const FolderScan jpegs = scanSubfolder(folder, jpegFolder, placedNames(order, jpegFolder));
    FolderScan raws;
    if (type != RetouchedFiles) {
        const QString rawFolder = QStringLiteral("原始档");
        raws = scanSubfolder(folder, rawFolder, placedNames(order, rawFolder));
    }
    if (gone()) {
        report.shareGone = true;
        return report;
    }
    report.failure = !jpegs.failure.isEmpty() ? jpegs.failure : raws.failure;
    if (!report.failure.isEmpty())
        return report;
    report.body = batchBody(type, order, ids, jpegs.entries, raws.entries);
    report.jpegCount = jpegs.count;
    report.rawCount = raws.count;
    return report;
}

QByteArray orderPathBody(const ImportOrder &order, const BranchIds &ids, const QString &personId)
{
    return FormBody()
        .add(QStringLiteral("order_photo_id"), order.order_photo_id)
        .add(QStringLiteral("person_id"), personId)
        .add(QStringLiteral("path"), K::returnUpDatePath(order.serverName, order.importPath))
        .add(QStringLiteral("shopid"), ids.shopId)
        .add(QStringLiteral("eid"), ids.managerId)
        .add(QStringLiteral("superid"), ids.superId)
        .add(QStringLiteral("personid"), ids.managerId)
        .toBytes();
}

QByteArray photoInfoBody(ImportFileType type, const ImportOrder &order, const ImportFile &file,
                         const BranchIds &ids, const QString &personId)
{
    QString kind = QStringLiteral("5");
    if (type != RetouchedFiles)
        kind = isCameraJpegSuffix(file.suffix) ? QStringLiteral("2") : QStringLiteral("1");
    const QString path = file.targetFolder + QLatin1Char('/') + file.placedName();
    return FormBody()
        .add(QStringLiteral("order_photo_id"), order.order_photo_id)
        .add(QStringLiteral("person_id"), personId)
        .add(QStringLiteral("size"), QString::number(file.size))
        .add(QStringLiteral("path"), K::returnUpDatePath(order.serverName, path))
        .add(QStringLiteral("type"), kind)
        .add(QStringLiteral("shopid"), ids.shopId)
        .add(QStringLiteral("eid"), ids.managerId)
        .add(QStringLiteral("superid"), ids.superId)
        .add(QStringLiteral("personid"), ids.managerId)
        .toBytes();
}

QString reimportHtml(ImportFileType type, const ImportOrder &order, const QJsonObject &reply)
{
    const auto names = [&reply](const char *key) { return reply.value(QLatin1String(key)).toArray(); };
    const QJsonArray localImg = names("local_imgnames");
    const QJsonArray serverImg = names("server_imgnames");
    const QJsonArray localRaw = names("local_rawimgnames");
    const QJsonArray serverRaw = names("server_rawimgnames");
    const bool hasImg = !localImg.isEmpty() || !serverImg.isEmpty();
    const bool hasRaw = type != RetouchedFiles && (!localRaw.isEmpty() || !serverRaw.isEmpty());
    if (!hasImg && !hasRaw)
        return QString();

    QString html = QStringLiteral("<span style=\"font-size: 26px; font-weight: 600; color: #000; \"> 订单: ")
                   + (order.orderpayforkey + QLatin1Char('-') + order.servicetimes).toHtmlEscaped()
                   + QStringLiteral("</span>");
    if (hasImg) {
        html += type == RetouchedFiles
                    ? QStringLiteral("<br/> <span style=\"font-size: 25px; font-weight: 550 \">以下精修照片需要重新导入:</span>")
                    : QStringLiteral("<br/> <span style=\"font-size: 25px; font-weight: 550 \">以下原片需要重新导入:</span>");
        appendNames(html, localImg);
        appendNames(html, serverImg);
    }
    if (hasRaw) {
        html += QStringLiteral("<br/> <span style=\"font-size: 25px; font-weight: 550 \">以下原始档需要重新导入:</span>");
        appendNames(html, localRaw);
        appendNames(html, serverRaw);
    }
    return html;
}

} // namespace ImportRules

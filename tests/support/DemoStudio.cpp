#include "support/DemoStudio.h"

#include "platform/MountRoot.h"
#include "support/ScopedEnvironment.h"
#include "support/StandInService.h"

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#ifndef STUDIO_FIXTURE_DIR
#define STUDIO_FIXTURE_DIR ""
#endif

namespace {

const QString kAll = QStringLiteral("all");
const QString kOriginals = QStringLiteral("原片");
const QString kRaws = QStringLiteral("原始档");
const QString kRetouched = QStringLiteral("精修片");
const QSize kPhotoSize(1200, 800);

QString randomPassword()
{
    static const char alphabet[] = "abcdefghjkmnpqrstuvwxyz23456789";
    QString password;
    for (int i = 0; i < 8; ++i)
        password += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(int(sizeof(alphabet) - 1))]);
    return password;
}

QJsonObject ok(QJsonObject object = {}, const QString &message = QStringLiteral("成功"))
{
    object.insert(QStringLiteral("code"), QStringLiteral("1"));
    object.insert(QStringLiteral("message"), message);
    object.insert(QStringLiteral("msg"), message);
    return object;
}

// The service refuses with its reason under both keys: each action's caller reads one of them.
QJsonObject refused(const QString &message)
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("0")},
                       {QStringLiteral("message"), message},
                       {QStringLiteral("msg"), message}};
}

bool readJson(const QString &path, QJsonObject *object, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取演示数据 %1：%2").arg(path, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject()) {
        *error = QStringLiteral("演示数据 %1 不是 JSON 对象：%2").arg(path, parseError.errorString());
        return false;
    }
    *object = document.object();
    return true;
}

QByteArray jpegBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return bytes;
}

// Dates come as "2024-6-2", "2024-06-02" or with a time after them.
QDate dateOf(const QString &text)
{
    const QStringList parts = text.section(QLatin1Char(' '), 0, 0).split(QLatin1Char('-'));
    if (parts.size() != 3)
        return QDate();
    return QDate(parts.at(0).toInt(), parts.at(1).toInt(), parts.at(2).toInt());
}

// Fixture dates may be relative to the day the studio starts: "today", "today-7",
// "today+1", each optionally followed by a time.
QJsonValue resolveDate(const QJsonValue &value)
{
    const QString text = value.toString();
    if (!text.startsWith(QLatin1String("today")))
        return value;
    const QString day = text.section(QLatin1Char(' '), 0, 0);
    const QString time = text.section(QLatin1Char(' '), 1);
    const int offset = day.mid(5).toInt();
    const QString date = QDate::currentDate().addDays(offset).toString(QStringLiteral("yyyy-MM-dd"));
    return time.isEmpty() ? date : date + QLatin1Char(' ') + time;
}

QJsonArray nameList(const QString &json)
{
    return QJsonDocument::fromJson(json.toUtf8()).array();
}

} // namespace

DemoStudio::DemoStudio(StandInService *service, QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_password(randomPassword())
{
}

DemoStudio::~DemoStudio() = default;

QString DemoStudio::defaultFixtureDir()
{
    return QStringLiteral(STUDIO_FIXTURE_DIR "/demo");
}

QImage DemoStudio::samplePhoto(int index, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const int hue = (index * 47) % 360;
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor::fromHsv(hue, 120, 250));
    sky.setColorAt(1, QColor::fromHsv((hue + 30) % 360, 60, 255));
    painter.fillRect(image.rect(), sky);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 240, 200, 220));
    const int sun = size.height() / 6;
    painter.drawEllipse(QPoint(size.width() * (2 + index % 5) / 8, size.height() / 4), sun, sun);

    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath hills;
        const int base = size.height() * (55 + layer * 12) / 100;
        hills.moveTo(0, size.height());
        hills.lineTo(0, base);
        for (int x = 0; x <= 8; ++x) {
            const int peak = base - ((x + index + layer) % 3) * size.height() / 14;
            hills.lineTo(size.width() * x / 8, peak);
        }
        hills.lineTo(size.width(), size.height());
        hills.closeSubpath();
        painter.setBrush(QColor::fromHsv((hue + 120 + layer * 20) % 360, 90 + layer * 40, 170 - layer * 40));
        painter.drawPath(hills);
    }
    return image;
}

// ---- building the studio -----------------------------------------------------

bool DemoStudio::create(const QString &folder, QString *error, const QString &fixtureDir)
{
    QString ignored;
    QString &why = error ? *error : ignored;
    QJsonObject studio;
    QJsonObject orders;
    if (!readJson(QDir(fixtureDir).filePath(QStringLiteral("studio.json")), &studio, &why)
        || !readJson(QDir(fixtureDir).filePath(QStringLiteral("orders.json")), &orders, &why)
        || !readJson(QDir(fixtureDir).filePath(QStringLiteral("order-head.json")), &m_orderHead, &why))
        return false;
    for (auto it = m_orderHead.begin(); it != m_orderHead.end(); ++it)
        it.value() = resolveDate(it.value());

    m_root = QDir(folder).absolutePath();
    const bool mounted = !m_mountedShareRoot.isEmpty();
    m_mountRoot = mounted ? QDir(m_mountedShareRoot).absolutePath() + QLatin1Char('/') : m_root + QStringLiteral("/share/");
    m_studioName = studio.value(QStringLiteral("studio")).toString();
    m_server = studio.value(QStringLiteral("server")).toString();
    m_share = studio.value(QStringLiteral("share")).toString();
    m_account = studio.value(QStringLiteral("account")).toObject();
    m_username = m_account.value(QStringLiteral("username")).toString();
    m_persons = studio.value(QStringLiteral("persons")).toArray();
    for (const QJsonValue &value : studio.value(QStringLiteral("branches")).toArray()) {
        const QJsonObject fields = value.toObject();
        m_branches.append(Branch{fields, fields.value(QStringLiteral("goodsfoldernamerule")).toArray()});
    }
    if (m_server.isEmpty() || m_share.isEmpty() || m_username.isEmpty() || m_branches.isEmpty()) {
        why = QStringLiteral("演示数据不完整：") + fixtureDir;
        return false;
    }
    QStringList folders{cameraFolder(), originalsFolder(), retouchedFolder()};
    if (!mounted)
        folders << shareFolder();
    for (const QString &path : folders) {
        if (!QDir().mkpath(path)) {
            why = QStringLiteral("无法创建演示文件夹：") + path;
            return false;
        }
    }
    if (!mounted && !m_localShares)
        m_localShares = std::make_unique<ScopedEnvironment>("STUDIO_LOCAL_SHARES", QByteArrayLiteral("1"));
    MountRoot::setPath(m_mountRoot);
    if (mounted) {
        if (!MountRoot::isShareMounted(shareFolder())) {
            why = QStringLiteral("演示共享目录未挂载：") + shareFolder();
            return false;
        }
        // Never write over a studio's own folders, nor an earlier demo's.
        for (const Branch &shop : m_branches) {
            const QString branchFolder = shareFolder() + QLatin1Char('/') + shop.fields.value(QStringLiteral("folder")).toString();
            if (QFileInfo::exists(branchFolder)) {
                why = QStringLiteral("共享目录中已有演示门店文件夹，请先移走：") + branchFolder;
                return false;
            }
        }
    }

    const QJsonObject defaults = orders.value(QStringLiteral("defaults")).toObject();
    for (const QJsonValue &seed : orders.value(QStringLiteral("orders")).toArray()) {
        if (!createOrder(seed.toObject(), defaults, &why))
            return false;
    }
    installHandlers();
    return true;
}

bool DemoStudio::createOrder(const QJsonObject &seed, const QJsonObject &defaults, QString *error)
{
    Order order;
    order.shopId = seed.value(QStringLiteral("branch")).toString();
    const Branch *home = branch(order.shopId);
    if (!home) {
        *error = QStringLiteral("演示订单的门店不存在：") + order.shopId;
        return false;
    }
    order.fields = defaults;
    const QJsonObject fields = seed.value(QStringLiteral("fields")).toObject();
    for (auto it = fields.begin(); it != fields.end(); ++it)
        order.fields.insert(it.key(), resolveDate(it.value()));
    const QString number = order.fields.value(QStringLiteral("orderpayforkey")).toString();
    const QString branchFolder = shareFolder() + QLatin1Char('/') + home->fields.value(QStringLiteral("folder")).toString();
    order.folder = QStringLiteral("%1/%2/%3-%4")
                       .arg(branchFolder)
                       .arg(dateOf(order.fields.value(QStringLiteral("shotdate")).toString()).year())
                       .arg(number, order.fields.value(QStringLiteral("servicetimes")).toString());
    if (!QDir().mkpath(order.folder) || !QDir().mkpath(branchFolder + QStringLiteral("/public"))) {
        *error = QStringLiteral("无法创建订单文件夹：") + order.folder;
        return false;
    }
    order.fields.insert(QStringLiteral("storesname"), home->fields.value(QStringLiteral("name")));
    order.fields.insert(QStringLiteral("netpath"), unc(order.folder));
    order.fields.insert(QStringLiteral("picpathnew"),
                        QJsonObject{{QStringLiteral("netpath"), unc(branchFolder + QStringLiteral("/public"))}});
    order.detail = seed.value(QStringLiteral("detail")).toObject();

    const QJsonObject share = seed.value(QStringLiteral("share")).toObject();
    for (const QString &kind : {kAll, kOriginals, kRaws, kRetouched}) {
        if (!writeFiles(order, kind, share.value(kind).toInt(), error))
            return false;
    }
    int downloaded = seed.value(QStringLiteral("downloadedRaws")).toInt();
    for (Photo &photo : order.photos) {
        if (photo.kind == kRaws && downloaded-- > 0)
            photo.downloaded = true;
    }

    QStringList camera;
    for (int i = 0; i < seed.value(QStringLiteral("cameraPhotos")).toInt(); ++i)
        camera << QStringLiteral("DSC_%1.jpg").arg(i + 101, 4, 10, QLatin1Char('0'));
    QStringList originals;
    for (int i = 0; i < seed.value(QStringLiteral("cameraFiles")).toInt(); ++i) {
        const QString base = QStringLiteral("IMG_%1").arg(i + 1, 4, 10, QLatin1Char('0'));
        originals << base + QStringLiteral(".JPG") << base + QStringLiteral(".CR2");
    }
    QStringList retouched;
    for (const QJsonValue &name : seed.value(QStringLiteral("retouchedFiles")).toArray())
        retouched << name.toString();
    if (!writePickFolder(cameraFolder() + QLatin1Char('/') + number, camera, error)
        || !writePickFolder(originalsFolder() + QLatin1Char('/') + number, originals, error)
        || !writePickFolder(retouchedFolder() + QLatin1Char('/') + number, retouched, error))
        return false;

    m_orders.append(order);
    return true;
}

// Raw files hold a JPEG too, as camera raw files carry their preview.
bool DemoStudio::writePhoto(const QString &path, QString *error)
{
    const int index = m_nextPicture++;
    const QSize size = index % 4 == 3 ? kPhotoSize.transposed() : kPhotoSize;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(jpegBytes(samplePhoto(index, size))) <= 0) {
        *error = QStringLiteral("无法写入示例照片 %1：%2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool DemoStudio::writeFiles(Order &order, const QString &kind, int count, QString *error)
{
    if (count <= 0)
        return true;
    const QString folder = order.folder + QLatin1Char('/') + kind;
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("IMG_%1.%2")
                                 .arg(i + 1, 4, 10, QLatin1Char('0'))
                                 .arg(kind == kRaws ? QStringLiteral("CR2") : QStringLiteral("jpg"));
        if (!writePhoto(folder + QLatin1Char('/') + name, error)
            || (kind == kAll && !writeSizeCopies(order.folder, name, error)))
            return false;
        addPhoto(order, folder + QLatin1Char('/') + name, kind);
    }
    return true;
}

// The copies "导片工具" writes beside a photo's "all" folder.
bool DemoStudio::writeSizeCopies(const QString &orderFolder, const QString &name, QString *error)
{
    const QImage photo(orderFolder + QStringLiteral("/all/") + name);
    for (int size : {90, 190, 1920}) {
        const QString folder = orderFolder + QLatin1Char('/') + QString::number(size);
        QDir().mkpath(folder);
        const QImage copy = qMax(photo.width(), photo.height()) > size
                                ? photo.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                : photo;
        if (photo.isNull() || !copy.save(folder + QLatin1Char('/') + name, "JPG", 85)) {
            *error = QStringLiteral("无法写入示例照片的尺寸副本：") + folder + QLatin1Char('/') + name;
            return false;
        }
    }
    return true;
}

QString DemoStudio::sizeCopy(const Photo &photo, int size) const
{
    if (photo.kind != kAll)
        return QString();
    const QString path = QFileInfo(photo.path).dir().absoluteFilePath(QStringLiteral("../%1/").arg(size) + photo.name);
    return QFileInfo::exists(path) ? unc(QDir::cleanPath(path)) : QString();
}

bool DemoStudio::writePickFolder(const QString &folder, const QStringList &names, QString *error)
{
    if (names.isEmpty())
        return true;
    QDir().mkpath(folder);
    for (const QString &name : names) {
        if (!writePhoto(folder + QLatin1Char('/') + name, error))
            return false;
    }
    return true;
}

// ---- records and paths -------------------------------------------------------

DemoStudio::Photo &DemoStudio::addPhoto(Order &order, const QString &path, const QString &kind, const QString &type)
{
    for (Photo &photo : order.photos) {
        if (photo.path == path)
            return photo;
    }
    Photo photo;
    photo.id = QString::number(m_nextPhotoId++);
    photo.name = QFileInfo(path).fileName();
    photo.path = path;
    photo.kind = kind;
    photo.type = type;
    photo.urlPath = QStringLiteral("/files/%1/%2").arg(photo.id, photo.name);
    m_service->serveLocalFile(photo.urlPath, path);
    order.photos.append(photo);
    return order.photos.last();
}

QString DemoStudio::servedUrl(const QString &urlPath) const
{
    return m_service->fileUrl(urlPath);
}

QString DemoStudio::unc(const QString &localPath) const
{
    QString path = QStringLiteral("\\\\") + m_server;
    for (const QString &part : localPath.mid(m_mountRoot.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts))
        path += QLatin1Char('\\') + part;
    return path;
}

// A path the tools sent back, in UNC form or as a mount path; empty when it is not on the share.
QString DemoStudio::local(const QString &uncPath) const
{
    QString path = uncPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString prefix = QStringLiteral("//") + m_server + QLatin1Char('/');
    if (path.startsWith(prefix, Qt::CaseInsensitive))
        path = m_mountRoot + path.mid(prefix.size());
    path = QDir::cleanPath(path);
    return MountRoot::isOnShare(path) ? path : QString();
}

QJsonObject DemoStudio::photoEntry(const Photo &photo) const
{
    const QString url = servedUrl(photo.urlPath);
    return QJsonObject{{QStringLiteral("id"), photo.id},
                       {QStringLiteral("img_name"), photo.name},
                       {QStringLiteral("url"), url},
                       {QStringLiteral("url_yuanpian"), url},
                       {QStringLiteral("localpath"), unc(photo.path)},
                       {QStringLiteral("localpath90"), sizeCopy(photo, 90)},
                       {QStringLiteral("localpath_90"), sizeCopy(photo, 90)},
                       {QStringLiteral("localpath_1920"), sizeCopy(photo, 1920)},
                       {QStringLiteral("type"), photo.type},
                       {QStringLiteral("isdownload"), photo.downloaded ? QStringLiteral("1") : QStringLiteral("0")}};
}

QJsonArray DemoStudio::photoEntries(const Order &order, const QString &kind) const
{
    QJsonArray entries;
    for (const Photo &photo : order.photos) {
        if (photo.kind == kind)
            entries.append(photoEntry(photo));
    }
    return entries;
}

QJsonObject DemoStudio::orderEntry(const Order &order) const
{
    QJsonObject entry = order.fields;
    QJsonArray downloaded;
    QJsonArray waiting;
    for (const Photo &photo : order.photos) {
        if (photo.kind == kRaws)
            (photo.downloaded ? downloaded : waiting).append(photoEntry(photo));
    }
    entry.insert(QStringLiteral("images"), photoEntries(order, kAll));
    entry.insert(QStringLiteral("images_taipian"), QJsonArray());
    entry.insert(QStringLiteral("images_1_1"), downloaded);
    entry.insert(QStringLiteral("images_1_0"), waiting);
    entry.insert(QStringLiteral("number_yuanpian"), QString::number(photoEntries(order, kOriginals).size()));
    entry.insert(QStringLiteral("number_yuanshidang"), QString::number(downloaded.size() + waiting.size()));
    entry.insert(QStringLiteral("number_jingxiu"), QString::number(photoEntries(order, kRetouched).size()));
    return entry;
}

const DemoStudio::Branch *DemoStudio::branch(const QString &shopId) const
{
    for (const Branch &candidate : m_branches) {
        if (candidate.fields.value(QStringLiteral("id")).toString() == shopId)
            return &candidate;
    }
    return nullptr;
}

int DemoStudio::orderIndex(const QString &key, const QString &value) const
{
    for (int i = 0; i < m_orders.size(); ++i) {
        if (!value.isEmpty() && m_orders.at(i).fields.value(key).toString() == value)
            return i;
    }
    return -1;
}

DemoStudio::Order *DemoStudio::orderByPhotoId(const QString &orderPhotoId)
{
    const int index = orderIndex(QStringLiteral("order_photo_id"), orderPhotoId);
    return index < 0 ? nullptr : &m_orders[index];
}

const DemoStudio::Order *DemoStudio::orderByNumber(const QString &orderNumber) const
{
    const int index = orderIndex(QStringLiteral("orderpayforkey"), orderNumber);
    return index < 0 ? nullptr : &m_orders.at(index);
}

QString DemoStudio::orderFolder(const QString &orderNumber) const
{
    const Order *order = orderByNumber(orderNumber);
    return order ? order->folder : QString();
}

QStringList DemoStudio::photoNames(const QString &orderNumber, const QString &kind) const
{
    QStringList names;
    if (const Order *order = orderByNumber(orderNumber)) {
        for (const Photo &photo : order->photos) {
            if (photo.kind == kind)
                names.append(photo.name);
        }
    }
    return names;
}

QJsonArray DemoStudio::namingRule(const QString &shopId) const
{
    const Branch *found = branch(shopId);
    return found ? found->namingRule : QJsonArray();
}

// Search types: "1" (or none) text, "4" shooting date, "5" selection date, "6" closing date.
bool DemoStudio::matchesSearch(const Order &order, const QString &searchType, const QString &keyword) const
{
    const auto field = [&order](const char *key) { return order.fields.value(QLatin1String(key)).toString(); };
    const QString dateField = searchType == QLatin1String("4")   ? field("shotdate")
                              : searchType == QLatin1String("5") ? field("selectphototime")
                              : searchType == QLatin1String("6") ? field("fulfil_time")
                                                                 : QString();
    if (searchType == QLatin1String("4") || searchType == QLatin1String("5") || searchType == QLatin1String("6"))
        return dateOf(dateField).isValid() && dateOf(dateField) == dateOf(keyword);
    const QString text = keyword.trimmed();
    if (text.isEmpty())
        return true;
    for (const char *key : {"orderpayforkey", "mname", "wname", "mphone", "wphone"}) {
        if (field(key).contains(text, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// ---- answers -----------------------------------------------------------------

void DemoStudio::installHandlers()
{
    using Request = StandInService::Request;

    m_service->setHandler(QStringLiteral("public"), QStringLiteral("dologin"), [this](const Request &request) {
        if (request.field(QStringLiteral("username")) != m_username
            || request.field(QStringLiteral("password")) != m_password)
            return refused(QStringLiteral("账号或密码错误"));
        QJsonArray shops;
        for (const Branch &shop : qAsConst(m_branches)) {
            const QString rule = shop.namingRule.isEmpty()
                                     ? QString()
                                     : QString::fromUtf8(QJsonDocument(shop.namingRule).toJson(QJsonDocument::Compact));
            shops.append(QJsonObject{{QStringLiteral("id"), shop.fields.value(QStringLiteral("id"))},
                                     {QStringLiteral("name"), shop.fields.value(QStringLiteral("name"))},
                                     {QStringLiteral("goodsfoldernamerule"), rule}});
        }
        const QJsonObject first = m_branches.first().fields;
        return ok(QJsonObject{{QStringLiteral("UID"), m_account.value(QStringLiteral("UID"))},
                              {QStringLiteral("EID"), first.value(QStringLiteral("EID"))},
                              {QStringLiteral("SUPERID"), first.value(QStringLiteral("SUPERID"))},
                              {QStringLiteral("name"), m_account.value(QStringLiteral("name"))},
                              {QStringLiteral("shop_data"), shops}},
                  QStringLiteral("登录成功"));
    });

    m_service->setHandler(QStringLiteral("public"), QStringLiteral("switch_shop"), [this](const Request &request) {
        const Branch *shop = branch(request.field(QStringLiteral("shopid")));
        if (!shop)
            return refused(QStringLiteral("门店不存在"));
        QJsonObject reply;
        for (const char *key : {"SUPERID", "EID", "is_all_del_photo", "issjfenjianms"})
            reply.insert(QLatin1String(key), shop->fields.value(QLatin1String(key)));
        return ok(reply, QStringLiteral("切换成功"));
    });

    m_service->setHandler(QStringLiteral("order"), QStringLiteral("get_persons"), [this](const Request &) {
        return ok(QJsonObject{{QStringLiteral("persons"), m_persons}});
    });

    const auto orderList = [this](bool rawFilesOnly) {
        return [this, rawFilesOnly](const Request &request) {
            const QString shopId = request.field(QStringLiteral("shopid"));
            QJsonArray data;
            for (const Order &order : qAsConst(m_orders)) {
                if (order.shopId != shopId
                    || !matchesSearch(order, request.field(QStringLiteral("searchtype")),
                                      request.field(QStringLiteral("keyword"))))
                    continue;
                const QJsonObject entry = orderEntry(order);
                if (rawFilesOnly && entry.value(QStringLiteral("number_yuanshidang")).toString() == QLatin1String("0"))
                    continue;
                data.append(entry);
            }
            return ok(QJsonObject{{QStringLiteral("openypml"), 1}, {QStringLiteral("delyp"), 1},
                                  {QStringLiteral("data"), data}});
        };
    };
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("order_list"), orderList(false));
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("order_list_type_1"), orderList(true));

    installOrderHandlers();
    installImportHandlers();
    installSplitHandlers();
    installDeleteHandlers();
}

// "导片工具": imported photos, their reports and their deletion.
void DemoStudio::installOrderHandlers()
{
    using Request = StandInService::Request;

    m_service->setHandler(QStringLiteral("order"), QStringLiteral("getorderphotoimg"), [this](const Request &request) {
        const Order *order = orderByPhotoId(request.field(QStringLiteral("order_photo_id")));
        if (!order)
            return refused(QStringLiteral("订单不存在"));
        return ok(QJsonObject{{QStringLiteral("images"), photoEntries(*order, kAll)}});
    });

    const auto savePicture = [this](const Request &request) {
        Order *order = orderByPhotoId(request.field(QStringLiteral("order_photo_id")));
        if (!order)
            return refused(QStringLiteral("订单不存在"));
        const QString path = local(request.field(QStringLiteral("path")));
        if (path.isEmpty() || !MountRoot::isStrictlyBelow(path, order->folder))
            return refused(QStringLiteral("照片路径不在订单文件夹内"));
        const QString ratio = request.field(QStringLiteral("ratio"));
        const QString name = QFileInfo(path).fileName();
        // Size copies belong to the photo reported with "all".
        if (!ratio.isEmpty() && ratio != kAll) {
            for (const Photo &photo : qAsConst(order->photos)) {
                if (photo.kind == kAll && photo.name == name)
                    return ok(photoEntry(photo));
            }
            return ok();
        }
        const QString folder = QFileInfo(path).dir().dirName();
        const QString kind = folder == kOriginals || folder == kRaws || folder == kRetouched ? folder : kAll;
        const QString type = request.field(QStringLiteral("type"));
        return ok(photoEntry(addPhoto(*order, path, kind, type.isEmpty() || kind != kAll ? QStringLiteral("1") : type)));
    };
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("savepicpath"), savePicture);
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("savepicpathmv"), savePicture);

    for (const char *action : {"saveorderphotopath", "logreadpic"})
        m_service->setReply(QStringLiteral("order"), QString::fromLatin1(action), ok());

    const auto deletePictures = [this](const Request &request) {
        Order *order = orderByPhotoId(request.field(QStringLiteral("order_photo_id")));
        if (!order)
            return refused(QStringLiteral("订单不存在"));
        const QStringList ids = request.field(QStringLiteral("ids")).split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (ids.isEmpty())
            return refused(QStringLiteral("请选择要删除的照片"));
        for (int i = order->photos.size() - 1; i >= 0; --i) {
            if (ids.contains(order->photos.at(i).id))
                order->photos.removeAt(i);
        }
        return ok({}, QStringLiteral("删除成功"));
    };
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("delimages"), deletePictures);
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("delmv"), deletePictures);
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("delete_pics"), deletePictures);
}

// "导入原片" and "导入精修片": the batch report and the imported photo view.
void DemoStudio::installImportHandlers()
{
    using Request = StandInService::Request;

    m_service->setHandler(QStringLiteral("order"), QStringLiteral("savepicpath_batch"), [this](const Request &request) {
        Order *order = orderByPhotoId(request.field(QStringLiteral("order_photo_id")));
        if (!order)
            return refused(QStringLiteral("订单不存在"));
        const QString folder = local(request.field(QStringLiteral("localpath")));
        if (folder != order->folder)
            return refused(QStringLiteral("订单文件夹不一致"));
        const bool retouched = request.field(QStringLiteral("type")) == QLatin1String("5");
        // Names whose file is not in the folder have to be imported again.
        const auto take = [this, order, &folder](const QString &json, const QString &kind) {
            QJsonArray missing;
            for (const QJsonValue &value : nameList(json)) {
                const QString name = value.toObject().value(QStringLiteral("name")).toString();
                const QString path = folder + QLatin1Char('/') + kind + QLatin1Char('/') + name;
                if (name.isEmpty() || name.contains(QLatin1Char('/')) || !QFileInfo(path).isFile())
                    missing.append(QJsonObject{{QStringLiteral("name"), name}});
                else
                    addPhoto(*order, path, kind);
            }
            return missing;
        };
        const QJsonArray images = take(request.field(QStringLiteral("imgnames")), retouched ? kRetouched : kOriginals);
        const QJsonArray raws = retouched ? QJsonArray() : take(request.field(QStringLiteral("rawimgnames")), kRaws);
        return ok(QJsonObject{{QStringLiteral("local_imgnames"), QJsonArray()},
                              {QStringLiteral("server_imgnames"), images},
                              {QStringLiteral("local_rawimgnames"), QJsonArray()},
                              {QStringLiteral("server_rawimgnames"), raws}},
                  QStringLiteral("提交成功"));
    });

    m_service->setHandler(QStringLiteral("order"), QStringLiteral("getorder_pics"), [this](const Request &request) {
        const Order *order = orderByPhotoId(request.field(QStringLiteral("order_photo_id")));
        if (!order)
            return refused(QStringLiteral("订单不存在"));
        return ok(QJsonObject{{QStringLiteral("timestamp"), request.field(QStringLiteral("timestamp"))},
                              {QStringLiteral("images_yuanpian"), photoEntries(*order, kOriginals)},
                              {QStringLiteral("images_yuanshidang"), photoEntries(*order, kRaws)}});
    });
}

// "设计分件" and the three download tools.
void DemoStudio::installSplitHandlers()
{
    using Request = StandInService::Request;

    m_service->setHandler(QStringLiteral("order"), QStringLiteral("orderphotodetail"), [this](const Request &request) {
        Order *order = orderByPhotoId(request.field(QStringLiteral("order_photo_id")));
        if (!order)
            return refused(QStringLiteral("订单不存在"));
        return ok(orderDetail(*order));
    });

    m_service->setHandler(QStringLiteral("order"), QStringLiteral("download_success"), [this](const Request &request) {
        const QString id = request.field(QStringLiteral("id"));
        for (Order &order : m_orders) {
            for (Photo &photo : order.photos) {
                if (photo.id == id && photo.kind == kRaws) {
                    photo.downloaded = true;
                    return ok();
                }
            }
        }
        return refused(QStringLiteral("原始档不存在"));
    });

    m_service->setHandler(QStringLiteral("public"), QStringLiteral("save_goodsfoldernamerule"),
                          [this](const Request &request) {
        const QString shopId = request.field(QStringLiteral("shopid"));
        const QString text = request.field(QStringLiteral("goodsfoldernamerule"));
        QJsonParseError parseError;
        const QJsonDocument rule = QJsonDocument::fromJson(text.toUtf8(), &parseError);
        if (!text.isEmpty() && !rule.isArray())
            return refused(QStringLiteral("命名规则格式错误"));
        for (Branch &shop : m_branches) {
            if (shop.fields.value(QStringLiteral("id")).toString() == shopId) {
                shop.namingRule = rule.array();
                return ok({}, QStringLiteral("保存成功"));
            }
        }
        return refused(QStringLiteral("门店不存在"));
    });

    m_service->setFileHandler(QStringLiteral("order"), QStringLiteral("getbarcodegen"),
                              [this](const Request &request, QByteArray *contentType) {
        QString id = request.query.queryItemValue(QStringLiteral("order_photo_id"), QUrl::FullyDecoded);
        if (id.isEmpty())
            id = request.field(QStringLiteral("order_photo_id"));
        const Order *order = orderByPhotoId(id);
        if (!order)
            return QByteArray();
        const QString number = order->fields.value(QStringLiteral("orderpayforkey")).toString();
        QImage image(600, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        const QByteArray bits = number.toLatin1();
        int x = 30;
        for (int i = 0; x < 570 && i < bits.size() * 8; ++i) {
            const int width = (bits.at(i / 8) >> (i % 8)) & 1 ? 4 : 2;
            if (i % 2 == 0)
                painter.fillRect(x, 20, width, 130, Qt::black);
            x += width + 1;
        }
        painter.drawText(QRect(0, 155, 600, 40), Qt::AlignCenter, number);
        painter.end();
        *contentType = "image/jpeg";
        return jpegBytes(image);
    });
}

// "批量删除": the two-phase delete of an order's files.
void DemoStudio::installDeleteHandlers()
{
    using Request = StandInService::Request;

    m_service->setHandler(QStringLiteral("order"), QStringLiteral("delete_pic_before"), [this](const Request &request) {
        const Order *order = orderByPhotoId(request.field(QStringLiteral("order_photo_id")));
        if (!order)
            return refused(QStringLiteral("订单不存在"));
        // Only a finished order's files may go, as the studio's service rules.
        if (order->fields.value(QStringLiteral("fulfil_time")).toString().isEmpty())
            return refused(QStringLiteral("订单未结单，不能删除"));
        if (!QJsonDocument::fromJson(request.field(QStringLiteral("pics")).toUtf8()).isArray())
            return refused(QStringLiteral("文件列表格式错误"));
        return ok();
    });

    m_service->setHandler(QStringLiteral("order"), QStringLiteral("delete_pic_after"), [this](const Request &request) {
        Order *order = orderByPhotoId(request.field(QStringLiteral("order_photo_id")));
        if (!order)
            return refused(QStringLiteral("订单不存在"));
        const QString path = local(request.field(QStringLiteral("picpath")));
        if (path.isEmpty() || !MountRoot::isStrictlyBelow(path, order->folder))
            return refused(QStringLiteral("文件不属于该订单"));
        for (int i = order->photos.size() - 1; i >= 0; --i) {
            if (order->photos.at(i).path == path)
                order->photos.removeAt(i);
        }
        return ok();
    });
}

// ---- the order detail of the split tools -------------------------------------

QJsonObject DemoStudio::orderDetail(const Order &order)
{
    // The studio's order head, then the order's own values, then the fixture's detail of it.
    const Branch *shop = branch(order.shopId);
    QJsonObject head = m_orderHead;
    for (auto it = order.fields.begin(); it != order.fields.end(); ++it)
        head.insert(it.key(), it.value());
    head.insert(QStringLiteral("shopname"), m_studioName + shop->fields.value(QStringLiteral("name")).toString());
    head.insert(QStringLiteral("recipients"), order.fields.value(QStringLiteral("wname")));
    head.insert(QStringLiteral("sj_tel"), order.fields.value(QStringLiteral("wphone")));
    head.insert(QStringLiteral("pickuptypename"), QString());
    const QJsonObject extra = order.detail.value(QStringLiteral("order")).toObject();
    for (auto it = extra.begin(); it != extra.end(); ++it)
        head.insert(it.key(), resolveDate(it.value()));

    QStringList baseNames;
    QJsonArray base;
    for (const QJsonValue &name : order.detail.value(QStringLiteral("images_rudi")).toArray()) {
        baseNames << name.toString();
        base.append(QJsonObject{{QStringLiteral("img_name"), name.toString()}});
    }
    // The customer's chosen pictures: every photo but those kept as base ("入底").
    const auto pictures = [this, &order, &baseNames](const QString &kind, bool withUrl, bool chosenOnly = false) {
        QJsonArray list;
        for (const Photo &photo : order.photos) {
            if (photo.kind != kind || (chosenOnly && baseNames.contains(photo.name)))
                continue;
            QJsonObject entry{{QStringLiteral("img_name"), photo.name},
                              {QStringLiteral("localpath"), unc(photo.path)},
                              {QStringLiteral("localpath90"), sizeCopy(photo, 90)}};
            if (withUrl) {
                entry.insert(QStringLiteral("url"), servedUrl(photo.urlPath));
                entry.insert(QStringLiteral("url_all"), servedUrl(photo.urlPath));
            }
            list.append(entry);
        }
        return list;
    };

    QJsonArray markers;
    for (const QJsonValue &value : order.detail.value(QStringLiteral("orderpicdescr")).toArray()) {
        QJsonObject marker = value.toObject();
        marker.insert(QStringLiteral("cropping_imgurl"),
                      serveDerived(order, marker.value(QStringLiteral("img_name")).toString(), QStringLiteral("mark")));
        markers.append(marker);
    }

    QJsonArray visits;
    for (const QJsonValue &value : order.detail.value(QStringLiteral("servicetime")).toArray()) {
        QJsonObject visit = value.toObject();
        for (const char *group : {"goods", "urgentgoods"}) {
            QJsonArray products = visit.value(QLatin1String(group)).toArray();
            for (int i = 0; i < products.size(); ++i) {
                QJsonObject product = products.at(i).toObject();
                product.insert(QStringLiteral("imgs"), detailPictures(order, product.value(QStringLiteral("imgs")).toArray()));
                QJsonArray sons = product.value(QStringLiteral("son_good")).toArray();
                for (int j = 0; j < sons.size(); ++j) {
                    QJsonObject son = sons.at(j).toObject();
                    son.insert(QStringLiteral("picpath"),
                               detailPictures(order, son.value(QStringLiteral("picpath")).toArray()));
                    sons.replace(j, son);
                }
                if (!sons.isEmpty())
                    product.insert(QStringLiteral("son_good"), sons);
                products.replace(i, product);
            }
            visit.insert(QLatin1String(group), products);
        }
        visits.append(visit);
    }

    QString courier;
    const QString courierText = order.detail.value(QStringLiteral("down_txt")).toString();
    if (!courierText.isEmpty()) {
        const QString urlPath = QStringLiteral("/courier/%1.txt").arg(order.fields.value(QStringLiteral("order_photo_id")).toString());
        m_service->serveFile(urlPath, courierText.toUtf8(), "text/plain; charset=utf-8");
        courier = servedUrl(urlPath);
    }

    QJsonArray downloaded;
    QJsonArray waiting;
    for (const Photo &photo : order.photos) {
        if (photo.kind == kRaws)
            (photo.downloaded ? downloaded : waiting).append(photoEntry(photo));
    }

    return QJsonObject{
        {QStringLiteral("order"), head},
        {QStringLiteral("shop_message"), shop->fields.value(QStringLiteral("shop_message"))},
        {QStringLiteral("images"), pictures(kAll, false)},
        {QStringLiteral("images_all"), pictures(kAll, true, true)},
        {QStringLiteral("images_jingxiu"), pictures(kRetouched, true)},
        {QStringLiteral("images_yuanpian"), pictures(kOriginals, false)},
        {QStringLiteral("images_taipian"), QJsonArray()},
        {QStringLiteral("images_rudi"), base},
        {QStringLiteral("ysdimgs"), QJsonObject{{QStringLiteral("images_1_1"), downloaded},
                                                {QStringLiteral("images_1_0"), waiting}}},
        {QStringLiteral("orderpicdescr"), markers},
        {QStringLiteral("count_order_sample_infoservicetimes"),
         order.detail.value(QStringLiteral("count_order_sample_infoservicetimes"))},
        {QStringLiteral("servicetime"), visits},
        {QStringLiteral("down_txt"), courier},
    };
}

// Product pictures of the fixture; those marked "crop" get the URL of their cropped copy.
QJsonArray DemoStudio::detailPictures(const Order &order, const QJsonArray &pictures)
{
    QJsonArray list;
    for (const QJsonValue &value : pictures) {
        QJsonObject picture = value.toObject();
        if (picture.take(QStringLiteral("crop")).toBool())
            picture.insert(QStringLiteral("cropping_imgurl"),
                           serveDerived(order, picture.value(QStringLiteral("img_name")).toString(), QStringLiteral("crop")));
        list.append(picture);
    }
    return list;
}

// A crop ("crop") or a retouch marking ("mark") of one of the order's photos, served by URL.
QString DemoStudio::serveDerived(const Order &order, const QString &name, const QString &what)
{
    QImage image;
    for (const Photo &photo : order.photos) {
        if (photo.kind == kAll && photo.name == name)
            image.load(photo.path);
    }
    if (image.isNull())
        return QString();
    if (what == QLatin1String("crop")) {
        image = image.copy(image.rect().adjusted(image.width() / 6, image.height() / 6, -image.width() / 6,
                                                 -image.height() / 6));
    } else {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::red, 8));
        painter.drawEllipse(image.rect().adjusted(image.width() / 3, image.height() / 4, -image.width() / 3,
                                                  -image.height() / 3));
    }
    const QString urlPath = QStringLiteral("/%1/%2/%3")
                                .arg(what, order.fields.value(QStringLiteral("order_photo_id")).toString(), name);
    m_service->serveFile(urlPath, jpegBytes(image));
    return servedUrl(urlPath);
}

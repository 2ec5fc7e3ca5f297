#include "support/DemoStudio.h"

#include "platform/MountRoot.h"
#include "support/StandInService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QUrl>

namespace {

const QString kServer = QStringLiteral("demo-nas");
const QString kShare = QStringLiteral("studio");

struct BranchSeed {
    const char *id;
    const char *name;
    const char *folder;
    const char *superId;
    const char *eid;
};

const BranchSeed kBranches[] = {
    {"101", "旗舰店", "flagship", "9001", "5001"},
    {"102", "城东店", "east", "9002", "5002"},
};

struct OrderSeed {
    const char *suffix;
    const char *mname;
    const char *wname;
    const char *shotdate;
    const char *issample;
    int importedPhotos; // already on the share and known to the service
    int cameraPhotos;   // waiting in the camera folder
};

// Orders of each kind: new, partly imported, fully imported, sample order.
const OrderSeed kOrderSeeds[] = {
    {"001", "王磊", "李娜", "2024-5-18", "0", 0, 6},
    {"002", "张伟", "刘芳", "2024-6-2", "0", 3, 4},
    {"003", "陈强", "杨丽", "2024-6-21", "0", 5, 0},
    {"004", "", "样片客户", "2024-7-9", "1", 2, 3},
};

QString uncPath(const QString &relative)
{
    QString path = QStringLiteral("\\\\") + kServer + QLatin1Char('\\') + kShare;
    for (const QString &part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        path += QLatin1Char('\\') + part;
    return path;
}

QString randomPassword()
{
    static const char alphabet[] = "abcdefghjkmnpqrstuvwxyz23456789";
    QString password;
    for (int i = 0; i < 8; ++i)
        password += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(int(sizeof(alphabet) - 1))]);
    return password;
}

QJsonObject ok(QJsonObject object = {})
{
    object.insert(QStringLiteral("code"), QStringLiteral("1"));
    return object;
}

QJsonObject refusal(const QString &key, const QString &message)
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("0")}, {key, message}};
}

} // namespace

DemoStudio::DemoStudio(StandInService *service, QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_username(QStringLiteral("demo"))
    , m_password(randomPassword())
{
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

bool DemoStudio::writePhoto(const QString &path, int index, QString *error)
{
    const QSize size = index % 4 == 3 ? QSize(1067, 1600) : QSize(1600, 1067);
    QImageWriter writer(path, "jpg");
    writer.setQuality(85);
    if (!writer.write(samplePhoto(index, size))) {
        if (error)
            *error = QStringLiteral("无法写入示例照片 %1：%2").arg(path, writer.errorString());
        return false;
    }
    return true;
}

bool DemoStudio::create(const QString &folder, QString *error)
{
    const QString root = QDir(folder).absolutePath();
    m_mountRoot = root + QStringLiteral("/share/");
    m_cameraFolder = root + QStringLiteral("/camera");
    if (!QDir().mkpath(m_mountRoot + kShare + QStringLiteral("/public")) || !QDir().mkpath(m_cameraFolder)) {
        if (error)
            *error = QStringLiteral("无法创建演示文件夹：") + root;
        return false;
    }
    MountRoot::setPath(m_mountRoot);
    if (!createOrders(error))
        return false;
    installHandlers();
    return true;
}

bool DemoStudio::createOrders(QString *error)
{
    int photoIndex = 0;
    int orderId = 300;
    for (const BranchSeed &branch : kBranches) {
        for (const OrderSeed &seed : kOrderSeeds) {
            ++orderId;
            Order order;
            order.shopId = QString::fromUtf8(branch.id);
            const QString number = QStringLiteral("DD2024%1%2").arg(QString::fromUtf8(branch.id),
                                                                  QString::fromUtf8(seed.suffix));
            const QString relative = QStringLiteral("%1/2024/%2").arg(QString::fromUtf8(branch.folder), number);
            order.folder = m_mountRoot + kShare + QLatin1Char('/') + relative;
            if (!QDir().mkpath(order.folder)) {
                if (error)
                    *error = QStringLiteral("无法创建订单文件夹：") + order.folder;
                return false;
            }

            order.fields = QJsonObject{
                {QStringLiteral("id"), QString::number(orderId)},
                {QStringLiteral("order_photo_id"), QString::number(orderId + 5000)},
                {QStringLiteral("orderpayforkey"), number},
                {QStringLiteral("servicetimes"), QStringLiteral("1")},
                {QStringLiteral("mname"), QString::fromUtf8(seed.mname)},
                {QStringLiteral("wname"), QString::fromUtf8(seed.wname)},
                {QStringLiteral("wphone"), QStringLiteral("13800000%1").arg(orderId)},
                {QStringLiteral("mphone"), QStringLiteral("13900000%1").arg(orderId)},
                {QStringLiteral("shotdate"), QString::fromUtf8(seed.shotdate)},
                {QStringLiteral("selectphototime"), QStringLiteral("2024-07-20 15:30:00")},
                {QStringLiteral("selectphotoname"), QStringLiteral("周敏")},
                {QStringLiteral("role1"), QStringLiteral("摄影师 赵亮")},
                {QStringLiteral("role2"), QStringLiteral("化妆师 孙悦")},
                {QStringLiteral("issample"), QString::fromUtf8(seed.issample)},
                {QStringLiteral("tiaosename"), QStringLiteral("调色师 何静")},
                {QStringLiteral("storesname"), QString::fromUtf8(branch.name)},
                {QStringLiteral("imagesize_small"), QStringLiteral("0")},
                {QStringLiteral("imagesize_middle"), QStringLiteral("0")},
                {QStringLiteral("imagesize_big"), QStringLiteral("0")},
                {QStringLiteral("netpath"), uncPath(relative)},
                {QStringLiteral("picpathnew"), QJsonObject{{QStringLiteral("netpath"), uncPath(QStringLiteral("public"))}}},
            };

            for (int i = 0; i < seed.importedPhotos; ++i) {
                const QString path = QStringLiteral("%1/IMG_%2.jpg").arg(order.folder).arg(i + 1, 4, 10, QLatin1Char('0'));
                if (!writePhoto(path, photoIndex++, error))
                    return false;
                order.images.append(imageEntry(path, QStringLiteral("1")));
            }
            if (seed.cameraPhotos > 0) {
                const QString camera = m_cameraFolder + QLatin1Char('/') + number;
                QDir().mkpath(camera);
                for (int i = 0; i < seed.cameraPhotos; ++i) {
                    const QString path = QStringLiteral("%1/DSC_%2.jpg").arg(camera).arg(i + 101, 4, 10, QLatin1Char('0'));
                    if (!writePhoto(path, photoIndex++, error))
                        return false;
                }
            }
            m_orders.append(order);
        }
    }
    return true;
}

QJsonObject DemoStudio::imageEntry(const QString &localPath, const QString &type)
{
    const QString id = QString::number(m_nextImageId++);
    const QString urlPath = QStringLiteral("/files/%1/%2").arg(id, QFileInfo(localPath).fileName());
    QFile file(localPath);
    if (file.open(QIODevice::ReadOnly))
        m_service->serveFile(urlPath, file.readAll());
    return QJsonObject{{QStringLiteral("id"), id},
                       {QStringLiteral("img_name"), QFileInfo(localPath).fileName()},
                       {QStringLiteral("url"), m_service->fileUrl(urlPath)},
                       {QStringLiteral("localpath"), localPath},
                       {QStringLiteral("type"), type}};
}

DemoStudio::Order *DemoStudio::orderByPhotoId(const QString &orderPhotoId)
{
    for (Order &order : m_orders) {
        if (order.fields.value(QStringLiteral("order_photo_id")).toString() == orderPhotoId)
            return &order;
    }
    return nullptr;
}

void DemoStudio::installHandlers()
{
    using Request = StandInService::Request;

    m_service->setHandler(QStringLiteral("public"), QStringLiteral("dologin"), [this](const Request &request) {
        if (request.field(QStringLiteral("username")) != m_username
            || request.field(QStringLiteral("password")) != m_password)
            return refusal(QStringLiteral("message"), QStringLiteral("账号或密码错误"));
        QJsonArray shops;
        for (const BranchSeed &branch : kBranches) {
            shops.append(QJsonObject{{QStringLiteral("id"), QString::fromUtf8(branch.id)},
                                     {QStringLiteral("name"), QString::fromUtf8(branch.name)},
                                     {QStringLiteral("goodsfoldernamerule"), QString()}});
        }
        return ok(QJsonObject{{QStringLiteral("UID"), QStringLiteral("8001")},
                              {QStringLiteral("EID"), QString::fromUtf8(kBranches[0].eid)},
                              {QStringLiteral("SUPERID"), QString::fromUtf8(kBranches[0].superId)},
                              {QStringLiteral("name"), QStringLiteral("演示账号")},
                              {QStringLiteral("shop_data"), shops}});
    });

    m_service->setHandler(QStringLiteral("public"), QStringLiteral("switch_shop"), [](const Request &request) {
        const QString shopId = request.field(QStringLiteral("shopid"));
        for (const BranchSeed &branch : kBranches) {
            if (shopId == QLatin1String(branch.id))
                return ok(QJsonObject{{QStringLiteral("SUPERID"), QString::fromUtf8(branch.superId)},
                                      {QStringLiteral("EID"), QString::fromUtf8(branch.eid)}});
        }
        return refusal(QStringLiteral("msg"), QStringLiteral("门店不存在"));
    });

    m_service->setHandler(QStringLiteral("order"), QStringLiteral("get_persons"), [](const Request &) {
        return ok(QJsonObject{{QStringLiteral("persons"),
                               QJsonArray{QJsonObject{{QStringLiteral("id"), QStringLiteral("71")},
                                                      {QStringLiteral("name"), QStringLiteral("何静")}},
                                          QJsonObject{{QStringLiteral("id"), QStringLiteral("72")},
                                                      {QStringLiteral("name"), QStringLiteral("吴迪")}}}}});
    });

    m_service->setHandler(QStringLiteral("order"), QStringLiteral("order_list"), [this](const Request &request) {
        const QString shopId = request.field(QStringLiteral("shopid"));
        const QString keyword = request.field(QStringLiteral("keyword")).trimmed();
        const bool byText = request.field(QStringLiteral("searchtype")) == QLatin1String("1");
        QJsonArray data;
        for (const Order &order : qAsConst(m_orders)) {
            if (!shopId.isEmpty() && order.shopId != shopId)
                continue;
            if (byText && !keyword.isEmpty()) {
                const QString haystack = order.fields.value(QStringLiteral("orderpayforkey")).toString()
                                         + order.fields.value(QStringLiteral("mname")).toString()
                                         + order.fields.value(QStringLiteral("wname")).toString();
                if (!haystack.contains(keyword))
                    continue;
            }
            QJsonObject entry = order.fields;
            entry.insert(QStringLiteral("images"), order.images);
            entry.insert(QStringLiteral("images_taipian"), QJsonArray());
            data.append(entry);
        }
        return ok(QJsonObject{{QStringLiteral("openypml"), 1}, {QStringLiteral("delyp"), 1},
                              {QStringLiteral("data"), data}});
    });

    m_service->setHandler(QStringLiteral("order"), QStringLiteral("getorderphotoimg"), [this](const Request &request) {
        const Order *order = orderByPhotoId(request.field(QStringLiteral("order_photo_id")));
        if (!order)
            return refusal(QStringLiteral("msg"), QStringLiteral("订单不存在"));
        return ok(QJsonObject{{QStringLiteral("images"), order->images}});
    });

    const auto savePicture = [this](const Request &request) {
        Order *order = orderByPhotoId(request.field(QStringLiteral("order_photo_id")));
        if (!order)
            return refusal(QStringLiteral("msg"), QStringLiteral("订单不存在"));
        QString path = request.field(QStringLiteral("path"));
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString prefix = QStringLiteral("//") + kServer + QLatin1Char('/');
        if (path.startsWith(prefix))
            path = m_mountRoot + path.mid(prefix.size());
        const QString type = request.field(QStringLiteral("type")).isEmpty() ? QStringLiteral("1")
                                                                             : request.field(QStringLiteral("type"));
        QJsonObject entry = imageEntry(path, type);
        order->images.append(entry);
        entry.insert(QStringLiteral("code"), QStringLiteral("1"));
        return entry;
    };
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("savepicpath"), savePicture);
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("savepicpathmv"), savePicture);

    for (const char *action : {"saveorderphotopath", "logreadpic", "download_success"})
        m_service->setReply(QStringLiteral("order"), QString::fromLatin1(action), ok());
}

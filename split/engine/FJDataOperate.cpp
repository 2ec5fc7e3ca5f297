#include "split/engine/FJDataOperate.h"

#include "app/core/BaseReq.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "platform/MountRoot.h"
#include "split/engine/FJDataThread.h"
#include "split/engine/OrderDetailNames.h"
#include "split/engine/ProductionSheetHtml.h"
#include "split/engine/ProductionSheetPdf.h"

#include <QDateTime>
#include <QThreadPool>

namespace {

const QString kImageType = QStringLiteral("image_type");
const QString kCropUrl = QStringLiteral("cropping_imgurl");

} // namespace

FJDataOperate::FJDataOperate(QObject *parent)
    : QObject(parent)
    , serviceCount(QStringLiteral("0"))
{
}

FJDataOperate::~FJDataOperate() = default;

void FJDataOperate::setOrderImportPath(QString netPath)
{
    orderImportPath.clear();
    QString path = netPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::KeepEmptyParts);
    // Only a share path ("\\server\share\...") names a folder on the share.
    if (parts.size() < 2 || (!parts.at(0).isEmpty() && !parts.at(1).isEmpty()))
        return;

    QString folder = K::pathConvert(path);
    if (folder.isEmpty())
        return;
    if (!orderFolderLink(netPath).isEmpty()) {
        qCWarning(lcSplit) << "订单目录是链接:" << netPath;
        return;
    }
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    folder += QStringLiteral("all/");
    if (!MountRoot::isOnShare(folder)) {
        qCWarning(lcSplit) << "订单路径不在共享盘下:" << netPath;
        return;
    }
    if (!share.isPinned() || !MountRoot::isStrictlyBelow(folder, share.shareFolder()))
        share.pin(folder);
    if (!share.holds(folder)) {
        qCWarning(lcSplit) << "订单路径的共享目录不存在:" << folder;
        return;
    }
    orderImportPath = folder;
}

QString FJDataOperate::orderFolderLink(const QString &netPath)
{
    const QString folder = K::pathConvert(netPath);
    return folder.isEmpty() ? QString() : ShareGuard::linkOnTheWay(folder);
}

void FJDataOperate::analysis_biaoji_pics(QJsonArray markers)
{
    for (const QJsonValue &entry : markers) {
        QJsonObject record = entry.toObject();
        const QString url = record.value(kCropUrl).toString();
        downloadUrls.append(url);
        record.insert(kImageType, QStringLiteral("标记"));
        imageByUrl.insert(url, record);
    }
}

void FJDataOperate::analysis_servicetimes(QJsonArray visits)
{
    for (const QJsonValue &visit : visits)
        analysis_servicetime(visit.toObject());
}

void FJDataOperate::analysis_servicetime(QJsonObject visit)
{
    QStringList names;
    auto addCrops = [this](const QJsonArray &pictures) {
        for (const QJsonValue &entry : pictures) {
            QJsonObject record = entry.toObject();
            const QString url = record.value(kCropUrl).toString();
            if (url.isEmpty() || downloadUrls.contains(url))
                continue;
            downloadUrls.append(url);
            record.insert(kImageType, QStringLiteral("裁剪"));
            imageByUrl.insert(url, record);
        }
    };

    QJsonArray products = visit.value(QStringLiteral("goods")).toArray();
    const QJsonArray urgent = visit.value(QStringLiteral("urgentgoods")).toArray();
    for (const QJsonValue &entry : urgent)
        products.append(entry);

    for (const QJsonValue &entry : products) {
        QJsonObject product = entry.toObject();
        product.insert(QStringLiteral("goodname"),
                       OrderDetailNames::takeUnique(product.value(QStringLiteral("goodname")).toString(), names));
        addCrops(product.value(QStringLiteral("imgs")).toArray());

        QJsonArray subProducts = product.value(QStringLiteral("son_good")).toArray();
        for (int i = 0; i < subProducts.size(); ++i) {
            QJsonObject sub = subProducts.at(i).toObject();
            sub.insert(QStringLiteral("goodname"),
                       OrderDetailNames::takeUnique(sub.value(QStringLiteral("goodname")).toString(), names));
            addCrops(sub.value(QStringLiteral("picpath")).toArray());
            subProducts.replace(i, sub);
        }
        product.insert(QStringLiteral("son_good"), subProducts);
        goods.append(product);
    }
}

void FJDataOperate::startCopies(const QJsonArray &imgs, const QString &category, const QString &sourceKey,
                                const QString &dest, QThreadPool *pool, QWidget *receiver) const
{
    for (const QJsonValue &entry : imgs) {
        const QJsonObject record = entry.toObject();
        const QString name = record.value(QStringLiteral("img_name")).toString();
        // No source key: the picture lies in the order's folder on the share.
        const QString source = sourceKey.isEmpty() ? orderImportPath + name : record.value(sourceKey).toString();
        auto *job = new FJDataThread(QStringLiteral("拷贝照片"), category, source, name, dest, receiver);
        job->share = share;
        job->sweep = sweep;
        pool->start(job, 0);
    }
}

void FJDataOperate::copy_jxptocp_pics(QJsonArray imgs, QString dest, QThreadPool *pool, QWidget *receiver)
{
    startCopies(imgs, QStringLiteral("精修成品"), QStringLiteral("localpath"), dest, pool, receiver);
}

void FJDataOperate::copy_cpthumnailimg_pics(QJsonArray imgs, QString dest, QThreadPool *pool, QWidget *receiver)
{
    startCopies(imgs, QStringLiteral("成品缩略图"), QStringLiteral("localpath90"), dest, pool, receiver);
}

void FJDataOperate::copy_onlychengpin_pics(QJsonArray imgs, QString dest, QThreadPool *pool, QWidget *receiver)
{
    startCopies(imgs, QStringLiteral("只要成品"), QString(), dest, pool, receiver);
}

void FJDataOperate::copy_chengpin_pics(QJsonArray imgs, QString dest, QThreadPool *pool, QWidget *receiver)
{
    startCopies(imgs, QStringLiteral("成品"), QString(), dest, pool, receiver);
}

void FJDataOperate::copy_taipian_pics(QJsonArray imgs, QString dest, QThreadPool *pool, QWidget *receiver)
{
    startCopies(imgs, QStringLiteral("汰片"), QString(), dest, pool, receiver);
}

void FJDataOperate::copy_rudi_pics(QJsonArray imgs, QString dest, QThreadPool *pool, QWidget *receiver)
{
    startCopies(imgs, QStringLiteral("入底"), QString(), dest, pool, receiver);
}

QString FJDataOperate::r(QString key)
{
    return order.value(key).toString();
}

void FJDataOperate::downloadImageAsDataUrl(const QString &url,
                                           std::function<void(bool, const QString &, const QString &)> callback)
{
    auto *request = new BaseReq();
    request->downloadImageAsDataUrl(url, [request, url, callback](bool ok, const QString &dataUrl) {
        if (callback)
            callback(ok, url, dataUrl);
        request->deleteLater();
    });
}

bool FJDataOperate::saveHTML(QString folder)
{
    ProductionSheetInput input;
    input.order = order;
    input.barcodeUrl = barcodeUrl;
    input.serviceCount = serviceCount;
    input.serviceVisits = serviceVisits;
    input.retouchMarkImages = retouchMarkImages;
    input.selectedImages = selectedImages;
    input.baseImages = baseImages;
    const QString html = ProductionSheetHtml::build(input, imageSources, QDateTime::currentDateTime());

    QString error;
    if (!ProductionSheetPdf::write(html, folder, &error, sweep.get())) {
        qCWarning(lcSplit) << "明细制作单生成失败:" << error;
        return false;
    }
    return true;
}

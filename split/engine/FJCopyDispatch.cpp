#include "split/engine/FJCopyDispatch.h"

#include "split/engine/FJDataOperate.h"
#include "split/engine/FJDataThread.h"

#include <QJsonObject>
#include <QThreadPool>

namespace {

void startBySourceKey(const QJsonArray &images, const QString &category, const QString &sourceKey,
                      const QString &dest, QThreadPool *pool, QWidget *receiver)
{
    for (int i = 0; i < images.size(); ++i) {
        const QJsonObject record = images.at(i).toObject();
        const QString name = record.value(QStringLiteral("img_name")).toString();
        const QString source = record.value(sourceKey).toString();
        pool->start(new FJDataThread(QStringLiteral("拷贝照片"), category, source, name, dest, receiver), 0);
    }
}

void startFromImportPath(const FJDataOperate &data, const QJsonArray &images, const QString &category,
                         const QString &dest, QThreadPool *pool, QWidget *receiver)
{
    for (int i = 0; i < images.size(); ++i) {
        const QJsonObject record = images.at(i).toObject();
        const QString name = record.value(QStringLiteral("img_name")).toString();
        pool->start(new FJDataThread(QStringLiteral("拷贝照片"), category, data.orderImportPath + name, name, dest,
                                     receiver),
                    0);
    }
}

} // namespace

namespace FJCopyDispatch {

void copy_jxptocp_pics(const QJsonArray &images, const QString &dest, QThreadPool *pool, QWidget *receiver)
{
    startBySourceKey(images, QStringLiteral("精修成品"), QStringLiteral("localpath"), dest, pool, receiver);
}

void copy_cpthumnailimg_pics(const QJsonArray &images, const QString &dest, QThreadPool *pool, QWidget *receiver)
{
    startBySourceKey(images, QStringLiteral("成品缩略图"), QStringLiteral("localpath90"), dest, pool, receiver);
}

void copy_onlychengpin_pics(const FJDataOperate &data, const QJsonArray &images, const QString &dest,
                            QThreadPool *pool, QWidget *receiver)
{
    startFromImportPath(data, images, QStringLiteral("只要成品"), dest, pool, receiver);
}

void copy_chengpin_pics(const FJDataOperate &data, const QJsonArray &images, const QString &dest, QThreadPool *pool,
                        QWidget *receiver)
{
    startFromImportPath(data, images, QStringLiteral("成品"), dest, pool, receiver);
}

void copy_taipian_pics(const FJDataOperate &data, const QJsonArray &images, const QString &dest, QThreadPool *pool,
                       QWidget *receiver)
{
    startFromImportPath(data, images, QStringLiteral("汰片"), dest, pool, receiver);
}

void copy_rudi_pics(const FJDataOperate &data, const QJsonArray &images, const QString &dest, QThreadPool *pool,
                    QWidget *receiver)
{
    startFromImportPath(data, images, QStringLiteral("入底"), dest, pool, receiver);
}

} // namespace FJCopyDispatch

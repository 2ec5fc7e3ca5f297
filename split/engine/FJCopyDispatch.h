#pragma once

#include <QJsonArray>
#include <QString>

class FJDataOperate;
class QThreadPool;
class QWidget;

// One "拷贝照片" job per picture record, started at once on the pool. Each
// function stands for one picture category; every record gives exactly one
// job, so callers can count the reports they will receive.
namespace FJCopyDispatch {

// "精修成品", source: the record's "localpath".
void copy_jxptocp_pics(const QJsonArray &images, const QString &dest, QThreadPool *pool, QWidget *receiver);
// "成品缩略图", source: the record's "localpath90".
void copy_cpthumnailimg_pics(const QJsonArray &images, const QString &dest, QThreadPool *pool, QWidget *receiver);
// The four below take their source from the order import path + "img_name".
void copy_onlychengpin_pics(const FJDataOperate &data, const QJsonArray &images, const QString &dest,
                            QThreadPool *pool, QWidget *receiver);
void copy_chengpin_pics(const FJDataOperate &data, const QJsonArray &images, const QString &dest, QThreadPool *pool,
                        QWidget *receiver);
void copy_taipian_pics(const FJDataOperate &data, const QJsonArray &images, const QString &dest, QThreadPool *pool,
                       QWidget *receiver);
void copy_rudi_pics(const FJDataOperate &data, const QJsonArray &images, const QString &dest, QThreadPool *pool,
                    QWidget *receiver);

} // namespace FJCopyDispatch

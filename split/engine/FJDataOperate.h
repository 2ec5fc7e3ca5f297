#pragma once

#include "platform/ShareGuard.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QThreadPool;
class TemporarySweep;
class QWidget;

// Everything the split window knows about the order it is working on: the
// order detail reply, the pictures still to download, the products and the
// naming rule. The window refills it per order; members are read and written
// directly, on the GUI thread only.
class FJDataOperate : public QObject
{
    Q_OBJECT

public:
    explicit FJDataOperate(QObject *parent = nullptr);
    ~FJDataOperate() override;

    // Local mount path of the order's "all" folder from its share path
    // ("netpath"); empty when the path does not lead below the mount root or
    // a link lies on the way (orderFolderLink).
    void setOrderImportPath(QString netPath);
    // The link on the way to the order's folder named by its share path: the
    // folder itself or one between the share and it. Such a folder may really
    // be another order's, so the order is not to be touched; empty when none.
    static QString orderFolderLink(const QString &netPath);
    // Marked pictures ("orderpicdescr"): each goes onto the download list as "标记".
    void analysis_biaoji_pics(QJsonArray markers);
    // Every selection visit ("servicetime"), in order.
    void analysis_servicetimes(QJsonArray visits);
    // One visit: its products onto the goods list with names made unique
    // within the visit, their crop pictures onto the download list as "裁剪".
    void analysis_servicetime(QJsonObject visit);

    // One "拷贝照片" job per picture record, started at once on pool; every
    // record gives exactly one job, so the window can count the reports.
    // "精修成品", source: the record's "localpath".
    void copy_jxptocp_pics(QJsonArray imgs, QString dest, QThreadPool *pool, QWidget *receiver);
    // "成品缩略图", source: the record's "localpath90".
    void copy_cpthumnailimg_pics(QJsonArray imgs, QString dest, QThreadPool *pool, QWidget *receiver);
    // The four below take their source from orderImportPath + "img_name".
    void copy_onlychengpin_pics(QJsonArray imgs, QString dest, QThreadPool *pool, QWidget *receiver);
    void copy_chengpin_pics(QJsonArray imgs, QString dest, QThreadPool *pool, QWidget *receiver);
    void copy_taipian_pics(QJsonArray imgs, QString dest, QThreadPool *pool, QWidget *receiver);
    void copy_rudi_pics(QJsonArray imgs, QString dest, QThreadPool *pool, QWidget *receiver);

    // The order's value of key as text.
    QString r(QString key);

    // Fetches a picture as a data URL and calls back with the URL it was given.
    void downloadImageAsDataUrl(const QString &url,
                                std::function<void(bool, const QString &, const QString &)> callback);

    // Prints the production sheet "明细制作单.pdf" into folder; true only when
    // the file is in place.
    bool saveHTML(QString folder);

    QString barcodeUrl;
    QString serviceCount;
    QJsonObject detailData;
    QJsonObject order;
    QJsonArray serviceVisits;
    QString orderImportPath;
    QMap<QString, QJsonObject> retouchMarkImages;
    QMap<QString, QJsonObject> selectedImages;
    QMap<QString, QJsonObject> baseImages;
    QMap<QString, QJsonObject> otherImages;
    QMap<QString, QString> imageSources;
    QStringList downloadUrls;
    QMap<QString, QJsonObject> imageByUrl;
    QList<QJsonObject> goods;
    QJsonArray namingRule;
    // The order's share, pinned by the window when its run met it (else by
    // setOrderImportPath); every copy job reads through it.
    ShareGuard share;
    // The run's folders written so far, handed to every copy job and used by
    // saveHTML: the first write into one removes what killed copies left there.
    std::shared_ptr<TemporarySweep> sweep;

private:
    void startCopies(const QJsonArray &imgs, const QString &category, const QString &sourceKey, const QString &dest,
                     QThreadPool *pool, QWidget *receiver) const;
};

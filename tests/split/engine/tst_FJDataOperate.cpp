#include "split/engine/FJDataOperate.h"

#include "support/FJJobReports.h"
#include "support/ScopedMountRoot.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

namespace {

// A mounted share as the mount root shows it: a folder with content (an
// empty one is the mount point an unmount leaves behind).
void mountShare(const ScopedMountRoot &root, const QString &share)
{
    QFile marker(root.mkpath(share) + QStringLiteral("/.share"));
    QVERIFY(marker.open(QIODevice::WriteOnly));
}

QJsonObject picture(const QString &name, const QString &cropUrl)
{
    return QJsonObject{{"img_name", name}, {"cropping_imgurl", cropUrl},
                       {"url2", "https://img.example/own/" + name}, {"id", "p-" + name}};
}

QJsonObject product(const QString &name, const QJsonArray &imgs = {}, const QJsonArray &sons = {})
{
    QJsonObject item{{"goodname", name}, {"goodtypeid", "33"}, {"isurgent", "0"}, {"imgs", imgs}};
    if (!sons.isEmpty())
        item.insert("son_good", sons);
    return item;
}

// An "orderphotodetail" reply's data as the service sends it.
QJsonObject orderReply(const QString &orderKey, const QString &prefix)
{
    const QJsonArray markers{QJsonObject{{"cropping_imgurl", prefix + "/mark/1.jpg"},
                                         {"img_name", "M1.jpg"},
                                         {"remark", "[{\"text\":\"瘦脸\"}]"}}};
    const QJsonArray sons{QJsonObject{{"goodname", "内页"}, {"goodtype", "相册"},
                                      {"picpath", QJsonArray{picture("S1.jpg", prefix + "/crop/s1.jpg")}}}};
    const QJsonObject visit{
        {"order_sample_infoservicetimes", "1"},
        {"role12name", "小王"},
        {"goods", QJsonArray{product("相册", QJsonArray{picture("A.jpg", prefix + "/crop/a.jpg"),
                                                       picture("B.jpg", "")}, sons),
                             product("摆台", QJsonArray{picture("C.jpg", prefix + "/crop/c.jpg")})}},
        {"urgentgoods", QJsonArray{product("相册")}}};
    return QJsonObject{{"order", QJsonObject{{"orderpayforkey", orderKey},
                                            {"netpath", "\\\\srv\\photos\\2024\\" + orderKey}}},
                       {"orderpicdescr", markers},
                       {"servicetime", QJsonArray{visit}},
                       {"count_order_sample_infoservicetimes", "2"}};
}

// What the split window does with a reply when it takes up an order.
void takeUpOrder(FJDataOperate &holder, const QJsonObject &data)
{
    holder.detailData = data;
    holder.order = data.value("order").toObject();
    holder.serviceCount = data.value("count_order_sample_infoservicetimes").toString();
    holder.downloadUrls.clear();
    holder.imageByUrl.clear();
    holder.goods.clear();
    holder.setOrderImportPath(holder.order.value("netpath").toString());
    holder.analysis_biaoji_pics(data.value("orderpicdescr").toArray());
    holder.analysis_servicetimes(data.value("servicetime").toArray());
}

QStringList goodNames(const QList<QJsonObject> &goods)
{
    QStringList names;
    for (const QJsonObject &item : goods) {
        names << item.value("goodname").toString();
        for (const QJsonValue &son : item.value("son_good").toArray())
            names << "  " + son.toObject().value("goodname").toString();
    }
    return names;
}

} // namespace

class TestFJDataOperate : public QObject
{
    Q_OBJECT

private slots:
    void orderReplyFillsDownloadsAndGoods();
    void uniqueNamesWithinVisit_data();
    void uniqueNamesWithinVisit();
    void cropUrlsAreListedOnce();
    void orderImportPath_data();
    void orderImportPath();
    void copyFunctionsStartOneJobPerPicture_data();
    void copyFunctionsStartOneJobPerPicture();
};

void TestFJDataOperate::orderReplyFillsDownloadsAndGoods()
{
    ScopedMountRoot root;
    mountShare(root, "photos");
    FJDataOperate holder;
    takeUpOrder(holder, orderReply("A100", "https://img.example/o1"));

    QCOMPARE(holder.serviceCount, QStringLiteral("2"));
    QCOMPARE(holder.orderImportPath, root.path() + "photos/2024/A100/all/");
    QCOMPARE(holder.downloadUrls, (QStringList{"https://img.example/o1/mark/1.jpg", "https://img.example/o1/crop/a.jpg",
                                               "https://img.example/o1/crop/s1.jpg", "https://img.example/o1/crop/c.jpg"}));
    QCOMPARE(holder.imageByUrl.size(), 4);
    for (const QString &url : holder.downloadUrls)
        QVERIFY2(holder.imageByUrl.contains(url), qPrintable(url));
    QCOMPARE(holder.imageByUrl.value("https://img.example/o1/mark/1.jpg").value("image_type").toString(),
             QStringLiteral("标记"));
    QCOMPARE(holder.imageByUrl.value("https://img.example/o1/crop/s1.jpg").value("image_type").toString(),
             QStringLiteral("裁剪"));
    QCOMPARE(holder.imageByUrl.value("https://img.example/o1/crop/a.jpg").value("img_name").toString(),
             QStringLiteral("A.jpg"));

    QCOMPARE(goodNames(holder.goods), (QStringList{"相册", "  内页", "摆台", "相册(1)"}));
    // The goods keep their pictures untouched: only the map's copies are typed.
    const QJsonObject firstPicture = holder.goods.first().value("imgs").toArray().first().toObject();
    QVERIFY(!firstPicture.contains("image_type"));
    // The reply itself keeps the service's names.
    const QJsonObject storedVisit = holder.detailData.value("servicetime").toArray().first().toObject();
    QCOMPARE(storedVisit.value("urgentgoods").toArray().first().toObject().value("goodname").toString(),
             QStringLiteral("相册"));
}

void TestFJDataOperate::uniqueNamesWithinVisit_data()
{
    QTest::addColumn<QJsonArray>("visits");
    QTest::addColumn<QStringList>("expected");

    const QJsonObject twoNormalOneUrgent{{"goods", QJsonArray{product("A"), product("A")}},
                                         {"urgentgoods", QJsonArray{product("A")}}};
    QTest::newRow("normal and urgent share one list")
        << QJsonArray{twoNormalOneUrgent} << QStringList{"A", "A(1)", "A(2)"};
    QTest::newRow("another visit starts again")
        << QJsonArray{QJsonObject{{"goods", QJsonArray{product("A"), product("A")}}},
                      QJsonObject{{"goods", QJsonArray{product("A")}}}}
        << QStringList{"A", "A(1)", "A"};
    QTest::newRow("sub-products take part")
        << QJsonArray{QJsonObject{{"goods", QJsonArray{product("A", {}, QJsonArray{QJsonObject{{"goodname", "A"}},
                                                                                   QJsonObject{{"goodname", "B"}}})}}}}
        << QStringList{"A", "  A(1)", "  B"};
    QTest::newRow("generated form already taken")
        << QJsonArray{QJsonObject{{"goods", QJsonArray{product("A"), product("A(1)"), product("A")}}}}
        << QStringList{"A", "A(1)", "A(2)"};
    QTest::newRow("placeholders in names stay as they are")
        << QJsonArray{QJsonObject{{"goods", QJsonArray{product("满减%2"), product("满减%2"), product("%1")}}}}
        << QStringList{"满减%2", "满减%2(1)", "%1"};
    QTest::newRow("names compared case-sensitively")
        << QJsonArray{QJsonObject{{"goods", QJsonArray{product("a"), product("A")}}}} << QStringList{"a", "A"};
}

void TestFJDataOperate::uniqueNamesWithinVisit()
{
    QFETCH(QJsonArray, visits);
    QFETCH(QStringList, expected);
    FJDataOperate holder;
    holder.analysis_servicetimes(visits);
    QCOMPARE(goodNames(holder.goods), expected);
    QVERIFY(holder.downloadUrls.isEmpty());
}

void TestFJDataOperate::cropUrlsAreListedOnce()
{
    FJDataOperate holder;
    QJsonObject first = picture("first.jpg", "https://img.example/crop/same.jpg");
    QJsonObject second = picture("second.jpg", "https://img.example/crop/same.jpg");
    const QJsonArray sons{QJsonObject{{"goodname", "内页"}, {"picpath", QJsonArray{picture("son.jpg", "https://img.example/crop/same.jpg")}}}};
    holder.analysis_biaoji_pics(QJsonArray{QJsonObject{{"cropping_imgurl", "https://img.example/crop/marked.jpg"}}});
    holder.analysis_servicetime(QJsonObject{
        {"goods", QJsonArray{product("A", QJsonArray{first, picture("m.jpg", "https://img.example/crop/marked.jpg")}),
                             product("B", QJsonArray{second}, sons)}}});

    QCOMPARE(holder.downloadUrls, (QStringList{"https://img.example/crop/marked.jpg", "https://img.example/crop/same.jpg"}));
    QCOMPARE(holder.imageByUrl.value("https://img.example/crop/same.jpg").value("img_name").toString(),
             QStringLiteral("first.jpg"));
    // A marked picture that is also a crop stays a marked picture.
    QCOMPARE(holder.imageByUrl.value("https://img.example/crop/marked.jpg").value("image_type").toString(),
             QStringLiteral("标记"));
}

void TestFJDataOperate::orderImportPath_data()
{
    QTest::addColumn<QString>("netPath");
    QTest::addColumn<QString>("expected"); // below the mount root, or empty
    QTest::addColumn<QString>("link"); // "folder>target" below the mount root, made a link first

    QTest::newRow("order folder") << "\\\\srv\\photos\\orders\\A1" << "photos/orders/A1/all/" << "";
    QTest::newRow("trailing separator") << "\\\\srv\\share\\a\\" << "share/a/all/" << "";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("relative") << "srv\\share\\a" << "" << "";
    QTest::newRow("one leading separator") << "\\share" << "" << "";
    QTest::newRow("climbs out of the share") << "\\\\srv\\share\\..\\..\\etc" << "" << "";
    QTest::newRow("dot part") << "\\\\srv\\share\\.\\a" << "" << "";
    QTest::newRow("share named in other case") << "\\\\srv\\PHOTOS\\orders\\A1" << "" << "";
    QTest::newRow("share not mounted") << "\\\\srv\\raw\\orders\\A1" << "" << "";
    // A link on the way may lead into another order's folder of the same share.
    QTest::newRow("order folder a link") << "\\\\srv\\photos\\orders\\A1" << ""
                                         << "photos/orders/A1>photos/orders/B2";
    QTest::newRow("year folder a link") << "\\\\srv\\photos\\2024\\B2" << "" << "photos/2024>photos/orders";
    QTest::newRow("real folders beside a link") << "\\\\srv\\photos\\orders\\B2" << "photos/orders/B2/all/"
                                                << "photos/2024>photos/orders";
}

void TestFJDataOperate::orderImportPath()
{
    QFETCH(QString, netPath);
    QFETCH(QString, expected);
    QFETCH(QString, link);
    ScopedMountRoot root;
    mountShare(root, "photos");
    mountShare(root, "share");
    if (!link.isEmpty()) {
        const QString target = root.mkpath(link.section('>', 1));
        QVERIFY(QFile::link(target, root.path() + link.section('>', 0, 0)));
    }
    FJDataOperate holder;
    holder.setOrderImportPath(netPath);
    if (expected.isEmpty()) {
        QVERIFY2(holder.orderImportPath.isEmpty(), qPrintable(holder.orderImportPath));
    } else {
        QCOMPARE(holder.orderImportPath, root.path() + expected);
        QVERIFY(MountRoot::isOnShare(holder.orderImportPath));
    }
    QVERIFY(holder.downloadUrls.isEmpty());
    QVERIFY(holder.goods.isEmpty());
}

void TestFJDataOperate::copyFunctionsStartOneJobPerPicture_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("folder"); // where the pictures land below the destination
    QTest::newRow("copy_jxptocp_pics: localpath") << 0 << "成品";
    QTest::newRow("copy_cpthumnailimg_pics: localpath90") << 1 << "缩略图";
    QTest::newRow("copy_onlychengpin_pics") << 2 << "成品";
    QTest::newRow("copy_chengpin_pics") << 3 << "成品";
    QTest::newRow("copy_taipian_pics") << 4 << "汰片";
    QTest::newRow("copy_rudi_pics") << 5 << "入底";
}

void TestFJDataOperate::copyFunctionsStartOneJobPerPicture()
{
    QFETCH(int, which);
    QFETCH(QString, folder);
    using Copy = void (FJDataOperate::*)(QJsonArray, QString, QThreadPool *, QWidget *);
    const Copy copies[] = {&FJDataOperate::copy_jxptocp_pics, &FJDataOperate::copy_cpthumnailimg_pics,
                           &FJDataOperate::copy_onlychengpin_pics, &FJDataOperate::copy_chengpin_pics,
                           &FJDataOperate::copy_taipian_pics, &FJDataOperate::copy_rudi_pics};
    ScopedMountRoot root;
    QTemporaryDir out;
    FJJobReceiver receiver;
    FJDataOperate holder;
    mountShare(root, "share");
    holder.setOrderImportPath("\\\\srv\\share\\A1");
    QJsonArray imgs;
    for (const QString &name : {QStringLiteral("p1.jpg"), QStringLiteral("p2.jpg")}) {
        for (const QString &size : {QStringLiteral("all/"), QStringLiteral("90/")}) {
            QFile file(root.path() + QStringLiteral("share/A1/") + size + name);
            QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
            file.write(size.toUtf8());
        }
        imgs.append(QJsonObject{{"img_name", name}, {"localpath", root.path() + "share/A1/all/" + name},
                                {"localpath90", root.path() + "share/A1/90/" + name}});
    }
    QThreadPool pool;
    (holder.*copies[which])(imgs, out.path() + QStringLiteral("/其他/"), &pool, &receiver);
    QVERIFY(pool.waitForDone(30000));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.reports.size(), 2, 10000);
    for (const FJJobReceiver::Report &report : qAsConst(receiver.reports))
        QVERIFY2(report.ok && report.jobType == QStringLiteral("拷贝照片"), qPrintable(report.message));
    QCOMPARE(QDir(out.path() + QStringLiteral("/其他/") + folder).entryList(QDir::Files),
             (QStringList{"p1.jpg", "p2.jpg"}));
}

QTEST_MAIN(TestFJDataOperate)
#include "tst_FJDataOperate.moc"

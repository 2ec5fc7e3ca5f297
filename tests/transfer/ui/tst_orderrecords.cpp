#include "support/ScopedMountRoot.h"
#include "transfer/ui/OrderRecords.h"
#include "transfer/ui/TransferReports.h"

#include <QtTest>

#include <QJsonDocument>

// Building orders and imported entries from order_list objects.
class OrderRecordsTest : public QObject
{
    Q_OBJECT

private slots:
    void realisticOrder();
    void shotDate_data();
    void shotDate();
    void sizes_data();
    void sizes();
    void ids_data();
    void ids();
    void importedEntriesSortedByType();
    void missingPublicPathAndNetpath();
    void noOrderValue();
};

static QJsonObject realisticOrderObject()
{
    const char *json = R"({
        "id": "5521", "order_photo_id": "9001", "orderpayforkey": "SY20240501-007", "servicetimes": "2",
        "mname": "李雷", "wname": "韩梅梅", "wphone": "13800000001", "mphone": "13800000002",
        "selectphototime": "2024-05-09 15:20:00", "role1": "摄影A", "role2": "化妆B", "selectphotoname": "选片C",
        "issample": "0", "tiaosename": "修片D", "storesname": "旗舰店", "shotdate": "2024-5-1",
        "netpath": "\\\\nas01\\studio\\orders\\SY20240501-007",
        "picpathnew": {"netpath": "\\\\nas01\\public\\photos"},
        "imagesize_small": "0", "imagesize_middle": "300", "imagesize_big": "",
        "images": [
            {"id": "1", "img_name": "a.jpg", "url": "http://x/a.jpg", "localpath": "\\\\nas01\\studio\\a.jpg", "type": "1"},
            {"id": "2", "img_name": "t.mp4", "url": "http://x/t.mp4", "localpath": "", "type": "2"}
        ],
        "images_taipian": [
            {"id": "3", "img_name": "r.mp4", "url": "http://x/r.mp4", "type": "3"},
            {"id": "4", "img_name": "b.jpg", "url": "http://x/b.jpg"}
        ]
    })";
    return QJsonDocument::fromJson(json).object();
}

void OrderRecordsTest::realisticOrder()
{
    ScopedMountRoot root;
    const OrderInfo order = OrderRecords::orderFromListObject(realisticOrderObject(), 3);
    QCOMPARE(order.index, 3);
    QCOMPARE(order.id, QString("5521"));
    QCOMPARE(order.order_photo_id, QString("9001"));
    QCOMPARE(order.orderpayforkey, QString("SY20240501-007"));
    QCOMPARE(order.wname, QString("韩梅梅"));
    QCOMPARE(order.storesname, QString("旗舰店"));
    QCOMPARE(order.shotdate_year, QString("2024"));
    QCOMPARE(order.shotdate_month, QString("05"));
    QCOMPARE(order.shotdate_day, QString("01"));
    QCOMPARE(order.status, QString("未选择"));
    QCOMPARE(order.selectedNum, 0);
    QCOMPARE(order.failedNum, 0);
    QCOMPARE(order.serverName, QString("nas01"));
    QCOMPARE(order.importPath, root.path() + "studio/orders/SY20240501-007/");
    QCOMPARE(order.importPublicPath, root.path() + "public/photos/");
    QCOMPARE(order.publicNetpath, QString("\\\\nas01\\public\\photos"));
    QVERIFY(order.photoList.isEmpty());
}

void OrderRecordsTest::shotDate_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("day");
    QTest::newRow("padded") << "2023-5-7" << "2023" << "05" << "07";
    QTest::newRow("two digits") << "2023-11-30" << "2023" << "11" << "30";
    QTest::newRow("slashes") << "2023/05/07" << "1970" << "01" << "01";
    QTest::newRow("empty") << "" << "1970" << "01" << "01";
    QTest::newRow("two parts") << "2023-05" << "1970" << "01" << "01";
    QTest::newRow("empty month") << "2023--7" << "2023" << "" << "07";
    QTest::newRow("day with time") << "2023-05-07 10:00" << "2023" << "05" << "07 10:00";
}

void OrderRecordsTest::shotDate()
{
    QFETCH(QString, date);
    QFETCH(QString, year);
    QFETCH(QString, month);
    QFETCH(QString, day);
    QJsonObject object{{"shotdate", date}};
    const OrderInfo order = OrderRecords::orderFromListObject(object, 0);
    QCOMPARE(order.shotdate, date);
    QCOMPARE(order.shotdate_year, year);
    QCOMPARE(order.shotdate_month, month);
    QCOMPARE(order.shotdate_day, day);
}

void OrderRecordsTest::sizes_data()
{
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<QString>("small");
    QTest::newRow("zero becomes default") << QJsonValue("0") << "90";
    QTest::newRow("kept") << QJsonValue("120") << "120";
    QTest::newRow("empty stays empty") << QJsonValue("") << "";
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << "";
    QTest::newRow("number reads as empty") << QJsonValue(0) << "";
}

void OrderRecordsTest::sizes()
{
    QFETCH(QJsonValue, value);
    QFETCH(QString, small);
    QJsonObject object;
    if (!value.isUndefined())
        object.insert("imagesize_small", value);
    object.insert("imagesize_middle", "0");
    object.insert("imagesize_big", "0");
    const OrderInfo order = OrderRecords::orderFromListObject(object, 0);
    QCOMPARE(order.imagesize_small, small);
    QCOMPARE(order.imagesize_middle, QString("190"));
    QCOMPARE(order.imagesize_big, QString("1920"));
}

void OrderRecordsTest::ids_data()
{
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<QString>("text"); // empty: no id, the order is refused
    QTest::newRow("text") << QJsonValue("9001") << "9001";
    QTest::newRow("integer") << QJsonValue(9001) << "9001";
    QTest::newRow("integer past 2^31") << QJsonValue(4294967296.0) << "4294967296";
    QTest::newRow("float") << QJsonValue(9001.5) << "";
    QTest::newRow("null") << QJsonValue(QJsonValue::Null) << "";
    QTest::newRow("object") << QJsonValue(QJsonObject{{"id", "9001"}}) << "";
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << "";
}

// Both ids of the order list, read one way.
void OrderRecordsTest::ids()
{
    QFETCH(QJsonValue, value);
    QFETCH(QString, text);
    for (const char *key : {"id", "order_photo_id"}) {
        QJsonObject object = realisticOrderObject();
        object.remove(QLatin1String(key));
        if (!value.isUndefined())
            object.insert(QLatin1String(key), value);
        const OrderInfo order = OrderRecords::orderFromListObject(object, 0);
        QCOMPARE(QLatin1String(key) == QLatin1String("id") ? order.id : order.order_photo_id, text);
        QCOMPARE(order.hasIds(), !text.isEmpty());
    }
    // A photo's, in "images", "images_taipian" and getorderphotoimg, and in a savepicpath reply.
    const QJsonObject photo = value.isUndefined() ? QJsonObject() : QJsonObject{{"id", value}};
    QCOMPARE(OrderRecords::photoFromReply(photo).id, text);
    QCOMPARE(TransferReports::entryFromReply(photo).id, text);
}

void OrderRecordsTest::importedEntriesSortedByType()
{
    const OrderInfo order = OrderRecords::orderFromListObject(realisticOrderObject(), 0);
    QCOMPARE(order.importedPhotos.size(), 2);
    QCOMPARE(order.importedPhotos.at(0).img_name, QString("a.jpg"));
    QCOMPARE(order.importedPhotos.at(1).img_name, QString("b.jpg")); // images_taipian after images
    QCOMPARE(order.importedTrialVideos.size(), 1);
    QCOMPARE(order.importedTrialVideos.at(0).id, QString("2"));
    QCOMPARE(order.importedRetouchedVideos.size(), 1);
    QCOMPARE(order.importedRetouchedVideos.at(0).url, QString("http://x/r.mp4"));

    const PhotoInfo &photo = order.importedPhotos.at(0);
    QCOMPARE(photo.localpath, QString("\\\\nas01\\studio\\a.jpg"));
    QCOMPARE(photo.status, int(PhotoStatus::Waiting));
    QCOMPARE(photo.statusOrigin, int(PhotoStatus::Waiting));
    QCOMPARE(photo.status1920, int(PhotoStatus::Waiting));
    QVERIFY(photo.sizeTag.isEmpty());
    QVERIFY(photo.imagesize.isEmpty());
    QVERIFY(photo.importPath.isEmpty());

    // "type" is compared as text: a JSON number 2 is a photo.
    QList<PhotoInfo> photos, trial, retouched;
    OrderRecords::sortImportedEntries(QJsonArray{QJsonObject{{"type", 2}}, QJsonObject{{"type", ""}}}, photos,
                                      trial, retouched);
    QCOMPARE(photos.size(), 2);
    QVERIFY(trial.isEmpty());
}

void OrderRecordsTest::missingPublicPathAndNetpath()
{
    ScopedMountRoot root;
    QJsonObject noPublic = realisticOrderObject();
    noPublic.remove("picpathnew");
    OrderInfo order = OrderRecords::orderFromListObject(noPublic, 0);
    QVERIFY(order.importPublicPath.isEmpty());
    QVERIFY(order.publicNetpath.isEmpty());

    QJsonObject noNetpath = realisticOrderObject();
    noNetpath.insert("netpath", "");
    noNetpath.insert("picpathnew", QJsonObject{{"netpath", "\\\\nas02\\public"}});
    order = OrderRecords::orderFromListObject(noNetpath, 0);
    QVERIFY(order.importPath.isEmpty());
    QCOMPARE(order.serverName, QString("nas02"));
}

void OrderRecordsTest::noOrderValue()
{
    const OrderInfo none;
    QCOMPARE(none.index, -1);
    QVERIFY(none.photoList.isEmpty() && none.importedPhotos.isEmpty());
    QCOMPARE(none.failedNum, 0);
}

QTEST_GUILESS_MAIN(OrderRecordsTest)
#include "tst_orderrecords.moc"

#include "orderfields/FieldInfo.h"
#include "orderfields/OLConfig.h"
#include "orderfields/OLSetInitialData.h"

#include <QMap>
#include <QSet>
#include <QStringList>
#include <QtTest>

using Catalogue = QMap<QString, FieldInfo>;
using Histogram = QMap<QString, int>;

Q_DECLARE_METATYPE(Histogram)

namespace {

const Catalogue &catalogue(const QString &name)
{
    static const Catalogue none;
    if (name == QLatin1String("order"))
        return OLConfig::order_fileds;
    if (name == QLatin1String("photo"))
        return OLConfig::order_photo_fileds;
    if (name == QLatin1String("photoInfo"))
        return OLConfig::order_photo_info_fileds;
    if (name == QLatin1String("sample"))
        return OLConfig::order_sample_info_fileds;
    return none;
}

Histogram histogramOf(const Catalogue &map)
{
    Histogram counts;
    for (const FieldInfo &info : map)
        ++counts[info.type];
    return counts;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class tst_FieldCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void defaultDescriptor();
    void factoryKeepsItsArguments();

    void mapSizes_data();
    void mapSizes();
    void typeHistogram_data();
    void typeHistogram();
    void everyEntryIdentifiesItself_data();
    void everyEntryIdentifiesItself();
    void keysWithFlagFalse_data();
    void keysWithFlagFalse();
    void nameFieldsOtherThanKey_data();
    void nameFieldsOtherThanKey();
    void labelsEqualToKey();

    void awkwardLabels_data();
    void awkwardLabels();
    void sharedLabelsStaySeparateEntries();
    void typesThatDoNotFollowTheLabel();
    void sameKeyDiffersBetweenTables();
    void iterationRunsInKeyOrder();

    void repeatedInitDataKeepsTheSameContent();
    void initDataReplacesInsteadOfMerging();
    void buildersReturnEqualMapsOnEveryCall();
    void objectCarriesItsClassName();
};

void tst_FieldCatalogue::initTestCase()
{
    // Nothing fills the catalogue at start-up.
    QVERIFY(OLConfig::order_fileds.isEmpty());
    QVERIFY(OLConfig::order_photo_fileds.isEmpty());
    QVERIFY(OLConfig::order_photo_info_fileds.isEmpty());
    QVERIFY(OLConfig::order_sample_info_fileds.isEmpty());

    OLSetInitialData::initData();
}

void tst_FieldCatalogue::defaultDescriptor()
{
    const FieldInfo info;
    QVERIFY(info.type.isNull());
    QVERIFY(info.label.isNull());
    QVERIFY(info.nameField.isNull());
    QVERIFY(info.idField.isNull());
    QCOMPARE(info.flag, true);
    QCOMPARE(info.flag2, false);
}

void tst_FieldCatalogue::factoryKeepsItsArguments()
{
    const FieldInfo info = OLSetInitialData::returnFieldInfo(QStringLiteral("int"), QStringLiteral("名称"),
                                                             QStringLiteral("name"), QStringLiteral("id"),
                                                             false);
    QCOMPARE(info.type, QStringLiteral("int"));
    QCOMPARE(info.label, QStringLiteral("名称"));
    QCOMPARE(info.nameField, QStringLiteral("name"));
    QCOMPARE(info.idField, QStringLiteral("id"));
    QCOMPARE(info.flag, false);
    QCOMPARE(info.flag2, false);

    // A copy carries both flags.
    FieldInfo copy = info;
    copy.flag2 = true;
    const FieldInfo assigned = copy;
    QCOMPARE(assigned.flag, false);
    QCOMPARE(assigned.flag2, true);
    QVERIFY(assigned != info);
}

void tst_FieldCatalogue::mapSizes_data()
{
    QTest::addColumn<QString>("map");
    QTest::addColumn<int>("entries");

    // Number of fields of each service record.
    QTest::newRow("order") << "order" << 292;
    QTest::newRow("photo") << "photo" << 279;
    QTest::newRow("photoInfo") << "photoInfo" << 160;
    QTest::newRow("sample") << "sample" << 27;
}

void tst_FieldCatalogue::mapSizes()
{
    QFETCH(QString, map);
    QFETCH(int, entries);
    QCOMPARE(catalogue(map).size(), entries);
}

void tst_FieldCatalogue::typeHistogram_data()
{
    QTest::addColumn<QString>("map");
    QTest::addColumn<Histogram>("expected");

    // Number of fields per value type in each record.
    QTest::newRow("order") << "order"
                           << Histogram{{"int", 207}, {"text", 75}, {"float", 10}};
    QTest::newRow("photo") << "photo"
                           << Histogram{{"int", 254}, {"text", 14}, {"float", 5}, {"type", 2}, {"imgurl", 4}};
    QTest::newRow("photoInfo") << "photoInfo"
                               << Histogram{{"int", 128}, {"text", 29}, {"float", 3}};
    QTest::newRow("sample") << "sample"
                            << Histogram{{"int", 22}, {"text", 2}, {"float", 3}};
}

void tst_FieldCatalogue::typeHistogram()
{
    QFETCH(QString, map);
    QFETCH(Histogram, expected);
    QCOMPARE(histogramOf(catalogue(map)), expected);
}

void tst_FieldCatalogue::everyEntryIdentifiesItself_data()
{
    QTest::addColumn<QString>("map");
    for (const char *name : {"order", "photo", "photoInfo", "sample"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_FieldCatalogue::everyEntryIdentifiesItself()
{
    QFETCH(QString, map);
    const Catalogue &fields = catalogue(map);
    QVERIFY(!fields.isEmpty());
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        QVERIFY2(it.value().idField == it.key(), qPrintable(it.key()));
        QVERIFY2(!it.value().flag2, qPrintable(it.key()));
        QVERIFY2(!it.value().label.isEmpty(), qPrintable(it.key()));
        QVERIFY2(!it.value().nameField.isEmpty(), qPrintable(it.key()));
    }
}

void tst_FieldCatalogue::keysWithFlagFalse_data()
{
    QTest::addColumn<QString>("map");
    QTest::addColumn<QStringList>("keys");

    QTest::newRow("order") << "order" << QStringList();
    QTest::newRow("photo") << "photo"
                           << QStringList{"id", "orderid", "companyid", "tbq_remark1_push",
                                          "tbq_remark2_push", "tbq_remark4_push", "push_photo",
                                          "push_sample", "push_kanjingxiu", "push_pickup",
                                          "ispushwangpan", "isdeal"};
    QTest::newRow("photoInfo") << "photoInfo" << QStringList();
    QTest::newRow("sample") << "sample" << QStringList();
}

void tst_FieldCatalogue::keysWithFlagFalse()
{
    QFETCH(QString, map);
    QFETCH(QStringList, keys);
    QStringList found;
    const Catalogue &fields = catalogue(map);
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        if (!it.value().flag)
            found << it.key();
    }
    QCOMPARE(found, sorted(keys));
}

void tst_FieldCatalogue::nameFieldsOtherThanKey_data()
{
    QTest::addColumn<QString>("map");
    QTest::addColumn<QStringList>("pairs"); // "key=nameField"

    QTest::newRow("order") << "order" << QStringList();
    QTest::newRow("photo") << "photo"
                           << QStringList{"sampleid=samplename",
                                          "photoreviewserid=photoreviewsername",
                                          "tostoresamplingid=tostoresamplingtitle",
                                          "role6personid=role6personname",
                                          "role6personteamid=role6personteamname",
                                          "role7personid=role7personname",
                                          "role7personteamid=role7personteamname",
                                          "role8personid=role8personname",
                                          "role8personteamid=role8personteamname",
                                          "role9personid=role9personname",
                                          "role9personteamid=role9personteamname",
                                          "role10personid=role10personname",
                                          "role10personteamid=role10personteamname",
                                          "role20personid=role20personname",
                                          "role20personteamid=role20personteamname"};
    QTest::newRow("photoInfo") << "photoInfo" << QStringList();
    QTest::newRow("sample") << "sample" << QStringList();
}

void tst_FieldCatalogue::nameFieldsOtherThanKey()
{
    QFETCH(QString, map);
    QFETCH(QStringList, pairs);
    QStringList found;
    const Catalogue &fields = catalogue(map);
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        if (it.value().nameField != it.key())
            found << it.key() + QLatin1Char('=') + it.value().nameField;
    }
    QCOMPARE(found, sorted(pairs));
}

void tst_FieldCatalogue::labelsEqualToKey()
{
    auto keysLabelledByThemselves = [](const Catalogue &fields) {
        QStringList keys;
        for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
            if (it.value().label == it.key())
                keys << it.key();
        }
        return keys;
    };

    const QStringList orderKeys{"id", "tuiguangname", "introducername", "introducername2", "w_address",
                                "m_address", "msname", "ms2name", "shopid", "ylorderid",
                                "ordermodifytitle", "issmallprogram", "pay_type", "isexport", "myears",
                                "mmonth", "mday", "wyears", "wmonth", "wday", "parent_photo_id",
                                "signname", "bname2", "bnick2", "bsex2", "birthday2", "bname3",
                                "bnick3", "bsex3", "birthday3", "xd_orderid", "xd_order_photo_id"};
    QCOMPARE(keysLabelledByThemselves(OLConfig::order_fileds), sorted(orderKeys));

    // How many fields of the other records show their own key as label.
    QCOMPARE(keysLabelledByThemselves(OLConfig::order_photo_fileds).size(), 37);
    QCOMPARE(keysLabelledByThemselves(OLConfig::order_photo_info_fileds).size(), 18);
    QCOMPARE(keysLabelledByThemselves(OLConfig::order_sample_info_fileds).size(), 16);

    const QStringList someInfoKeys{"role2fulfil", "oid", "noticeid", "issystem6"};
    for (const QString &key : someInfoKeys)
        QCOMPARE(OLConfig::order_photo_info_fileds.value(key).label, key);
}

void tst_FieldCatalogue::awkwardLabels_data()
{
    QTest::addColumn<QString>("map");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("label");

    QTest::newRow("two inner spaces") << "order" << "wxid" << QStringLiteral("网销人ID  邀约");
    QTest::newRow("three inner spaces") << "order" << "msid" << QStringLiteral("门市人ID   预约");
    QTest::newRow("one inner space") << "order" << "f_time" << QStringLiteral("分单轮次 三次就是公海");
    QTest::newRow("full-width brackets, order")
        << "order" << "shoot_start_time" << QStringLiteral("首次拍摄时间（每次都会更新）");
    QTest::newRow("ascii brackets, order")
        << "order" << "orderdisprice" << QStringLiteral("订单应收价格(主要用来计算是否欠款)");
    QTest::newRow("ascii brackets, invalid id")
        << "order" << "invalidid" << QStringLiteral("无效原因id(客资确认无效时更新)");
    QTest::newRow("trailing space") << "photo" << "truing_isfinish" << QStringLiteral("任务是否完成 ");
    QTest::newRow("no trailing space on twin") << "photo" << "xytruing_isfinish" << QStringLiteral("任务是否完成");
    QTest::newRow("full-width brackets, photo") << "photo" << "role8" << QStringLiteral("初修师（样后修片）");
    QTest::newRow("ascii brackets, photo") << "photo" << "role7" << QStringLiteral("调色师(样前对比片)");
    QTest::newRow("inner space, photo") << "photo" << "kfremark" << QStringLiteral("客服备注 回访列表");
    QTest::newRow("stage label") << "photo" << "issystem3" << QStringLiteral("第3阶段");
    QTest::newRow("board spelling") << "photo" << "kanbanfinish" << QStringLiteral("看板完成时间");
    QTest::newRow("inner space, info") << "photoInfo" << "women_type" << QStringLiteral("类型 女单数量");
    QTest::newRow("inner space, rate") << "photoInfo" << "photo_number_type" << QStringLiteral("拍摄张数 合格率");
    QTest::newRow("ascii brackets, info") << "photoInfo" << "shooting_proj" << QStringLiteral("拍摄项目(多选)");
    QTest::newRow("digits and dot") << "photoInfo" << "technology_arve" << QStringLiteral("技术标准2.0完成率");
    QTest::newRow("mixed ascii, sample") << "sample" << "photosampleid" << QStringLiteral("档期id");
}

void tst_FieldCatalogue::awkwardLabels()
{
    QFETCH(QString, map);
    QFETCH(QString, key);
    QFETCH(QString, label);
    const Catalogue &fields = catalogue(map);
    QVERIFY2(fields.contains(key), qPrintable(key));
    QCOMPARE(fields.value(key).label, label);
    QCOMPARE(fields.value(key).label.size(), label.size());
}

void tst_FieldCatalogue::sharedLabelsStaySeparateEntries()
{
    const Catalogue &order = OLConfig::order_fileds;
    QCOMPARE(order.value("istuidan").label, QStringLiteral("是否退单"));
    QCOMPARE(order.value("is_cancel").label, QStringLiteral("是否退单"));
    QCOMPARE(order.value("tuidantime").label, QStringLiteral("退单时间"));
    QCOMPARE(order.value("cancel_time").label, QStringLiteral("退单时间"));
    for (const char *key : {"origin_id", "origin_id2", "introducerid", "introducerid2", "bname", "bname2", "bname3"})
        QVERIFY2(order.contains(QLatin1String(key)), key);

    QStringList labelledName;
    const Catalogue &photo = OLConfig::order_photo_fileds;
    for (auto it = photo.cbegin(); it != photo.cend(); ++it) {
        if (it.value().label == QLatin1String("name"))
            labelledName << it.key();
    }
    QCOMPARE(labelledName, sorted({"role8allot", "role9allot", "role10allot", "role21allot",
                                   "role7finish", "role9finish", "role21finish"}));
    for (const char *key : {"isallot", "truing_isallot", "xytruing_isallot"})
        QCOMPARE(photo.value(QLatin1String(key)).label, QStringLiteral("是否分配"));

    const Catalogue &info = OLConfig::order_photo_info_fileds;
    QCOMPARE(info.value("levelid").label, QStringLiteral("拍摄等级"));
    QCOMPARE(info.value("photolevel").label, QStringLiteral("拍摄等级"));
    QCOMPARE(info.value("isnotice").label, QStringLiteral("是否通知"));
    QCOMPARE(info.value("isinform").label, QStringLiteral("是否通知"));

    const Catalogue &sample = OLConfig::order_sample_info_fileds;
    QCOMPARE(sample.value("role12").label, QStringLiteral("选样师"));
    QCOMPARE(sample.value("role12finish").label, QStringLiteral("完成日期"));
}

void tst_FieldCatalogue::typesThatDoNotFollowTheLabel()
{
    auto keysOfType = [](const Catalogue &fields, const QString &type) {
        QStringList keys;
        for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
            if (it.value().type == type)
                keys << it.key();
        }
        return keys;
    };

    // Money fields of an order.
    QCOMPARE(keysOfType(OLConfig::order_fileds, "float"),
             sorted({"order_price", "comboprice", "orderbaseprice", "orderdisprice", "ordercostprice",
                     "ordertopcostprice", "order_total", "upfront_costs", "twosales_costs",
                     "synthetical_costs"}));
    QCOMPARE(OLConfig::order_fileds.value("ordermodifytitle").type, QStringLiteral("int"));
    QCOMPARE(OLConfig::order_fileds.value("ordermodifyprice").type, QStringLiteral("text"));
    QCOMPARE(OLConfig::order_fileds.value("serverprice").type, QStringLiteral("text"));
    QCOMPARE(OLConfig::order_fileds.value("arrivalprice").type, QStringLiteral("text"));
    QCOMPARE(OLConfig::order_fileds.value("booktime").type, QStringLiteral("int"));

    QCOMPARE(keysOfType(OLConfig::order_photo_fileds, "float"),
             sorted({"twosales", "order_photo_total", "confirm_money", "one_price", "two_price"}));
    QCOMPARE(keysOfType(OLConfig::order_photo_fileds, "type"), sorted({"isphotos", "isfulfil"}));
    QCOMPARE(keysOfType(OLConfig::order_photo_fileds, "imgurl"),
             sorted({"app_confirmimg", "finalpicpaths", "kanjingxiu_img", "kanban_img"}));
    for (const char *key : {"payment_amount", "photo_price", "orderdescr", "discard_desc"})
        QCOMPARE(OLConfig::order_photo_fileds.value(QLatin1String(key)).type, QStringLiteral("int"));

    QCOMPARE(keysOfType(OLConfig::order_photo_info_fileds, "float"),
             sorted({"car_fare", "dynamic_number", "technology_arve"}));
    for (const char *key : {"sitinid", "sitoutid", "makeup", "car_km", "shfawang_img", "fawang_img", "shooting_proj"})
        QCOMPARE(OLConfig::order_photo_info_fileds.value(QLatin1String(key)).type, QStringLiteral("text"));
    QCOMPARE(OLConfig::order_photo_info_fileds.value("photo_number_type").type, QStringLiteral("int"));

    QCOMPARE(keysOfType(OLConfig::order_sample_info_fileds, "text"), sorted({"addname", "xp_remark"}));
    QCOMPARE(keysOfType(OLConfig::order_sample_info_fileds, "float"),
             sorted({"twosales", "one_price", "two_price"}));
}

void tst_FieldCatalogue::sameKeyDiffersBetweenTables()
{
    const FieldInfo orderId = OLConfig::order_fileds.value("id");
    QCOMPARE(orderId, OLSetInitialData::returnFieldInfo("int", "id", "id", "id", true));

    const FieldInfo photoId = OLConfig::order_photo_fileds.value("id");
    const FieldInfo infoId = OLConfig::order_photo_info_fileds.value("id");
    QCOMPARE(photoId.flag, false);
    QCOMPARE(infoId.flag, true);
    QCOMPARE(infoId.label, QStringLiteral("id"));

    QCOMPARE(OLConfig::order_photo_fileds.value("servicetimes").label, QStringLiteral("服务次"));
    QCOMPARE(OLConfig::order_photo_fileds.value("servicetimes").flag, true);
    QCOMPARE(OLConfig::order_photo_info_fileds.value("servicetimes").label, QStringLiteral("第几次拍摄"));

    QCOMPARE(OLConfig::order_photo_fileds.value("isfulfil"),
             OLSetInitialData::returnFieldInfo("type", "是否结单", "isfulfil", "isfulfil", true));
    QCOMPARE(OLConfig::order_photo_info_fileds.value("isfulfil"),
             OLSetInitialData::returnFieldInfo("int", "订单是否完成", "isfulfil", "isfulfil", true));

    QCOMPARE(OLConfig::order_photo_fileds.value("sampleid"),
             OLSetInitialData::returnFieldInfo("int", "选样锁定人", "samplename", "sampleid", true));

    QCOMPARE(OLConfig::order_fileds.value("companyid").label, QStringLiteral("集团id"));
    QCOMPARE(OLConfig::order_sample_info_fileds.value("companyid").label, QStringLiteral("companyid"));
    QCOMPARE(OLConfig::order_fileds.value("storesid").label, QStringLiteral("门店id"));
    QCOMPARE(OLConfig::order_sample_info_fileds.value("storesid").label, QStringLiteral("storesid"));

    QCOMPARE(OLConfig::order_sample_info_fileds.value("twosales"),
             OLSetInitialData::returnFieldInfo("float", "二销总额", "twosales", "twosales", true));
}

void tst_FieldCatalogue::iterationRunsInKeyOrder()
{
    const QStringList sampleKeys = OLConfig::order_sample_info_fileds.keys();
    QCOMPARE(sampleKeys.mid(0, 5), (QStringList{"addid", "addname", "addtime", "companyid", "id"}));
    QCOMPARE(sampleKeys.mid(sampleKeys.size() - 3), (QStringList{"two_price", "twosales", "xp_remark"}));
    QVERIFY(sampleKeys.indexOf("order_photo_id") < sampleKeys.indexOf("orderid"));

    const QStringList photoKeys = OLConfig::order_photo_fileds.keys();
    QCOMPARE(photoKeys.mid(0, 2), (QStringList{"abandon", "allclearingtime"}));
    QVERIFY(photoKeys.indexOf("app_confirmimg") < photoKeys.indexOf("id"));
}

void tst_FieldCatalogue::repeatedInitDataKeepsTheSameContent()
{
    OLSetInitialData::initData();
    const Catalogue order = OLConfig::order_fileds;
    const Catalogue photo = OLConfig::order_photo_fileds;
    const Catalogue info = OLConfig::order_photo_info_fileds;
    const Catalogue sample = OLConfig::order_sample_info_fileds;

    OLSetInitialData::initData();
    QCOMPARE(OLConfig::order_fileds, order);
    QCOMPARE(OLConfig::order_photo_fileds, photo);
    QCOMPARE(OLConfig::order_photo_info_fileds, info);
    QCOMPARE(OLConfig::order_sample_info_fileds, sample);
    QCOMPARE(OLConfig::order_fileds.size(), 292);
    QCOMPARE(OLConfig::order_sample_info_fileds.size(), 27);
}

void tst_FieldCatalogue::initDataReplacesInsteadOfMerging()
{
    OLConfig::order_fileds.insert("stale", FieldInfo());
    OLConfig::order_fileds["id"].label = QStringLiteral("edited");
    OLConfig::order_photo_info_fileds.clear();

    OLSetInitialData::initData();
    QVERIFY(!OLConfig::order_fileds.contains("stale"));
    QCOMPARE(OLConfig::order_fileds.size(), 292);
    QCOMPARE(OLConfig::order_fileds.value("id").label, QStringLiteral("id"));
    QCOMPARE(OLConfig::order_photo_info_fileds.size(), 160);
}

void tst_FieldCatalogue::buildersReturnEqualMapsOnEveryCall()
{
    OLSetInitialData::initData();
    QCOMPARE(OLSetInitialData::return_order_fields(), OLConfig::order_fileds);
    QCOMPARE(OLSetInitialData::return_order_photo_fields(), OLSetInitialData::return_order_photo_fields());
    QCOMPARE(OLSetInitialData::return_order_photo_info_fields(), OLConfig::order_photo_info_fileds);
    QCOMPARE(OLSetInitialData::return_order_sample_fields(), OLConfig::order_sample_info_fileds);

    // A caller's copy is its own: editing it leaves the next build untouched.
    Catalogue built = OLSetInitialData::return_order_photo_fields();
    built["id"].flag = true;
    QCOMPARE(OLSetInitialData::return_order_photo_fields().value("id").flag, false);
}

void tst_FieldCatalogue::objectCarriesItsClassName()
{
    QObject owner;
    auto *data = new OLSetInitialData(&owner);
    QCOMPARE(data->parent(), &owner);
    QCOMPARE(QString::fromLatin1(data->metaObject()->className()), QStringLiteral("OLSetInitialData"));
    QVERIFY(data->inherits("OLSetInitialData"));

    OLConfig::order_sample_info_fileds.clear();
    data->initData();
    QCOMPARE(OLConfig::order_sample_info_fileds.size(), 27);
}

QTEST_GUILESS_MAIN(tst_FieldCatalogue)

#include "tst_FieldCatalogue.moc"

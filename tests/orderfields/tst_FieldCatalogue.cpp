#include "orderfields/FieldInfo.h"
#include "orderfields/OLConfig.h"
#include "orderfields/OLSetInitialData.h"

#include <QCryptographicHash>
#include <QtTest>

using Catalogue = QMap<QString, FieldInfo>;
Q_DECLARE_METATYPE(FieldInfo)

namespace {

Catalogue built(const QString &table)
{
    if (table == QLatin1String("order"))
        return OLSetInitialData::return_order_fields();
    if (table == QLatin1String("photo"))
        return OLSetInitialData::return_order_photo_fields();
    if (table == QLatin1String("photoInfo"))
        return OLSetInitialData::return_order_photo_info_fields();
    return OLSetInitialData::return_order_sample_fields();
}

const Catalogue &installed(const QString &table)
{
    if (table == QLatin1String("order"))
        return OLConfig::order_fileds;
    if (table == QLatin1String("photo"))
        return OLConfig::order_photo_fileds;
    if (table == QLatin1String("photoInfo"))
        return OLConfig::order_photo_info_fileds;
    return OLConfig::order_sample_info_fileds;
}

// One line per field in key order; any changed key, type, label, display key
// or flag changes the digest.
QByteArray digest(const Catalogue &fields)
{
    QStringList lines;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        const FieldInfo &f = it.value();
        lines << QStringList{it.key(), f.type, f.label, f.nameField, f.idField, QString::number(f.flag)}
                     .join(QLatin1Char('\t'));
    }
    return QCryptographicHash::hash(lines.join(QLatin1Char('\n')).toUtf8(), QCryptographicHash::Sha1)
        .toHex().left(16);
}

} // namespace

class tst_FieldCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void tables_data();
    void tables();
    void fields_data();
    void fields();
    void initDataReplacesInsteadOfMerging();
    void equalityComparesEveryMember();
};

void tst_FieldCatalogue::tables_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("digest");
    QTest::newRow("order") << "order" << 292 << QByteArray("34c752d9a22fbe6b");
    QTest::newRow("photo") << "photo" << 279 << QByteArray("76069be6840215e7");
    QTest::newRow("photoInfo") << "photoInfo" << 160 << QByteArray("b5986bbd8bef9e73");
    QTest::newRow("sample") << "sample" << 27 << QByteArray("8d52e1029e016133");
}

void tst_FieldCatalogue::tables()
{
    QFETCH(QString, table);
    QFETCH(int, size);
    QFETCH(QByteArray, digest);
    const Catalogue fields = built(table);
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        QVERIFY2(it.value().idField == it.key(), qPrintable(it.key()));
        QVERIFY2(!it.value().nameField.isEmpty() && !it.value().label.isEmpty(), qPrintable(it.key()));
        QVERIFY2(!it.value().flag2, qPrintable(it.key()));
    }
    QCOMPARE(fields.size(), size);
    QCOMPARE(::digest(fields), digest);

    OLSetInitialData::initData();
    QVERIFY(installed(table) == fields);
}

void tst_FieldCatalogue::fields_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("key");
    QTest::addColumn<FieldInfo>("field");
    auto row = [](const char *name, const char *table, const char *key, const char *type,
                  const QString &label, const char *nameField = nullptr, bool flag = true) {
        QTest::newRow(name) << table << key
                            << OLSetInitialData::returnFieldInfo(type, label,
                                                                 nameField ? nameField : key, key, flag);
    };
    row("order number", "order", "orderpayforkey", "text", QStringLiteral("订单号"));
    row("money is float", "order", "order_price", "float", QStringLiteral("订单现售价"));
    row("own display key", "photo", "sampleid", "int", QStringLiteral("选样锁定人"), "samplename");
    row("hidden field", "photo", "isdeal", "int", QStringLiteral("是否处理"), nullptr, false);
    row("label kept as written", "photo", "truing_isfinish", "int", QStringLiteral("任务是否完成 "));
    row("same key, other table", "photoInfo", "isfulfil", "int", QStringLiteral("订单是否完成"));
    row("sample remark", "sample", "xp_remark", "text", QStringLiteral("选片备注"));
}

void tst_FieldCatalogue::fields()
{
    QFETCH(QString, table);
    QFETCH(QString, key);
    QFETCH(FieldInfo, field);
    QVERIFY(built(table).value(key) == field);
}

void tst_FieldCatalogue::initDataReplacesInsteadOfMerging()
{
    OLSetInitialData::initData();
    OLConfig::order_fileds.insert(QStringLiteral("stale"), FieldInfo());
    OLConfig::order_fileds[QStringLiteral("id")].label = QStringLiteral("edited");
    OLConfig::order_photo_info_fileds.clear();

    OLSetInitialData::initData();
    QVERIFY(OLConfig::order_fileds == OLSetInitialData::return_order_fields());
    QCOMPARE(OLConfig::order_photo_info_fileds.size(), 160);
}

void tst_FieldCatalogue::equalityComparesEveryMember()
{
    const FieldInfo base = OLSetInitialData::returnFieldInfo("int", "a", "n", "i", true);
    QVERIFY(base == OLSetInitialData::returnFieldInfo("int", "a", "n", "i", true));
    FieldInfo other = base;
    other.flag2 = true;
    QVERIFY(base != other);
    other = base;
    other.flag = false;
    QVERIFY(base != other);
    other = base;
    other.nameField = QStringLiteral("m");
    QVERIFY(base != other);
}

QTEST_GUILESS_MAIN(tst_FieldCatalogue)

#include "tst_FieldCatalogue.moc"

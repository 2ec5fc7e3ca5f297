#include "app/core/FormBody.h"

#include <QtTest>

// Form bodies: every value encoded exactly once, decoded back unchanged.
class FormBodyTest : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void orderAndSeparators();
};

void FormBodyTest::roundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("ampersand") << "a&b=c";
    QTest::newRow("plus and percent") << "1+1=2 100%";
    QTest::newRow("already encoded stays literal") << "%26%2B";
    QTest::newRow("chinese") << "李雷 韩梅梅";
    QTest::newRow("unc path") << "\\\\nas01\\studio\\orders\\A&B+1%\\";
    QTest::newRow("empty") << "";
}

void FormBodyTest::roundTrip()
{
    QFETCH(QString, value);
    const QByteArray bytes = FormBody().add("key", value).add("next", "x").toBytes();
    for (const char c : {'+', ' '})
        QVERIFY(!bytes.mid(4, bytes.indexOf("&next") - 4).contains(c));
    const auto fields = FormBody::parse(bytes);
    QCOMPARE(fields.size(), 2);
    QCOMPARE(fields.at(0).first, QString("key"));
    QCOMPARE(fields.at(0).second, value);
    QCOMPARE(fields.at(1).second, QString("x"));
}

void FormBodyTest::orderAndSeparators()
{
    QCOMPARE(FormBody().toBytes(), QByteArray());
    QCOMPARE(FormBody().add("shopid", "1").add("eid", "2").add("superid", "3").toBytes(),
             QByteArray("shopid=1&eid=2&superid=3"));
    QCOMPARE(FormBody().add("k", "&").toBytes(), QByteArray("k=%26"));
    const auto parsed = FormBody::parse("a=1&b=2+3&c=%E6%9D%8E");
    QCOMPARE(parsed.at(1).second, QString("2 3"));
    QCOMPARE(parsed.at(2).second, QString("李"));
}

QTEST_GUILESS_MAIN(FormBodyTest)
#include "tst_formbody.moc"

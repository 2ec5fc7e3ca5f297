#include "split/ui/naming/NamingRuleFormat.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using NamingRuleFormat::Entry;
Q_DECLARE_METATYPE(NamingRuleFormat::Entry)

class TestNamingRuleFormat : public QObject
{
    Q_OBJECT

private slots:
    void handOutForms_data();
    void handOutForms();
    void readingStoredText_data();
    void readingStoredText();
    void readingElements();
    void roundTripDropsSeparatorOfLastElement();
};

void TestNamingRuleFormat::handOutForms_data()
{
    QTest::addColumn<QVector<Entry>>("entries");
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("list");

    QTest::newRow("empty") << QVector<Entry>() << QByteArray("[]") << QString("") << QStringList();
    QTest::newRow("one field, its separator left out")
        << QVector<Entry>{{"订单号", "orderpayforkey", "_"}}
        << QByteArray(R"([{"key":"orderpayforkey","name":"订单号"}])") << QString("{orderpayforkey}")
        << QStringList{"orderpayforkey"};
    QTest::newRow("three fields")
        << QVector<Entry>{{"客人姓名", "customername", "-"}, {"订单号", "orderpayforkey", "_"}, {"产品ID", "id", "#"}}
        << QByteArray(R"([{"key":"customername","name":"客人姓名","separator":"-"},)"
                      R"({"key":"orderpayforkey","name":"订单号","separator":"_"},{"key":"id","name":"产品ID"}])")
        << QString("{customername}-{orderpayforkey}_{id}")
        << QStringList{"customername", "-", "orderpayforkey", "_", "id"};
    QTest::newRow("empty separator in the middle")
        << QVector<Entry>{{"服务次", "servicetimes", ""}, {"数量", "goodnum", ""}}
        << QByteArray(R"([{"key":"servicetimes","name":"服务次","separator":""},{"key":"goodnum","name":"数量"}])")
        << QString("{servicetimes}{goodnum}") << QStringList{"servicetimes", "", "goodnum"};
    QTest::newRow("same field twice")
        << QVector<Entry>{{"产品ID", "id", " "}, {"产品ID", "id", "_"}}
        << QByteArray(R"([{"key":"id","name":"产品ID","separator":" "},{"key":"id","name":"产品ID"}])")
        << QString("{id} {id}") << QStringList{"id", " ", "id"};
}

void TestNamingRuleFormat::handOutForms()
{
    QFETCH(QVector<Entry>, entries);
    QFETCH(QByteArray, json);
    QFETCH(QString, text);
    QFETCH(QStringList, list);
    QCOMPARE(NamingRuleFormat::toJson(entries), QJsonDocument::fromJson(json).array());
    QCOMPARE(NamingRuleFormat::toText(entries), text);
    QCOMPARE(NamingRuleFormat::toList(entries), list);
}

void TestNamingRuleFormat::readingStoredText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("size");
    QTest::newRow("rule") << R"([{"name":"产品ID","key":"id"}])" << true << 1;
    QTest::newRow("empty array") << "[]" << true << 0;
    QTest::newRow("spaces and line breaks") << "[ {\"key\" : \"id\"} ,\n {\"key\":\"name\"} ]" << true << 2;
    QTest::newRow("empty text") << "" << false << 0;
    QTest::newRow("object") << R"({"name":"产品ID","key":"id"})" << false << 0;
    QTest::newRow("truncated") << R"([{"name":"产品ID","key":"id"})" << false << 0;
    QTest::newRow("plain text") << "{id}_{name}" << false << 0;
    QTest::newRow("number") << "42" << false << 0;
}

void TestNamingRuleFormat::readingStoredText()
{
    QFETCH(QString, stored);
    QFETCH(bool, ok);
    QFETCH(int, size);
    bool parsed = !ok;
    const QJsonArray rule = NamingRuleFormat::fromStoredText(stored, &parsed);
    QCOMPARE(parsed, ok);
    QCOMPARE(rule.size(), size);
}

void TestNamingRuleFormat::readingElements()
{
    const QJsonArray rule = QJsonDocument::fromJson(
        R"([{"name":"产品ID","key":"id"},"text",{"name":5,"key":null,"separator":["-"]},{"key":"isems","separator":"》"}])")
        .array();
    const QVector<Entry> entries = NamingRuleFormat::fromJson(rule);
    QCOMPARE(entries.size(), 4);
    QCOMPARE(entries.at(0).name, QStringLiteral("产品ID"));
    QCOMPARE(entries.at(0).separator, QString());
    for (int i : {1, 2}) {
        QVERIFY(entries.at(i).name.isEmpty());
        QVERIFY(entries.at(i).key.isEmpty());
        QVERIFY(entries.at(i).separator.isEmpty());
    }
    QCOMPARE(entries.at(3).key, QStringLiteral("isems"));
    QCOMPARE(entries.at(3).separator, QStringLiteral("》"));
}

void TestNamingRuleFormat::roundTripDropsSeparatorOfLastElement()
{
    const QJsonArray stored =
        NamingRuleFormat::fromStoredText(R"([{"name":"产品ID","key":"id","separator":"-"}])");
    QVector<Entry> entries = NamingRuleFormat::fromJson(stored);
    QCOMPARE(entries.last().separator, QStringLiteral("-"));
    QCOMPARE(NamingRuleFormat::toText(entries), QStringLiteral("{id}"));
    QVERIFY(!NamingRuleFormat::toJson(entries).at(0).toObject().contains("separator"));

    // Appended after it, the kept separator joins the two fields.
    entries.append({"数量", "goodnum", "_"});
    QCOMPARE(NamingRuleFormat::toText(entries), QStringLiteral("{id}-{goodnum}"));
    const QJsonArray saved = NamingRuleFormat::toJson(entries);
    QCOMPARE(saved.at(0).toObject().value("separator").toString(), QStringLiteral("-"));
    QVERIFY(!saved.at(1).toObject().contains("separator"));
}

QTEST_MAIN(TestNamingRuleFormat)
#include "tst_namingruleformat.moc"

#include "split/engine/GoodsFolderName.h"

#include <QJsonDocument>
#include <QtTest>

namespace {

QJsonArray rule(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).array();
}

QJsonObject object(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

} // namespace

class TestGoodsFolderName : public QObject
{
    Q_OBJECT

private slots:
    void buildsNameFromRule_data();
    void buildsNameFromRule();
    void everyKeySelectsItsValue_data();
    void everyKeySelectsItsValue();
    void slashesInValuesStayInsideOneFolder_data();
    void slashesInValuesStayInsideOneFolder();
    void nameNeverPointsAtOutputFolderOrParent_data();
    void nameNeverPointsAtOutputFolderOrParent();
};

void TestGoodsFolderName::buildsNameFromRule_data()
{
    QTest::addColumn<QJsonObject>("order");
    QTest::addColumn<QJsonObject>("goods");
    QTest::addColumn<QJsonObject>("product");
    QTest::addColumn<QJsonArray>("rule");
    QTest::addColumn<QString>("expected");

    const QJsonObject order = object(R"({"wname":"W1","mname":"M1","orderpayforkey":"A001",
        "servicetimes":"2","pickuptime":"T1","isurgenttime":"T2"})");
    const QJsonObject product = object(R"({"id":"88","goodname":"相册","goodtypename":"相册类","goodamount":"3"})");

    QTest::newRow("customer name then order number")
        << order << QJsonObject() << product
        << rule(R"([{"key":"customername","separator":"_"},{"key":"orderpayforkey"}])") << "W1 M1_A001";
    QTest::newRow("pickup time, not urgent")
        << order << object(R"({"isurgent":"0"})") << product
        << rule(R"([{"key":"pickuptime","separator":"-"},{"key":"id"}])") << "T1取-88";
    QTest::newRow("pickup time, urgent")
        << order << object(R"({"isurgent":"1"})") << product
        << rule(R"([{"key":"pickuptime","separator":"-"},{"key":"id"}])") << "T2急-88";
    QTest::newRow("unknown and empty keys add nothing, not even their separator")
        << order << QJsonObject() << product
        << rule(R"([{"key":"","separator":"#"},{"key":"ID","separator":"="},{"key":"id"}])") << "88";
    QTest::newRow("numeric id gives empty text but keeps the separator")
        << order << QJsonObject() << object(R"({"id":88,"goodname":"相册"})")
        << rule(R"([{"key":"id","separator":"_"},{"key":"name"}])") << "_相册";
    QTest::newRow("separator after the last entry is kept")
        << order << QJsonObject() << product << rule(R"([{"key":"name","separator":"#"}])") << "相册#";
    // Empty values never leave a blank at an edge or two side by side.
    const QJsonArray blanks = rule(R"([{"key":"isems","separator":" "},{"key":"customername","separator":" "},
        {"key":"servicetimes","separator":" "},{"key":"name","separator":" "}])");
    QTest::newRow("blank separators around empty values")
        << object(R"({"mname":"M1"})") << QJsonObject() << product << blanks << "M1 相册";
    QTest::newRow("blank separators, every value there")
        << order << object(R"({"isems":"E"})") << product << blanks << "E W1 M1 2 相册";
    QTest::newRow("blanks inside a value stay")
        << order << QJsonObject() << object(R"({"goodname":"8  寸"})")
        << rule(R"([{"key":"name","separator":"  "},{"key":"id","separator":"  "},{"key":"orderpayforkey"}])")
        << "8  寸  A001";
}

void TestGoodsFolderName::buildsNameFromRule()
{
    QFETCH(QJsonObject, order);
    QFETCH(QJsonObject, goods);
    QFETCH(QJsonObject, product);
    QFETCH(QJsonArray, rule);
    QFETCH(QString, expected);
    QCOMPARE(GoodsFolderName::build(order, goods, product, rule), expected);
}

void TestGoodsFolderName::everyKeySelectsItsValue_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("id") << "id" << "P7";
    QTest::newRow("name") << "name" << "GN";
    QTest::newRow("goodtype") << "goodtype" << "GT";
    QTest::newRow("goodnum") << "goodnum" << "5";
    QTest::newRow("customername") << "customername" << "WN MN";
    QTest::newRow("orderpayforkey") << "orderpayforkey" << "OK9";
    QTest::newRow("servicetimes") << "servicetimes" << "ST";
    QTest::newRow("isems") << "isems" << "EMS";
    QTest::newRow("pickuptime") << "pickuptime" << "PT取";
    QTest::newRow("case matters") << "Name" << "_";
}

void TestGoodsFolderName::everyKeySelectsItsValue()
{
    QFETCH(QString, key);
    QFETCH(QString, expected);
    // Values live on different objects so a key reading the wrong one shows up.
    const QJsonObject order = object(R"({"wname":"WN","mname":"MN","orderpayforkey":"OK9","servicetimes":"ST",
        "pickuptime":"PT","isurgenttime":"UT","id":"wrong","goodname":"wrong","isems":"wrong"})");
    const QJsonObject goods = object(R"({"isurgent":"0","isems":"EMS","id":"wrong","goodname":"wrong"})");
    const QJsonObject product = object(R"({"id":"P7","goodname":"GN","goodtypename":"GT","goodamount":"5",
        "isems":"wrong","wname":"wrong"})");
    QJsonObject entry;
    entry.insert(QStringLiteral("key"), key);
    QCOMPARE(GoodsFolderName::build(order, goods, product, QJsonArray({entry})), expected);
}

void TestGoodsFolderName::slashesInValuesStayInsideOneFolder_data()
{
    QTest::addColumn<QString>("goodname");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("expected");
    QTest::newRow("slash in value") << "8/10寸" << "-" << "8_10寸-A1";
    QTest::newRow("climbing value") << "../../etc" << "-" << ".._.._etc-A1";
    QTest::newRow("slash as stored separator") << "相册" << "/" << "相册_A1";
}

void TestGoodsFolderName::slashesInValuesStayInsideOneFolder()
{
    QFETCH(QString, goodname);
    QFETCH(QString, separator);
    QFETCH(QString, expected);
    QJsonObject product;
    product.insert(QStringLiteral("goodname"), goodname);
    QJsonObject first;
    first.insert(QStringLiteral("key"), QStringLiteral("name"));
    first.insert(QStringLiteral("separator"), separator);
    QJsonObject second;
    second.insert(QStringLiteral("key"), QStringLiteral("orderpayforkey"));
    const QString name = GoodsFolderName::build(object(R"({"orderpayforkey":"A1"})"), QJsonObject(), product,
                                                QJsonArray({first, second}));
    QCOMPARE(name, expected);
    QVERIFY(!name.contains(QLatin1Char('/')));
    QVERIFY(!name.contains(QLatin1Char('\\')));
}

void TestGoodsFolderName::nameNeverPointsAtOutputFolderOrParent_data()
{
    QTest::addColumn<QJsonArray>("rule");
    QTest::addColumn<QString>("goodname");
    QTest::addColumn<QString>("expected");
    QTest::newRow("only unknown keys") << rule(R"([{"key":"nope","separator":"-"}])") << "x" << "_";
    QTest::newRow("empty value, no separator") << rule(R"([{"key":"name"}])") << "" << "_";
    QTest::newRow("double dot value") << rule(R"([{"key":"name"}])") << ".." << "__";
    QTest::newRow("dots from value and separator") << rule(R"([{"key":"name","separator":"."}])") << "."
                                                   << "__";
}

void TestGoodsFolderName::nameNeverPointsAtOutputFolderOrParent()
{
    QFETCH(QJsonArray, rule);
    QFETCH(QString, goodname);
    QFETCH(QString, expected);
    QJsonObject product;
    product.insert(QStringLiteral("goodname"), goodname);
    const QString name = GoodsFolderName::build(QJsonObject(), QJsonObject(), product, rule);
    QCOMPARE(name, expected);
}

QTEST_GUILESS_MAIN(TestGoodsFolderName)
#include "tst_goodsfoldername.moc"

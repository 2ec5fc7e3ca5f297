#include "app/core/ServiceReply.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

// How a window reads a reply of the service: only the code "1" is accepted,
// and ids are taken only as text or as whole numbers a double holds exactly.
class ServiceReplyTest : public QObject
{
    Q_OBJECT

private slots:
    void problem_data();
    void problem();
    void idText_data();
    void idText();
};

void ServiceReplyTest::problem_data()
{
    QTest::addColumn<QJsonValue>("code"); // undefined: no "code" at all
    QTest::addColumn<QString>("problem");
    const QString refused = QStringLiteral("订单不存在");
    const QString badForm = QStringLiteral("服务器返回数据格式错误");
    QTest::newRow("\"1\"") << QJsonValue("1") << QString();
    QTest::newRow("\"0\"") << QJsonValue("0") << refused;
    QTest::newRow("\"2\"") << QJsonValue("2") << refused;
    QTest::newRow("\"-1\"") << QJsonValue("-1") << refused;
    QTest::newRow("empty") << QJsonValue("") << refused;
    QTest::newRow("\"01\"") << QJsonValue("01") << refused;
    QTest::newRow("\" 1\"") << QJsonValue(" 1") << refused;
    QTest::newRow("number 1") << QJsonValue(1) << badForm;
    QTest::newRow("true") << QJsonValue(true) << badForm;
    QTest::newRow("null") << QJsonValue(QJsonValue::Null) << badForm;
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << badForm;
}

void ServiceReplyTest::problem()
{
    QFETCH(QJsonValue, code);
    QFETCH(QString, problem);
    QJsonObject reply{{QStringLiteral("message"), QStringLiteral("订单不存在")}};
    if (!code.isUndefined())
        reply.insert(QStringLiteral("code"), code);
    QCOMPARE(ServiceReply::problem(true, QJsonDocument(reply), BaseReq::Failure::None, QStringLiteral("message")),
             problem);
}

// A value as a reply's JSON text gives it.
static QJsonValue fromText(const char *text)
{
    return QJsonDocument::fromJson(QByteArray("[") + text + "]").array().at(0);
}

void ServiceReplyTest::idText_data()
{
    QTest::addColumn<QJsonValue>("id");
    QTest::addColumn<QString>("text"); // empty: no id
    QTest::newRow("string") << QJsonValue("A-0012") << "A-0012";
    QTest::newRow("integer") << fromText("501") << "501";
    QTest::newRow("zero") << fromText("0") << "0";
    QTest::newRow("negative") << fromText("-7") << "-7";
    QTest::newRow("2^53") << fromText("9007199254740992") << "9007199254740992";
    QTest::newRow("2^53 + 1") << fromText("9007199254740993") << "9007199254740993";
    QTest::newRow("-(2^53 + 1)") << fromText("-9007199254740993") << "-9007199254740993";
    QTest::newRow("2^63 - 1") << fromText("9223372036854775807") << "9223372036854775807";
    QTest::newRow("2^63, read through a double") << fromText("9223372036854775808") << "";
    QTest::newRow("-2^64, read through a double") << fromText("-18446744073709551616") << "";
    QTest::newRow("fraction") << fromText("501.5") << "";
    QTest::newRow("null") << fromText("null") << "";
    QTest::newRow("object") << QJsonValue(QJsonObject{{"id", 501}}) << "";
    QTest::newRow("array") << QJsonValue(QJsonArray{501}) << "";
    QTest::newRow("true") << fromText("true") << "";
    QTest::newRow("false") << QJsonValue(false) << "";
    QTest::newRow("missing") << QJsonObject().value(QStringLiteral("id")) << "";
}

void ServiceReplyTest::idText()
{
    QFETCH(QJsonValue, id);
    QFETCH(QString, text);
    QCOMPARE(ServiceReply::idText(id), text);
}

QTEST_GUILESS_MAIN(ServiceReplyTest)
#include "tst_ServiceReply.moc"

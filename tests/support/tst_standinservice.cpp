#include "app/core/FormBody.h"
#include "support/StandInService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using Failure = StandInService::Failure;
Q_DECLARE_METATYPE(StandInService::Failure)

namespace {

struct Response {
    int status = 0;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    QByteArray header(const QByteArray &name) const
    {
        for (const auto &pair : headers) {
            if (pair.first.compare(name, Qt::CaseInsensitive) == 0)
                return pair.second;
        }
        return QByteArray();
    }
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

// A bare HTTP client, so the tests control exactly which bytes go out and
// when. It never blocks: the service runs on the same thread.
class RawClient
{
public:
    explicit RawClient(quint16 port)
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, [this]() { m_buffer += m_socket.readAll(); });
        m_socket.connectToHost(QHostAddress::LocalHost, port);
    }

    bool connected() { return QTest::qWaitFor([this]() { return m_socket.state() == QAbstractSocket::ConnectedState; }); }
    void send(const QByteArray &bytes)
    {
        if (!connected())
            QTest::qFail("no connection to the stand-in service", __FILE__, __LINE__);
        m_socket.write(bytes);
        m_socket.flush();
    }
    bool isOpen() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    QByteArray pending() const { return m_buffer; }

    // Waits for one complete response and takes it from the buffer.
    bool next(Response &response, int timeoutMs = 5000)
    {
        return QTest::qWaitFor([&]() { return take(response); }, timeoutMs);
    }

private:
    bool take(Response &response)
    {
        const int headerEnd = m_buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return false;
        Response parsed;
        const QList<QByteArray> lines = m_buffer.left(headerEnd).split('\n');
        parsed.status = lines.value(0).split(' ').value(1).toInt();
        for (int i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const int colon = line.indexOf(':');
            parsed.headers.append(qMakePair(line.left(colon), line.mid(colon + 1).trimmed()));
        }
        const int length = parsed.header("Content-Length").toInt();
        if (m_buffer.size() < headerEnd + 4 + length)
            return false;
        parsed.body = m_buffer.mid(headerEnd + 4, length);
        m_buffer.remove(0, headerEnd + 4 + length);
        response = parsed;
        return true;
    }

    QTcpSocket m_socket;
    QByteArray m_buffer;
};

QByteArray formPost(const QString &module, const QString &action, const QByteArray &body,
                    const QByteArray &extraHeaders = QByteArray())
{
    return "POST /index.php?g=BrenlowDPc&m=" + module.toUtf8() + "&a=" + action.toUtf8() + " HTTP/1.1\r\n"
           "Host: 127.0.0.1\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\n"
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

} // namespace

class StandInServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void init();

    // Routing and answers
    void recordsEveryRequest();
    void unknownActionAnswersUnknownInterface();
    void handlerSeesTheRequest();
    void failureModes_data();
    void failureModes();
    void silentActionAnswersNothing();
    void servesFiles();
    void servesLocalFilesAndActionBytes();

    // HTTP framing, as the program's network access uses it
    void keepAliveCarriesSeveralRequests();

    // Helpers
    void repliesFromJson();
    void resetForgetsEverything();

private:
    StandInService m_service;
};

void StandInServiceTest::init()
{
    if (m_service.port() == 0)
        QVERIFY(m_service.start());
    m_service.clearRequests();
}

void StandInServiceTest::recordsEveryRequest()
{
    QSignalSpy received(&m_service, &StandInService::requestReceived);
    m_service.setReply("order", "order_list", {{"code", "1"}, {"data", QJsonArray{1, 2}}});

    RawClient client(m_service.port());
    QVERIFY(client.connected());
    const QByteArray body = FormBody().add("keyword", "张 三&").add("empty", "").add("page", "1").toBytes();
    client.send(formPost("order", "order_list", body));
    Response response;
    QVERIFY(client.next(response));
    QCOMPARE(response.status, 200);
    QCOMPARE(response.json().value("code").toString(), QString("1"));
    QCOMPARE(response.json().value("data").toArray().size(), 2);

    QCOMPARE(received.count(), 1);
    const QList<StandInService::Request> seen = m_service.requests("order", "order_list");
    QCOMPARE(seen.size(), 1);
    const StandInService::Request &request = seen.first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.path, QString("/index.php"));
    QCOMPARE(request.query.queryItemValue("g"), QString("BrenlowDPc"));
    QCOMPARE(request.module(), QString("order"));
    QCOMPARE(request.action(), QString("order_list"));
    QCOMPARE(request.contentType, QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(request.body, body);
    QCOMPARE(request.fieldNames(), QStringList({"keyword", "empty", "page"}));
    QCOMPARE(request.field("keyword"), QString("张 三&"));
    QVERIFY(!request.field("empty").isNull());
    QVERIFY(request.field("absent").isNull());
    QVERIFY(m_service.requests("order", "other").isEmpty());
}

void StandInServiceTest::unknownActionAnswersUnknownInterface()
{
    RawClient client(m_service.port());
    client.send(formPost("nobody", "nothing", "a=1"));
    Response response;
    QVERIFY(client.next(response));
    QCOMPARE(response.status, 200);
    QCOMPARE(response.json(), QJsonObject({{"code", "0"}, {"message", "未知接口"}, {"msg", "未知接口"}}));
    QCOMPARE(m_service.requests().size(), 1);
}

void StandInServiceTest::handlerSeesTheRequest()
{
    m_service.setReply("order", "echo", {{"code", "0"}});
    m_service.setHandler("order", "echo", [](const StandInService::Request &request) {
        return QJsonObject{{"code", "1"}, {"got", request.field("name")}};
    });
    RawClient client(m_service.port());
    client.send(formPost("order", "echo", FormBody().add("name", "李四+1").toBytes()));
    Response response;
    QVERIFY(client.next(response));
    QCOMPARE(response.json().value("got").toString(), QString("李四+1"));

    // Without the handler the canned reply answers again.
    m_service.setHandler("order", "echo", nullptr);
    client.send(formPost("order", "echo", QByteArray()));
    QVERIFY(client.next(response));
    QCOMPARE(response.json(), QJsonObject({{"code", "0"}}));
}

void StandInServiceTest::failureModes_data()
{
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body"); // expected exactly, when not empty
    QTest::addColumn<QString>("check");

    QTest::newRow("code 0, message") << Failure::CodeZeroMessage << "订单不存在" << 200
                                     << QByteArray(R"({"code":"0","message":"订单不存在"})") << "";
    QTest::newRow("code 0, msg") << Failure::CodeZeroMsg << "账号已停用" << 200
                                 << QByteArray(R"({"code":"0","msg":"账号已停用"})") << "";
    QTest::newRow("numeric code") << Failure::NumericCode << QString() << 200 << QByteArray() << "numeric";
    QTest::newRow("http 500") << Failure::Http500 << QString() << 500 << QByteArray() << "";
    QTest::newRow("not json") << Failure::NotJson << QString() << 200 << QByteArray() << "not json";
    QTest::newRow("json array") << Failure::JsonArray << QString() << 200 << QByteArray() << "array";
    QTest::newRow("empty body") << Failure::EmptyBody << QString() << 200 << QByteArray() << "empty";
    QTest::newRow("cleared") << Failure::None << QString() << 200 << QByteArray(R"({"code":"1","data":"x"})")
                             << "";
}

void StandInServiceTest::failureModes()
{
    QFETCH(Failure, failure);
    QFETCH(QString, message);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, check);

    m_service.setReply("order", "fail", {{"code", "1"}, {"data", "x"}});
    m_service.setFailure("order", "fail", Failure::EmptyBody);
    m_service.setFailure("order", "fail", failure, message);

    RawClient client(m_service.port());
    client.send(formPost("order", "fail", "x=1"));
    Response response;
    QVERIFY(client.next(response));
    m_service.setFailure("order", "fail", Failure::None);

    QCOMPARE(response.status, status);
    if (!body.isEmpty())
        QCOMPARE(response.body, body);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(response.body, &error);
    if (check == "numeric") {
        QVERIFY(document.object().value("code").isDouble());
        QCOMPARE(document.object().value("code").toInt(), 1);
        QCOMPARE(document.object().value("data").toString(), QString("x"));
    } else if (check == "not json") {
        QVERIFY(!response.body.isEmpty());
        QVERIFY(error.error != QJsonParseError::NoError);
    } else if (check == "array") {
        QVERIFY(document.isArray());
    } else if (check == "empty") {
        QVERIFY(response.body.isEmpty());
        QCOMPARE(response.header("Content-Length"), QByteArray("0"));
    }
    QVERIFY(client.isOpen());
}

void StandInServiceTest::silentActionAnswersNothing()
{
    m_service.setFailure("order", "hang", Failure::NoAnswer);
    m_service.setReply("order", "ping", {{"code", "1"}});

    RawClient silent(m_service.port());
    silent.send(formPost("order", "hang", "x=1"));
    QVERIFY(m_service.waitForRequests(1));

    // Another connection is served meanwhile; by the time its answer is in,
    // the silent one would have had its answer too.
    RawClient other(m_service.port());
    other.send(formPost("order", "ping", QByteArray()));
    Response response;
    QVERIFY(other.next(response));
    QCOMPARE(response.json().value("code").toString(), QString("1"));
    QVERIFY(silent.pending().isEmpty());
    QVERIFY(silent.isOpen());
    m_service.setFailure("order", "hang", Failure::None);
}

void StandInServiceTest::servesFiles()
{
    const QByteArray bytes("\xFF\xD8\xFF\xE0 fake jpeg \x00\x01", 18);
    m_service.serveFile("/pics/a.jpg", bytes);
    m_service.serveFile("/pics/b.png", "png bytes", "image/png");
    QCOMPARE(m_service.fileUrl("/pics/a.jpg"), m_service.baseUrl() + "/pics/a.jpg");
    QCOMPARE(m_service.fileUrl("pics/a.jpg"), m_service.baseUrl() + "/pics/a.jpg");

    RawClient client(m_service.port());
    client.send("GET /pics/a.jpg?size=90 HTTP/1.1\r\nHost: x\r\n\r\nGET /pics/b.png HTTP/1.1\r\nHost: x\r\n\r\n");
    Response first;
    Response second;
    QVERIFY(client.next(first));
    QVERIFY(client.next(second));
    QCOMPARE(first.status, 200);
    QCOMPARE(first.body, bytes);
    QCOMPARE(first.header("Content-Type"), QByteArray("image/jpeg"));
    QCOMPARE(second.body, QByteArray("png bytes"));
    QCOMPARE(second.header("Content-Type"), QByteArray("image/png"));

    const QList<StandInService::Request> seen = m_service.requests();
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen.first().method, QByteArray("GET"));
    QCOMPARE(seen.first().path, QString("/pics/a.jpg"));
    QCOMPARE(seen.first().query.queryItemValue("size"), QString("90"));
}

// A file of this machine is read when asked for; an action may answer with bytes.
void StandInServiceTest::servesLocalFilesAndActionBytes()
{
    QTemporaryDir dir;
    QFile local(dir.filePath("c.jpg"));
    QVERIFY(local.open(QIODevice::WriteOnly) && local.write("first") == 5);
    local.close();
    m_service.serveLocalFile("/pics/c.jpg", local.fileName());
    m_service.setFileHandler("order", "barcode", [](const StandInService::Request &request, QByteArray *type) {
        *type = "image/gif";
        return request.query.queryItemValue("id").toUtf8();
    });
    RawClient client(m_service.port());
    Response response;
    client.send("GET /pics/c.jpg HTTP/1.1\r\n\r\nGET /index.php?m=order&a=barcode&id=42 HTTP/1.1\r\n\r\n"
                "GET /index.php?m=order&a=barcode HTTP/1.1\r\n\r\n");
    QVERIFY(client.next(response));
    QCOMPARE(response.body, QByteArray("first"));
    QVERIFY(client.next(response));
    QCOMPARE(response.body, QByteArray("42"));
    QCOMPARE(response.header("Content-Type"), QByteArray("image/gif"));
    QVERIFY(client.next(response));
    QCOMPARE(response.status, 404);
    QVERIFY(local.remove());
    client.send("GET /pics/c.jpg HTTP/1.1\r\n\r\n");
    QVERIFY(client.next(response));
    QCOMPARE(response.status, 404);
}

void StandInServiceTest::keepAliveCarriesSeveralRequests()
{
    m_service.setHandler("order", "count", [](const StandInService::Request &request) {
        return QJsonObject{{"code", "1"}, {"n", request.field("n")}};
    });
    RawClient client(m_service.port());
    QVERIFY(client.connected());
    const int before = m_service.openConnections();
    // Two requests in one write, then a third after the answers.
    client.send(formPost("order", "count", "n=1") + formPost("order", "count", "n=2"));
    Response response;
    QVERIFY(client.next(response));
    QCOMPARE(response.json().value("n").toString(), QString("1"));
    QCOMPARE(response.header("Connection").toLower(), QByteArray("keep-alive"));
    QVERIFY(client.next(response));
    QCOMPARE(response.json().value("n").toString(), QString("2"));
    client.send(formPost("order", "count", "n=3"));
    QVERIFY(client.next(response));
    QCOMPARE(response.json().value("n").toString(), QString("3"));
    QVERIFY(client.isOpen());
    QCOMPARE(m_service.openConnections(), before);
    m_service.setHandler("order", "count", nullptr);
}

void StandInServiceTest::repliesFromJson()
{
    const QJsonObject data = QJsonDocument::fromJson(R"({
        "order/order_list": {"code": "1", "data": []},
        "public/dologin": {"code": "1", "data": {"uid": "7"}},
        "no-slash": {"code": "1"},
        "order/not_an_object": [1]
    })").object();
    QCOMPARE(m_service.setReplies(data), 2);

    RawClient client(m_service.port());
    client.send(formPost("public", "dologin", QByteArray()));
    Response response;
    QVERIFY(client.next(response));
    QCOMPARE(response.json().value("data").toObject().value("uid").toString(), QString("7"));
}

void StandInServiceTest::resetForgetsEverything()
{
    m_service.setReply("order", "a", {{"code", "1"}});
    m_service.setFailure("order", "b", Failure::NoAnswer);
    m_service.serveFile("/x.jpg", "bytes");
    RawClient client(m_service.port());
    client.send(formPost("order", "a", QByteArray()));
    Response response;
    QVERIFY(client.next(response));

    m_service.reset();
    QVERIFY(m_service.requests().isEmpty());
    client.send(formPost("order", "a", QByteArray()) + formPost("order", "b", QByteArray())
                + "GET /x.jpg HTTP/1.1\r\n\r\n");
    QVERIFY(client.next(response));
    QCOMPARE(response.json().value("message").toString(), QString("未知接口"));
    QVERIFY(client.next(response)); // no longer silent
    QCOMPARE(response.json().value("message").toString(), QString("未知接口"));
    QVERIFY(client.next(response));
    QCOMPARE(response.status, 404);
}

QTEST_MAIN(StandInServiceTest)
#include "tst_standinservice.moc"

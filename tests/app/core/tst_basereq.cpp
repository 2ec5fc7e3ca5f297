#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "support/MessageCatcher.h"
#include "support/RawHttpServer.h"
#include "support/StandInService.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <QtTest>

#include <memory>
#include <stdexcept>

using Failure = StandInService::Failure;
Q_DECLARE_METATYPE(StandInService::Failure)

namespace {

struct FormResult {
    int calls = 0;
    bool ok = false;
    QJsonDocument document;
};

struct ImageResult {
    int calls = 0;
    bool ok = false;
    QByteArray bytes;
    QString mimeType;
};

std::shared_ptr<FormResult> startForm(BaseReq *req, const QString &path, const QByteArray &body)
{
    auto result = std::make_shared<FormResult>();
    req->getResultData(path, body, [result](bool ok, const QJsonDocument &document) {
        ++result->calls;
        result->ok = ok;
        result->document = document;
    });
    return result;
}

std::shared_ptr<ImageResult> startDownload(BaseReq *req, const QString &url)
{
    auto result = std::make_shared<ImageResult>();
    req->downloadImage(url, [result](bool ok, const QByteArray &bytes, const QString &mimeType) {
        ++result->calls;
        result->ok = ok;
        result->bytes = bytes;
        result->mimeType = mimeType;
    });
    return result;
}

QByteArray encodedImage(const char *format, const QColor &color = Qt::red)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A 1 x 1 GIF89a picture.
const QByteArray kTinyGif = QByteArray::fromHex(
    "47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002024401003b");

// What a server of the test's own plays for one row.
enum class Play { Answer, Trickle, Quiet, ClosedPort, Late };

QByteArray chunked(const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
           + QByteArray::number(body.size(), 16) + "\r\n" + body + "\r\n0\r\n\r\n";
}

QByteArray json(const QByteArray &text)
{
    return RawHttpServer::response(200, "application/json", text);
}

// Shorter limits for the rows that wait for them, restored afterwards. A
// trickle keeps the idle time-out away for good, so only the deadline can end
// it. Rows with an answer keep the usual limits: a loaded machine may take
// longer than a second to answer.
struct ScopedLimits {
    BaseReq::Limits saved = BaseReq::limits();
    explicit ScopedLimits(Play how)
    {
        if (how != Play::Trickle && how != Play::Quiet && how != Play::Late)
            return;
        const bool slow = how == Play::Trickle || how == Play::Late;
        const int idle = slow ? 600000 : 1000;
        const int deadline = slow ? 1500 : 600000;
        BaseReq::setLimits({idle, deadline, idle, deadline});
    }
    ~ScopedLimits() { BaseReq::setLimits(saved); }
};

const QStringList kAppendedNames = {"token", "version", "architecture", "uid", "device"};

} // namespace

Q_DECLARE_METATYPE(Play)
Q_DECLARE_METATYPE(BaseReq::Failure)

class BaseReqTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    // Request composition
    void routeGroup_data();
    void routeGroup();
    void appendedParameters_data();
    void appendedParameters();
    void valuesArriveAsGiven_data();
    void valuesArriveAsGiven();

    // Replies and failures
    void failuresAreTold_data();
    void failuresAreTold();
    void abortReachesCallbackAsFailure();
    void destroyedWhileRunningNeverCallsBack();
    void secondRequestKeepsItsOwnCallback();

    // Images
    void concurrentDownloadsReachTheirOwnCallbacks();
    void downloads_data();
    void downloads();
    void throwingImageCallbackIsContained();
    void dataUrl();
    void detectImageMimeType_data();
    void detectImageMimeType();

    // Log
    void maskedForLog_data();
    void maskedForLog();
    void logLinesHideSecrets();

private:
    QString play(Play how, const QByteArray &raw);

    StandInService m_service;
    RawHttpServer m_raw;
    QString m_savedHost;
    QString m_savedUid;
};

void BaseReqTest::initTestCase()
{
    QVERIFY(m_service.start());
    QVERIFY(m_raw.start());
    m_savedHost = Config::URL_HOST;
    m_savedUid = Config::k_uid;
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
}

void BaseReqTest::init()
{
    m_service.clearRequests();
    Config::k_uid.clear();
}

void BaseReqTest::cleanupTestCase()
{
    Config::k_uid = m_savedUid;
    Config::setUrlHost(m_savedHost);
}

// Sets the raw server up for one row and returns the base URL to use.
QString BaseReqTest::play(Play how, const QByteArray &raw)
{
    switch (how) {
    case Play::Answer:
        m_raw.answer(raw);
        break;
    case Play::Trickle:
        m_raw.trickle(raw, 100);
        break;
    case Play::Quiet:
        m_raw.stayQuiet();
        break;
    case Play::ClosedPort:
        return RawHttpServer::closedPortUrl();
    case Play::Late:
        // The stand-in takes three seconds to answer.
        m_service.setReply("public", "dologin", {{"code", "1"}});
        m_service.setDelay("public", "dologin", 3000);
        return m_service.baseUrl();
    }
    return m_raw.baseUrl();
}

void BaseReqTest::routeGroup_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("module");
    QTest::addColumn<QString>("action");

    QTest::newRow("order list") << "&m=order&a=order_list" << "BrenlowDPc" << "order" << "order_list";
    QTest::newRow("version check") << "&m=Version&a=check_update" << "publicapi" << "Version" << "check_update";
    QTest::newRow("version check, other case") << "&m=version&a=check_update" << "BrenlowDPc" << "version"
                                               << "check_update";
    QTest::newRow("version, other action") << "&m=Version&a=check" << "BrenlowDPc" << "Version" << "check";
}

void BaseReqTest::routeGroup()
{
    QFETCH(QString, path);
    QFETCH(QString, group);
    QFETCH(QString, module);
    QFETCH(QString, action);

    m_service.setReply(module, action, {{"code", "1"}});
    BaseReq req;
    auto result = startForm(&req, path, FormBody().add("shopid", "7").toBytes());
    QTRY_COMPARE(result->calls, 1);
    QVERIFY(result->ok);

    const QList<StandInService::Request> seen = m_service.requests();
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().method, QByteArray("POST"));
    QCOMPARE(seen.first().path, QString("/index.php"));
    QCOMPARE(seen.first().query.queryItemValue("g"), group);
    QCOMPARE(seen.first().module(), module);
    QCOMPARE(seen.first().action(), action);
    QCOMPARE(BaseReq::requestUrl(path), m_service.baseUrl() + "/index.php?g=" + group + path);
}

void BaseReqTest::appendedParameters_data()
{
    QTest::addColumn<QString>("uid");
    QTest::addColumn<QByteArray>("callerBody");
    QTest::newRow("before login, empty body") << QString() << QByteArray();
    QTest::newRow("logged in") << "10086"
                               << FormBody().add("shopid", "12").add("eid", "34").add("personid", "34").toBytes();
}

void BaseReqTest::appendedParameters()
{
    QFETCH(QString, uid);
    QFETCH(QByteArray, callerBody);
    Config::k_uid = uid;

    m_service.setReply("order", "get_persons", {{"code", "1"}});
    BaseReq req;
    auto result = startForm(&req, "&m=order&a=get_persons", callerBody);
    QTRY_COMPARE(result->calls, 1);

    const StandInService::Request seen = m_service.requests().value(0);
    const QStringList callerNames = callerBody.isEmpty() ? QStringList() : QStringList{"shopid", "eid", "personid"};
    QCOMPARE(seen.fieldNames(), callerNames + kAppendedNames);
    QCOMPARE(seen.field("token"), Config::URL_TOKEN);
    QCOMPARE(seen.field("version"), QString("1.4.2"));
    QCOMPARE(seen.field("architecture"), QString("64"));
    QCOMPARE(seen.field("uid"), uid.isNull() ? QString("") : uid);
    QCOMPARE(seen.field("device"), QString("mac"));
    QVERIFY(seen.body.startsWith(callerBody + "&token="));
    QVERIFY(seen.body.endsWith("&uid=" + uid.toUtf8() + "&device=mac"));
    QCOMPARE(seen.contentType, QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(seen.header("content-length").toInt(), seen.body.size());
}

void BaseReqTest::valuesArriveAsGiven_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("ampersand") << "A&B";
    QTest::newRow("plus") << "1+1";
    QTest::newRow("percent escape lookalike") << "%41%2=";
    QTest::newRow("chinese and space") << "王小明 精修";
    QTest::newRow("share path") << "\\\\nas01\\照片\\2026\\A&B+C%";
}

void BaseReqTest::valuesArriveAsGiven()
{
    QFETCH(QString, value);
    m_service.setReply("order", "savepicpath", {{"code", "1"}});
    BaseReq req;
    auto result = startForm(&req, "&m=order&a=savepicpath",
                            FormBody().add("path", value).add("after", "x").toBytes());
    QTRY_COMPARE(result->calls, 1);

    const StandInService::Request seen = m_service.requests().value(0);
    QCOMPARE(seen.field("path"), value);
    // Nothing the value holds may split or merge fields.
    QCOMPARE(seen.fieldNames(), QStringList({"path", "after"}) + kAppendedNames);
    QCOMPARE(seen.field("after"), QString("x"));
}

void BaseReqTest::failuresAreTold_data()
{
    QTest::addColumn<Play>("how");
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<BaseReq::Failure>("failure");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("body");

    const QString unreachable = "无法连接服务器，请检查网络或服务地址";
    const QString badReply = "服务器返回异常，请稍后再试";
    const QString timedOut = "请求超时，请稍后再试";
    QTest::newRow("closed port") << Play::ClosedPort << QByteArray() << BaseReq::Failure::Unreachable << unreachable << QByteArray();
    QTest::newRow("closed without a word") << Play::Answer << QByteArray() << BaseReq::Failure::Unreachable
                                           << unreachable << QByteArray();
    QTest::newRow("http 500") << Play::Answer << RawHttpServer::response(500, "text/html", "<h1>500</h1>")
                              << BaseReq::Failure::BadReply << badReply << QByteArray();
    QTest::newRow("not json") << Play::Answer << RawHttpServer::response(200, "text/html", "<html>维护中</html>")
                              << BaseReq::Failure::BadReply << badReply << QByteArray();
    QTest::newRow("json array") << Play::Answer << json("[{\"code\":\"1\"}]") << BaseReq::Failure::BadReply
                                << badReply << QByteArray();
    QTest::newRow("silence") << Play::Quiet << QByteArray() << BaseReq::Failure::TimedOut << timedOut << QByteArray();
    // Its idle time grows by the body's MiB, not by its KiB.
    QTest::newRow("silence after a large report") << Play::Quiet << QByteArray() << BaseReq::Failure::TimedOut
                                                  << timedOut << QByteArray(256 * 1024, 'x');
    // Each byte keeps the idle time-out away; only the deadline ends it.
    QTest::newRow("a byte every 100 ms") << Play::Trickle << json(QByteArray(400, ' ') + "{\"code\":\"1\"}")
                                         << BaseReq::Failure::TimedOut << timedOut << QByteArray();
    QTest::newRow("empty body") << Play::Answer << json("") << BaseReq::Failure::BadReply << badReply << QByteArray();
    // The client judges the shape only; the envelope is the caller's business.
    QTest::newRow("object") << Play::Answer << json("{\"code\":\"1\"}") << BaseReq::Failure::None << QString() << QByteArray();
    QTest::newRow("numeric code 0") << Play::Answer << json("{\"code\":0}") << BaseReq::Failure::None << QString() << QByteArray();
    // The deadline grows with the body: a large report may take the service long to read.
    const QByteArray large = "names=" + QByteArray(2 << 20, 'x');
    QTest::newRow("late answer, large body") << Play::Late << QByteArray() << BaseReq::Failure::None << QString()
                                             << large;
    QTest::newRow("late answer, small body") << Play::Late << QByteArray() << BaseReq::Failure::TimedOut
                                             << timedOut << QByteArray("names=x");
}

void BaseReqTest::failuresAreTold()
{
    QFETCH(Play, how);
    QFETCH(QByteArray, raw);
    QFETCH(BaseReq::Failure, failure);
    QFETCH(QString, message);
    QFETCH(QByteArray, body);

    ScopedLimits limits(how);
    QVERIFY(Config::setUrlHost(play(how, raw)));
    BaseReq req;
    auto result = startForm(&req, "&m=public&a=dologin", body);
    QTRY_COMPARE_WITH_TIMEOUT(result->calls, 1, 30000);
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
    m_service.setDelay("public", "dologin", 0);

    QCOMPARE(result->ok, failure == BaseReq::Failure::None);
    QCOMPARE(result->document.isObject(), result->ok);
    QCOMPARE(result->document.isArray(), raw.endsWith("]"));
    QCOMPARE(req.lastFailure(), failure);
    QCOMPARE(BaseReq::failureMessage(failure), message);
}

void BaseReqTest::abortReachesCallbackAsFailure()
{
    m_service.setFailure("order", "order_list", Failure::NoAnswer);
    BaseReq req;
    auto result = startForm(&req, "&m=order&a=order_list", QByteArray());
    QVERIFY(m_service.waitForRequests(1));
    // An abort is not reported as a time-out.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^请求失败: (?!.*请求超时)"));
    req.abort();
    QTRY_COMPARE(result->calls, 1);
    m_service.setFailure("order", "order_list", Failure::None);
    QVERIFY(!result->ok);
    QVERIFY(result->document.isNull());
    QCOMPARE(req.lastFailure(), BaseReq::Failure::Aborted);

    req.abort(); // nothing left running: no second call
    QCOMPARE(result->calls, 1);
}

void BaseReqTest::destroyedWhileRunningNeverCallsBack()
{
    m_service.setFailure("order", "order_list", Failure::NoAnswer);
    m_service.setFileFailure("/slow.jpg", Failure::NoAnswer);
    m_service.serveFile("/slow.jpg", encodedImage("JPEG"));
    m_service.setReply("order", "get_persons", {{"code", "1"}});

    QPointer<BaseReq> req = new BaseReq;
    auto form = startForm(req, "&m=order&a=order_list", QByteArray());
    auto image = startDownload(req, m_service.fileUrl("/slow.jpg"));
    QVERIFY(m_service.waitForRequests(2));
    delete req;

    // Once a later request has made its full round, anything the dead one
    // could have posted has been delivered.
    BaseReq later;
    auto laterResult = startForm(&later, "&m=order&a=get_persons", QByteArray());
    QTRY_COMPARE(laterResult->calls, 1);
    QCoreApplication::sendPostedEvents();
    m_service.setFailure("order", "order_list", Failure::None);
    m_service.setFileFailure("/slow.jpg", Failure::None);

    QCOMPARE(form->calls, 0);
    QCOMPARE(image->calls, 0);
}

void BaseReqTest::secondRequestKeepsItsOwnCallback()
{
    m_service.setReply("order", "order_list", {{"code", "1"}, {"which", "first"}});
    m_service.setDelay("order", "order_list", 400);
    m_service.setReply("order", "get_persons", {{"code", "1"}, {"which", "second"}});

    BaseReq req;
    auto first = startForm(&req, "&m=order&a=order_list", QByteArray());
    auto second = startForm(&req, "&m=order&a=get_persons", QByteArray());
    QTRY_COMPARE(first->calls, 1);
    QTRY_COMPARE(second->calls, 1);
    m_service.setDelay("order", "order_list", 0);

    QCOMPARE(first->document.object().value("which").toString(), QString("first"));
    QCOMPARE(second->document.object().value("which").toString(), QString("second"));
}

void BaseReqTest::concurrentDownloadsReachTheirOwnCallbacks()
{
    const QByteArray png = encodedImage("PNG", Qt::blue);
    const QByteArray jpeg = encodedImage("JPEG", Qt::green);
    m_service.serveFile("/slow.png", png, "image/png");
    m_service.setFileDelay("/slow.png", 400);
    m_service.serveFile("/uploads/张三 精修/01 (1).jpg", jpeg);

    BaseReq req;
    auto slow = startDownload(&req, m_service.fileUrl("/slow.png"));
    auto fast = startDownload(&req, m_service.fileUrl("/uploads/张三 精修/01 (1).jpg"));
    QTRY_COMPARE(fast->calls, 1);
    QTRY_COMPARE(slow->calls, 1);
    m_service.setFileDelay("/slow.png", 0);

    QVERIFY(fast->ok);
    QCOMPARE(fast->bytes, jpeg);
    QCOMPARE(fast->mimeType, QString("image/jpeg"));
    QVERIFY(slow->ok);
    QCOMPARE(slow->bytes, png);
    QCOMPARE(slow->mimeType, QString("image/png"));
}

void BaseReqTest::downloads_data()
{
    QTest::addColumn<Play>("how");
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<BaseReq::Failure>("failure");

    const QByteArray jpeg = encodedImage("JPEG");
    const QByteArray png = encodedImage("PNG");
    QByteArray cutOff = RawHttpServer::response(200, "image/jpeg", jpeg);
    cutOff.chop(jpeg.size() / 2);
    QTest::newRow("whole picture") << Play::Answer << RawHttpServer::response(200, "image/png", png)
                                   << BaseReq::Failure::None;
    QTest::newRow("chunked picture") << Play::Answer << chunked(png) << BaseReq::Failure::None;
    QTest::newRow("shorter than its length") << Play::Answer << cutOff << BaseReq::Failure::BadReply;
    QTest::newRow("ends without a length") << Play::Answer << RawHttpServer::response(200, "image/jpeg", jpeg, false)
                                           << BaseReq::Failure::BadReply;
    QTest::newRow("html page, status 200")
        << Play::Answer << RawHttpServer::response(200, "text/html", "<!DOCTYPE html><html>登录</html>")
        << BaseReq::Failure::BadReply;
    QTest::newRow("empty") << Play::Answer << RawHttpServer::response(200, "image/jpeg", QByteArray())
                           << BaseReq::Failure::BadReply;
    QTest::newRow("http 404") << Play::Answer << RawHttpServer::response(404, "text/html", "no")
                              << BaseReq::Failure::BadReply;
    QTest::newRow("closed port") << Play::ClosedPort << QByteArray() << BaseReq::Failure::Unreachable;
    QTest::newRow("silence") << Play::Quiet << QByteArray() << BaseReq::Failure::TimedOut;
    QTest::newRow("a byte every 100 ms") << Play::Trickle << RawHttpServer::response(200, "image/jpeg", jpeg)
                                         << BaseReq::Failure::TimedOut;
}

void BaseReqTest::downloads()
{
    QFETCH(Play, how);
    QFETCH(QByteArray, raw);
    QFETCH(BaseReq::Failure, failure);

    ScopedLimits limits(how);
    const QString url = play(how, raw) + "/shot.jpg?id=3&token=" + Config::URL_TOKEN;
    BaseReq req;
    auto result = startDownload(&req, url);
    QTRY_COMPARE_WITH_TIMEOUT(result->calls, 1, 20000);

    QCOMPARE(req.lastFailure(), failure);
    QCOMPARE(result->ok, failure == BaseReq::Failure::None);
    QCOMPARE(result->mimeType.isEmpty(), !result->ok);
    // Only a whole body that is no picture goes along (a caller may fetch a text so).
    QCOMPARE(result->bytes.isEmpty(), !result->ok && !raw.contains("<html>"));
}

void BaseReqTest::throwingImageCallbackIsContained()
{
    m_service.serveFile("/a.jpg", encodedImage("JPEG"));
    BaseReq req;
    int calls = 0;
    QTest::ignoreMessage(QtWarningMsg, "回调函数执行异常: disk full");
    req.downloadImage(m_service.fileUrl("/a.jpg"), [&](bool, const QByteArray &, const QString &) {
        ++calls;
        throw std::runtime_error("disk full");
    });
    QTRY_COMPARE(calls, 1);

    // The object is still usable afterwards.
    auto next = startDownload(&req, m_service.fileUrl("/a.jpg"));
    QTRY_COMPARE(next->calls, 1);
    QVERIFY(next->ok);
}

void BaseReqTest::dataUrl()
{
    const QByteArray png = encodedImage("PNG");
    m_service.serveFile("/shot.png", png, "image/png");

    BaseReq req;
    QStringList urls;
    const auto collect = [&](bool success, const QString &text) { urls << (success ? text : "failed:" + text); };
    req.downloadImageAsDataUrl(m_service.fileUrl("/shot.png"), collect);
    QTRY_COMPARE(urls.size(), 1);
    req.downloadImageAsDataUrl(m_service.fileUrl("/nothing-here.png"), collect);
    QTRY_COMPARE(urls.size(), 2);

    QVERIFY(urls.at(0).startsWith("data:image/png;base64,"));
    QCOMPARE(QByteArray::fromBase64(urls.at(0).mid(urls.at(0).indexOf(',') + 1).toLatin1()), png);
    QCOMPARE(urls.at(1), QString("failed:"));
}

void BaseReqTest::detectImageMimeType_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("mimeType");

    QTest::newRow("png picture") << encodedImage("PNG") << "image/png";
    QTest::newRow("jpeg picture") << encodedImage("JPEG") << "image/jpeg";
    QTest::newRow("bmp picture") << encodedImage("BMP") << "image/bmp";
    QTest::newRow("gif picture") << kTinyGif << "image/gif";
    QTest::newRow("webp header") << QByteArray("RIFF\x24\x00\x00\x00WEBPVP8 ", 16) << "image/webp";
    QTest::newRow("BM and nonsense") << QByteArray("BM-not-really-a-bitmap") << "image/bmp";
    QTest::newRow("jpeg magic, cut off") << QByteArray("\xFF\xD8\xFF\x00", 4) << "image/jpeg";
    QTest::newRow("riff without webp") << QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16) << "image/jpeg";
    QTest::newRow("unknown text") << QByteArray("hello, world") << "image/jpeg";
}

void BaseReqTest::detectImageMimeType()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, mimeType);
    QCOMPARE(BaseReq::detectImageMimeType(bytes), mimeType);
    QVERIFY(BaseReq::detectImageMimeType(QByteArray()).isNull());
}

void BaseReqTest::maskedForLog_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("logged");

    QTest::newRow("password") << "username=lily&password=s%26cret" << "username=lily&password=***";
    QTest::newRow("pwd variants") << "oldPwd=a&newPassword=b&user_passwd=c&name=d"
                                  << "oldPwd=***&newPassword=***&user_passwd=***&name=d";
    QTest::newRow("token") << "&token=abc&version=1.4.2" << "&token=***&version=1.4.2";
    QTest::newRow("encoded key") << "pass%77ord=x" << "pass%77ord=***";
    QTest::newRow("nothing secret") << "shopid=1&eid=2" << "shopid=1&eid=2";
    QTest::newRow("url query") << "https://h.example/index.php?g=x&m=order&a=getbarcodegen&id=7&token=abc#top"
                               << "https://h.example/index.php?g=x&m=order&a=getbarcodegen&id=7&token=***#top";
    QTest::newRow("url path holding =") << "https://h.example/a=b/p.jpg?token=abc&pwd=1"
                                        << "https://h.example/a=b/p.jpg?token=***&pwd=***";
    QTest::newRow("url inside a message") << "Error transferring http://h/p.jpg?id=1&token=abc - server replied"
                                          << "Error transferring http://h/p.jpg?id=1&token=*** - server replied";
    QTest::newRow("empty") << QString() << QString();
}

void BaseReqTest::maskedForLog()
{
    QFETCH(QString, text);
    QFETCH(QString, logged);
    QCOMPARE(BaseReq::maskedForLog(text), logged);
    QCOMPARE(BaseReq::maskedForLog(text.toUtf8()), logged.toUtf8());
}

void BaseReqTest::logLinesHideSecrets()
{
    const QString password = "Sec7et&Pass 密";
    m_service.setReply("public", "dologin", {{"code", "1"}});
    m_service.serveFile("/p.jpg", "<html>not a picture</html>", "text/html");

    MessageCatcher log("studio.net.debug=true");
    BaseReq req;
    auto result = startForm(&req, "&m=public&a=dologin",
                            FormBody().add("username", "lily").add("password", password).toBytes());
    QTRY_COMPARE(result->calls, 1);
    req.get(BaseReq::requestUrl("&m=order&a=detail&token=" + Config::URL_TOKEN));
    QTRY_COMPARE(result->calls, 2);
    for (const QString &file : {"/p.jpg", "/missing.jpg"}) {
        auto image = startDownload(&req, m_service.fileUrl(file) + "?token=" + Config::URL_TOKEN + "&password=x");
        QTRY_COMPARE(image->calls, 1);
    }

    const QString text = log.text();
    QVERIFY2(text.contains("url: " + m_service.baseUrl()), qPrintable(text));
    QVERIFY2(text.contains("paras: username=lily&password=***&token=***"), qPrintable(text));
    QVERIFY2(text.contains("/p.jpg?token=***&password=***"), qPrintable(text));
    QVERIFY2(text.contains("/missing.jpg?token=***&password=***"), qPrintable(text));
    QVERIFY(!text.contains("Sec7et"));
    QVERIFY(!text.contains(Config::URL_TOKEN));
    // Masking is for the log only: the service gets the real values.
    QCOMPARE(m_service.requests().value(0).field("password"), password);
    QCOMPARE(m_service.requests().value(0).field("token"), Config::URL_TOKEN);
}

QTEST_MAIN(BaseReqTest)
#include "tst_basereq.moc"

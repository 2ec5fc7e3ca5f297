#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "support/StandInService.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
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

QStringList g_netMessages;
QtMessageHandler g_previousHandler = nullptr;

void captureNetMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && qstrcmp(context.category, "studio.net") == 0)
        g_netMessages.append(message);
    else if (g_previousHandler)
        g_previousHandler(type, context, message);
}

const QStringList kAppendedNames = {"token", "version", "architecture", "uid", "device"};

} // namespace

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
    void emptyCallerBody();
    void valuesArriveAsGiven_data();
    void valuesArriveAsGiven();
    void formHeaders();

    // Reply classification
    void replyClassification_data();
    void replyClassification();
    void silentServiceTimesOut();
    void abortReachesCallbackAsFailure();
    void destroyedWhileRunningNeverCallsBack();
    void secondRequestKeepsItsOwnCallback();
    void getReachesTheStoredCallback();

    // Images
    void concurrentDownloadsReachTheirOwnCallbacks();
    void downloadsPathWithChineseAndSpaces();
    void downloadFailures_data();
    void downloadFailures();
    void silentDownloadTimesOut();
    void throwingImageCallbackIsContained();
    void replyWithoutCallbackIsOnlyLogged();
    void dataUrl();
    void dataUrlFailure();
    void detectImageMimeType_data();
    void detectImageMimeType();

    // Log
    void maskedForLog_data();
    void maskedForLog();
    void logLinesHideSecrets();

private:
    StandInService m_service;
    QString m_savedHost;
    QString m_savedUid;
};

void BaseReqTest::initTestCase()
{
    QVERIFY(m_service.start());
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

void BaseReqTest::routeGroup_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("module");
    QTest::addColumn<QString>("action");

    QTest::newRow("order list") << "&m=order&a=order_list" << "BrenlowDPc" << "order" << "order_list";
    QTest::newRow("login") << "&m=public&a=dologin" << "BrenlowDPc" << "public" << "dologin";
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
    QTest::newRow("before login") << QString();
    QTest::newRow("logged in") << "10086";
}

void BaseReqTest::appendedParameters()
{
    QFETCH(QString, uid);
    Config::k_uid = uid;

    m_service.setReply("order", "get_persons", {{"code", "1"}});
    BaseReq req;
    const QByteArray callerBody = FormBody()
                                      .add("shopid", "12")
                                      .add("eid", "34")
                                      .add("superid", "56")
                                      .add("personid", "34")
                                      .toBytes();
    auto result = startForm(&req, "&m=order&a=get_persons", callerBody);
    QTRY_COMPARE(result->calls, 1);

    const StandInService::Request seen = m_service.requests().value(0);
    QCOMPARE(seen.fieldNames(),
             QStringList({"shopid", "eid", "superid", "personid"}) + kAppendedNames);
    QCOMPARE(seen.field("shopid"), QString("12"));
    QCOMPARE(seen.field("personid"), QString("34"));
    QCOMPARE(seen.field("token"), Config::URL_TOKEN);
    QCOMPARE(seen.field("version"), QString("1.4.2"));
    QCOMPARE(seen.field("architecture"), QString("64"));
    QCOMPARE(seen.field("uid"), uid.isNull() ? QString("") : uid);
    QVERIFY(!seen.field("uid").isNull());
    QCOMPARE(seen.field("device"), QString("mac"));
    QVERIFY(seen.body.startsWith(callerBody + "&token="));
    QVERIFY(seen.body.endsWith("&uid=" + uid.toUtf8() + "&device=mac"));
}

void BaseReqTest::emptyCallerBody()
{
    m_service.setReply("public", "switch_shop", {{"code", "1"}});
    BaseReq req;
    auto result = startForm(&req, "&m=public&a=switch_shop", QByteArray());
    QTRY_COMPARE(result->calls, 1);

    const StandInService::Request seen = m_service.requests().value(0);
    QVERIFY2(seen.body.startsWith("&token="), seen.body.constData());
    QCOMPARE(seen.fieldNames(), kAppendedNames);
    QCOMPARE(seen.field("uid"), QString(""));
}

void BaseReqTest::valuesArriveAsGiven_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("ampersand") << "A&B";
    QTest::newRow("plus") << "1+1";
    QTest::newRow("percent") << "100%";
    QTest::newRow("percent escape lookalike") << "%41%2";
    QTest::newRow("equals") << "k=v";
    QTest::newRow("space") << "two words";
    QTest::newRow("chinese") << "王小明 精修 二〇二六";
    QTest::newRow("share path") << "\\\\nas01\\照片\\2026\\A&B+C%";
    QTest::newRow("all at once") << "a&b=c+d%20e 中";
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

void BaseReqTest::formHeaders()
{
    m_service.setReply("order", "order_list", {{"code", "1"}});
    BaseReq req;
    auto result = startForm(&req, "&m=order&a=order_list", FormBody().add("keyword", "张").toBytes());
    QTRY_COMPARE(result->calls, 1);

    const StandInService::Request seen = m_service.requests().value(0);
    QCOMPARE(seen.contentType, QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(seen.header("content-length").toInt(), seen.body.size());
}

void BaseReqTest::replyClassification_data()
{
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QJsonObject>("reply");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("shape"); // "object", "array", "null"

    const QJsonObject orders{{"code", "1"}, {"data", QJsonArray{QJsonObject{{"id", "9"}}}}};
    QTest::newRow("object") << Failure::None << orders << true << "object";
    QTest::newRow("empty object") << Failure::None << QJsonObject() << true << "object";
    // The client judges the shape only; the envelope is the caller's business.
    QTest::newRow("code 0 with message") << Failure::CodeZeroMessage << orders << true << "object";
    QTest::newRow("numeric code") << Failure::NumericCode << orders << true << "object";
    QTest::newRow("array") << Failure::JsonArray << orders << false << "array";
    QTest::newRow("empty body") << Failure::EmptyBody << orders << false << "null";
    QTest::newRow("not json") << Failure::NotJson << orders << false << "null";
    QTest::newRow("http 500") << Failure::Http500 << orders << false << "null";
}

void BaseReqTest::replyClassification()
{
    QFETCH(Failure, failure);
    QFETCH(QJsonObject, reply);
    QFETCH(bool, ok);
    QFETCH(QString, shape);

    m_service.setReply("order", "order_list", reply);
    m_service.setFailure("order", "order_list", failure);
    BaseReq req;
    auto result = startForm(&req, "&m=order&a=order_list", QByteArray());
    QTRY_COMPARE(result->calls, 1);
    m_service.setFailure("order", "order_list", Failure::None);

    QCOMPARE(result->ok, ok);
    QCOMPARE(result->document.isObject(), shape == "object");
    QCOMPARE(result->document.isArray(), shape == "array");
    QCOMPARE(result->document.isNull(), shape == "null");
    if (failure == Failure::None)
        QCOMPARE(result->document.object(), reply);
    if (shape == "array")
        QCOMPARE(result->document.array().first().toObject().value("code").toString(), QString("1"));
}

void BaseReqTest::silentServiceTimesOut()
{
    QCOMPARE(BaseReq().requestTimeout(), 30000);
    QCOMPARE(BaseReq().downloadTimeout(), 60000);

    m_service.setFailure("order", "order_list", Failure::NoAnswer);
    BaseReq req;
    req.setRequestTimeout(1000);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^请求失败: .* 请求超时$"));
    auto result = startForm(&req, "&m=order&a=order_list", QByteArray());
    QTRY_COMPARE_WITH_TIMEOUT(result->calls, 1, 20000);
    m_service.setFailure("order", "order_list", Failure::None);

    QVERIFY(!result->ok);
    QVERIFY(result->document.isNull());
    QCOMPARE(m_service.requests().size(), 1);
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

void BaseReqTest::getReachesTheStoredCallback()
{
    m_service.setReply("order", "order_list", {{"code", "1"}, {"which", "list"}});
    m_service.setReply("order", "detail", {{"code", "1"}, {"which", "detail"}});
    BaseReq req;
    auto result = startForm(&req, "&m=order&a=order_list", FormBody().add("page", "1").toBytes());
    QTRY_COMPARE(result->calls, 1);

    req.get(BaseReq::requestUrl("&m=order&a=detail"));
    QTRY_COMPARE(result->calls, 2);
    QVERIFY(result->ok);
    QCOMPARE(result->document.object().value("which").toString(), QString("detail"));
    const StandInService::Request seen = m_service.requests().value(1);
    QCOMPARE(seen.method, QByteArray("GET"));
    QVERIFY(seen.body.isEmpty());
    QVERIFY(seen.header("content-length").isEmpty() || seen.header("content-length") == "0");
}

void BaseReqTest::concurrentDownloadsReachTheirOwnCallbacks()
{
    const QByteArray png = encodedImage("PNG", Qt::blue);
    const QByteArray jpeg = encodedImage("JPEG", Qt::green);
    m_service.serveFile("/slow.png", png, "image/png");
    m_service.setFileDelay("/slow.png", 400);
    m_service.serveFile("/fast.jpg", jpeg);

    BaseReq req;
    auto slow = startDownload(&req, m_service.fileUrl("/slow.png"));
    auto fast = startDownload(&req, m_service.fileUrl("/fast.jpg"));
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

void BaseReqTest::downloadsPathWithChineseAndSpaces()
{
    const QByteArray jpeg = encodedImage("JPEG");
    m_service.serveFile("/uploads/张三 精修/01 (1).jpg", jpeg);
    BaseReq req;
    auto result = startDownload(&req, m_service.fileUrl("/uploads/张三 精修/01 (1).jpg"));
    QTRY_COMPARE(result->calls, 1);
    QVERIFY(result->ok);
    QCOMPARE(result->bytes, jpeg);
}

void BaseReqTest::downloadFailures_data()
{
    QTest::addColumn<QString>("urlPath");
    QTest::addColumn<Failure>("failure");
    QTest::newRow("missing file") << "/missing.jpg" << Failure::None;
    QTest::newRow("http 500") << "/broken.jpg" << Failure::Http500;
    QTest::newRow("empty body") << "/empty.jpg" << Failure::EmptyBody;
}

void BaseReqTest::downloadFailures()
{
    QFETCH(QString, urlPath);
    QFETCH(Failure, failure);
    if (failure != Failure::None) {
        m_service.serveFile(urlPath, encodedImage("JPEG"));
        m_service.setFileFailure(urlPath, failure);
    }

    BaseReq req;
    auto result = startDownload(&req, m_service.fileUrl(urlPath));
    QTRY_COMPARE(result->calls, 1);
    QVERIFY(!result->ok);
    QVERIFY(result->bytes.isEmpty());
    QVERIFY(result->mimeType.isEmpty());
}

void BaseReqTest::silentDownloadTimesOut()
{
    m_service.serveFile("/silent.jpg", encodedImage("JPEG"));
    m_service.setFileFailure("/silent.jpg", Failure::NoAnswer);
    BaseReq req;
    req.setDownloadTimeout(1000);
    QTest::ignoreMessage(QtWarningMsg, "图片下载失败: 请求超时");
    QTest::ignoreMessage(QtWarningMsg, qPrintable(m_service.fileUrl("/silent.jpg")));
    auto result = startDownload(&req, m_service.fileUrl("/silent.jpg"));
    QTRY_COMPARE_WITH_TIMEOUT(result->calls, 1, 20000);
    QVERIFY(!result->ok);
    QVERIFY(result->bytes.isEmpty());
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

void BaseReqTest::replyWithoutCallbackIsOnlyLogged()
{
    m_service.serveFile("/b.jpg", encodedImage("JPEG"));
    QNetworkAccessManager manager;
    QNetworkReply *foreign = manager.get(QNetworkRequest(QUrl(m_service.fileUrl("/b.jpg"))));
    QSignalSpy finished(foreign, &QNetworkReply::finished);
    QVERIFY(finished.wait());

    BaseReq req;
    auto pending = startForm(&req, "&m=order&a=order_list", QByteArray());
    QTest::ignoreMessage(QtWarningMsg, "警告：imageCallback 为空");
    req.imageDownloadFinished(foreign);
    req.serviceRequestFinished(foreign); // not one of its form replies: ignored
    req.imageDownloadFinished(nullptr);
    QCOMPARE(pending->calls, 0);
    QTRY_COMPARE(pending->calls, 1);
}

void BaseReqTest::dataUrl()
{
    const QByteArray png = encodedImage("PNG");
    m_service.serveFile("/shot.png", png, "image/png");

    BaseReq req;
    int calls = 0;
    bool ok = false;
    QString url;
    req.downloadImageAsDataUrl(m_service.fileUrl("/shot.png"), [&](bool success, const QString &text) {
        ++calls;
        ok = success;
        url = text;
    });
    QTRY_COMPARE(calls, 1);
    QVERIFY(ok);
    QVERIFY(url.startsWith("data:image/png;base64,"));
    QCOMPARE(QByteArray::fromBase64(url.mid(url.indexOf(',') + 1).toLatin1()), png);
}

void BaseReqTest::dataUrlFailure()
{
    BaseReq req;
    int calls = 0;
    bool ok = true;
    QString url = "unchanged";
    req.downloadImageAsDataUrl(m_service.fileUrl("/nothing-here.png"), [&](bool success, const QString &text) {
        ++calls;
        ok = success;
        url = text;
    });
    QTRY_COMPARE(calls, 1);
    QVERIFY(!ok);
    QVERIFY(url.isEmpty());
}

void BaseReqTest::detectImageMimeType_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("mimeType");

    QTest::newRow("png picture") << encodedImage("PNG") << "image/png";
    QTest::newRow("jpeg picture") << encodedImage("JPEG") << "image/jpeg";
    QTest::newRow("bmp picture") << encodedImage("BMP") << "image/bmp";
    QTest::newRow("gif picture") << kTinyGif << "image/gif";
    QTest::newRow("gif87a header") << QByteArray("GIF87a-truncated") << "image/gif";
    QTest::newRow("webp header") << QByteArray("RIFF\x24\x00\x00\x00WEBPVP8 ", 16) << "image/webp";
    QTest::newRow("BM and nonsense") << QByteArray("BM-not-really-a-bitmap") << "image/bmp";
    QTest::newRow("jpeg magic, cut off") << QByteArray("\xFF\xD8\xFF\x00", 4) << "image/jpeg";
    QTest::newRow("png signature, cut off") << QByteArray("\x89PNG\r\n\x1A\n", 8) << "image/png";
    QTest::newRow("riff without webp") << QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16) << "image/jpeg";
    QTest::newRow("unknown text") << QByteArray("hello, world") << "image/jpeg";
    QTest::newRow("single byte") << QByteArray("x") << "image/jpeg";
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
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("logged");

    QTest::newRow("password") << QByteArray("username=lily&password=s%26cret")
                              << QByteArray("username=lily&password=***");
    QTest::newRow("pwd variants") << QByteArray("oldPwd=a&newPassword=b&user_passwd=c&name=d")
                                  << QByteArray("oldPwd=***&newPassword=***&user_passwd=***&name=d");
    QTest::newRow("token") << QByteArray("&token=abc&version=1.4.2") << QByteArray("&token=***&version=1.4.2");
    QTest::newRow("encoded key") << QByteArray("pass%77ord=x") << QByteArray("pass%77ord=***");
    QTest::newRow("nothing secret") << QByteArray("shopid=1&eid=2") << QByteArray("shopid=1&eid=2");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void BaseReqTest::maskedForLog()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, logged);
    QCOMPARE(BaseReq::maskedForLog(body), logged);
}

void BaseReqTest::logLinesHideSecrets()
{
    const QString password = "Sec7et&Pass 密";
    m_service.setReply("public", "dologin", {{"code", "1"}});

    QLoggingCategory::setFilterRules("studio.net.debug=true");
    g_netMessages.clear();
    g_previousHandler = qInstallMessageHandler(captureNetMessages);
    BaseReq req;
    auto result = startForm(&req, "&m=public&a=dologin",
                            FormBody().add("username", "lily").add("password", password).toBytes());
    qInstallMessageHandler(g_previousHandler);
    QLoggingCategory::setFilterRules(QString());
    QTRY_COMPARE(result->calls, 1);

    const QString log = g_netMessages.join('\n');
    QVERIFY2(log.contains("url: " + m_service.baseUrl()), qPrintable(log));
    QVERIFY2(log.contains("paras: username=lily&password=***&token=***"), qPrintable(log));
    QVERIFY(!log.contains("Sec7et"));
    QVERIFY(!log.contains(Config::URL_TOKEN));
    // Masking is for the log only: the service gets the real values.
    QCOMPARE(m_service.requests().value(0).field("password"), password);
    QCOMPARE(m_service.requests().value(0).field("token"), Config::URL_TOKEN);
}

QTEST_MAIN(BaseReqTest)
#include "tst_basereq.moc"

#include "app/core/BaseReq.h"

#include <limits>

#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "app/core/Logging.h"
#include "app/core/QuitGuard.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoopLocker>
#include <QThread>
#include <QImageReader>
#include <QJsonParseError>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

#ifndef QT_NO_SSL
#include <QSslConfiguration>
#include <QSslSocket>
#endif

#include <exception>
#include <limits>

namespace {

const QString kCheckUpdatePath = QStringLiteral("&m=Version&a=check_update");
const QString kPublicApiGroup = QStringLiteral("g=publicapi");
const QString kMask = QStringLiteral("***");
const char kAbortedProperty[] = "studioAborted";
const char kDeadlineProperty[] = "studioDeadline";

BaseReq::Limits g_limits;

// Qt reports a transfer time-out as a cancelled operation; abort() and the
// deadline mark their own cancellations so the two can be told apart.
BaseReq::Failure failureOf(const QNetworkReply *reply)
{
    if (reply->property(kDeadlineProperty).toBool())
        return BaseReq::Failure::TimedOut;
    switch (reply->error()) {
    case QNetworkReply::NoError:
        return BaseReq::Failure::None;
    case QNetworkReply::OperationCanceledError:
        return reply->property(kAbortedProperty).toBool() ? BaseReq::Failure::Aborted
                                                          : BaseReq::Failure::TimedOut;
    case QNetworkReply::TimeoutError:
        return BaseReq::Failure::TimedOut;
    default:
        break;
    }
    // Once the server has sent a status line, the fault lies in its answer.
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() ? BaseReq::Failure::BadReply
                                                                                 : BaseReq::Failure::Unreachable;
}

QString failureText(const QNetworkReply *reply)
{
    // Qt's error text quotes the whole URL.
    return failureOf(reply) == BaseReq::Failure::TimedOut ? QStringLiteral("请求超时")
                                                           : BaseReq::maskedForLog(reply->errorString());
}

QString urlForLog(const QNetworkReply *reply)
{
    return BaseReq::maskedForLog(reply->url().toString());
}

bool isSecretField(const QString &key)
{
    const QString lower = key.trimmed().toLower();
    return lower == QLatin1String("token") || lower.contains(QLatin1String("password"))
           || lower.contains(QLatin1String("passwd")) || lower.contains(QLatin1String("pwd"));
}

// The picture format the bytes carry, by Qt's readers or by signature; empty
// when they are no picture Qt or a browser knows.
QString imageMimeTypeOf(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QString();

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QString format = QString::fromLatin1(reader.format()).toLower();
    if (!format.isEmpty()) {
        if (format == QLatin1String("jpeg") || format == QLatin1String("jpg"))
            return QStringLiteral("image/jpeg");
        return QStringLiteral("image/") + format;
    }

    if (bytes.startsWith(QByteArray("\xFF\xD8\xFF", 3)))
        return QStringLiteral("image/jpeg");
    if (bytes.startsWith(QByteArray("\x89PNG\r\n\x1A\n", 8)))
        return QStringLiteral("image/png");
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return QStringLiteral("image/gif");
    if (bytes.startsWith("RIFF") && bytes.contains("WEBP"))
        return QStringLiteral("image/webp");
    if (bytes.startsWith("BM"))
        return QStringLiteral("image/bmp");
    return QString();
}

// Why a downloaded body is not whole, or an empty string. A body ended by a
// closed connection without a length cannot be told from a cut-off one.
QString brokenDownloadReason(const QNetworkReply *reply, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QStringLiteral("内容为空");
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid()) {
        if (length.toLongLong() != bytes.size())
            return QStringLiteral("内容不完整: %1/%2 字节").arg(bytes.size()).arg(length.toLongLong());
    } else if (!reply->rawHeader("Transfer-Encoding").toLower().contains("chunked")) {
        return QStringLiteral("没有内容长度");
    }
    return QString();
}

void applyTls(QNetworkRequest &request)
{
#ifndef QT_NO_SSL
    QSslConfiguration ssl = request.sslConfiguration();
    ssl.setPeerVerifyMode(QSslSocket::VerifyPeer);
    ssl.setProtocol(QSsl::TlsV1_2OrLater);
    request.setSslConfiguration(ssl);
#else
    Q_UNUSED(request)
#endif
}

// One manager per thread, kept for the thread's life, so requests reuse its
// open connections instead of each opening its own. Connections keep the TLS
// settings they were opened with: changed settings get a manager of their own,
// and the old one stays for the replies it still carries.
QNetworkAccessManager *threadManager()
{
    if (QuitGuard::quitting())
        return nullptr;
    static thread_local QPointer<QNetworkAccessManager> manager;
#ifndef QT_NO_SSL
    static thread_local QSslConfiguration managerTls;
    const QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    if (manager && managerTls == tls)
        return manager;
    managerTls = tls;
#else
    if (manager)
        return manager;
#endif
    manager = new QNetworkAccessManager();
    QThread *thread = QThread::currentThread();
    if (QCoreApplication::instance() && thread == QCoreApplication::instance()->thread()) {
        // Its network thread must end while the application is whole, not
        // with the application's children after it.
        QNetworkAccessManager *owned = manager;
        QuitGuard::atQuit(owned, [owned]() { delete owned; });
    } else {
        QNetworkAccessManager *owned = manager;
        QObject::connect(thread, &QThread::finished, owned, [owned]() { delete owned; }, Qt::DirectConnection);
    }
    return manager;
}

} // namespace

BaseReq::Limits BaseReq::limits()
{
    return g_limits;
}

void BaseReq::setLimits(const Limits &limits)
{
    g_limits = limits;
}

namespace {
int withBodyTime(int baseMs, qint64 bodyBytes)
{
    const qint64 extra = qMax<qint64>(0, bodyBytes) * g_limits.actionMsPerMiB / (1024 * 1024);
    return int(qMin<qint64>(baseMs + extra, std::numeric_limits<int>::max()));
}
} // namespace

int BaseReq::actionIdleMsFor(qint64 bodyBytes)
{
    return withBodyTime(g_limits.actionIdleMs, bodyBytes);
}

int BaseReq::actionDeadlineMsFor(qint64 bodyBytes)
{
    return withBodyTime(g_limits.actionDeadlineMs, bodyBytes);
}

QString BaseReq::failureMessage(Failure failure)
{
    switch (failure) {
    case Failure::Unreachable:
        return QStringLiteral("无法连接服务器，请检查网络或服务地址");
    case Failure::BadReply:
        return QStringLiteral("服务器返回异常，请稍后再试");
    case Failure::TimedOut:
        return QStringLiteral("请求超时，请稍后再试");
    case Failure::None:
    case Failure::Aborted:
        break;
    }
    return QString();
}

BaseReq::BaseReq(QObject *parent)
    : QObject(parent)
{
#ifndef QT_NO_SSL
    if (!QSslSocket::supportsSsl())
        qCWarning(lcNet).noquote() << "需要的SSL版本:" << QSslSocket::sslLibraryVersionString();
#endif
    manager = threadManager();
    applyTls(request);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
}

BaseReq *BaseReq::forOwedReport()
{
    QCoreApplication *app = QCoreApplication::instance();
    Q_ASSERT(app && QThread::currentThread() == app->thread());
    auto *request = new BaseReq(app);
    request->m_owed = true;
    return request;
}

BaseReq::~BaseReq()
{
    // The manager outlives this object: its unfinished replies are cut off here
    // and can never reach a callback of this half-destroyed object.
    QList<QNetworkReply *> pending = m_formCallbacks.keys();
    pending += m_imageCallbacks.keys();
    m_formCallbacks.clear();
    m_imageCallbacks.clear();
    if (!manager)
        return; // deleted at quit, and its replies with it
    for (QNetworkReply *started : qAsConst(pending)) {
        disconnect(started, nullptr, this, nullptr);
        started->setProperty(kAbortedProperty, true);
        started->abort();
        started->deleteLater();
    }
}

void BaseReq::getResultData(const QString &path, const QByteArray &body, JsonCallback callback)
{
    startForm(path, body, std::move(callback));
}

void BaseReq::fjReq(const QString &path, const QByteArray &body, JsonCallback callback)
{
    startForm(path, body, std::move(callback));
}

void BaseReq::startForm(const QString &path, const QByteArray &body, JsonCallback callback)
{
    this->callback = std::move(callback);
    const QByteArray complete = completeBody(body);
    request.setHeader(QNetworkRequest::ContentLengthHeader, complete.size());
    post(requestUrl(path), complete);
}

QString BaseReq::requestUrl(const QString &path)
{
    const QString group = path == kCheckUpdatePath ? kPublicApiGroup : Config::URL_G;
    return Config::URL_BASE + group + path;
}

QByteArray BaseReq::completeBody(const QByteArray &body)
{
    const QByteArray identity = FormBody()
                                    .add(QStringLiteral("token"), Config::URL_TOKEN)
                                    .add(QStringLiteral("version"), Config::k_version)
                                    .add(QStringLiteral("architecture"), Config::k_architecture)
                                    .add(QStringLiteral("uid"), Config::k_uid)
                                    .add(QStringLiteral("device"), QStringLiteral("mac"))
                                    .toBytes();
    return body + '&' + identity;
}

QByteArray BaseReq::maskedForLog(const QByteArray &body)
{
    return maskedForLog(QString::fromUtf8(body)).toUtf8();
}

QString BaseReq::maskedForLog(const QString &urlOrBody)
{
    // In a URL only the query holds fields; a body is fields throughout. A
    // value ends at a blank too, so a URL quoted inside a message is found.
    const int query = urlOrBody.indexOf(QLatin1Char('?'));
    const bool isUrl = query > 0 && urlOrBody.left(query).contains(QLatin1String("://"));
    static const QRegularExpression field(QStringLiteral("(^|[?&])([^=&?#\\s]+)=([^&#\\s]*)"));
    QString masked;
    int done = 0;
    QRegularExpressionMatchIterator it = field.globalMatch(urlOrBody, isUrl ? query : 0);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        QString key = match.captured(2);
        key.replace(QLatin1Char('+'), QLatin1Char(' '));
        if (!isSecretField(QUrl::fromPercentEncoding(key.toUtf8())))
            continue;
        masked += urlOrBody.mid(done, match.capturedStart(3) - done) + kMask;
        done = match.capturedEnd(3);
    }
    return masked + urlOrBody.mid(done);
}

QNetworkRequest BaseReq::secureRequest(const QString &url) const
{
    QNetworkRequest fresh{QUrl(url, QUrl::TolerantMode)};
    applyTls(fresh);
    return fresh;
}

void BaseReq::armDeadline(QNetworkReply *started, int deadlineMs)
{
    auto *deadline = new QTimer(started);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, started, [started]() {
        if (!started->isRunning())
            return;
        started->setProperty(kDeadlineProperty, true);
        started->abort();
    });
    deadline->start(deadlineMs);
}

void BaseReq::track(QNetworkReply *started)
{
    m_formCallbacks.insert(started, callback);
    reply = started;
    // Taken before the reply can finish, released after its callback: a report
    // the callback sends next holds the program before this one lets go.
    if (m_owed && !m_keepsProgram)
        m_keepsProgram = std::make_unique<QEventLoopLocker>();
    armDeadline(started, actionDeadlineMsFor(request.header(QNetworkRequest::ContentLengthHeader).toLongLong()));
    connect(started, &QNetworkReply::finished, this, [this, started]() { serviceRequestFinished(started); });
}

void BaseReq::post(const QString &url, const QByteArray &body)
{
    qCDebug(lcNet).noquote() << "url:" << maskedForLog(url);
    qCDebug(lcNet).noquote() << "paras:" << QString::fromUtf8(maskedForLog(body));
    request.setUrl(QUrl(url, QUrl::TolerantMode));
    request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
    request.setTransferTimeout(actionIdleMsFor(body.size()));
    if (sendable(url))
        track(manager->post(request, body));
}

void BaseReq::get(const QString &url)
{
    qCDebug(lcNet).noquote() << "url:" << maskedForLog(url);
    request.setUrl(QUrl(url, QUrl::TolerantMode));
    request.setTransferTimeout(g_limits.actionIdleMs);
    // A length left over from an earlier POST would make the server wait for a body.
    request.setHeader(QNetworkRequest::ContentLengthHeader, QVariant());
    if (sendable(url))
        track(manager->get(request));
}

bool BaseReq::sendable(const QString &url) const
{
    if (manager)
        return true;
    // The program is quitting: nothing new goes out, and no callback runs for it.
    qCWarning(lcNet).noquote() << "程序正在退出，请求未发送:" << maskedForLog(url);
    return false;
}

void BaseReq::abort()
{
    qCDebug(lcNet) << "abort1";
    if (reply && reply->isRunning()) {
        qCDebug(lcNet) << "abort2";
        qCDebug(lcNet) << (reply->isFinished() ? "true" : "false");
        reply->setProperty(kAbortedProperty, true);
        reply->abort();
        qCDebug(lcNet) << "abort3";
    }
}

void BaseReq::clean(QNetworkReply *finished)
{
    if (finished)
        finished->deleteLater();
}

void BaseReq::serviceRequestFinished(QNetworkReply *finished)
{
    if (!finished)
        return;
    // A reply reports once; a second finished() or a foreign reply finds nothing.
    auto it = m_formCallbacks.find(finished);
    if (it == m_formCallbacks.end())
        return;
    const JsonCallback receiver = std::move(it.value());
    m_formCallbacks.erase(it);
    // Deferred, so a callback that deletes this object leaves no dangling reply.
    finished->deleteLater();

    bool ok = false;
    QJsonDocument document;
    m_lastFailure = failureOf(finished);
    if (m_lastFailure != Failure::None) {
        qCWarning(lcNet).noquote() << "请求失败:" << urlForLog(finished) << failureText(finished);
    } else {
        QJsonParseError parseError;
        document = QJsonDocument::fromJson(finished->readAll(), &parseError);
        if (parseError.error != QJsonParseError::NoError)
            qCWarning(lcNet).noquote() << "返回内容不是JSON:" << parseError.errorString();
        ok = document.isObject();
        if (!ok)
            m_lastFailure = Failure::BadReply;
    }
    const QPointer<BaseReq> self(this);
    if (receiver)
        receiver(ok, document);
    if (self && m_formCallbacks.isEmpty())
        m_keepsProgram.reset();
}

void BaseReq::downloadImage(const QString &url, ImageCallback callback)
{
    if (!sendable(url))
        return;
    QNetworkRequest imageRequest = secureRequest(url);
    imageRequest.setTransferTimeout(g_limits.downloadIdleMs);
    // Uncompressed, so the announced length is the length of the picture.
    imageRequest.setRawHeader("Accept-Encoding", "identity");
    QNetworkReply *started = manager->get(imageRequest);
    m_imageCallbacks.insert(started, std::move(callback));
    armDeadline(started, g_limits.downloadDeadlineMs);
    connect(started, &QNetworkReply::finished, this, [this, started]() { imageDownloadFinished(started); });
}

void BaseReq::imageDownloadFinished(QNetworkReply *finished)
{
    if (!finished)
        return;
    const ImageCallback receiver = m_imageCallbacks.take(finished);
    finished->deleteLater();

    bool ok = false;
    QByteArray bytes;
    QString mimeType;
    m_lastFailure = failureOf(finished);
    if (m_lastFailure != Failure::None) {
        qCWarning(lcNet).noquote() << "图片下载失败:" << failureText(finished);
        qCWarning(lcNet).noquote() << urlForLog(finished);
    } else {
        bytes = finished->readAll();
        const QString broken = brokenDownloadReason(finished, bytes);
        mimeType = imageMimeTypeOf(bytes);
        ok = broken.isEmpty() && !mimeType.isEmpty();
        if (!ok) {
            qCWarning(lcNet).noquote() << "图片下载失败:" << (broken.isEmpty() ? QStringLiteral("不是图片") : broken);
            qCWarning(lcNet).noquote() << urlForLog(finished);
            m_lastFailure = Failure::BadReply;
            mimeType.clear();
            // A whole body that is no picture still goes along: a caller may
            // fetch a text this way. A cut-off one never does.
            if (!broken.isEmpty())
                bytes.clear();
        }
    }

    if (!receiver) {
        qCWarning(lcNet) << "警告：imageCallback 为空";
        return;
    }
    try {
        receiver(ok, bytes, mimeType);
    } catch (const std::exception &e) {
        qCWarning(lcNet) << "回调函数执行异常:" << e.what();
    }
}

void BaseReq::downloadImageAsDataUrl(const QString &url, std::function<void(bool, const QString &)> callback)
{
    downloadImage(url, [callback](bool ok, const QByteArray &bytes, const QString &mimeType) {
        if (!callback)
            return;
        if (ok && !bytes.isEmpty()) {
            callback(true, QStringLiteral("data:%1;base64,%2")
                               .arg(mimeType, QString::fromLatin1(bytes.toBase64())));
        } else {
            callback(false, QString());
        }
    });
}

QString BaseReq::detectImageMimeType(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QString();
    const QString mimeType = imageMimeTypeOf(bytes);
    return mimeType.isEmpty() ? QStringLiteral("image/jpeg") : mimeType;
}

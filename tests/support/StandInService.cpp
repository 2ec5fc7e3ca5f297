#include "support/StandInService.h"

#include "app/core/FormBody.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace {

const int kMaxHeaderBytes = 64 * 1024;
const qint64 kMaxBodyBytes = 256 * 1024 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

QByteArray jsonBytes(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

struct StandInService::Connection {
    QByteArray buffer;
    bool busy = false;    // an answer is still owed on this connection
    bool closing = false; // the answer carried Connection: close
};

// ---- Request ----------------------------------------------------------------

QString StandInService::Request::module() const
{
    return query.queryItemValue(QStringLiteral("m"), QUrl::FullyDecoded);
}

QString StandInService::Request::action() const
{
    return query.queryItemValue(QStringLiteral("a"), QUrl::FullyDecoded);
}

QString StandInService::Request::field(const QString &key) const
{
    for (const auto &pair : fields) {
        if (pair.first == key)
            return pair.second.isNull() ? QStringLiteral("") : pair.second;
    }
    return QString();
}

QStringList StandInService::Request::fieldNames() const
{
    QStringList names;
    for (const auto &pair : fields)
        names.append(pair.first);
    return names;
}

QByteArray StandInService::Request::header(const QByteArray &name) const
{
    const QByteArray wanted = name.toLower();
    for (const auto &pair : headers) {
        if (pair.first == wanted)
            return pair.second;
    }
    return QByteArray();
}

// ---- Service ----------------------------------------------------------------

StandInService::StandInService(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    qRegisterMetaType<StandInService::Request>();
    connect(m_server, &QTcpServer::newConnection, this, &StandInService::onNewConnection);
}

StandInService::~StandInService()
{
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        disconnect(it.key(), nullptr, this, nullptr);
        delete it.value();
    }
    m_connections.clear();
}

bool StandInService::start(quint16 port)
{
    return m_server->isListening() || m_server->listen(QHostAddress::LocalHost, port);
}

quint16 StandInService::port() const
{
    return m_server->serverPort();
}

QString StandInService::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

QString StandInService::key(const QString &module, const QString &action)
{
    return module + QLatin1Char('/') + action;
}

void StandInService::setReply(const QString &module, const QString &action, const QJsonObject &reply)
{
    m_replies.insert(key(module, action), reply);
}

void StandInService::setHandler(const QString &module, const QString &action, Handler handler)
{
    if (handler)
        m_handlers.insert(key(module, action), std::move(handler));
    else
        m_handlers.remove(key(module, action));
}

void StandInService::setFailure(const QString &module, const QString &action, Failure failure,
                                const QString &message)
{
    if (failure == Failure::None)
        m_failures.remove(key(module, action));
    else
        m_failures.insert(key(module, action), qMakePair(failure, message));
}

void StandInService::setDelay(const QString &module, const QString &action, int ms)
{
    m_delays.insert(key(module, action), ms);
}

void StandInService::serveFile(const QString &urlPath, const QByteArray &bytes, const QByteArray &contentType)
{
    m_files.insert(urlPath, File{bytes, contentType});
}

void StandInService::serveLocalFile(const QString &urlPath, const QString &localPath, const QByteArray &contentType)
{
    m_files.insert(urlPath, File{QByteArray(), contentType, localPath});
}

void StandInService::setFileHandler(const QString &module, const QString &action, FileHandler handler)
{
    if (handler)
        m_fileHandlers.insert(key(module, action), std::move(handler));
    else
        m_fileHandlers.remove(key(module, action));
}

void StandInService::setFileDelay(const QString &urlPath, int ms)
{
    m_fileDelays.insert(urlPath, ms);
}

void StandInService::setFileFailure(const QString &urlPath, Failure failure)
{
    if (failure == Failure::None)
        m_fileFailures.remove(urlPath);
    else
        m_fileFailures.insert(urlPath, failure);
}

QString StandInService::fileUrl(const QString &urlPath) const
{
    return baseUrl() + (urlPath.startsWith(QLatin1Char('/')) ? urlPath : QLatin1Char('/') + urlPath);
}

int StandInService::setReplies(const QJsonObject &replies)
{
    int taken = 0;
    for (auto it = replies.begin(); it != replies.end(); ++it) {
        const int slash = it.key().indexOf(QLatin1Char('/'));
        if (slash <= 0 || !it.value().isObject())
            continue;
        setReply(it.key().left(slash), it.key().mid(slash + 1), it.value().toObject());
        ++taken;
    }
    return taken;
}

QList<StandInService::Request> StandInService::requests() const
{
    return m_requests;
}

namespace {
QList<StandInService::Request> ofAction(const QList<StandInService::Request> &requests, const QString &module,
                                        const QString &action)
{
    QList<StandInService::Request> matching;
    for (const StandInService::Request &request : requests) {
        if (request.module() == module && request.action() == action)
            matching.append(request);
    }
    return matching;
}
} // namespace

QList<StandInService::Request> StandInService::requests(const QString &module, const QString &action) const
{
    return ofAction(m_requests, module, action);
}

QList<StandInService::Request> StandInService::answered(const QString &module, const QString &action) const
{
    return ofAction(m_answered, module, action);
}

void StandInService::clearRequests()
{
    m_requests.clear();
    m_answered.clear();
}

bool StandInService::waitForRequests(int count, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (m_requests.size() < count) {
        const qint64 left = timeoutMs - elapsed.elapsed();
        if (left <= 0)
            return false;
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(this, &StandInService::requestReceived, &loop, &QEventLoop::quit);
        timer.start(int(left));
        loop.exec();
    }
    return true;
}

void StandInService::reset()
{
    m_replies.clear();
    m_handlers.clear();
    m_failures.clear();
    m_delays.clear();
    m_files.clear();
    m_fileHandlers.clear();
    m_fileFailures.clear();
    m_fileDelays.clear();
    m_requests.clear();
    m_answered.clear();
}

int StandInService::openConnections() const
{
    return m_connections.size();
}

void StandInService::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        m_connections.insert(socket, new Connection);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket]() { dropConnection(socket); });
        if (socket->bytesAvailable() > 0)
            onReadyRead(socket);
    }
}

void StandInService::dropConnection(QTcpSocket *socket)
{
    delete m_connections.take(socket);
    socket->deleteLater();
}

namespace {
// Qt writes a POST's body after its header; were that header's ACK delayed,
// the body would wait for it (Nagle) on every kept-alive request.
void acknowledgeAtOnce(QTcpSocket *socket)
{
#if defined(Q_OS_LINUX) && defined(TCP_QUICKACK)
    const int one = 1;
    ::setsockopt(int(socket->socketDescriptor()), IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
#else
    Q_UNUSED(socket)
#endif
}
} // namespace

void StandInService::onReadyRead(QTcpSocket *socket)
{
    Connection *connection = m_connections.value(socket);
    if (!connection)
        return;
    connection->buffer += socket->readAll();
    acknowledgeAtOnce(socket);

    while (!connection->busy && !connection->closing) {
        Request request;
        bool keepAlive = true;
        bool bad = false;
        if (!parseNext(*connection, request, keepAlive, bad)) {
            if (bad) {
                connection->closing = true;
                send(socket, Answer{400, "text/plain", "bad request", false}, false);
            }
            return;
        }
        m_requests.append(request);
        emit requestReceived(request);
        // A slot of requestReceived may have closed the connection.
        if (!m_connections.contains(socket))
            return;

        int delayMs = 0;
        const Answer answer = request.method == "GET" && m_files.contains(request.path)
                                  ? answerForFile(request, delayMs)
                                  : answerFor(request, delayMs);
        if (!keepAlive)
            connection->closing = true;
        if (answer.silent) {
            connection->busy = true; // never answered: the client has to give up
            return;
        }
        if (delayMs > 0) {
            connection->busy = true;
            QTimer::singleShot(delayMs, socket, [this, socket, answer, keepAlive, request]() {
                Connection *later = m_connections.value(socket);
                if (!later)
                    return;
                later->busy = false;
                send(socket, answer, keepAlive);
                m_answered.append(request);
                if (keepAlive)
                    onReadyRead(socket);
            });
            return;
        }
        send(socket, answer, keepAlive);
        m_answered.append(request);
        if (!keepAlive)
            return; // the connection may already be gone
    }
}

bool StandInService::parseNext(Connection &connection, Request &request, bool &keepAlive, bool &bad)
{
    QByteArray &buffer = connection.buffer;
    // Tolerate stray line breaks between requests.
    while (buffer.startsWith("\r\n"))
        buffer.remove(0, 2);
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        bad = buffer.size() > kMaxHeaderBytes;
        return false;
    }

    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine.at(2).startsWith("HTTP/1.")) {
        bad = true;
        return false;
    }
    request.method = requestLine.at(0);
    const QByteArray target = requestLine.at(1);
    const QByteArray version = requestLine.at(2);

    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const int colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        request.headers.append(qMakePair(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()));
    }

    int consumed = headerEnd + 4;
    QByteArray body;
    if (request.header("transfer-encoding").toLower().contains("chunked")) {
        int pos = consumed;
        for (;;) {
            const int lineEnd = buffer.indexOf("\r\n", pos);
            if (lineEnd < 0)
                return false;
            bool ok = false;
            const int size = buffer.mid(pos, lineEnd - pos).split(';').value(0).trimmed().toInt(&ok, 16);
            if (!ok || size < 0) {
                bad = true;
                return false;
            }
            pos = lineEnd + 2;
            if (size == 0) {
                // Trailers end with an empty line.
                const int trailerEnd = buffer.indexOf("\r\n", pos);
                if (trailerEnd < 0)
                    return false;
                pos = trailerEnd + 2;
                break;
            }
            if (buffer.size() < pos + size + 2)
                return false;
            body += buffer.mid(pos, size);
            pos += size + 2;
        }
        consumed = pos;
    } else {
        const QByteArray lengthText = request.header("content-length");
        bool ok = true;
        const qint64 length = lengthText.isEmpty() ? 0 : lengthText.toLongLong(&ok);
        if (!ok || length < 0 || length > kMaxBodyBytes) {
            bad = true;
            return false;
        }
        if (buffer.size() - consumed < length)
            return false;
        body = buffer.mid(consumed, int(length));
        consumed += int(length);
    }
    buffer.remove(0, consumed);

    const int questionMark = target.indexOf('?');
    request.path = QUrl::fromPercentEncoding(questionMark < 0 ? target : target.left(questionMark));
    if (questionMark >= 0)
        request.query.setQuery(QString::fromUtf8(target.mid(questionMark + 1)));
    request.contentType = request.header("content-type");
    request.body = body;
    if (request.contentType.toLower().contains("application/x-www-form-urlencoded"))
        request.fields = FormBody::parse(body);

    const QByteArray connectionHeader = request.header("connection").toLower();
    if (version == "HTTP/1.0")
        keepAlive = connectionHeader.contains("keep-alive");
    else
        keepAlive = !connectionHeader.contains("close");
    return true;
}

StandInService::Answer StandInService::answerFor(const Request &request, int &delayMs)
{
    if (request.path != QLatin1String("/index.php"))
        return Answer{404, "text/plain", "not found", false};

    const QString k = key(request.module(), request.action());
    delayMs = m_delays.value(k, 0);

    const auto failure = m_failures.value(k, qMakePair(Failure::None, QString()));
    const QString message = failure.second;
    const auto canned = [&]() {
        const Handler handler = m_handlers.value(k);
        return handler ? handler(request) : m_replies.value(k);
    };

    switch (failure.first) {
    case Failure::None:
        break;
    case Failure::CodeZeroMessage:
        return Answer{200, "application/json; charset=utf-8",
                      jsonBytes({{"code", "0"}, {"message", message.isNull() ? QStringLiteral("操作失败") : message}}),
                      false};
    case Failure::CodeZeroMsg:
        return Answer{200, "application/json; charset=utf-8",
                      jsonBytes({{"code", "0"}, {"msg", message.isNull() ? QStringLiteral("操作失败") : message}}),
                      false};
    case Failure::NumericCode: {
        QJsonObject reply = canned();
        reply.insert(QStringLiteral("code"), 1);
        if (!message.isNull())
            reply.insert(QStringLiteral("message"), message);
        return Answer{200, "application/json; charset=utf-8", jsonBytes(reply), false};
    }
    case Failure::Http500:
        return Answer{500, "text/html; charset=utf-8", "<html><body>Internal Server Error</body></html>", false};
    case Failure::NotJson:
        return Answer{200, "text/html; charset=utf-8",
                      message.isNull() ? QByteArray("<br /><b>Fatal error</b>: service stopped")
                                       : message.toUtf8(),
                      false};
    case Failure::JsonArray: {
        QJsonObject reply = canned();
        if (reply.isEmpty())
            reply.insert(QStringLiteral("code"), QStringLiteral("1"));
        return Answer{200, "application/json; charset=utf-8",
                      QJsonDocument(QJsonArray{reply}).toJson(QJsonDocument::Compact), false};
    }
    case Failure::EmptyBody:
        return Answer{200, "application/json; charset=utf-8", QByteArray(), false};
    case Failure::NoAnswer:
        return Answer{0, QByteArray(), QByteArray(), true};
    }

    if (const FileHandler fileHandler = m_fileHandlers.value(k)) {
        QByteArray contentType = "application/octet-stream";
        const QByteArray bytes = fileHandler(request, &contentType);
        if (bytes.isEmpty())
            return Answer{404, "text/plain", "not found", false};
        return Answer{200, contentType, bytes, false};
    }
    if (m_handlers.contains(k) || m_replies.contains(k))
        return Answer{200, "application/json; charset=utf-8", jsonBytes(canned()), false};
    // The service's own refusal; callers read the reason from "message" or "msg".
    const QString unknown = QStringLiteral("未知接口");
    return Answer{200, "application/json; charset=utf-8",
                  jsonBytes({{"code", "0"}, {"message", unknown}, {"msg", unknown}}), false};
}

StandInService::Answer StandInService::answerForFile(const Request &request, int &delayMs)
{
    delayMs = m_fileDelays.value(request.path, 0);
    switch (m_fileFailures.value(request.path, Failure::None)) {
    case Failure::None:
        break;
    case Failure::Http500:
        return Answer{500, "text/plain", "Internal Server Error", false};
    case Failure::EmptyBody:
        return Answer{200, m_files.value(request.path).contentType, QByteArray(), false};
    case Failure::NoAnswer:
        return Answer{0, QByteArray(), QByteArray(), true};
    default:
        return Answer{404, "text/plain", "not found", false};
    }
    const File file = m_files.value(request.path);
    if (file.localPath.isEmpty())
        return Answer{200, file.contentType, file.bytes, false};
    QFile local(file.localPath);
    if (!local.open(QIODevice::ReadOnly))
        return Answer{404, "text/plain", "not found", false};
    return Answer{200, file.contentType, local.readAll(), false};
}

void StandInService::send(QTcpSocket *socket, const Answer &answer, bool keepAlive)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reasonPhrase(answer.status) + "\r\n";
    if (!answer.contentType.isEmpty())
        head += "Content-Type: " + answer.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
    head += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    head += "\r\n";
    socket->write(head + answer.body);
    if (!keepAlive)
        socket->disconnectFromHost();
}

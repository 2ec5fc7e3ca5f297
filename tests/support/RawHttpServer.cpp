#include "support/RawHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

RawHttpServer::RawHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &RawHttpServer::onNewConnection);
}

bool RawHttpServer::start()
{
    return m_server.listen(QHostAddress::LocalHost);
}

QString RawHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void RawHttpServer::answer(const QByteArray &raw)
{
    m_raw = raw;
    m_trickleMs = 0;
    m_quiet = false;
}

void RawHttpServer::trickle(const QByteArray &raw, int intervalMs)
{
    m_raw = raw;
    m_trickleMs = intervalMs;
    m_quiet = false;
}

void RawHttpServer::stayQuiet()
{
    m_quiet = true;
}

QByteArray RawHttpServer::response(int status, const QByteArray &contentType, const QByteArray &body,
                                   bool withLength)
{
    QByteArray raw = "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Error") + "\r\n";
    raw += "Content-Type: " + contentType + "\r\nConnection: close\r\n";
    if (withLength)
        raw += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return raw + "\r\n" + body;
}

QString RawHttpServer::closedPortUrl()
{
    // Bound for the whole run but never listening: connections are refused,
    // and a test running beside this one cannot take the port meanwhile, as
    // it could a port that was only probed and closed again.
    static QTcpSocket *const holder = [] {
        auto *socket = new QTcpSocket;
        if (!socket->bind(QHostAddress(QHostAddress::LocalHost), 0))
            qFatal("No loopback port to hold closed: %s", qPrintable(socket->errorString()));
        return socket;
    }();
    return QStringLiteral("http://127.0.0.1:%1").arg(holder->localPort());
}

void RawHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void RawHttpServer::onReadyRead(QTcpSocket *socket)
{
    // Read to the end of the body first: closing on unread bytes would reset
    // the connection before the client sees the answer.
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0 || socket->property("answered").toBool())
        return;
    int length = 0;
    for (const QByteArray &line : buffer.left(headerEnd).split('\n')) {
        if (line.toLower().startsWith("content-length:"))
            length = line.mid(15).trimmed().toInt();
    }
    if (buffer.size() < headerEnd + 4 + length)
        return;
    socket->setProperty("answered", true);
    reply(socket);
}

void RawHttpServer::reply(QTcpSocket *socket)
{
    if (m_quiet)
        return;
    if (m_trickleMs <= 0) {
        socket->write(m_raw);
        socket->disconnectFromHost();
        return;
    }
    auto *timer = new QTimer(socket);
    auto sent = std::make_shared<int>(0);
    const QByteArray raw = m_raw;
    connect(timer, &QTimer::timeout, socket, [socket, timer, sent, raw]() {
        if (*sent >= raw.size()) {
            timer->stop();
            socket->disconnectFromHost();
            return;
        }
        socket->write(raw.mid((*sent)++, 1));
    });
    timer->start(m_trickleMs);
}

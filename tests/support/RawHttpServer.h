#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A loopback HTTP server of a test's own: it reads each request whole and
// answers it with exactly the bytes it was given (all at once, one byte at a
// time, or nothing), so a test can play a server that misbehaves.
class RawHttpServer : public QObject
{
    Q_OBJECT
public:
    explicit RawHttpServer(QObject *parent = nullptr);

    bool start();
    QString baseUrl() const; // "http://127.0.0.1:<port>"

    // Every later request gets these bytes, then the connection closes.
    void answer(const QByteArray &raw);
    // The same, one byte every intervalMs.
    void trickle(const QByteArray &raw, int intervalMs);
    // Every later request gets nothing; the connection stays open.
    void stayQuiet();

    // A complete answer; without a length when withLength is false.
    static QByteArray response(int status, const QByteArray &contentType, const QByteArray &body,
                               bool withLength = true);
    // The base URL of a loopback port nobody listens on.
    static QString closedPortUrl();

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void reply(QTcpSocket *socket);

    QTcpServer m_server;
    QByteArray m_raw;
    int m_trickleMs = 0;
    bool m_quiet = false;
};

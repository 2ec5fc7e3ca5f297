#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrlQuery>

#include <functional>

class QTcpServer;
class QTcpSocket;

// A loopback HTTP/1.1 stand-in for the studio service. It routes POSTs to
// "/index.php" on the query's m and a, records every request and answers
// with canned replies, handlers or a chosen failure; GETs of registered
// paths return file bytes. It runs on the thread that creates it.
class StandInService : public QObject
{
    Q_OBJECT
public:
    struct Request {
        QByteArray method;                     // "POST" or "GET"
        QString path;                          // URL path, e.g. "/index.php"
        QUrlQuery query;                       // g, m, a
        QString module() const;                // query "m"
        QString action() const;                // query "a"
        QByteArray contentType;
        QByteArray body;                       // raw body
        QList<QPair<QString, QString>> fields; // decoded form fields, in order
        QString field(const QString &key) const;  // first value, null when absent
        QStringList fieldNames() const;
        QList<QPair<QByteArray, QByteArray>> headers; // as received, names lower-case
        QByteArray header(const QByteArray &name) const;
    };
    enum class Failure { None, CodeZeroMessage, CodeZeroMsg, NumericCode, Http500, NotJson, JsonArray,
                         EmptyBody, NoAnswer };
    using Handler = std::function<QJsonObject(const Request &)>;
    // Answers an action with bytes instead of JSON (an image, a text); an
    // empty result answers 404.
    using FileHandler = std::function<QByteArray(const Request &, QByteArray *contentType)>;

    explicit StandInService(QObject *parent = nullptr);
    ~StandInService() override;

    bool start(quint16 port = 0);              // listens on 127.0.0.1
    quint16 port() const;
    QString baseUrl() const;                   // "http://127.0.0.1:<port>", use with Config::setUrlHost
    void setReply(const QString &module, const QString &action, const QJsonObject &reply);
    void setHandler(const QString &module, const QString &action, Handler handler);
    void setFailure(const QString &module, const QString &action, Failure failure,
                    const QString &message = QString());
    void serveFile(const QString &urlPath, const QByteArray &bytes, const QByteArray &contentType = "image/jpeg");
    // Serves a file of this machine, read when asked for: once it is gone the path answers 404.
    void serveLocalFile(const QString &urlPath, const QString &localPath, const QByteArray &contentType = "image/jpeg");
    void setFileHandler(const QString &module, const QString &action, FileHandler handler);
    QString fileUrl(const QString &urlPath) const;
    QList<Request> requests() const;
    QList<Request> requests(const QString &module, const QString &action) const;
    // The requests whose answer was written back, in the order written.
    QList<Request> answered(const QString &module, const QString &action) const;
    void clearRequests();
    bool waitForRequests(int count, int timeoutMs = 5000); // runs the event loop until that many are recorded

    // Holds back the answer of an action or a file by this many milliseconds.
    void setDelay(const QString &module, const QString &action, int ms);
    void setFileDelay(const QString &urlPath, int ms);
    // A file GET fails: Http500, EmptyBody or NoAnswer (others answer 404).
    void setFileFailure(const QString &urlPath, Failure failure);
    // Canned replies from an object mapping "module/action" to the reply
    // object; returns how many were taken.
    int setReplies(const QJsonObject &replies);
    // Forgets every reply, handler, failure, delay, file and recorded request.
    void reset();
    // Connections currently open (keep-alive ones included).
    int openConnections() const;

signals:
    void requestReceived(const StandInService::Request &request);

private:
    struct Answer {
        int status = 200;
        QByteArray contentType;
        QByteArray body;
        bool silent = false; // NoAnswer: keep the connection open, send nothing
    };
    struct Connection;

    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void dropConnection(QTcpSocket *socket);
    bool parseNext(Connection &connection, Request &request, bool &keepAlive, bool &bad);
    Answer answerFor(const Request &request, int &delayMs);
    Answer answerForFile(const Request &request, int &delayMs);
    void send(QTcpSocket *socket, const Answer &answer, bool keepAlive);
    static QString key(const QString &module, const QString &action);

    QTcpServer *m_server = nullptr;
    QHash<QTcpSocket *, Connection *> m_connections;
    QHash<QString, QJsonObject> m_replies;
    QHash<QString, Handler> m_handlers;
    QHash<QString, QPair<Failure, QString>> m_failures;
    QHash<QString, int> m_delays;
    struct File {
        QByteArray bytes;
        QByteArray contentType;
        QString localPath; // read at request time when set
    };
    QHash<QString, FileHandler> m_fileHandlers;
    QHash<QString, File> m_files;
    QHash<QString, Failure> m_fileFailures;
    QHash<QString, int> m_fileDelays;
    QList<Request> m_requests;
    QList<Request> m_answered;
};

Q_DECLARE_METATYPE(StandInService::Request)

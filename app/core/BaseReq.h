#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonDocument>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QEventLoopLocker;
class QNetworkAccessManager;
class QNetworkReply;

// The one client of the studio service: form POSTs answered with JSON, plus
// image downloads. Callers create one object per request, parented to their
// window; callbacks run on the thread that owns the object.
class BaseReq : public QObject
{
    Q_OBJECT
public:
    using JsonCallback = std::function<void(bool, const QJsonDocument &)>;
    using ImageCallback = std::function<void(bool, const QByteArray &, const QString &)>;

    // Why the last finished request failed, read by a callback that wants to
    // tell the user more than "failed".
    enum class Failure {
        None,
        Unreachable, // no answer from the server at all: refused, unknown host, TLS, dropped
        BadReply,    // an HTTP error status, a cut-off body, or content of the wrong kind
        TimedOut,    // idle for too long, or not done by its deadline
        Aborted,     // abort() by the caller
    };

    // Each request fails when it stays idle for idleMs or is not finished
    // deadlineMs after it was sent. Read when a request starts.
    struct Limits {
        int actionIdleMs = 30000;
        int actionDeadlineMs = 30000;
        int downloadIdleMs = 60000;
        int downloadDeadlineMs = 120000;
        // Added to an action's idle time and deadline per MiB of its body: a
        // report of thousands of files takes that long to go up and be read.
        int actionMsPerMiB = 10000;
    };
    static Limits limits();
    static void setLimits(const Limits &limits);
    // An action's idle time and deadline for a body of bodyBytes.
    static int actionIdleMsFor(qint64 bodyBytes);
    static int actionDeadlineMsFor(qint64 bodyBytes);

    explicit BaseReq(QObject *parent = nullptr);
    ~BaseReq() override;

    // A request for a record the service is owed (a report of files written
    // or fetched): it belongs to the application, not to the window sending
    // it, so it goes on when that window closes, and the program does not end
    // while it waits for its answer or its deadline. GUI thread only; the
    // caller releases it from its callback, as any other.
    static BaseReq *forOwedReport();

    // POST to Config::URL_BASE + route group + path ("&m=order&a=order_list").
    // body holds the caller's FormBody bytes; token, version, architecture,
    // uid and device are appended here.
    void getResultData(const QString &path, const QByteArray &body, JsonCallback callback);
    void fjReq(const QString &path, const QByteArray &body, JsonCallback callback);

    void post(const QString &url, const QByteArray &body);
    void get(const QString &url);
    void abort();
    void clean(QNetworkReply *reply);

    void downloadImage(const QString &url, ImageCallback callback);
    void downloadImageAsDataUrl(const QString &url, std::function<void(bool, const QString &)> callback);
    static QString detectImageMimeType(const QByteArray &bytes);

    // The full request URL and body for a caller's path and body.
    static QString requestUrl(const QString &path);
    static QByteArray completeBody(const QByteArray &body);
    // A form body or a URL as written to the log: the values of token,
    // password and pwd fields replaced by "***". Every log line of a URL or a
    // body goes through here.
    static QByteArray maskedForLog(const QByteArray &body);
    static QString maskedForLog(const QString &urlOrBody);

    Failure lastFailure() const { return m_lastFailure; }
    // The user's text for a failure; empty for None and Aborted.
    static QString failureMessage(Failure failure);

public slots:
    void serviceRequestFinished(QNetworkReply *reply);
    void imageDownloadFinished(QNetworkReply *reply);

private:
    void startForm(const QString &path, const QByteArray &body, JsonCallback callback);
    bool sendable(const QString &url) const;
    void track(QNetworkReply *reply);
    QNetworkRequest secureRequest(const QString &url) const;
    void armDeadline(QNetworkReply *reply, int deadlineMs);

    QPointer<QNetworkReply> reply;
    QNetworkRequest request;
    QPointer<QNetworkAccessManager> manager; // shared by every request of this thread
    JsonCallback callback;
    // Each reply keeps the callback it was started with, so replies finishing
    // out of order never reach another caller's function.
    QHash<QNetworkReply *, JsonCallback> m_formCallbacks;
    QHash<QNetworkReply *, ImageCallback> m_imageCallbacks;
    Failure m_lastFailure = Failure::None;
    bool m_owed = false;
    // Held while an owed request is on its way: no window, no quit.
    std::unique_ptr<QEventLoopLocker> m_keepsProgram;
};

#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonDocument>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

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

    static constexpr int kRequestTimeoutMs = 30000;
    static constexpr int kDownloadTimeoutMs = 60000;

    explicit BaseReq(QObject *parent = nullptr);
    ~BaseReq() override;

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
    // The body as written to the log: secrets replaced by "***".
    static QByteArray maskedForLog(const QByteArray &body);

    // Transfer time-outs; a request idle for this long fails.
    void setRequestTimeout(int ms) { m_requestTimeoutMs = ms; }
    int requestTimeout() const { return m_requestTimeoutMs; }
    void setDownloadTimeout(int ms) { m_downloadTimeoutMs = ms; }
    int downloadTimeout() const { return m_downloadTimeoutMs; }

public slots:
    void serviceRequestFinished(QNetworkReply *reply);
    void imageDownloadFinished(QNetworkReply *reply);

private:
    void startForm(const QString &path, const QByteArray &body, JsonCallback callback);
    void track(QNetworkReply *reply);
    QNetworkRequest secureRequest(const QString &url) const;

    QPointer<QNetworkReply> reply;
    QNetworkRequest request;
    QPointer<QNetworkAccessManager> manager; // shared by every request of this thread
    JsonCallback callback;
    // Each reply keeps the callback it was started with, so replies finishing
    // out of order never reach another caller's function.
    QHash<QNetworkReply *, JsonCallback> m_formCallbacks;
    QHash<QNetworkReply *, ImageCallback> m_imageCallbacks;
    int m_requestTimeoutMs = kRequestTimeoutMs;
    int m_downloadTimeoutMs = kDownloadTimeoutMs;
};

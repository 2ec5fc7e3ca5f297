#pragma once

#include <QImage>
#include <QList>
#include <QObject>

class QNetworkAccessManager;
class QNetworkReply;

// Loads the pictures of the imported-photo grid on the grid's loader thread.
// Pictures are decoded and scaled here as QImage; the grid makes pixmaps.
class tfhomeorders_PhotoLoadWorker : public QObject
{
    Q_OBJECT

public:
    static const int kDownloadTimeoutMs = 60000;

    explicit tfhomeorders_PhotoLoadWorker(QObject *parent = nullptr);

    // The picture shown for videos (nothing is downloaded for them).
    static QImage videoPlaceholder();
    // Decodes downloaded bytes and fits them into the 90 x 90 tile picture.
    static QImage decodeTilePicture(const QByteArray &bytes);

signals:
    void photoLoaded(const QImage &image, const QString &photoName, int index, int generation);
    void photoLoadFailed(const QString &photoName, int index, int generation);

public slots:
    void loadPhoto(const QString &url, const QString &photoName, int index, int generation, bool video);
    void cancelAllRequests();

private:
    QNetworkAccessManager *m_networkManager = nullptr;
    QList<QNetworkReply *> m_pendingReplies;
};

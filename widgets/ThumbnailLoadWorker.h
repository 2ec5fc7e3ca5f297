#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>

#include <atomic>

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;
class QThreadPool;

// Loads thumbnails for the grid, from a local file or over HTTP. It lives on
// the grid's loader thread; decoding runs on a small pool of its own, since a
// multi-megapixel JPEG takes tens of milliseconds even at a reduced scale.
// Results carry QImages already reduced to the tile size; the grid turns them
// into pixmaps on the GUI thread.
class ThumbnailLoadWorker : public QObject
{
    Q_OBJECT

public:
    explicit ThumbnailLoadWorker(QObject *parent = nullptr);
    ~ThumbnailLoadWorker() override;

    // Decodes a picture reduced to fit into box, with EXIF orientation applied;
    // large JPEGs are decoded at a reduced scale straight away. Null on failure.
    static QImage readScaled(const QString &path, const QSize &box);
    static QImage readScaled(QIODevice *device, const QSize &box);

    // Thread-safe: requests of older generations are dropped without work.
    void setLatestGeneration(int generation);
    // Thread-safe; applies to downloads started afterwards.
    void setTransferTimeout(int milliseconds);

    static constexpr int kTileSize = 90;
    static constexpr int kDefaultTransferTimeoutMs = 60000;

public slots:
    void loadPhoto(const QString &url, const QString &name, const QString &icon, int index,
                   int generation);
    void cancelAllRequests();

signals:
    void photoLoaded(const QImage &image, const QString &name, int index, int generation);
    void photoLoadFailed(const QString &name, int index, int generation);

private:
    bool isStale(int generation) const { return generation < m_latestGeneration.load(); }
    void onReplyFinished(QNetworkReply *reply, const QString &name, int index, int generation);
    // Decodes a file (path) or downloaded bytes on the pool.
    void decodeLater(const QString &path, const QByteArray &bytes, const QString &name, int index,
                     int generation);

    QNetworkAccessManager *networkManager = nullptr;
    QList<QNetworkReply *> activeReplies;
    QThreadPool *decodePool = nullptr;
    std::atomic<int> m_latestGeneration{0};
    std::atomic<int> m_transferTimeoutMs{kDefaultTransferTimeoutMs};
};

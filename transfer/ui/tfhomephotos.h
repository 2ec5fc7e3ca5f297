#pragma once

#include "transfer/records/OrderInfo.h"

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QList>
#include <QWidget>

class PhotoItem;
class QLabel;
class QScrollArea;
class QTimer;
class QVBoxLayout;
class tfthumbnailthread;

// The picked-photo panel: one tile per picked photo or video of the current
// order, created as its preview arrives, with the file's import state.
class tfhomephotos : public QWidget
{
    Q_OBJECT

public:
    static const int PHOTO_ITEM_WIDTH;
    static const int PHOTO_ITEM_HEIGHT;
    static const int PHOTO_ITEM_MARGIN;
    static const int MIN_COLUMNS;
    static const int DEFAULT_COLUMNS;

    explicit tfhomephotos(QWidget *parent = nullptr);
    ~tfhomephotos() override;

    void setCurrentOrderInfo(int row, const OrderInfo &order);
    // failure: why the file failed, shown on its tile (status Failed only).
    void updatePhotoStatus(int index, const QString &fileName, PhotoStatus status,
                           const QString &failure = QString());
    void clearPhotos();
    PhotoItem *addPhoto(const PhotoInfo &photo);
    void addPhotosBatch(const QList<PhotoInfo> &photos);
    void updatePhotosLayout();
    int calculateColumnsCount() const;

    const OrderInfo &currentOrder() const { return m_currentOrder; }
    int tileCount() const { return m_tiles.size(); }

signals:
    void retryUpload(const QString &filePath);

public slots:
    void onRetryUploadClicked(const QString &filePath);
    void onThumbnailGenerated(const QString &fileName, const QString &filePath, const QImage &thumbnail,
                              int index);
    void onAllThumbnailsCompleted();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupUI();
    void placeTile(int position, int columns);
    void resizeContainer(int columns);
    QWidget *createTileContainer();
    void placePreview(const QString &fileName, const QString &filePath, const QImage &thumbnail, int index);
    void placePendingPreviews();
    void deleteRetiredTiles();

    QVBoxLayout *m_mainLayout = nullptr;
    QLabel *m_titleLabel = nullptr;
    QScrollArea *m_scrollArea = nullptr;
    QVBoxLayout *m_tileHostLayout = nullptr;
    QWidget *m_tileContainer = nullptr;
    QList<PhotoItem *> m_tiles;
    // Tiles of the current pick by tile index, so a late preview never adds
    // a second tile for the same file.
    QHash<int, PhotoItem *> m_tileByIndex;
    int m_layoutColumns = 0;
    OrderInfo m_currentOrder;
    tfthumbnailthread *m_thumbnailThread = nullptr;
    struct PendingPreview {
        QString fileName;
        QString filePath;
        QImage thumbnail;
        int index;
    };
    // Previews that came while the panel had used up its time in this turn of the event loop.
    QList<PendingPreview> m_pendingPreviews;
    QElapsedTimer m_burstClock;
    QTimer *m_placeTimer = nullptr;
    // Tiles of earlier picks on their way out, with their hidden containers.
    QList<PhotoItem *> m_retiredTiles;
    QList<QWidget *> m_retiredContainers;
    QTimer *m_retireTimer = nullptr;
};

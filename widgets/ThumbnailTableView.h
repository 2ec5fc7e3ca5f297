#pragma once

#include "widgets/ThumbnailInfo.h"

#include <QList>
#include <QMutex>
#include <QWidget>

class QImage;
class QScrollArea;
class QThread;
class QTimer;
class QVBoxLayout;
class ThumbnailLoadWorker;
struct ThumbnailItemData;

namespace Ui {
class ThumbnailTableView;
}

// Selectable grid of photo cards for long lists: cards are made in small
// batches, pictures are loaded only for cards in view, on a loader thread.
class ThumbnailTableView : public QWidget
{
    Q_OBJECT

public:
    explicit ThumbnailTableView(QWidget *parent = nullptr);
    ~ThumbnailTableView() override;

    void loadThumbnails(const QList<ThumbnailInfo> &list);
    void selectAll();
    void clearAllSelections();
    QList<int> getSelectedIndices() const;
    QStringList getSelectedNames() const;
    ThumbnailInfo getThumbnailInfo(int index) const;
    void clear();
    void setPhotosPerRow(int count);
    void setThumbnailSize(int width, int height);
    void setUserEnable(bool enabled);

    int photosPerRowCount() const { return photosPerRow; }
    int selectedTotal() const { return selectedCount; }
    int currentGeneration() const { return generation; }
    // For tests: the loader lives on its own thread.
    ThumbnailLoadWorker *loadWorker() const { return loader; }

signals:
    void selectionChanged(int index, bool selected);
    void selectedCountChanged(int count);
    // icon carries the item's local path.
    void loadPhotoRequest(const QString &url, const QString &name, const QString &icon, int index,
                          int generation);
    void cancelAllPhotoRequests();

public slots:
    void onPhotoLoaded(const QImage &image, const QString &name, int index, int generation);
    void onPhotoLoadFailed(const QString &name, int index, int generation);
    void onScrollValueChanged(int value);
    void loadVisiblePhotos();
    void createPhotoItemsBatch();
    void onPhotoSelectionChanged(int index, bool selected);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    struct LoadRequest {
        QString url, name, localPath;
        int index;
    };

    void setupUI();
    void calculatePhotosPerRow();
    void relayoutPhotoGrid();
    void prepareDisplayData(const QList<ThumbnailInfo> &list);
    QWidget *getOrCreatePhotoItem(int index);
    QWidget *createPhotoItem(const QString &name, int index);
    void updatePhotoItemContent(QWidget *card, const QString &name, int index);
    void connectSelectButton(ThumbnailItemData *item, int index);
    void onSelectButtonClicked(int index, bool checked);
    void recyclePhotoItems();
    void clearRecycledItems();
    void stopLoader();
    void retireCard(QWidget *card);
    void deleteRetiredCards();
    int rowTop(int index) const;
    void placeCard(QWidget *card, int index);
    void updateContainerSize();
    // The item a loader result is for, or null when it belongs to an older
    // list, another name or a card not made yet. Called under cellMutex.
    ThumbnailItemData *resultTarget(const QString &name, int index, int resultGeneration) const;
    static void applyButtonLook(ThumbnailItemData *item, bool checked);
    static void showFailureLook(ThumbnailItemData *item);

    Ui::ThumbnailTableView *ui = nullptr;
    QVBoxLayout *mainLayout = nullptr;
    QScrollArea *scrollArea = nullptr;
    QWidget *containerWidget = nullptr;
    // Cards are placed by the grid itself: a grid layout would re-lay every
    // card after each batch, which stalls the GUI thread with thousands.
    int placedCount = 0;
    QThread *loaderThread = nullptr;
    ThumbnailLoadWorker *loader = nullptr;
    QTimer *loadTimer = nullptr;
    QTimer *batchTimer = nullptr;
    QList<ThumbnailInfo> thumbnails;
    QList<ThumbnailItemData *> cells;
    QList<QWidget *> recyclePool;
    int photosPerRow = 5;
    int thumbnailWidth = 100;
    int thumbnailHeight = 125;
    int createdCount = 0;
    int batchSize = 4;
    int maxRecycledItems = 50;
    int generation = 0;
    int selectedCount = 0;
    QMutex cellMutex;
    bool userEnabled = true;
    // Surplus cards are deleted a slice at a time so a huge list never
    // blocks the GUI thread in one go.
    QList<QWidget *> retiredCards;
    QTimer *retireTimer = nullptr;
};

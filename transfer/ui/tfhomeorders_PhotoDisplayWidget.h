#pragma once

#include "transfer/records/OrderInfo.h"
#include "transfer/ui/PhotoDisplayData.h"

#include <QImage>
#include <QList>
#include <QMutex>
#include <QStringList>
#include <QWidget>

#include <functional>

class QGridLayout;
class QLabel;
class QPushButton;
class QScrollArea;
class QThread;
class QTimer;
class QVBoxLayout;
class ShareGuard;
class TFDelLocalPhotoImg;
class tfhomeorders_PhotoLoadWorker;

// The grid of an order's imported photos under the order table: tiles made
// in batches, pictures loaded for the tiles in view on a loader thread,
// selection and deletion on the service and on the share.
class tfhomeorders_PhotoDisplayWidget : public QWidget
{
    Q_OBJECT

public:
    explicit tfhomeorders_PhotoDisplayWidget(QWidget *parent = nullptr);
    ~tfhomeorders_PhotoDisplayWidget() override;

    // Branch context of the delete request, written by the order pane.
    QString m_shopId;
    QString m_eid;
    QString m_superId;

    void loadPhotosForOrder(const OrderInfo &order);
    // Shows no order: the tiles go, nothing can be deleted.
    void clearOrder();
    void addSinglePhoto(const PhotoInfo &photo);
    void setDelBtnShow(int show);

    QWidget *createPhotoItem(const QString &name, int index);
    QWidget *getOrCreatePhotoItem(int index);
    void updatePhotoItemContent(QWidget *tile, const QString &name, int index);
    void createPhotoDisplayItems(const QStringList &urls, const QStringList &names);
    void clearPhotoDisplay();
    void clearAllSelections();
    void updateSelectionUI();
    void updateSelectAllButtonText();
    void dropShownPhotos();
    QStringList getSelectedPhotoNames() const;
    void postDelPhotos();

    void calculatePhotosPerRow();
    void relayoutPhotoGrid();
    void recyclePhotoItems();
    void preparePhotoDisplayData(const QStringList &urls, const QStringList &names, const QStringList &ids,
                                 const QStringList &localPaths);
    void clearRecycledItems();

    // The file to remove for a "localpath" the service recorded: UNC paths
    // are converted to the share, mount paths are kept when on the share;
    // anything else gives an empty string.
    static QString localFileForDeletion(const QString &localpath);

    // Pins the share of an order's folder for a deletion. Empty when its
    // files may be deleted; otherwise why not: a share that is not mounted (a
    // mount point left behind holds Finder's notes or an earlier run's order
    // folder) or cannot be reached (its server gone), or a folder leading off
    // it or reached through a link. within gets the folder's real place:
    // every copy removed lies at or below it.
    static QString pinOrderShare(const QString &orderFolder, ShareGuard *share, QString *within);

    // Runs on the removing thread with each copy's path between the checks
    // of its removal and the removal itself (tests unmount there).
    void setBeforeFileRemoval(const std::function<void(const QString &copy)> &hook) { m_beforeFileRemoval = hook; }

    int photosPerRow() const { return m_photosPerRow; }
    int entryCount() const { return m_photoDataList.size(); }
    int selectedCount() const { return m_selectedCount; }
    const QList<PhotoDisplayData> &entries() const { return m_photoDataList; }
    const OrderInfo &currentOrder() const { return m_currentOrder; }

signals:
    void loadPhotoRequest(const QString &url, const QString &photoName, int index, int generation, bool video);
    void cancelAllPhotoRequests();
    void selectedPhotosDeleted(const QStringList &deletedPhotoNames);
    void reloadOrderThumbnail(const QString &order_photo_id);

public slots:
    void onPhotoLoaded(const QImage &image, const QString &photoName, int index, int generation);
    void onPhotoLoadFailed(const QString &photoName, int index, int generation);
    void onScrollValueChanged(int value);
    void loadVisiblePhotos();
    void createPhotoItemsBatch();
    void cleanupMemory();
    void onPhotoSelectionChanged(int index, bool selected);
    void onSelectAllToggled();
    void onDeleteSelectedPhotos();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void stopLoader();
    void setupUI();
    void placeTile(PhotoDisplayData &entry, QWidget *tile, int index);
    void placeFirstScreen();
    int rowTop(int index) const;
    void emitRequests(const QList<int> &indices);
    void takeAllTilesOutOfGrid();
    void onDeleteReply(bool ok, const QJsonDocument &reply, const QString &orderPhotoId,
                       const QStringList &names, const QStringList &localPaths, const ShareGuard &share,
                       const QString &within, const QStringList &kept);
    // After the files of a deletion were removed: left names each copy still
    // there, kept each photo that was not asked for, with why.
    void onFilesRemoved(const QStringList &left, const QStringList &kept, const QString &orderPhotoId);
    // What the user is told of photos not deleted ("name：why" each).
    static QString keptPhotosText(const QStringList &kept);
    void showBox(bool warning, const QString &text);
    static void setCheckLook(QPushButton *button, bool selected, bool large);

    QLabel *m_titleLabel = nullptr;
    QVBoxLayout *m_mainLayout = nullptr;
    QScrollArea *m_scrollArea = nullptr;
    QWidget *m_gridContainer = nullptr;
    QGridLayout *m_gridLayout = nullptr;
    QList<PhotoDisplayData> m_photoDataList;
    QPushButton *m_selectAllButton = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QThread *m_loaderThread = nullptr;
    tfhomeorders_PhotoLoadWorker *m_loadWorker = nullptr;
    QMutex m_dataMutex;
    QTimer *m_visibleLoadTimer = nullptr;
    QList<QWidget *> m_recyclePool;
    QTimer *m_batchTimer = nullptr;
    QTimer *m_cleanupTimer = nullptr;
    QStringList m_photoUrls;
    QStringList m_photoNames;
    int m_createdCount = 0;
    int m_batchSize = 8;
    int m_generation = 0;
    int m_maxRecycleCount = 50;
    int m_selectedCount = 0;
    int m_photosPerRow = 5;
    int m_itemWidth = 100;
    int m_itemHeight = 125;
    OrderInfo m_currentOrder;
    TFDelLocalPhotoImg *m_delLocalThread = nullptr;
    int m_delBtnShow = 0;
    // Import kind of the list on show: the loader and the delete request
    // follow the list, not a radio changed since.
    int m_shownKind = 0;
    std::function<void(const QString &copy)> m_beforeFileRemoval;
};

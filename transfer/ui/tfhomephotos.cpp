#include "transfer/ui/tfhomephotos.h"

#include "app/core/K.h"
#include "app/core/Logging.h"
#include "transfer/engine/tfthumbnailthread.h"
#include "transfer/ui/PhotoItem.h"
#include "transfer/ui/PickedEntries.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

const int tfhomephotos::PHOTO_ITEM_WIDTH = 90;
const int tfhomephotos::PHOTO_ITEM_HEIGHT = 120;
const int tfhomephotos::PHOTO_ITEM_MARGIN = 5;
const int tfhomephotos::MIN_COLUMNS = 1;
const int tfhomephotos::DEFAULT_COLUMNS = 5;

namespace {

// The longest the panel places tiles without letting the event loop turn.
constexpr qint64 kBurstMs = 8;

} // namespace

namespace {

QString px(int value)
{
    return K::s(K::f(value)) + QStringLiteral("px");
}

// Margin around the tiles inside the scroll area.
int gridMargin()
{
    return K::f(9);
}

} // namespace

tfhomephotos::tfhomephotos(QWidget *parent)
    : QWidget(parent)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("tfhomephotos"));
    resize(400, 300);
    setWindowTitle(QStringLiteral("Form"));
    setupUI();

    m_thumbnailThread = new tfthumbnailthread(this);
    connect(m_thumbnailThread, &tfthumbnailthread::thumbnailGenerated, this, &tfhomephotos::onThumbnailGenerated);
    connect(m_thumbnailThread, &tfthumbnailthread::allTasksCompleted, this,
            &tfhomephotos::onAllThumbnailsCompleted);
}

tfhomephotos::~tfhomephotos()
{
    m_thumbnailThread->stopThread();
    m_thumbnailThread->wait();
    delete m_thumbnailThread;
    m_thumbnailThread = nullptr;
}

void tfhomephotos::setupUI()
{
    m_mainLayout = new QVBoxLayout(this);
    m_mainLayout->setContentsMargins(K::f(8), K::f(8), K::f(8), K::f(8));
    m_mainLayout->setSpacing(K::f(5));

    auto *titleRow = new QHBoxLayout();
    auto *bar = new QWidget(this);
    bar->setFixedSize(K::f(4), K::f(10));
    bar->setStyleSheet(QStringLiteral("background: #0179FF;"));
    m_titleLabel = new QLabel(QStringLiteral("已选列表"), this);
    m_titleLabel->setObjectName(QStringLiteral("pickedTitleLabel"));
    m_titleLabel->setStyleSheet(QStringLiteral("QLabel { font-size: %1; font-weight: 600; color: #333333;"
                                               " padding: %2 0px; }")
                                    .arg(px(12), px(5)));
    titleRow->addWidget(bar, 0);
    titleRow->addWidget(m_titleLabel, 0);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(QStringLiteral("pickedScrollArea"));
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->setStyleSheet(
        QStringLiteral("QScrollArea { border-radius: %1; background: #F5F7F9; }"
                       "QScrollBar:vertical { background: #f0f0f0; width: %2; border-radius: %3; }"
                       "QScrollBar::handle:vertical { background: #c0c0c0; border-radius: %3; min-height: %4; }"
                       "QScrollBar::handle:vertical:hover { background: #a0a0a0; }")
            .arg(px(10), px(4), px(2), px(10)));

    // The tiles' container sits in a host of its own, so a new pick can swap
    // in an empty container without reparenting thousands of styled tiles.
    auto *host = new QWidget();
    host->setObjectName(QStringLiteral("pickedTilesHost"));
    host->setStyleSheet(QStringLiteral("#pickedTilesHost, #pickedTiles { background: transparent; }"));
    m_tileHostLayout = new QVBoxLayout(host);
    m_tileHostLayout->setContentsMargins(0, 0, 0, 0);
    m_tileHostLayout->setSpacing(0);
    m_tileContainer = createTileContainer();
    m_scrollArea->setWidget(host);
    m_placeTimer = new QTimer(this);
    m_placeTimer->setInterval(0);
    connect(m_placeTimer, &QTimer::timeout, this, &tfhomephotos::placePendingPreviews);
    m_retireTimer = new QTimer(this);
    m_retireTimer->setInterval(0);
    connect(m_retireTimer, &QTimer::timeout, this, &tfhomephotos::deleteRetiredTiles);

    m_mainLayout->addLayout(titleRow, 0);
    m_mainLayout->addWidget(m_scrollArea, 1);
}

void tfhomephotos::setCurrentOrderInfo(int row, const OrderInfo &order)
{
    m_currentOrder = order;
    // Late previews of the old order are dropped by name and index; the GUI thread never waits here.
    m_thumbnailThread->cancelTasks();
    clearPhotos();
    if (row < 0) {
        m_titleLabel->setText(QStringLiteral("已选列表"));
        return;
    }
    m_titleLabel->setText(QStringLiteral("照片列表 - %1 (%2张)")
                              .arg(m_currentOrder.orderpayforkey)
                              .arg(PickedEntries::fileCount(m_currentOrder.photoList)));
    if (!m_currentOrder.photoList.isEmpty())
        m_thumbnailThread->setTasks(m_currentOrder.photoList);
}

QWidget *tfhomephotos::createTileContainer()
{
    // Tiles are placed by position rather than by a layout: a layout would
    // move every tile again each time one is added.
    auto *container = new QWidget(m_tileHostLayout->parentWidget());
    container->setObjectName(QStringLiteral("pickedTiles"));
    m_tileHostLayout->addWidget(container);
    return container;
}

void tfhomephotos::clearPhotos()
{
    // No event processing here: a nested call could otherwise mix two orders' tiles.
    m_pendingPreviews.clear();
    m_tileByIndex.clear();
    m_layoutColumns = 0;
    if (m_tiles.isEmpty()) {
        m_tileContainer->setMinimumHeight(0);
        return;
    }
    // The old tiles leave with their container, moved out of sight at once; thousands of
    // them are deleted a slice at a time so the GUI thread is never held long.
    QWidget *old = m_tileContainer;
    m_tileHostLayout->removeWidget(old);
    // Out of sight rather than hidden: hiding walks every tile.
    old->move(-old->width() - 1, -old->height() - 1);
    for (PhotoItem *tile : qAsConst(m_tiles))
        disconnect(tile, nullptr, this, nullptr);
    m_retiredTiles.append(m_tiles);
    m_retiredContainers.append(old);
    m_tiles.clear();
    m_tileContainer = createTileContainer();
    m_retireTimer->start();
}

void tfhomephotos::deleteRetiredTiles()
{
    constexpr int kSlice = 64;
    for (int i = 0; i < kSlice && !m_retiredTiles.isEmpty(); ++i)
        delete m_retiredTiles.takeLast();
    if (!m_retiredTiles.isEmpty())
        return;
    qDeleteAll(m_retiredContainers);
    m_retiredContainers.clear();
    m_retireTimer->stop();
}

PhotoItem *tfhomephotos::addPhoto(const PhotoInfo &photo)
{
    // Made inside the tile container: no reparenting when it is placed.
    auto *tile = new PhotoItem(photo, m_tileContainer);
    connect(tile, &PhotoItem::retryUploadClicked, this, &tfhomephotos::onRetryUploadClicked);
    m_tiles.append(tile);
    return tile;
}

void tfhomephotos::addPhotosBatch(const QList<PhotoInfo> &photos)
{
    for (const PhotoInfo &photo : photos)
        addPhoto(photo);
    updatePhotosLayout();
}

int tfhomephotos::calculateColumnsCount() const
{
    if (!m_scrollArea)
        return DEFAULT_COLUMNS;
    const int width = m_scrollArea->viewport()->width();
    int columns = (width - 2 * gridMargin() + K::f(PHOTO_ITEM_MARGIN))
                  / (K::f(PHOTO_ITEM_WIDTH) + K::f(PHOTO_ITEM_MARGIN));
    columns = qMax(columns, MIN_COLUMNS);
    if (!m_tiles.isEmpty())
        columns = qMin(columns, m_tiles.size());
    return columns;
}

void tfhomephotos::placeTile(int position, int columns)
{
    PhotoItem *tile = m_tiles.at(position);
    const int stepX = K::f(PHOTO_ITEM_WIDTH) + K::f(PHOTO_ITEM_MARGIN);
    const int stepY = K::f(PHOTO_ITEM_HEIGHT) + K::f(PHOTO_ITEM_MARGIN);
    tile->move(gridMargin() + (position % columns) * stepX, gridMargin() + (position / columns) * stepY);
    tile->show();
}

void tfhomephotos::resizeContainer(int columns)
{
    const int rows = (m_tiles.size() + columns - 1) / columns;
    const int height = 2 * gridMargin() + rows * K::f(PHOTO_ITEM_HEIGHT)
                       + qMax(0, rows - 1) * K::f(PHOTO_ITEM_MARGIN);
    if (m_tileContainer->minimumHeight() != height)
        m_tileContainer->setMinimumHeight(height);
}

void tfhomephotos::updatePhotosLayout()
{
    if (m_tiles.isEmpty())
        return;
    const int columns = calculateColumnsCount();
    for (int i = 0; i < m_tiles.size(); ++i)
        placeTile(i, columns);
    resizeContainer(columns);
    m_layoutColumns = columns;
}

void tfhomephotos::onThumbnailGenerated(const QString &fileName, const QString &filePath,
                                        const QImage &thumbnail, int index)
{
    // Previews of small photos come faster than tiles can be made: past a
    // few milliseconds in one turn of the event loop, they wait for the next.
    if (!m_pendingPreviews.isEmpty() || (m_burstClock.isValid() && m_burstClock.elapsed() >= kBurstMs)) {
        m_pendingPreviews.append({fileName, filePath, thumbnail, index});
        if (!m_placeTimer->isActive())
            m_placeTimer->start();
        return;
    }
    if (!m_burstClock.isValid()) {
        m_burstClock.start();
        QTimer::singleShot(0, this, [this] { m_burstClock.invalidate(); });
    }
    placePreview(fileName, filePath, thumbnail, index);
}

void tfhomephotos::placePendingPreviews()
{
    QElapsedTimer slice;
    slice.start();
    while (!m_pendingPreviews.isEmpty() && slice.elapsed() < kBurstMs) {
        const PendingPreview preview = m_pendingPreviews.takeFirst();
        placePreview(preview.fileName, preview.filePath, preview.thumbnail, preview.index);
    }
    if (m_pendingPreviews.isEmpty())
        m_placeTimer->stop();
}

void tfhomephotos::placePreview(const QString &fileName, const QString &filePath, const QImage &thumbnail,
                                int index)
{

    const QList<PhotoInfo> &entries = m_currentOrder.photoList;
    if (index < 0 || index >= entries.size())
        return;
    const PhotoInfo &entry = entries.at(index);
    // Matched by the picked file: a replacement's entry carries the name it has on the share.
    if (entry.url != filePath || QFileInfo(entry.url).fileName() != fileName)
        return;
    const int tileIndex = PickedEntries::tileIndexOf(entries, index);
    if (m_tileByIndex.contains(tileIndex))
        return; // a late preview of an earlier pick of this order

    // A photo's tile shows the state of all its copies, not just the full-size one.
    PhotoInfo shown = entry;
    shown.status = entry.statusOrigin;
    PhotoItem *tile = addPhoto(shown);
    m_tileByIndex.insert(tileIndex, tile);

    // Place only the new tile unless the column count changed.
    const int columns = calculateColumnsCount();
    if (columns == m_layoutColumns) {
        placeTile(m_tiles.size() - 1, columns);
        resizeContainer(columns);
    } else {
        updatePhotosLayout();
    }
    // The thread decodes; the pixmap is made here on the GUI thread.
    tile->updateThumbnail(QPixmap::fromImage(thumbnail));
}

void tfhomephotos::updatePhotoStatus(int index, const QString &fileName, PhotoStatus status,
                                     const QString &failure)
{
    // A result for another pick than the one shown (the order changed meanwhile) is dropped.
    const QList<PhotoInfo> &entries = m_currentOrder.photoList;
    if (!fileName.isEmpty() && index >= 0 && index < entries.size() && entries.at(index).img_name != fileName)
        return;
    const int fileEntry = PickedEntries::applyStatus(m_currentOrder.photoList, index, status, failure);
    if (fileEntry < 0)
        return;
    const int tileIndex = PickedEntries::tileIndexOf(m_currentOrder.photoList, index);
    if (PhotoItem *tile = m_tileByIndex.value(tileIndex)) {
        const PhotoInfo &file = m_currentOrder.photoList.at(fileEntry);
        tile->updateStatus(PhotoStatus(file.statusOrigin));
        tile->showFailure(file.statusOrigin == Failed ? file.failure : QString());
    }
}

void tfhomephotos::onAllThumbnailsCompleted()
{
    qCDebug(lcTransfer) << "所有缩略图生成完成";
}

void tfhomephotos::onRetryUploadClicked(const QString &filePath)
{
    emit retryUpload(filePath);
}

void tfhomephotos::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updatePhotosLayout();
}

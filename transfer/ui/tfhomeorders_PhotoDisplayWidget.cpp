#include "transfer/ui/tfhomeorders_PhotoDisplayWidget.h"

#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/QuitGuard.h"
#include "app/core/ServiceReply.h"
#include "platform/FolderRead.h"
#include "platform/MountRoot.h"
#include "platform/ShareGuard.h"
#include "transfer/engine/OrderFolder.h"
#include "transfer/engine/TFDelLocalPhotoImg.h"
#include "transfer/records/ImportTypes.h"
#include "transfer/ui/tfhomeorders_PhotoLoadWorker.h"
#include "widgets/DialogAnswer.h"
#include "widgets/SimpleDialog.h"

#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QMutexLocker>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <cerrno>
#include <sys/stat.h>

namespace {

const QString kLoadingText = QStringLiteral("加载中...");

QString pxs(int value)
{
    return K::s(K::f(value));
}

// The header's buttons share one look and differ in colours, width and a disabled rule.
QString headerButtonStyle(const QString &background, int minWidth, const QString &hover, const QString &pressed,
                          const QString &extra)
{
    return QStringLiteral("QPushButton {    background-color: ") + background
           + QStringLiteral(";    color: white;    border: none;    border-radius: ") + pxs(4)
           + QStringLiteral("px;    padding: ") + pxs(6) + QStringLiteral("px ") + pxs(8)
           + QStringLiteral("px;    font-size: ") + pxs(10) + QStringLiteral("px;    font-weight: 500;    min-width: ")
           + pxs(minWidth) + QStringLiteral("px;    height: ") + pxs(10)
           + QStringLiteral("px;}QPushButton:hover {    background-color: ") + hover
           + QStringLiteral(";}QPushButton:pressed {    background-color: ") + pressed + QStringLiteral(";}") + extra;
}

QString tileStyle()
{
    return QStringLiteral("QWidget {    background-color: #ffffff;    border: 1px solid #e0e0e0;    border-radius: ")
           + pxs(4) + QStringLiteral("px;    margin: ") + pxs(1)
           + QStringLiteral("px;}QWidget:hover {    border-color: #007aff;}");
}

QString newPictureStyle()
{
    return QStringLiteral("QLabel {    background-color: #f5f5f5;    border: 1px solid #e0e0e0;    border-radius: ")
           + pxs(2) + QStringLiteral("px;}");
}

const QString kReusedPictureStyle =
    QStringLiteral("QLabel {    background-color: #f5f5f5;    border: 1px solid #e0e0e0;    border-radius: 4px;}");

const QString kFailedPictureStyle = QStringLiteral(
    "QLabel {    background-color: #ffe6e6;    border: 1px solid #ffcccc;    border-radius: 4px;    color: #cc0000;}");

QString nameStyle()
{
    return QStringLiteral("QLabel {    font-size: ") + pxs(10)
           + QStringLiteral("px;    color: #666666;    background: transparent;    border: none;}");
}

QString compactCheckStyle(bool selected)
{
    if (selected) {
        return QStringLiteral("QPushButton {    background-color: #007aff;    border: 2px solid #007aff;    border-radius: ")
               + pxs(3) + QStringLiteral("px;    color: white;    font-size: ") + pxs(8)
               + QStringLiteral("px;    font-weight: bold;}QPushButton:hover {    background-color: #0056b3;    "
                                "border-color: #0056b3;}");
    }
    return QStringLiteral("QPushButton {    background-color: rgba(255, 255, 255, 0.9);    border: 2px solid #007aff;"
                          "    border-radius: ")
           + pxs(3) + QStringLiteral("px;    color: #007aff;    font-size: ") + pxs(8)
           + QStringLiteral("px;    font-weight: bold;}QPushButton:hover {    background-color: rgba(255, 255, 255, "
                            "1.0);    border-color: #0056b3;}");
}

QString largeCheckStyle(bool selected)
{
    if (selected) {
        return QStringLiteral("QPushButton {    background-color: #007aff;    border: 2px solid #007aff;    "
                              "border-radius: 6px;    color: white;    font-size: 16px;    font-weight: bold;}"
                              "QPushButton:hover {    background-color: #0056b3;    border-color: #0056b3;}");
    }
    return QStringLiteral("QPushButton {    background-color: rgba(255, 255, 255, 0.9);    border: 2px solid #007aff;"
                          "    border-radius: 6px;    color: #007aff;    font-size: 16px;    font-weight: bold;}"
                          "QPushButton:hover {    background-color: rgba(255, 255, 255, 1.0);    border-color: #0056b3;}");
}

template<typename T>
T *tileProperty(const QWidget *tile, const char *name)
{
    return static_cast<T *>(tile->property(name).value<void *>());
}

bool isVideoKind(int kind)
{
    return kind == TrialVideo || kind == RetouchedVideo;
}

// header and the first ten lines; more ("%1") tells how many are left out.
QString firstLines(const QString &header, const QStringList &lines, const QString &more)
{
    const int shown = 10;
    QString text = header + lines.mid(0, shown).join(QLatin1Char('\n'));
    if (lines.size() > shown)
        text += more.arg(lines.size() - shown);
    return text;
}

} // namespace

tfhomeorders_PhotoDisplayWidget::tfhomeorders_PhotoDisplayWidget(QWidget *parent)
    : QWidget(parent)
{
    m_delLocalThread = new TFDelLocalPhotoImg(this);
    setupUI();
    calculatePhotosPerRow();

    m_loaderThread = new QThread(this);
    m_loadWorker = new tfhomeorders_PhotoLoadWorker();
    m_loadWorker->moveToThread(m_loaderThread);
    // Its network manager's timers belong to the loader thread: it goes with that thread.
    connect(m_loaderThread, &QThread::finished, m_loadWorker, &QObject::deleteLater);
    connect(this, &tfhomeorders_PhotoDisplayWidget::loadPhotoRequest, m_loadWorker,
            &tfhomeorders_PhotoLoadWorker::loadPhoto);
    connect(m_loadWorker, &tfhomeorders_PhotoLoadWorker::photoLoaded, this,
            &tfhomeorders_PhotoDisplayWidget::onPhotoLoaded);
    connect(m_loadWorker, &tfhomeorders_PhotoLoadWorker::photoLoadFailed, this,
            &tfhomeorders_PhotoDisplayWidget::onPhotoLoadFailed);
    connect(this, &tfhomeorders_PhotoDisplayWidget::cancelAllPhotoRequests, m_loadWorker,
            &tfhomeorders_PhotoLoadWorker::cancelAllRequests);
    m_loaderThread->start(QThread::InheritPriority);
    // A panel still open at quit: its loader's event loop must not outlive the application.
    QuitGuard::atQuit(this, [this]() { stopLoader(); });

    m_visibleLoadTimer = new QTimer(this);
    m_visibleLoadTimer->setSingleShot(true);
    m_visibleLoadTimer->setInterval(100);
    connect(m_visibleLoadTimer, &QTimer::timeout, this, &tfhomeorders_PhotoDisplayWidget::loadVisiblePhotos);
    m_batchTimer = new QTimer(this);
    m_batchTimer->setSingleShot(true);
    m_batchTimer->setInterval(50);
    connect(m_batchTimer, &QTimer::timeout, this, &tfhomeorders_PhotoDisplayWidget::createPhotoItemsBatch);
    m_cleanupTimer = new QTimer(this);
    m_cleanupTimer->setInterval(300000);
    connect(m_cleanupTimer, &QTimer::timeout, this, &tfhomeorders_PhotoDisplayWidget::cleanupMemory);
    m_cleanupTimer->start();
}

tfhomeorders_PhotoDisplayWidget::~tfhomeorders_PhotoDisplayWidget()
{
    m_visibleLoadTimer->stop();
    m_batchTimer->stop();
    stopLoader();
    if (m_delLocalThread) {
        if (m_delLocalThread->isRunning()) {
            m_delLocalThread->quit();
            m_delLocalThread->wait();
        }
        delete m_delLocalThread;
        m_delLocalThread = nullptr;
    }
    clearRecycledItems();
}

void tfhomeorders_PhotoDisplayWidget::stopLoader()
{
    if (m_loaderThread->isRunning()) {
        m_loaderThread->quit();
        m_loaderThread->wait();
    }
    // Deleted on its own thread as that thread finished.
    m_loadWorker = nullptr;
}

void tfhomeorders_PhotoDisplayWidget::setupUI()
{
    m_mainLayout = new QVBoxLayout(this);
    m_mainLayout->setContentsMargins(K::f(5), K::f(5), K::f(5), K::f(5));

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(QStringLiteral("importedScrollArea"));
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->setStyleSheet(
        QStringLiteral("QScrollArea {    border: none;    background-color: #ffffff;    border: 1px solid #e0e0e0;"
                       "    border-radius: ")
        + pxs(6) + QStringLiteral("px;    padding: }QScrollBar:vertical {    background-color: #f0f0f0;    width: ")
        + pxs(6) + QStringLiteral("px;    border-radius: ") + pxs(3)
        + QStringLiteral("px;}QScrollBar::handle:vertical {    background-color: #c0c0c0;    border-radius: ") + pxs(3)
        + QStringLiteral("px;    min-height: ") + pxs(10)
        + QStringLiteral("px;}QScrollBar::handle:vertical:hover {    background-color: #a0a0a0;}"));

    m_gridContainer = new QWidget();
    m_gridContainer->setObjectName(QStringLiteral("importedGrid"));
    m_gridLayout = new QGridLayout(m_gridContainer);
    m_gridLayout->setSpacing(K::f(5));
    m_gridLayout->setContentsMargins(K::f(5), K::f(5), K::f(5), K::f(5));
    // Tiles keep their fixed size and gather at the top left.
    m_gridLayout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_scrollArea->setWidget(m_gridContainer);
    connect(m_scrollArea->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &tfhomeorders_PhotoDisplayWidget::onScrollValueChanged);

    auto *header = new QWidget(this);
    auto *headerLayout = new QHBoxLayout(header);
    auto *marker = new QWidget(header);
    marker->setFixedSize(K::f(4), K::f(10));
    marker->setStyleSheet(QStringLiteral("QWidget {  background-color: #0179FF;}"));
    m_titleLabel = new QLabel(QStringLiteral("已导入照片"), header);
    m_titleLabel->setObjectName(QStringLiteral("importedTitleLabel"));
    m_titleLabel->setStyleSheet(QStringLiteral("QLabel {    font-size: ") + pxs(12)
                                + QStringLiteral("px;    font-weight: 600;    color: #333333;    padding: ") + pxs(3)
                                + QStringLiteral("px 0px;}"));

    m_selectAllButton = new QPushButton(QStringLiteral("全选"), header);
    m_selectAllButton->setObjectName(QStringLiteral("selectAllButton"));
    m_selectAllButton->setStyleSheet(headerButtonStyle(QStringLiteral("#007aff"), 40, QStringLiteral("#0056b3"),
                                                       QStringLiteral("#004494"), QString()));
    connect(m_selectAllButton, &QPushButton::clicked, this, &tfhomeorders_PhotoDisplayWidget::onSelectAllToggled);

    m_deleteButton = new QPushButton(QStringLiteral("删除选中"), header);
    m_deleteButton->setObjectName(QStringLiteral("deleteSelectedButton"));
    m_deleteButton->setStyleSheet(headerButtonStyle(QStringLiteral("#ff3b30"), 50, QStringLiteral("#d12b20"),
                                                    QStringLiteral("#b91c1c"),
                                                    QStringLiteral("QPushButton:disabled {    background-color: #d3d3d3;    "
                                                                   "color: #a0a0a0;}")));
    m_deleteButton->setEnabled(false);
    connect(m_deleteButton, &QPushButton::clicked, this, &tfhomeorders_PhotoDisplayWidget::onDeleteSelectedPhotos);

    headerLayout->addWidget(marker);
    headerLayout->addWidget(m_titleLabel);
    headerLayout->addStretch();
    headerLayout->addWidget(m_selectAllButton);
    headerLayout->addWidget(m_deleteButton);

    m_mainLayout->addWidget(header);
    m_mainLayout->addWidget(m_scrollArea);

    QTimer::singleShot(10, this, &tfhomeorders_PhotoDisplayWidget::calculatePhotosPerRow);
}

void tfhomeorders_PhotoDisplayWidget::setDelBtnShow(int show)
{
    m_delBtnShow = show;
}

void tfhomeorders_PhotoDisplayWidget::dropShownPhotos()
{
    // A new generation stops the old batches; results of the old order are
    // dropped by their generation, so no events need to run here.
    ++m_generation;
    m_selectedCount = 0;
    m_visibleLoadTimer->stop();
    m_batchTimer->stop();
    emit cancelAllPhotoRequests();
    recyclePhotoItems();
}

void tfhomeorders_PhotoDisplayWidget::clearOrder()
{
    m_currentOrder = OrderInfo();
    dropShownPhotos();
    m_titleLabel->setText(QStringLiteral("已导入照片"));
    m_deleteButton->setEnabled(false);
    updateSelectAllButtonText();
}

void tfhomeorders_PhotoDisplayWidget::loadPhotosForOrder(const OrderInfo &order)
{
    m_currentOrder = order;
    const bool deletable = m_delBtnShow != 0 && order.issample != QLatin1String("1");
    m_deleteButton->setVisible(deletable);
    m_selectAllButton->setVisible(deletable);

    dropShownPhotos();
    calculatePhotosPerRow();

    m_shownKind = Config::k_importType;
    const QList<PhotoInfo> &list = m_shownKind == RetouchedVideo ? order.importedRetouchedVideos
                                   : m_shownKind == TrialVideo   ? order.importedTrialVideos
                                                                 : order.importedPhotos;
    QStringList urls;
    QStringList names;
    QStringList ids;
    QStringList localPaths;
    for (const PhotoInfo &photo : list) {
        urls.append(photo.url);
        names.append(photo.img_name);
        ids.append(photo.id);
        localPaths.append(photo.localpath);
    }
    m_titleLabel->setText(QStringLiteral("已导入：") + K::s(names.size()));
    if (!urls.isEmpty()) {
        preparePhotoDisplayData(urls, names, ids, localPaths);
        placeFirstScreen();
        m_visibleLoadTimer->start();
    }
    m_deleteButton->setEnabled(m_selectedCount >= 1);
    updateSelectAllButtonText();
}

void tfhomeorders_PhotoDisplayWidget::takeAllTilesOutOfGrid()
{
    // From the end: removing widgets one by one would search the layout each time.
    while (m_gridLayout->count() > 0)
        delete m_gridLayout->takeAt(m_gridLayout->count() - 1);
}

void tfhomeorders_PhotoDisplayWidget::recyclePhotoItems()
{
    QMutexLocker lock(&m_dataMutex);
    takeAllTilesOutOfGrid();
    for (int i = m_photoDataList.size() - 1; i >= 0; --i) {
        QWidget *tile = m_photoDataList.at(i).itemWidget;
        if (!tile)
            continue;
        tile->hide();
        if (QLabel *picture = tileProperty<QLabel>(tile, "photoLabel")) {
            picture->clear();
            picture->setText(kLoadingText);
        }
        if (m_recyclePool.size() >= m_maxRecycleCount)
            tile->deleteLater();
        else
            m_recyclePool.append(tile);
    }
    m_photoDataList.clear();
    m_photoUrls.clear();
    m_photoNames.clear();
    m_createdCount = 0;
}

void tfhomeorders_PhotoDisplayWidget::preparePhotoDisplayData(const QStringList &urls, const QStringList &names,
                                                              const QStringList &ids,
                                                              const QStringList &localPaths)
{
    QMutexLocker lock(&m_dataMutex);
    m_photoUrls = urls;
    m_photoNames = names;
    m_createdCount = 0;
    const int count = qMin(urls.size(), names.size());
    m_photoDataList.reserve(count);
    for (int i = 0; i < count; ++i) {
        PhotoDisplayData entry;
        entry.id = ids.value(i);
        entry.name = names.at(i);
        entry.url = urls.at(i);
        entry.localPath = localPaths.value(i);
        m_photoDataList.append(entry);
    }
}

void tfhomeorders_PhotoDisplayWidget::emitRequests(const QList<int> &indices)
{
    // Called after the data lock is released: no signal goes out under it.
    const bool video = isVideoKind(m_shownKind);
    for (int index : indices) {
        const PhotoDisplayData &entry = m_photoDataList.at(index);
        emit loadPhotoRequest(entry.url, entry.name, index, m_generation, video);
    }
}

void tfhomeorders_PhotoDisplayWidget::loadVisiblePhotos()
{
    if (!m_scrollArea->isVisible() || !m_gridContainer)
        return;
    const int viewHeight = m_scrollArea->viewport()->height();
    const int top = m_scrollArea->verticalScrollBar()->value();

    QList<int> requests;
    {
        QMutexLocker lock(&m_dataMutex);
        for (int i = 0; i < m_photoDataList.size(); ++i) {
            PhotoDisplayData &entry = m_photoDataList[i];
            if (!entry.itemWidget) {
                const int rowTop = (m_itemHeight + 10) * (i / m_photosPerRow);
                if (rowTop < top + 2 * viewHeight) {
                    if (!m_batchTimer->isActive())
                        m_batchTimer->start();
                    break;
                }
                continue;
            }
            if (entry.isLoaded || entry.isLoading || !entry.itemWidget->isVisible())
                continue;
            const QRect geometry = entry.itemWidget->geometry();
            if (geometry.bottom() > top && geometry.top() < top + viewHeight) {
                entry.isLoading = true;
                requests.append(i);
            }
        }
    }
    emitRequests(requests);
}

int tfhomeorders_PhotoDisplayWidget::rowTop(int index) const
{
    // Where the layout will put the row: margin, then tile height plus spacing per row.
    return K::f(5) + (index / m_photosPerRow) * (K::f(m_itemHeight) + K::f(5));
}

void tfhomeorders_PhotoDisplayWidget::placeFirstScreen()
{
    // The tiles in view are made and asked for at once, so a new order shows
    // without waiting for the batch and load timers; the rest still comes in
    // timed batches. A new order starts at the top, as it did when the
    // emptied grid was laid out before its first tile came.
    if (!m_scrollArea->isVisible())
        return;
    m_scrollArea->verticalScrollBar()->setValue(0);
    const int viewHeight = m_scrollArea->viewport()->height();
    QList<int> requests;
    {
        QMutexLocker lock(&m_dataMutex);
        int i = m_createdCount;
        for (; i < m_photoDataList.size() && rowTop(i) < viewHeight; ++i) {
            PhotoDisplayData &entry = m_photoDataList[i];
            if (entry.itemWidget)
                continue;
            placeTile(entry, getOrCreatePhotoItem(i), i);
            // The layout would show a new tile only on a later turn.
            entry.itemWidget->show();
            if (!entry.url.isEmpty()) {
                entry.isLoading = true;
                requests.append(i);
            }
        }
        m_createdCount = i;
    }
    emitRequests(requests);
}

void tfhomeorders_PhotoDisplayWidget::placeTile(PhotoDisplayData &entry, QWidget *tile, int index)
{
    entry.itemWidget = tile;
    entry.photoLabel = tileProperty<QLabel>(tile, "photoLabel");
    entry.nameLabel = tileProperty<QLabel>(tile, "nameLabel");
    m_gridLayout->addWidget(tile, index / m_photosPerRow, index % m_photosPerRow);
}

void tfhomeorders_PhotoDisplayWidget::createPhotoItemsBatch()
{
    bool more = false;
    bool reachedView = false;
    {
        QMutexLocker lock(&m_dataMutex);
        const int start = m_createdCount;
        const int count = m_photoDataList.size();
        if (start >= count)
            return;
        const int generation = m_generation;
        const int end = qMin(start + m_batchSize, count);
        const int viewBottom = m_scrollArea->verticalScrollBar()->value() + m_scrollArea->viewport()->height();
        for (int i = start; i < end; ++i) {
            if (m_generation != generation)
                return;
            PhotoDisplayData &entry = m_photoDataList[i];
            if (!entry.itemWidget) {
                placeTile(entry, getOrCreatePhotoItem(i), i);
                reachedView = reachedView || (m_itemHeight + 10) * (i / m_photosPerRow) < viewBottom;
            }
        }
        m_createdCount = start + m_batchSize;
        more = m_createdCount < count && m_generation == generation;
    }
    if (more) {
        m_batchTimer->start();
        // A long list keeps making tiles for a while: the ones in view get
        // their pictures now rather than after the last batch.
        if (reachedView && !m_visibleLoadTimer->isActive())
            m_visibleLoadTimer->start();
    } else {
        QTimer::singleShot(100, this, &tfhomeorders_PhotoDisplayWidget::loadVisiblePhotos);
    }
}

void tfhomeorders_PhotoDisplayWidget::onPhotoLoaded(const QImage &image, const QString &photoName, int index,
                                                    int generation)
{
    QMutexLocker lock(&m_dataMutex);
    if (generation != m_generation || index < 0 || index >= m_photoDataList.size())
        return;
    PhotoDisplayData &entry = m_photoDataList[index];
    if (entry.name != photoName || !entry.itemWidget)
        return;
    entry.isLoading = false;
    entry.isLoaded = true;
    if (entry.photoLabel) {
        entry.photoLabel->clear();
        entry.photoLabel->setPixmap(QPixmap::fromImage(image));
    }
}

void tfhomeorders_PhotoDisplayWidget::onPhotoLoadFailed(const QString &photoName, int index, int generation)
{
    QMutexLocker lock(&m_dataMutex);
    if (generation != m_generation || index < 0 || index >= m_photoDataList.size())
        return;
    PhotoDisplayData &entry = m_photoDataList[index];
    if (entry.name != photoName || !entry.itemWidget)
        return;
    entry.isLoading = false;
    if (entry.photoLabel) {
        entry.photoLabel->clear();
        entry.photoLabel->setText(QStringLiteral("加载失败"));
        entry.photoLabel->setStyleSheet(kFailedPictureStyle);
    }
}

void tfhomeorders_PhotoDisplayWidget::calculatePhotosPerRow()
{
    if (!m_scrollArea)
        return;
    const int width = m_scrollArea->viewport()->width();
    int perRow = (width - 2 * (K::f(5) + K::f(5))) / (K::f(m_itemWidth) + K::f(5));
    if (perRow < 2)
        perRow = 1;
    if (perRow == m_photosPerRow)
        return;
    m_photosPerRow = perRow;
    if (!m_photoDataList.isEmpty())
        relayoutPhotoGrid();
}

void tfhomeorders_PhotoDisplayWidget::relayoutPhotoGrid()
{
    if (!m_gridLayout || m_photoDataList.isEmpty())
        return;
    QMutexLocker lock(&m_dataMutex);
    takeAllTilesOutOfGrid();
    for (int i = 0; i < m_photoDataList.size(); ++i) {
        if (QWidget *tile = m_photoDataList.at(i).itemWidget)
            m_gridLayout->addWidget(tile, i / m_photosPerRow, i % m_photosPerRow);
    }
}

void tfhomeorders_PhotoDisplayWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    QTimer::singleShot(100, this, &tfhomeorders_PhotoDisplayWidget::calculatePhotosPerRow);
}

void tfhomeorders_PhotoDisplayWidget::onScrollValueChanged(int)
{
    if (m_visibleLoadTimer->isActive())
        m_visibleLoadTimer->stop();
    m_visibleLoadTimer->start(200);
}

void tfhomeorders_PhotoDisplayWidget::addSinglePhoto(const PhotoInfo &photo)
{
    QList<int> requests;
    QMutexLocker lock(&m_dataMutex);
    PhotoDisplayData entry;
    entry.id = photo.id;
    entry.name = photo.img_name;
    entry.url = photo.url;
    entry.localPath = photo.localpath;
    m_photoDataList.append(entry);
    const int index = m_photoDataList.size() - 1;
    PhotoDisplayData &added = m_photoDataList[index];
    placeTile(added, createPhotoItem(photo.img_name, index), index);
    m_titleLabel->setText(QStringLiteral("已导入照片：") + K::s(m_photoDataList.size()) + QStringLiteral("张"));

    // The layout places the tile later; its row gives where it will be.
    const int top = rowTop(index);
    const int viewTop = m_scrollArea->verticalScrollBar()->value();
    const int viewHeight = m_scrollArea->viewport()->height();
    if (!added.url.isEmpty() && top + K::f(m_itemHeight) - 1 > viewTop && top < viewTop + viewHeight) {
        added.isLoading = true;
        requests.append(index);
    }
    m_deleteButton->setEnabled(m_selectedCount >= 1);
    updateSelectAllButtonText();
    lock.unlock();
    emitRequests(requests);
}

void tfhomeorders_PhotoDisplayWidget::cleanupMemory()
{
    clearRecycledItems();
}

void tfhomeorders_PhotoDisplayWidget::clearRecycledItems()
{
    for (QWidget *tile : qAsConst(m_recyclePool))
        tile->deleteLater();
    m_recyclePool.clear();
}

// ---- tiles --------------------------------------------------------------

void tfhomeorders_PhotoDisplayWidget::setCheckLook(QPushButton *button, bool selected, bool large)
{
    button->setText(selected ? QStringLiteral("✓") : QString());
    button->setStyleSheet(large ? largeCheckStyle(selected) : compactCheckStyle(selected));
}

QWidget *tfhomeorders_PhotoDisplayWidget::createPhotoItem(const QString &name, int index)
{
    auto *tile = new QWidget();
    tile->setObjectName(QStringLiteral("importedTile"));
    tile->setFixedSize(K::f(m_itemWidth), K::f(m_itemHeight));
    tile->setStyleSheet(tileStyle());
    auto *layout = new QVBoxLayout(tile);
    layout->setContentsMargins(K::f(2), K::f(2), K::f(2), K::f(2));
    layout->setSpacing(K::f(2));

    auto *pictureArea = new QWidget(tile);
    pictureArea->setFixedSize(K::f(90), K::f(90));
    auto *picture = new QLabel(pictureArea);
    picture->setObjectName(QStringLiteral("photoLabel"));
    picture->setFixedSize(K::f(90), K::f(90));
    picture->setAlignment(Qt::AlignCenter);
    picture->setStyleSheet(newPictureStyle());
    picture->setText(kLoadingText);

    auto *check = new QPushButton(pictureArea);
    check->setObjectName(QStringLiteral("selectButton"));
    check->setGeometry(K::f(3), K::f(3), K::f(14), K::f(14));
    check->raise();
    check->setCheckable(true);
    check->setChecked(false);
    setCheckLook(check, false, false);
    connect(check, &QPushButton::clicked, this, [this, check, index]() {
        const bool on = check->isChecked();
        setCheckLook(check, on, false);
        onPhotoSelectionChanged(index, on);
    });

    auto *nameLabel = new QLabel(name, tile);
    nameLabel->setObjectName(QStringLiteral("nameLabel"));
    nameLabel->setWordWrap(true);
    nameLabel->setAlignment(Qt::AlignCenter);
    nameLabel->setStyleSheet(nameStyle());

    layout->addWidget(pictureArea);
    layout->addWidget(nameLabel);
    tile->setProperty("photoLabel", QVariant::fromValue(static_cast<void *>(picture)));
    tile->setProperty("nameLabel", QVariant::fromValue(static_cast<void *>(nameLabel)));
    tile->setProperty("selectButton", QVariant::fromValue(static_cast<void *>(check)));
    tile->setProperty("photoIndex", index);
    tile->installEventFilter(this);
    return tile;
}

QWidget *tfhomeorders_PhotoDisplayWidget::getOrCreatePhotoItem(int index)
{
    if (m_recyclePool.isEmpty())
        return createPhotoItem(m_photoNames.value(index), index);
    QWidget *tile = m_recyclePool.takeFirst();
    updatePhotoItemContent(tile, m_photoNames.value(index), index);
    return tile;
}

void tfhomeorders_PhotoDisplayWidget::updatePhotoItemContent(QWidget *tile, const QString &name, int index)
{
    if (!tile)
        return;
    if (QLabel *picture = tileProperty<QLabel>(tile, "photoLabel")) {
        picture->clear();
        picture->setText(kLoadingText);
        picture->setStyleSheet(kReusedPictureStyle);
    }
    if (QLabel *nameLabel = tileProperty<QLabel>(tile, "nameLabel"))
        nameLabel->setText(name);
    if (QPushButton *check = tileProperty<QPushButton>(tile, "selectButton")) {
        check->setChecked(false);
        check->setText(QString());
        check->raise();
        check->setStyleSheet(largeCheckStyle(false));
        tile->setProperty("photoIndex", index);
        tile->installEventFilter(this);
        disconnect(check, &QPushButton::clicked, nullptr, nullptr);
        connect(check, &QPushButton::clicked, this, [this, check, index]() {
            const bool on = check->isChecked();
            setCheckLook(check, on, true);
            onPhotoSelectionChanged(index, on);
        });
    }
    tile->show();
}

void tfhomeorders_PhotoDisplayWidget::createPhotoDisplayItems(const QStringList &urls, const QStringList &names)
{
    QMutexLocker lock(&m_dataMutex);
    const int count = qMin(urls.size(), names.size());
    for (int i = 0; i < count; ++i) {
        PhotoDisplayData entry;
        entry.name = names.at(i);
        entry.url = urls.at(i);
        placeTile(entry, createPhotoItem(names.at(i), i), i);
        m_photoDataList.append(entry);
    }
}

void tfhomeorders_PhotoDisplayWidget::clearPhotoDisplay()
{
    QMutexLocker lock(&m_dataMutex);
    ++m_generation;
    takeAllTilesOutOfGrid();
    for (int i = m_photoDataList.size() - 1; i >= 0; --i) {
        if (QWidget *tile = m_photoDataList.at(i).itemWidget) {
            tile->hide();
            tile->deleteLater();
        }
    }
    m_photoDataList.clear();
}

bool tfhomeorders_PhotoDisplayWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        auto *tile = qobject_cast<QWidget *>(watched);
        auto *press = static_cast<QMouseEvent *>(event);
        if (tile && press->button() == Qt::LeftButton && tile->property("photoIndex").isValid()) {
            auto *check = tileProperty<QPushButton>(tile, "selectButton");
            const QPoint onTile = press->pos();
            const bool onCheck = check && check->rect().contains(check->mapFrom(tile, onTile));
            if (check && !onCheck) {
                const QPoint at(10, 10);
                QMouseEvent down(QEvent::MouseButtonPress, at, check->mapToGlobal(at), Qt::LeftButton,
                                 Qt::LeftButton, Qt::NoModifier);
                QMouseEvent up(QEvent::MouseButtonRelease, at, check->mapToGlobal(at), Qt::LeftButton,
                               Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(check, &down);
                QCoreApplication::sendEvent(check, &up);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- selection ----------------------------------------------------------

void tfhomeorders_PhotoDisplayWidget::onPhotoSelectionChanged(int index, bool selected)
{
    QMutexLocker lock(&m_dataMutex);
    if (index < 0 || index >= m_photoDataList.size())
        return;
    PhotoDisplayData &entry = m_photoDataList[index];
    if (entry.isSelected == selected)
        return;
    entry.isSelected = selected;
    m_selectedCount += selected ? 1 : -1;
    m_deleteButton->setEnabled(m_selectedCount > 0);
    updateSelectAllButtonText();
}

void tfhomeorders_PhotoDisplayWidget::onSelectAllToggled()
{
    QMutexLocker lock(&m_dataMutex);
    const bool selectAll = m_selectedCount < m_photoDataList.size();
    for (PhotoDisplayData &entry : m_photoDataList) {
        entry.isSelected = selectAll;
        if (!entry.itemWidget)
            continue;
        if (QPushButton *check = tileProperty<QPushButton>(entry.itemWidget, "selectButton")) {
            const QSignalBlocker blocker(check);
            check->setChecked(selectAll);
            setCheckLook(check, selectAll, true);
        }
    }
    m_selectedCount = selectAll ? m_photoDataList.size() : 0;
    m_deleteButton->setEnabled(m_selectedCount >= 1);
    updateSelectAllButtonText();
}

void tfhomeorders_PhotoDisplayWidget::clearAllSelections()
{
    QMutexLocker lock(&m_dataMutex);
    for (PhotoDisplayData &entry : m_photoDataList) {
        entry.isSelected = false;
        if (!entry.itemWidget)
            continue;
        if (QPushButton *check = tileProperty<QPushButton>(entry.itemWidget, "selectButton")) {
            const QSignalBlocker blocker(check);
            check->setChecked(false);
            setCheckLook(check, false, true);
        }
    }
    m_selectedCount = 0;
    m_deleteButton->setEnabled(false);
    updateSelectAllButtonText();
}

void tfhomeorders_PhotoDisplayWidget::updateSelectAllButtonText()
{
    const bool all = m_selectedCount != 0 && m_selectedCount == m_photoDataList.size();
    m_selectAllButton->setText(all ? QStringLiteral("取消全选") : QStringLiteral("全选"));
}

void tfhomeorders_PhotoDisplayWidget::updateSelectionUI()
{
    m_deleteButton->setEnabled(m_selectedCount >= 1);
    updateSelectAllButtonText();
}

QStringList tfhomeorders_PhotoDisplayWidget::getSelectedPhotoNames() const
{
    QStringList names;
    for (const PhotoDisplayData &entry : m_photoDataList) {
        if (entry.isSelected)
            names.append(entry.name);
    }
    return names;
}

// ---- deletion -----------------------------------------------------------

QString tfhomeorders_PhotoDisplayWidget::localFileForDeletion(const QString &localpath)
{
    const bool unc = localpath.startsWith(QLatin1String("\\\\")) || localpath.startsWith(QLatin1String("//"));
    QString path;
    if (unc) {
        path = K::pathConvert(localpath);
        while (path.endsWith(QLatin1Char('/')))
            path.chop(1);
    } else {
        path = localpath;
    }
    return MountRoot::isOnShare(path) ? path : QString();
}

void tfhomeorders_PhotoDisplayWidget::onDeleteSelectedPhotos()
{
    int selected = 0;
    for (const PhotoDisplayData &entry : m_photoDataList)
        selected += entry.isSelected ? 1 : 0;
    if (selected == 0)
        return;
    // Deleting cannot be undone: nothing goes out before the user agrees.
    const int generation = m_generation;
    QPointer<tfhomeorders_PhotoDisplayWidget> self(this);
    SimpleDialog::confirm(this, QStringLiteral("温馨提示"),
                          QStringLiteral("确定删除选中的%1张照片吗？删除后无法恢复。").arg(selected),
                          DialogAnswer::afterClose(this, [self, generation](bool ok) {
                              if (ok && self && self->m_generation == generation)
                                  self->postDelPhotos();
                          }));
}

QString tfhomeorders_PhotoDisplayWidget::pinOrderShare(const QString &orderFolder, ShareGuard *share,
                                                       QString *within)
{
    within->clear();
    if (!share->pin(orderFolder))
        return K::missingShareMessage(orderFolder);
    // Before the folder is looked into: reached through a link, it may be another order's.
    OrderFolder folder;
    if (!folder.resolve(orderFolder, *share) && folder.isLinked())
        return folder.problem();
    *within = folder.realPlace();
    // A folder that is not there holds no files: only the records go.
    struct stat info;
    if (::stat(QFile::encodeName(orderFolder).constData(), &info) != 0 && errno == ENOENT && share->stillThere())
        return QString();
    // A share whose server went away may still answer a look-up from its cache; a listing asks the server.
    if (FolderRead::listingError(orderFolder) != 0)
        return K::missingShareMessage(orderFolder);
    if (!share->reaches(orderFolder)) {
        return share->stillThere() ? QStringLiteral("订单目录不在共享目录内: %1").arg(orderFolder)
                                   : K::missingShareMessage(orderFolder);
    }
    return QString();
}

void tfhomeorders_PhotoDisplayWidget::showBox(bool warning, const QString &text)
{
    QTimer::singleShot(0, this, [this, warning, text]() {
        if (warning)
            QMessageBox::warning(this, QStringLiteral("温馨提示"), text, QMessageBox::Ok);
        else
            QMessageBox::information(this, QStringLiteral("温馨提示"), text, QMessageBox::Ok);
    });
}

QString tfhomeorders_PhotoDisplayWidget::keptPhotosText(const QStringList &kept)
{
    return firstLines(QStringLiteral("以下照片未删除：\n"), kept, QStringLiteral("\n…另有%1张照片未删除"));
}

void tfhomeorders_PhotoDisplayWidget::postDelPhotos()
{
    QStringList ids;
    QStringList names;
    QStringList localPaths;
    // Photos not asked for, each with why: their records and every copy stay.
    QStringList kept;
    for (int i = m_photoDataList.size() - 1; i >= 0; --i) {
        const PhotoDisplayData &entry = m_photoDataList.at(i);
        if (!entry.isSelected)
            continue;
        // No request names a photo by an empty id, nor removes its files.
        if (entry.id.isEmpty()) {
            kept.append(entry.name + QStringLiteral("：") + ServiceReply::unusableIdText());
            continue;
        }
        ids.append(entry.id);
        names.append(entry.name);
        localPaths.append(entry.localPath);
    }
    // No request may carry an empty order id.
    if (!m_currentOrder.hasIds()) {
        qCWarning(lcTransfer) << "订单数据错误，不删除:" << m_currentOrder.orderpayforkey;
        showBox(true, QStringLiteral("订单数据错误"));
        return;
    }
    const QString orderFolder = K::generateImportPathByOrder(m_currentOrder);
    // Looked at before the folder is: a far too long path would hold the window.
    const QString tooLong = K::pathTooLongMessage(orderFolder);
    if (!tooLong.isEmpty()) {
        showBox(true, tooLong);
        return;
    }
    // The files go only from the share they are on: nothing is sent while it is not there.
    ShareGuard share;
    // The order's folder as pinned: a photo whose copies would be refused at
    // their removal (a size folder linked off the share or into another
    // order, a path naming another order's file) is not deleted; its record
    // stays with its files.
    QString within;
    const QString problem = pinOrderShare(orderFolder, &share, &within);
    if (!problem.isEmpty()) {
        qCWarning(lcTransfer) << "共享目录不可用，不删除:" << problem;
        showBox(true, problem);
        return;
    }
    QHash<QString, QString> folderRefusals;
    for (int i = 0; i < ids.size();) {
        const QString file = localFileForDeletion(localPaths.at(i));
        QString refusal;
        if (!file.isEmpty())
            refusal = TFDelLocalPhotoImg::folderRefusal(file, share, within, &folderRefusals);
        else if (!localPaths.at(i).isEmpty())
            refusal = K::pathOffShareText();
        if (refusal.isEmpty()) {
            ++i;
            continue;
        }
        qCWarning(lcTransfer) << "照片目录不可删除，不删除:" << names.at(i) << refusal;
        kept.append(names.at(i) + QStringLiteral("：") + refusal);
        ids.removeAt(i);
        names.removeAt(i);
        localPaths.removeAt(i);
    }
    // Nothing is asked for without an id to name.
    if (ids.isEmpty()) {
        showBox(true, keptPhotosText(kept));
        return;
    }
    const QString orderPhotoId = m_currentOrder.order_photo_id;
    const QByteArray body = FormBody()
                                .add(QStringLiteral("order_photo_id"), orderPhotoId)
                                .add(QStringLiteral("ids"), ids.join(QLatin1Char(',')))
                                .add(QStringLiteral("shopid"), m_shopId)
                                .add(QStringLiteral("eid"), m_eid)
                                .add(QStringLiteral("superid"), m_superId)
                                .add(QStringLiteral("personid"), m_eid)
                                .toBytes();
    const QString path = isVideoKind(m_shownKind) ? QStringLiteral("&m=order&a=delmv")
                                                  : QStringLiteral("&m=order&a=delimages");
    auto *request = new BaseReq(this);
    request->getResultData(path, body,
                           [this, request, orderPhotoId, names, localPaths, share, within,
                            kept](bool ok, const QJsonDocument &reply) {
                               onDeleteReply(ok, reply, orderPhotoId, names, localPaths, share, within, kept);
                               request->deleteLater();
                           });
}

void tfhomeorders_PhotoDisplayWidget::onDeleteReply(bool ok, const QJsonDocument &reply,
                                                    const QString &orderPhotoId, const QStringList &names,
                                                    const QStringList &localPaths, const ShareGuard &share,
                                                    const QString &within, const QStringList &kept)
{
    if (!ok)
        return;
    const QJsonObject object = reply.object();
    switch (ServiceReply::codeOf(object)) {
    case ServiceReply::Code::BadForm:
        showBox(true, ServiceReply::badFormMessage());
        return;
    case ServiceReply::Code::Refused:
        showBox(true, object.value(QStringLiteral("message")).toString());
        return;
    case ServiceReply::Code::Accepted:
        break;
    }

    // The records are gone; the files go from the share pinned before the
    // request, off the GUI thread: a network share removes many copies slowly.
    QPointer<tfhomeorders_PhotoDisplayWidget> self(this);
    QThread *worker = QThread::create([self, names, localPaths, share, within, orderPhotoId, kept,
                                       beforeRemoval = m_beforeFileRemoval]() {
        QStringList left;
        for (int i = 0; i < localPaths.size(); ++i) {
            const QString file = localFileForDeletion(localPaths.at(i));
            if (file.isEmpty()) {
                qCWarning(lcTransfer) << "拒绝删除不在共享盘上的路径:" << localPaths.at(i);
                left.append(names.value(i) + QStringLiteral("：") + K::pathOffShareText());
                continue;
            }
            const QList<TFDelLocalPhotoImg::Failure> failures =
                TFDelLocalPhotoImg::removeOnShare({file}, share, within, beforeRemoval);
            for (const TFDelLocalPhotoImg::Failure &failure : failures)
                left.append(failure.path + QStringLiteral("：") + failure.reason);
        }
        QMetaObject::invokeMethod(
            qApp,
            [self, left, kept, orderPhotoId]() {
                if (self)
                    self->onFilesRemoved(left, kept, orderPhotoId);
            },
            Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void tfhomeorders_PhotoDisplayWidget::onFilesRemoved(const QStringList &left, const QStringList &kept,
                                                     const QString &orderPhotoId)
{
    if (left.isEmpty() && kept.isEmpty()) {
        showBox(false, QStringLiteral("删除成功"));
    } else {
        QStringList parts;
        if (!kept.isEmpty())
            parts << keptPhotosText(kept);
        if (!left.isEmpty())
            parts << firstLines(QStringLiteral("照片记录已删除，以下文件未能删除：\n"), left,
                                QStringLiteral("\n…另有%1个文件未能删除"));
        showBox(true, parts.join(QLatin1Char('\n')));
    }
    emit reloadOrderThumbnail(orderPhotoId);
}

#include "widgets/ThumbnailTableView.h"
#include "ui_ThumbnailTableView.h"

#include "app/core/Logging.h"
#include "app/core/QuitGuard.h"
#include "widgets/ThumbnailItemData.h"
#include "widgets/ThumbnailLoadWorker.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char kPhotoIndex[] = "photoIndex";
const char kPhotoLabel[] = "photoLabel";
const char kNameLabel[] = "nameLabel";
const char kSelectButton[] = "selectButton";
const char kFailed[] = "failed";
const QString kLoadingText = QStringLiteral("加载中...");
const QString kFailedText = QStringLiteral("加载失败");
const QString kCheckMark = QStringLiteral("✓");

constexpr int kPhotoAreaSize = 90;
constexpr int kButtonOffset = 3;
constexpr int kButtonSize = 14;
constexpr int kGridSpacing = 5;
constexpr int kGridMargin = 5;
// Outgoing cards go a slice per tick, at a pace that leaves the cores to the
// pictures of the new list: spinning through them would hold back its first screen.
constexpr int kRetireSlice = 16;
constexpr int kRetireIntervalMs = 16;
// Four styled cards are a few milliseconds of GUI work, even on a busy machine.
constexpr int kBatchIntervalMs = 25;

// One sheet for the scroll area and every card in it: the looks are the same
// for all cards, and thousands of per-card sheets would cost memory and time.
const QString kGridStyle = QStringLiteral(
    "QScrollArea { border: 1px solid #e0e0e0; background-color: #ffffff; border-radius: 6px; }"
    " QScrollBar:vertical { background: #f0f0f0; width: 6px; border-radius: 3px; }"
    " QScrollBar::handle:vertical { background: #c0c0c0; border-radius: 3px; min-height: 10px; }"
    " QScrollBar::handle:vertical:hover { background: #a0a0a0; }"
    " QWidget#thumbnailCard { background-color: #ffffff; border: 1px solid #e0e0e0;"
    " border-radius: 4px; margin: 1px; }"
    " QWidget#thumbnailCard:hover { border-color: #007aff; }"
    " QLabel#photoLabel { background-color: #f5f5f5; border: 1px solid #e0e0e0;"
    " border-radius: 2px; }"
    " QLabel#photoLabel[failed=\"true\"] { background-color: #ffe6e6; border: 1px solid #ffcccc;"
    " border-radius: 2px; color: #cc0000; }"
    " QLabel#nameLabel { font-size: 10px; color: #666666; background: transparent; border: none; }"
    " QPushButton#selectButton { background-color: rgba(255, 255, 255, 0.9);"
    " border: 2px solid #007aff; border-radius: 3px; color: #007aff; font-size: 8px;"
    " font-weight: bold; padding: 0px; }"
    " QPushButton#selectButton:hover { background-color: rgba(255, 255, 255, 1.0);"
    " border-color: #0056b3; }"
    " QPushButton#selectButton:checked { background-color: #007aff; border-color: #007aff;"
    " color: white; }"
    " QPushButton#selectButton:checked:hover { background-color: #0056b3;"
    " border-color: #007aff; }");

template<typename T>
T *cardPart(QWidget *card, const char *name)
{
    return static_cast<T *>(card->property(name).value<void *>());
}

void setFailedProperty(QLabel *label, bool failed)
{
    if (label->property(kFailed).toBool() == failed)
        return;
    label->setProperty(kFailed, failed);
    label->style()->unpolish(label);
    label->style()->polish(label);
}

} // namespace

ThumbnailTableView::ThumbnailTableView(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::ThumbnailTableView)
{
    ui->setupUi(this);
    setupUI();
    calculatePhotosPerRow();
    userEnabled = true;

    loaderThread = new QThread(this);
    loaderThread->setObjectName(QStringLiteral("ThumbnailLoader"));
    loader = new ThumbnailLoadWorker;
    loader->moveToThread(loaderThread);
    connect(this, &ThumbnailTableView::loadPhotoRequest, loader, &ThumbnailLoadWorker::loadPhoto);
    connect(this, &ThumbnailTableView::cancelAllPhotoRequests, loader,
            &ThumbnailLoadWorker::cancelAllRequests);
    connect(loader, &ThumbnailLoadWorker::photoLoaded, this, &ThumbnailTableView::onPhotoLoaded);
    connect(loader, &ThumbnailLoadWorker::photoLoadFailed, this,
            &ThumbnailTableView::onPhotoLoadFailed);
    // The loader and its network manager end on their own thread.
    connect(loaderThread, &QThread::finished, loader, &QObject::deleteLater);
    loaderThread->start();
    // A grid still open at quit: its loader's event loop must not outlive the application.
    QuitGuard::atQuit(this, [this]() { stopLoader(); });

    loadTimer = new QTimer(this);
    loadTimer->setSingleShot(true);
    loadTimer->setInterval(100);
    connect(loadTimer, &QTimer::timeout, this, &ThumbnailTableView::loadVisiblePhotos);

    batchTimer = new QTimer(this);
    batchTimer->setSingleShot(true);
    batchTimer->setInterval(kBatchIntervalMs);
    connect(batchTimer, &QTimer::timeout, this, &ThumbnailTableView::createPhotoItemsBatch);

    retireTimer = new QTimer(this);
    retireTimer->setInterval(kRetireIntervalMs);
    connect(retireTimer, &QTimer::timeout, this, &ThumbnailTableView::deleteRetiredCards);
}

ThumbnailTableView::~ThumbnailTableView()
{
    loadTimer->stop();
    batchTimer->stop();
    retireTimer->stop();
    stopLoader();
    clearRecycledItems();
    qDeleteAll(cells);
    cells.clear();
    delete ui;
}

void ThumbnailTableView::stopLoader()
{
    if (loaderThread->isRunning()) {
        loaderThread->quit();
        loaderThread->wait();
    }
    // Deleted on its own thread as that thread finished.
    loader = nullptr;
}

void ThumbnailTableView::setupUI()
{
    mainLayout = new QVBoxLayout(this);
    mainLayout->setContentsMargins(kGridMargin, kGridMargin, kGridMargin, kGridMargin);

    scrollArea = new QScrollArea(this);
    scrollArea->setObjectName(QStringLiteral("scrollArea"));
    scrollArea->setWidgetResizable(true);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollArea->setStyleSheet(kGridStyle);

    containerWidget = new QWidget(scrollArea);
    containerWidget->setObjectName(QStringLiteral("containerWidget"));
    // Cards sit at fixed places from the top-left: growing the container by a
    // batch must repaint only what it uncovers, not every card in view.
    containerWidget->setAttribute(Qt::WA_StaticContents);
    scrollArea->setWidget(containerWidget);
    mainLayout->addWidget(scrollArea);

    connect(scrollArea->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ThumbnailTableView::onScrollValueChanged);
}

void ThumbnailTableView::calculatePhotosPerRow()
{
    const int width = scrollArea->viewport()->width();
    const int n = (width - 2 * (kGridMargin + kGridMargin)) / (thumbnailWidth + kGridSpacing);
    const int perRow = n < 2 ? 1 : n;
    if (perRow == photosPerRow)
        return;
    photosPerRow = perRow;
    if (!cells.isEmpty()) {
        relayoutPhotoGrid();
        loadTimer->start();
    }
}

void ThumbnailTableView::relayoutPhotoGrid()
{
    {
        QMutexLocker lock(&cellMutex);
        if (cells.isEmpty())
            return;
        for (int i = 0; i < cells.size(); ++i) {
            if (QWidget *card = cells.at(i)->card)
                placeCard(card, i);
        }
    }
    updateContainerSize();
}

// Spacing 5 and margins 5 around cards of a fixed size, row by row.
void ThumbnailTableView::placeCard(QWidget *card, int index)
{
    const int column = index % photosPerRow;
    card->move(kGridMargin + column * (thumbnailWidth + kGridSpacing), rowTop(index));
    placedCount = qMax(placedCount, index + 1);
}

void ThumbnailTableView::updateContainerSize()
{
    if (placedCount == 0) {
        containerWidget->setMinimumSize(0, 0);
        return;
    }
    const int rows = (placedCount + photosPerRow - 1) / photosPerRow;
    const int columns = qMin(placedCount, photosPerRow);
    containerWidget->setMinimumSize(
        2 * kGridMargin + columns * thumbnailWidth + (columns - 1) * kGridSpacing,
        2 * kGridMargin + rows * thumbnailHeight + (rows - 1) * kGridSpacing);
}

void ThumbnailTableView::loadThumbnails(const QList<ThumbnailInfo> &list)
{
    thumbnails = list;
    ++generation;
    selectedCount = 0;
    if (loader)
        loader->setLatestGeneration(generation);

    loadTimer->stop();
    batchTimer->stop();
    emit cancelAllPhotoRequests();

    recyclePhotoItems();
    calculatePhotosPerRow();
    prepareDisplayData(list);

    if (!list.isEmpty())
        loadTimer->start();
    // Items may arrive selected: the count starts from them, not from zero.
    emit selectedCountChanged(selectedTotal());
}

void ThumbnailTableView::prepareDisplayData(const QList<ThumbnailInfo> &list)
{
    {
        QMutexLocker lock(&cellMutex);
        createdCount = 0;
        cells.reserve(list.size());
        for (const ThumbnailInfo &info : list) {
            auto *item = new ThumbnailItemData;
            item->name = info.name;
            item->localPath = info.localPath.isNull() ? QStringLiteral("") : info.localPath;
            item->url = info.url;
            item->filePath = info.filePath;
            item->selectable = info.selectable;
            item->selected = info.selected;
            selectedCount += info.selected ? 1 : 0;
            cells.append(item);
        }
    }
    qCDebug(lcWidgets) << "缩略图刷新了：" << list.size();
    // The first screen's cards come at once, one batch per turn of the event loop.
    batchTimer->start(0);
}

int ThumbnailTableView::rowTop(int index) const
{
    return kGridMargin + (index / photosPerRow) * (thumbnailHeight + kGridSpacing);
}

void ThumbnailTableView::createPhotoItemsBatch()
{
    bool more = false;
    bool reachedView = false;
    bool nextInView = false;
    {
        QMutexLocker lock(&cellMutex);
        if (createdCount >= cells.size())
            return;
        const int startGeneration = generation;
        const int viewBottom = scrollArea->verticalScrollBar()->value()
            + scrollArea->viewport()->height();
        const int end = qMin(createdCount + batchSize, cells.size());
        for (int i = createdCount; i < end; ++i) {
            if (generation != startGeneration)
                return;
            ThumbnailItemData *item = cells.at(i);
            if (item->card)
                continue;
            QWidget *card = getOrCreatePhotoItem(i);
            item->card = card;
            item->photoLabel = cardPart<QLabel>(card, kPhotoLabel);
            item->nameLabel = cardPart<QLabel>(card, kNameLabel);
            item->selectButton = cardPart<QPushButton>(card, kSelectButton);
            if (item->selectable && item->selectButton) {
                const QSignalBlocker blocker(item->selectButton);
                item->selectButton->setChecked(item->selected);
                applyButtonLook(item, item->selected);
            }
            placeCard(card, i);
            card->show();
            if (rowTop(i) < viewBottom)
                reachedView = true;
        }
        createdCount += batchSize;
        more = createdCount < cells.size() && generation == startGeneration;
        nextInView = rowTop(createdCount) < viewBottom;
    }
    updateContainerSize();
    if (more)
        batchTimer->start(nextInView ? 0 : kBatchIntervalMs);
    else
        QTimer::singleShot(100, this, &ThumbnailTableView::loadVisiblePhotos);
    // The first screen should not wait for the last batch.
    if (reachedView)
        loadVisiblePhotos();
}

QWidget *ThumbnailTableView::getOrCreatePhotoItem(int index)
{
    const QString &name = cells.at(index)->name;
    if (!recyclePool.isEmpty()) {
        QWidget *card = recyclePool.takeFirst();
        updatePhotoItemContent(card, name, index);
        return card;
    }
    return createPhotoItem(name, index);
}

QWidget *ThumbnailTableView::createPhotoItem(const QString &name, int index)
{
    auto *card = new QWidget(containerWidget);
    card->setObjectName(QStringLiteral("thumbnailCard"));
    card->setAttribute(Qt::WA_StyledBackground);
    card->setAttribute(Qt::WA_Hover);
    card->setFixedSize(thumbnailWidth, thumbnailHeight);
    auto *layout = new QVBoxLayout(card);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    auto *photoArea = new QWidget(card);
    photoArea->setObjectName(QStringLiteral("photoArea"));
    photoArea->setFixedSize(kPhotoAreaSize, kPhotoAreaSize);

    auto *photoLabel = new QLabel(kLoadingText, photoArea);
    photoLabel->setObjectName(QStringLiteral("photoLabel"));
    photoLabel->setFixedSize(kPhotoAreaSize, kPhotoAreaSize);
    photoLabel->setAlignment(Qt::AlignCenter);

    auto *selectButton = new QPushButton(photoArea);
    selectButton->setObjectName(QStringLiteral("selectButton"));
    selectButton->hide();

    auto *nameLabel = new QLabel(name, card);
    nameLabel->setObjectName(QStringLiteral("nameLabel"));
    nameLabel->setWordWrap(true);
    nameLabel->setAlignment(Qt::AlignCenter);

    layout->addWidget(photoArea, 0, Qt::AlignHCenter);
    layout->addWidget(nameLabel);

    card->setProperty(kPhotoLabel, QVariant::fromValue<void *>(photoLabel));
    card->setProperty(kNameLabel, QVariant::fromValue<void *>(nameLabel));
    card->setProperty(kSelectButton, QVariant::fromValue<void *>(selectButton));
    card->setProperty(kPhotoIndex, index);
    card->installEventFilter(this);

    ThumbnailItemData *item = cells.at(index);
    if (item->selectable) {
        selectButton->setGeometry(kButtonOffset, kButtonOffset, kButtonSize, kButtonSize);
        selectButton->setCheckable(true);
        selectButton->setChecked(false);
        selectButton->show();
        selectButton->raise();
        item->selectButton = selectButton;
        connectSelectButton(item, index);
    }
    return card;
}

void ThumbnailTableView::updatePhotoItemContent(QWidget *card, const QString &name, int index)
{
    ThumbnailItemData *item = cells.at(index);
    auto *photoLabel = cardPart<QLabel>(card, kPhotoLabel);
    auto *nameLabel = cardPart<QLabel>(card, kNameLabel);
    auto *selectButton = cardPart<QPushButton>(card, kSelectButton);

    photoLabel->setPixmap(QPixmap());
    photoLabel->setText(kLoadingText);
    setFailedProperty(photoLabel, false);
    nameLabel->setText(name);
    selectButton->disconnect(this);
    card->setProperty(kPhotoIndex, index);

    if (item->selectable) {
        selectButton->setGeometry(kButtonOffset, kButtonOffset, kButtonSize, kButtonSize);
        selectButton->setCheckable(true);
        {
            const QSignalBlocker blocker(selectButton);
            selectButton->setChecked(false);
        }
        selectButton->setText(QString());
        selectButton->show();
        selectButton->raise();
        card->installEventFilter(this);
        item->selectButton = selectButton;
        connectSelectButton(item, index);
    } else {
        selectButton->hide();
    }
    card->show();
}

void ThumbnailTableView::connectSelectButton(ThumbnailItemData *item, int index)
{
    connect(item->selectButton, &QPushButton::clicked, this,
            [this, index](bool checked) { onSelectButtonClicked(index, checked); });
}

void ThumbnailTableView::onSelectButtonClicked(int index, bool checked)
{
    ThumbnailItemData *item = nullptr;
    {
        QMutexLocker lock(&cellMutex);
        if (index < 0 || index >= cells.size())
            return;
        item = cells.at(index);
        if (!userEnabled || !item->selectable) {
            // The toggle did not count: put the button back as the item is.
            if (item->selectButton) {
                const QSignalBlocker blocker(item->selectButton);
                item->selectButton->setChecked(item->selected);
            }
            return;
        }
        applyButtonLook(item, checked);
    }
    onPhotoSelectionChanged(index, checked);
}

void ThumbnailTableView::applyButtonLook(ThumbnailItemData *item, bool checked)
{
    if (!item->selectButton)
        return;
    item->selectButton->setText(checked ? kCheckMark : QString());
}

void ThumbnailTableView::showFailureLook(ThumbnailItemData *item)
{
    item->photoLabel->setPixmap(QPixmap());
    item->photoLabel->setText(kFailedText);
    setFailedProperty(item->photoLabel, true);
}

void ThumbnailTableView::loadVisiblePhotos()
{
    if (!scrollArea->isVisible() || !containerWidget)
        return;
    const int h = scrollArea->viewport()->height();
    const int s = scrollArea->verticalScrollBar()->value();
    QList<LoadRequest> requests;
    bool needMoreCards = false;
    int requestGeneration = 0;
    {
        QMutexLocker lock(&cellMutex);
        requestGeneration = generation;
        for (int i = 0; i < cells.size(); ++i) {
            ThumbnailItemData *item = cells.at(i);
            if (item->loaded || item->loading)
                continue;
            if (item->card) {
                // Card position from its grid cell: fixed-size cards packed from the top.
                const int top = rowTop(i);
                const int bottom = top + thumbnailHeight;
                if (!item->card->isHidden() && !(bottom <= s) && !(top >= s + h)) {
                    item->loading = true;
                    requests.append({item->url, item->name, item->localPath, i});
                }
            } else if ((thumbnailHeight + 10) * (i / photosPerRow) < s + 2 * h) {
                needMoreCards = true;
                break;
            }
        }
    }
    if (needMoreCards && !batchTimer->isActive())
        batchTimer->start();
    for (const LoadRequest &request : qAsConst(requests))
        emit loadPhotoRequest(request.url, request.name, request.localPath, request.index,
                              requestGeneration);
}

ThumbnailItemData *ThumbnailTableView::resultTarget(const QString &name, int index,
                                                    int resultGeneration) const
{
    if (resultGeneration != generation || index < 0 || index >= cells.size())
        return nullptr;
    ThumbnailItemData *item = cells.at(index);
    return item->name == name && item->card ? item : nullptr;
}

void ThumbnailTableView::onPhotoLoaded(const QImage &image, const QString &name, int index,
                                       int resultGeneration)
{
    QMutexLocker lock(&cellMutex);
    ThumbnailItemData *item = resultTarget(name, index, resultGeneration);
    if (!item)
        return;
    item->loading = false;
    item->loaded = true;
    item->photoLabel->setText(QString());
    setFailedProperty(item->photoLabel, false);
    item->photoLabel->setPixmap(QPixmap::fromImage(image));
}

void ThumbnailTableView::onPhotoLoadFailed(const QString &name, int index, int resultGeneration)
{
    QMutexLocker lock(&cellMutex);
    ThumbnailItemData *item = resultTarget(name, index, resultGeneration);
    if (!item)
        return;
    item->loading = false;
    showFailureLook(item);
}

bool ThumbnailTableView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        auto *card = qobject_cast<QWidget *>(watched);
        const auto *press = static_cast<QMouseEvent *>(event);
        if (card && press->button() == Qt::LeftButton && card->property(kPhotoIndex).isValid()) {
            auto *button = cardPart<QPushButton>(card, kSelectButton);
            if (button) {
                const QRect buttonRect(button->mapTo(card, QPoint(0, 0)), button->size());
                if (!buttonRect.contains(press->pos())) {
                    if (!button->isHidden()) {
                        const QPoint at(10, 10);
                        QMouseEvent down(QEvent::MouseButtonPress, at, Qt::LeftButton,
                                         Qt::LeftButton, Qt::NoModifier);
                        QMouseEvent up(QEvent::MouseButtonRelease, at, Qt::LeftButton,
                                       Qt::NoButton, Qt::NoModifier);
                        QCoreApplication::sendEvent(button, &down);
                        QCoreApplication::sendEvent(button, &up);
                    }
                    return true;
                }
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ThumbnailTableView::onPhotoSelectionChanged(int index, bool selected)
{
    int count = 0;
    {
        QMutexLocker lock(&cellMutex);
        if (index < 0 || index >= cells.size() || cells.at(index)->selected == selected)
            return;
        cells.at(index)->selected = selected;
        selectedCount += selected ? 1 : -1;
        count = selectedCount;
    }
    emit selectionChanged(index, selected);
    emit selectedCountChanged(count);
}

void ThumbnailTableView::selectAll()
{
    int count = 0;
    {
        QMutexLocker lock(&cellMutex);
        for (ThumbnailItemData *item : qAsConst(cells)) {
            if (item->selectable && !item->selected) {
                item->selected = true;
                if (item->selectButton) {
                    const QSignalBlocker blocker(item->selectButton);
                    item->selectButton->setChecked(true);
                    applyButtonLook(item, true);
                }
            }
            if (item->selected)
                ++count;
        }
        selectedCount = count;
    }
    emit selectedCountChanged(count);
}

void ThumbnailTableView::clearAllSelections()
{
    {
        QMutexLocker lock(&cellMutex);
        for (ThumbnailItemData *item : qAsConst(cells)) {
            if (!item->selectable)
                continue;
            item->selected = false;
            if (item->selectButton) {
                const QSignalBlocker blocker(item->selectButton);
                item->selectButton->setChecked(false);
                applyButtonLook(item, false);
            }
        }
        selectedCount = 0;
    }
    emit selectedCountChanged(0);
}

QList<int> ThumbnailTableView::getSelectedIndices() const
{
    QList<int> indices;
    for (int i = 0; i < cells.size(); ++i) {
        if (cells.at(i)->selected)
            indices.append(i);
    }
    return indices;
}

QStringList ThumbnailTableView::getSelectedNames() const
{
    QStringList names;
    for (const ThumbnailItemData *item : cells) {
        if (item->selected)
            names.append(item->name);
    }
    return names;
}

ThumbnailInfo ThumbnailTableView::getThumbnailInfo(int index) const
{
    if (index < 0 || index >= thumbnails.size())
        return ThumbnailInfo();
    return thumbnails.at(index);
}

void ThumbnailTableView::onScrollValueChanged(int)
{
    loadTimer->stop();
    loadTimer->start(200);
}

void ThumbnailTableView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    QTimer::singleShot(100, this, &ThumbnailTableView::calculatePhotosPerRow);
    // A taller view may uncover cards that no pass has seen yet.
    if (!cells.isEmpty())
        loadTimer->start();
}

void ThumbnailTableView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Passes made while hidden loaded nothing.
    if (!cells.isEmpty())
        loadTimer->start();
}

void ThumbnailTableView::recyclePhotoItems()
{
    QMutexLocker lock(&cellMutex);
    placedCount = 0;
    updateContainerSize();
    // Cards on their way out are hidden only in the first screen, where the new
    // list starts; the shrunk container clips the others until they go, a slice
    // at a time. Hiding thousands here would stall the GUI thread.
    const QRect inView(0, 0, containerWidget->width(), scrollArea->viewport()->height());
    for (int i = cells.size() - 1; i >= 0; --i) {
        ThumbnailItemData *item = cells.at(i);
        QWidget *card = item->card;
        if (!card)
            continue;
        if (recyclePool.size() < maxRecycledItems) {
            card->hide();
            item->photoLabel->setText(kLoadingText);
            recyclePool.append(card);
        } else {
            if (card->geometry().intersects(inView))
                card->hide();
            retireCard(card);
        }
    }
    qDeleteAll(cells);
    cells.clear();
}

void ThumbnailTableView::retireCard(QWidget *card)
{
    card->removeEventFilter(this);
    retiredCards.append(card);
    if (!retireTimer->isActive())
        retireTimer->start();
}

void ThumbnailTableView::deleteRetiredCards()
{
    const int count = qMin(kRetireSlice, retiredCards.size());
    for (int i = 0; i < count; ++i)
        delete retiredCards.takeLast();
    if (retiredCards.isEmpty())
        retireTimer->stop();
}

void ThumbnailTableView::clearRecycledItems()
{
    qDeleteAll(recyclePool);
    recyclePool.clear();
    qDeleteAll(retiredCards);
    retiredCards.clear();
}

void ThumbnailTableView::clear()
{
    QMutexLocker lock(&cellMutex);
    ++generation;
    if (loader)
        loader->setLatestGeneration(generation);
    selectedCount = 0;
    placedCount = 0;
    updateContainerSize();
    for (ThumbnailItemData *item : qAsConst(cells)) {
        if (item->card) {
            item->card->hide();
            retireCard(item->card);
        }
    }
    qDeleteAll(cells);
    cells.clear();
    createdCount = 0;
}

void ThumbnailTableView::setPhotosPerRow(int count)
{
    if (count < 1 || count == photosPerRow)
        return;
    photosPerRow = count;
    if (!cells.isEmpty())
        relayoutPhotoGrid();
}

void ThumbnailTableView::setThumbnailSize(int width, int height)
{
    thumbnailWidth = width;
    thumbnailHeight = height;
}

void ThumbnailTableView::setUserEnable(bool enabled)
{
    userEnabled = enabled;
}

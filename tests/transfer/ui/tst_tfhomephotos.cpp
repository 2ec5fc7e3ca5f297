#include "app/core/Config.h"
#include "support/TransferStudioData.h"
#include "support/ViewportFit.h"
#include "transfer/records/ImportTypes.h"
#include "transfer/ui/OrderRecords.h"
#include "transfer/ui/PhotoItem.h"
#include "transfer/ui/PickedEntries.h"
#include "transfer/ui/tfhomephotos.h"

#include <QImage>
#include <QLabel>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

class tst_tfhomephotos : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void titleCountsFiles_data();
    void titleCountsFiles();
    void tilesComeWithThePreviews();
    void previewsAreMatchedByIndexAndName();
    void latePreviewNeverAddsASecondTile();
    void floodOfPreviewsPlacedInPickOrder();
    void newPickDropsWaitingPreviewsAndOldTiles_data();
    void newPickDropsWaitingPreviewsAndOldTiles();
    void badgeFollowsTheWholePhoto();
    void statusBeforeTheTileExists();
    void videoTiles();
    void photoTilesWhileTheRadioShowsVideos();
    void columns_data();
    void columns();
    void longNamesAreShortened_data();
    void longNamesAreShortened();

private:
    tfhomephotos *m_panel = nullptr;
    QTemporaryDir m_dir;

    OrderInfo orderWithPicks(int files, int kind);
    void deliver(int entryIndex);
};

void tst_tfhomephotos::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false"));
    QVERIFY(m_dir.isValid());
    for (int i = 1; i <= 6; ++i) {
        QImage image(640, 480, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(i * 50, 200, 200));
        QVERIFY(image.save(m_dir.filePath(QStringLiteral("IMG_%1.JPG").arg(i)), "JPG"));
    }
}

void tst_tfhomephotos::init()
{
    Config::k_importType = FinishedPhotos;
    m_panel = new tfhomephotos();
    m_panel->resize(500, 600);
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel));
}

void tst_tfhomephotos::cleanup()
{
    delete m_panel;
    m_panel = nullptr;
    Config::k_importType = FinishedPhotos;
}

OrderInfo tst_tfhomephotos::orderWithPicks(int files, int kind)
{
    OrderInfo order = OrderRecords::orderFromListObject(TransferStudioData::order(0), 0);
    QStringList paths;
    for (int i = 1; i <= files; ++i)
        paths << m_dir.filePath(kind == FinishedPhotos ? QStringLiteral("IMG_%1.JPG").arg(i)
                                                        : QStringLiteral("VID_%1.mp4").arg(i));
    order.photoList = PickedEntries::build(paths, order, kind);
    return order;
}

void tst_tfhomephotos::deliver(int entryIndex)
{
    const PhotoInfo &entry = m_panel->currentOrder().photoList.at(entryIndex);
    QImage preview(160, 120, QImage::Format_RGB32);
    preview.fill(Qt::darkCyan);
    m_panel->onThumbnailGenerated(entry.img_name, entry.url, preview, entryIndex);
}

void tst_tfhomephotos::titleCountsFiles_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("files");
    QTest::newRow("three photos") << int(FinishedPhotos) << 3;
    QTest::newRow("three videos") << int(TrialVideo) << 3;
    QTest::newRow("nothing picked") << int(FinishedPhotos) << 0;
}

void tst_tfhomephotos::titleCountsFiles()
{
    QFETCH(int, kind);
    QFETCH(int, files);
    Config::k_importType = kind;
    m_panel->setCurrentOrderInfo(0, orderWithPicks(files, kind));
    auto *title = m_panel->findChild<QLabel *>(QStringLiteral("pickedTitleLabel"));
    QCOMPARE(title->text(), QStringLiteral("照片列表 - %1 (%2张)").arg(TransferStudioData::orderNumber(0)).arg(files));
    QCOMPARE(m_panel->tileCount(), 0);
}

void tst_tfhomephotos::tilesComeWithThePreviews()
{
    m_panel->setCurrentOrderInfo(0, orderWithPicks(3, FinishedPhotos));
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->tileCount(), 3, 10000);
    const QList<PhotoItem *> tiles = m_panel->findChildren<PhotoItem *>();
    QCOMPARE(tiles.size(), 3);
    for (PhotoItem *tile : tiles) {
        auto *thumbnail = tile->findChild<QLabel *>(QStringLiteral("thumbnailLabel"));
        QVERIFY(!thumbnail->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(tile->findChild<QLabel *>(QStringLiteral("statusLabel"))->text(), QStringLiteral("●"));
    }

    // Another order replaces the tiles.
    m_panel->setCurrentOrderInfo(1, orderWithPicks(1, FinishedPhotos));
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->tileCount(), 1, 10000);
    QTRY_COMPARE(m_panel->findChildren<PhotoItem *>().size(), 1);
}

void tst_tfhomephotos::previewsAreMatchedByIndexAndName()
{
    m_panel->setCurrentOrderInfo(0, orderWithPicks(2, FinishedPhotos));
    QImage preview(10, 10, QImage::Format_RGB32);
    m_panel->onThumbnailGenerated(QStringLiteral("IMG_9.JPG"), m_dir.filePath("IMG_9.JPG"), preview, 0);
    m_panel->onThumbnailGenerated(QStringLiteral("IMG_1.JPG"), m_dir.filePath("IMG_1.JPG"), preview, 8);
    m_panel->onThumbnailGenerated(QStringLiteral("IMG_1.JPG"), m_dir.filePath("IMG_1.JPG"), preview, -1);
    m_panel->onThumbnailGenerated(QStringLiteral("IMG_1.JPG"), QStringLiteral("/elsewhere/IMG_1.JPG"), preview, 0);
    QCOMPARE(m_panel->tileCount(), 0);
    deliver(4);
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->tileCount(), 1, 10000);
}

void tst_tfhomephotos::latePreviewNeverAddsASecondTile()
{
    const OrderInfo order = orderWithPicks(2, FinishedPhotos);
    m_panel->setCurrentOrderInfo(0, order);
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->tileCount(), 2, 10000);
    // The same order picked again while a preview of the first pick is still queued.
    m_panel->setCurrentOrderInfo(0, order);
    deliver(0);
    deliver(0);
    deliver(4);
    QTest::qWait(300);
    QCOMPARE(m_panel->tileCount(), 2);
}

void tst_tfhomephotos::floodOfPreviewsPlacedInPickOrder()
{
    const int photos = 400;
    m_panel->setCurrentOrderInfo(0, orderWithPicks(photos, FinishedPhotos));
    // All previews in one turn of the event loop: some wait, none is lost or misplaced.
    for (int i = 0; i < photos; ++i)
        deliver(4 * i);
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->tileCount(), photos, 10000);
    QTest::qWait(100);
    QCOMPARE(m_panel->tileCount(), photos);
    QList<PhotoItem *> tiles;
    for (PhotoItem *tile : m_panel->findChildren<PhotoItem *>()) {
        if (tile->isVisibleTo(m_panel))
            tiles.append(tile);
    }
    QCOMPARE(tiles.size(), photos);
    std::sort(tiles.begin(), tiles.end(), [](PhotoItem *a, PhotoItem *b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    for (int i = 0; i < photos; ++i)
        QCOMPARE(tiles.at(i)->findChild<QLabel *>(QStringLiteral("nameLabel"))->text(), QStringLiteral("IMG_%1.JPG").arg(i + 1));
}

void tst_tfhomephotos::newPickDropsWaitingPreviewsAndOldTiles_data()
{
    QTest::addColumn<int>("picked"); // the new pick: the first files of the old one, a tile each
    QTest::newRow("one file") << 1;
    // The old previews still waiting match the new entries by name and path, yet are stale.
    QTest::newRow("the same files again") << 400;
}

void tst_tfhomephotos::newPickDropsWaitingPreviewsAndOldTiles()
{
    QFETCH(int, picked);
    m_panel->setCurrentOrderInfo(0, orderWithPicks(400, FinishedPhotos));
    for (int i = 0; i < 400; ++i)
        deliver(4 * i);
    QTRY_VERIFY_WITH_TIMEOUT(m_panel->tileCount() > 0, 10000);
    // The order changes while previews of the first still wait.
    OrderInfo other = orderWithPicks(picked, FinishedPhotos);
    other.orderpayforkey = QStringLiteral("OTHER");
    m_panel->setCurrentOrderInfo(1, other);
    QCOMPARE(m_panel->tileCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->findChildren<PhotoItem *>().size(), picked, 10000);
    QTest::qWait(100);
    QCOMPARE(m_panel->tileCount(), picked);
    QCOMPARE(m_panel->findChildren<PhotoItem *>().size(), picked);
    for (PhotoItem *tile : m_panel->findChildren<PhotoItem *>()) {
        const QImage shown = tile->photoInfo().thumbnail.toImage();
        QVERIFY(shown.isNull() || shown.pixelColor(0, 0) != QColor(Qt::darkCyan));
    }
}

void tst_tfhomephotos::badgeFollowsTheWholePhoto()
{
    m_panel->setCurrentOrderInfo(0, orderWithPicks(2, FinishedPhotos));
    deliver(0);
    deliver(4);
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->tileCount(), 2, 10000);
    PhotoItem *second = m_panel->findChildren<PhotoItem *>().at(1);
    auto *status = second->findChild<QLabel *>(QStringLiteral("statusLabel"));
    for (int entry : {5, 6, 7})
        m_panel->updatePhotoStatus(entry, QString(), PhotoStatus::Uploaded);
    QCOMPARE(status->text(), QStringLiteral("●"));
    m_panel->updatePhotoStatus(4, QString(), PhotoStatus::Uploaded);
    QCOMPARE(status->text(), QStringLiteral("✓"));
    QVERIFY(second->styleSheet().contains(QStringLiteral("#22c55e")));

    PhotoItem *firstTile = m_panel->findChildren<PhotoItem *>().at(0);
    auto *first = firstTile->findChild<QLabel *>(QStringLiteral("statusLabel"));
    m_panel->updatePhotoStatus(2, QString(), PhotoStatus::Failed, QStringLiteral("磁盘已满"));
    QCOMPARE(first->text(), QStringLiteral("✕"));
    // A later copy's success leaves the photo failed, and why on its tile.
    m_panel->updatePhotoStatus(3, QString(), PhotoStatus::Uploaded);
    QCOMPARE(firstTile->toolTip(), QStringLiteral("失败原因：磁盘已满"));
    // Out-of-range results and results for another file change nothing.
    m_panel->updatePhotoStatus(8, QString(), PhotoStatus::Uploaded);
    m_panel->updatePhotoStatus(0, QStringLiteral("IMG_9.JPG"), PhotoStatus::Uploaded);
    QCOMPARE(m_panel->currentOrder().photoList.at(0).status, int(PhotoStatus::Waiting));
    m_panel->updatePhotoStatus(0, QStringLiteral("IMG_1.JPG"), PhotoStatus::Uploaded);
    QCOMPARE(m_panel->currentOrder().photoList.at(0).status, int(PhotoStatus::Uploaded));
    QCOMPARE(m_panel->currentOrder().photoList.size(), 8);
}

void tst_tfhomephotos::statusBeforeTheTileExists()
{
    m_panel->setCurrentOrderInfo(0, orderWithPicks(1, FinishedPhotos));
    QTest::qWait(0);
    for (int entry : {0, 1, 2, 3})
        m_panel->updatePhotoStatus(entry, QString(), PhotoStatus::Uploaded);
    if (m_panel->tileCount() == 0)
        deliver(0);
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->tileCount(), 1, 10000);
    PhotoItem *tile = m_panel->findChild<PhotoItem *>();
    QCOMPARE(tile->findChild<QLabel *>(QStringLiteral("statusLabel"))->text(), QStringLiteral("✓"));
}

void tst_tfhomephotos::videoTiles()
{
    Config::k_importType = RetouchedVideo;
    m_panel->setCurrentOrderInfo(0, orderWithPicks(3, RetouchedVideo));
    deliver(0);
    deliver(1);
    deliver(2);
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->tileCount(), 3, 10000);
    m_panel->updatePhotoStatus(2, QString(), PhotoStatus::Failed);
    const QList<PhotoItem *> tiles = m_panel->findChildren<PhotoItem *>();
    QCOMPARE(tiles.at(2)->findChild<QLabel *>(QStringLiteral("statusLabel"))->text(), QStringLiteral("✕"));
    QCOMPARE(tiles.at(1)->findChild<QLabel *>(QStringLiteral("statusLabel"))->text(), QStringLiteral("●"));
}

void tst_tfhomephotos::photoTilesWhileTheRadioShowsVideos()
{
    // An order picked as photos keeps one tile per photo after the radio moved.
    const OrderInfo order = orderWithPicks(2, FinishedPhotos);
    Config::k_importType = TrialVideo;
    m_panel->setCurrentOrderInfo(0, order);
    auto *title = m_panel->findChild<QLabel *>(QStringLiteral("pickedTitleLabel"));
    QVERIFY(title->text().endsWith(QStringLiteral("(2张)")));
    deliver(0);
    deliver(4);
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->tileCount(), 2, 10000);
    for (int entry : {4, 5, 6, 7})
        m_panel->updatePhotoStatus(entry, QString(), PhotoStatus::Uploaded);
    const QList<PhotoItem *> tiles = m_panel->findChildren<PhotoItem *>();
    QCOMPARE(tiles.size(), 2);
    QCOMPARE(tiles.at(1)->findChild<QLabel *>(QStringLiteral("statusLabel"))->text(), QStringLiteral("✓"));
    QCOMPARE(tiles.at(0)->findChild<QLabel *>(QStringLiteral("statusLabel"))->text(), QStringLiteral("●"));
}

void tst_tfhomephotos::columns_data()
{
    QTest::addColumn<int>("viewport");
    QTest::addColumn<int>("tiles");
    QTest::addColumn<int>("expected");
    QTest::newRow("400 px, many tiles") << 400 << 6 << 4;
    QTest::newRow("400 px, two tiles") << 400 << 2 << 2;
    QTest::newRow("wide") << 600 << 6 << 6;
}

void tst_tfhomephotos::columns()
{
    QFETCH(int, viewport);
    QFETCH(int, tiles);
    QFETCH(int, expected);
    auto *area = m_panel->findChild<QScrollArea *>(QStringLiteral("pickedScrollArea"));
    QTRY_VERIFY_WITH_TIMEOUT(ViewportFit::fit(m_panel, area, viewport), 10000);
    m_panel->setCurrentOrderInfo(0, orderWithPicks(tiles, FinishedPhotos));
    for (int i = 0; i < tiles; ++i)
        deliver(i * 4);
    // Late previews are placed on a later turn of the event loop.
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->tileCount(), tiles, 10000);
    QCOMPARE(area->viewport()->width(), viewport);
    QCOMPARE(m_panel->calculateColumnsCount(), expected);
    // Every tile sits where the column count puts it, 95 px apart.
    const QList<PhotoItem *> items = m_panel->findChildren<PhotoItem *>();
    QCOMPARE(items.size(), tiles);
    const QPoint origin = items.first()->pos();
    for (int i = 0; i < items.size(); ++i) {
        QVERIFY(items.at(i)->isVisible());
        QCOMPARE(items.at(i)->pos(), origin + QPoint((i % expected) * 95, (i / expected) * 125));
    }
    QVERIFY(area->widget()->height() >= items.last()->geometry().bottom());
}

void tst_tfhomephotos::longNamesAreShortened_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("20 characters") << "ABCDEFGHIJKLMNOP.JPG" << "ABCDEFGHIJKLMNOP.JPG";
    QTest::newRow("21 characters") << "ABCDEFGHIJKLMNOPQ.JPG" << "ABCDEFGHIJKLMNOPQ...";
}

void tst_tfhomephotos::longNamesAreShortened()
{
    QFETCH(QString, name);
    QFETCH(QString, shown);
    PhotoInfo photo;
    photo.img_name = name;
    PhotoItem tile(photo);
    auto *label = tile.findChild<QLabel *>(QStringLiteral("nameLabel"));
    QCOMPARE(label->text(), shown);
    QCOMPARE(label->toolTip(), name);
    QCOMPARE(tile.findChild<QLabel *>(QStringLiteral("thumbnailLabel"))->text(), QStringLiteral("📷\n无预览"));
}

QTEST_MAIN(tst_tfhomephotos)
#include "tst_tfhomephotos.moc"

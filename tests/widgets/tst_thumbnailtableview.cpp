#include "support/StandInService.h"
#include "widgets/ThumbnailLoadWorker.h"
#include "widgets/ThumbnailTableView.h"

#include <QBuffer>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

QString writeImage(const QTemporaryDir &dir, const QString &name, const QSize &size,
                   const QColor &colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir.filePath(name);
    image.save(path);
    return path;
}

ThumbnailInfo info(const QString &name, const QString &localPath = QString(),
                   const QString &url = QString(), bool selectable = true)
{
    ThumbnailInfo record;
    record.id = name;
    record.name = name;
    record.localPath = localPath;
    record.url = url;
    record.selectable = selectable;
    return record;
}

// Cards in use (shown), ordered by their item index.
QList<QWidget *> shownCards(ThumbnailTableView &grid)
{
    QList<QWidget *> result;
    const QList<QWidget *> all = grid.findChildren<QWidget *>(QStringLiteral("thumbnailCard"));
    for (QWidget *card : all) {
        if (!card->isHidden())
            result << card;
    }
    std::sort(result.begin(), result.end(), [](QWidget *a, QWidget *b) {
        return a->property("photoIndex").toInt() < b->property("photoIndex").toInt();
    });
    return result;
}

QWidget *cardAt(ThumbnailTableView &grid, int index)
{
    for (QWidget *card : shownCards(grid)) {
        if (card->property("photoIndex").toInt() == index)
            return card;
    }
    return nullptr;
}

QLabel *photoOf(QWidget *card)
{
    return card ? card->findChild<QLabel *>(QStringLiteral("photoLabel")) : nullptr;
}

QPushButton *buttonOf(QWidget *card)
{
    return card->findChild<QPushButton *>(QStringLiteral("selectButton"));
}

QSize pixmapSize(QWidget *card)
{
    QLabel *label = photoOf(card);
    return label ? label->pixmap(Qt::ReturnByValue).size() : QSize();
}

QColor pixmapCentre(QWidget *card)
{
    const QImage image = photoOf(card)->pixmap(Qt::ReturnByValue).toImage();
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

bool isFailed(QWidget *card)
{
    QLabel *label = photoOf(card);
    return label && label->text() == QStringLiteral("加载失败") && label->property("failed").toBool();
}

} // namespace

class TestThumbnailTableView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void photosPerRowFromViewport_data();
    void photosPerRowFromViewport();
    void cardsComeInBatchesOfFour();
    void localPicturesFitTheTile_data();
    void localPicturesFitTheTile();
    void cameraPreviewUsedWhenItIsThePicture_data();
    void cameraPreviewUsedWhenItIsThePicture();
    void failuresShowFailureLook_data();
    void failuresShowFailureLook();
    void localPathPreferredOverUrl();
    void downloads_data();
    void downloads();
    void selectAllSkipsUnselectable();
    void clickingCardTogglesSelection();
    void initialSelectionAndRecordsUnchanged();
    void recyclingOnNewLoad();
    void staleLoadsNeverLandInNewList();
    void staleResultSlotsAreIgnored();
    void onlyVisibleCardsAreLoaded();
    void loadedWhileHiddenLoadsWhenShown();
    void laterBatchesLeaveCardsInViewAlone();
    void decodingYieldsToTheGuiThread();

private:
    QTemporaryDir dir;
    QString red, blue, wide, small, big, broken;

    // count items named IMG_<i>.JPG, all showing the small picture.
    QList<ThumbnailInfo> smallPhotos(int count) const
    {
        QList<ThumbnailInfo> list;
        for (int i = 0; i < count; ++i)
            list << info(QStringLiteral("IMG_%1.JPG").arg(i), small);
        return list;
    }
};

void TestThumbnailTableView::initTestCase()
{
    QVERIFY(dir.isValid());
    red = writeImage(dir, "red.png", QSize(120, 120), Qt::red);
    blue = writeImage(dir, "blue.png", QSize(120, 120), Qt::blue);
    wide = writeImage(dir, "wide.png", QSize(400, 200), Qt::darkYellow);
    small = writeImage(dir, "small.png", QSize(60, 40), Qt::cyan);
    big = writeImage(dir, "big.jpg", QSize(3000, 2000), Qt::magenta);
    broken = dir.filePath("broken.jpg");
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is not a picture");
}

void TestThumbnailTableView::photosPerRowFromViewport_data()
{
    QTest::addColumn<int>("viewportWidth");
    QTest::addColumn<int>("perRow");
    QTest::newRow("540") << 540 << 4;
    QTest::newRow("narrow") << 229 << 1;
    QTest::newRow("two fit") << 230 << 2;
    QTest::newRow("wide") << 1000 << 9;
}

void TestThumbnailTableView::photosPerRowFromViewport()
{
    QFETCH(int, viewportWidth);
    QFETCH(int, perRow);
    ThumbnailTableView grid;
    grid.resize(600, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QWidget *viewport = grid.findChild<QScrollArea *>("scrollArea")->viewport();
    const int chrome = grid.width() - viewport->width();
    grid.resize(viewportWidth + chrome, 300);
    QTRY_COMPARE(viewport->width(), viewportWidth);
    QTRY_COMPARE(grid.photosPerRowCount(), perRow);
}

void TestThumbnailTableView::cardsComeInBatchesOfFour()
{
    ThumbnailTableView grid;
    grid.resize(540, 600);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QTRY_COMPARE(grid.photosPerRowCount(), 4);

    const QList<ThumbnailInfo> list = smallPhotos(20);
    grid.loadThumbnails(list);
    QCOMPARE(shownCards(grid).size(), 0);
    // Driven by hand, no event loop in between: one batch per call.
    for (int batch = 1; batch <= 5; ++batch) {
        grid.createPhotoItemsBatch();
        QCOMPARE(shownCards(grid).size(), 4 * batch);
    }
    const QList<QWidget *> cards = shownCards(grid);
    QCOMPARE(cards.size(), 20);
    for (int i = 0; i < cards.size(); ++i) {
        QCOMPARE(cards.at(i)->property("photoIndex").toInt(), i);
        QCOMPARE(cards.at(i)->findChild<QLabel *>("nameLabel")->text(), QStringLiteral("IMG_%1.JPG").arg(i));
        QCOMPARE(cards.at(i)->size(), QSize(100, 125));
        QCOMPARE(cards.at(i)->pos(), QPoint(5 + (i % 4) * 105, 5 + (i / 4) * 130));
    }
    for (QWidget *card : cards)
        QTRY_COMPARE(pixmapSize(card), QSize(60, 40));
}

void TestThumbnailTableView::localPicturesFitTheTile_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("wide png") << "wide" << QSize(90, 45);
    QTest::newRow("small stays small") << "small" << QSize(60, 40);
    QTest::newRow("large jpeg") << "big" << QSize(90, 60);
    QTest::newRow("embedded raw placeholder") << ":/public/image/public/icon/raw.png" << QSize(90, 90);
}

void TestThumbnailTableView::localPicturesFitTheTile()
{
    QFETCH(QString, which);
    QFETCH(QSize, expected);
    const QString path = which == "wide" ? wide : which == "small" ? small : which == "big" ? big : which;
    ThumbnailTableView grid;
    grid.resize(500, 400);
    grid.show();
    grid.loadThumbnails({info(QStringLiteral("a.jpg"), path)});
    QTRY_VERIFY(cardAt(grid, 0));
    QTRY_COMPARE(pixmapSize(cardAt(grid, 0)), expected);
    QVERIFY(photoOf(cardAt(grid, 0))->text().isEmpty());
}

void TestThumbnailTableView::cameraPreviewUsedWhenItIsThePicture_data()
{
    QTest::addColumn<QSize>("previewSize");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("expected");
    QTest::addColumn<QPoint>("markerAt"); // the preview's red top-left corner, upright; none: photo used
    QTest::addColumn<QSize>("photoSize");
    QTest::addColumn<QColor>("bars"); // around the picture when the preview's aspect differs
    QTest::addColumn<QColor>("lastBar"); // below or right of it; invalid: as the first
    const QSize wide(600, 400);
    const QColor none = Qt::green; // the picture fills the whole preview
    const QColor same;
    QTest::newRow("upright") << QSize(150, 100) << 1 << QSize(90, 60) << QPoint(2, 2) << wide << none << same;
    QTest::newRow("turned 90") << QSize(150, 100) << 6 << QSize(60, 90) << QPoint(57, 2) << wide << none << same;
    QTest::newRow("turned 180") << QSize(150, 100) << 3 << QSize(90, 60) << QPoint(87, 57) << wide << none << same;
    QTest::newRow("turned 270") << QSize(150, 100) << 8 << QSize(60, 90) << QPoint(2, 87) << wide << none << same;
    QTest::newRow("transverse") << QSize(150, 100) << 7 << QSize(60, 90) << QPoint(57, 87) << wide << none << same;
    QTest::newRow("transposed") << QSize(150, 100) << 5 << QSize(60, 90) << QPoint(2, 2) << wide << none << same;
    QTest::newRow("other aspect: photo") << QSize(160, 120) << 6 << QSize(60, 90) << QPoint(-1, -1) << wide
                                         << none << same;
    QTest::newRow("too small: photo") << QSize(60, 40) << 1 << QSize(90, 60) << QPoint(-1, -1) << wide << none << same;
    QTest::newRow("letterboxed") << QSize(160, 120) << 1 << QSize(90, 60) << QPoint(2, 2) << wide
                                 << QColor(Qt::black) << same;
    QTest::newRow("letterboxed, turned 90") << QSize(160, 120) << 6 << QSize(60, 90) << QPoint(57, 2) << wide
                                            << QColor(Qt::black) << same;
    QTest::newRow("pillarboxed") << QSize(160, 120) << 1 << QSize(60, 90) << QPoint(2, 2) << QSize(400, 600)
                                 << QColor(Qt::black) << same;
    QTest::newRow("thin bars") << QSize(160, 110) << 1 << QSize(90, 60) << QPoint(2, 2) << wide
                               << QColor(Qt::black) << same;
    QTest::newRow("grey bars: photo") << QSize(160, 120) << 1 << QSize(90, 60) << QPoint(-1, -1) << wide
                                      << QColor(Qt::gray) << same;
    // A dark edge on one side only is part of the picture.
    QTest::newRow("one black bar: photo") << QSize(160, 120) << 1 << QSize(90, 60) << QPoint(-1, -1) << wide
                                          << QColor(Qt::black) << QColor(Qt::gray);
}

void TestThumbnailTableView::cameraPreviewUsedWhenItIsThePicture()
{
    QFETCH(QSize, previewSize);
    QFETCH(int, orientation);
    QFETCH(QSize, expected);
    QFETCH(QPoint, markerAt);
    QFETCH(QSize, photoSize);
    QFETCH(QColor, bars);
    QFETCH(QColor, lastBar);
    QImage preview(previewSize, QImage::Format_RGB32);
    preview.fill(bars);
    {
        // The picture sits in the middle, as large as the preview allows.
        const QSize picture = photoSize.scaled(previewSize, Qt::KeepAspectRatio);
        const QRect area(QPoint((previewSize.width() - picture.width()) / 2,
                                (previewSize.height() - picture.height()) / 2),
                         picture);
        QPainter painter(&preview);
        if (lastBar.isValid()) {
            const bool letterbox = area.width() == previewSize.width();
            painter.fillRect(letterbox ? QRect(0, area.bottom() + 1, previewSize.width(), previewSize.height())
                                       : QRect(area.right() + 1, 0, previewSize.width(), previewSize.height()),
                             lastBar);
        }
        painter.fillRect(area, Qt::green);
        painter.fillRect(QRect(area.topLeft(), picture / 4), Qt::red);
    }
    const QString previewPath = dir.filePath("preview.jpg");
    const QString photo = writeImage(dir, QStringLiteral("camera_%1.jpg").arg(QTest::currentDataTag()),
                                     photoSize, Qt::blue);
    QVERIFY(preview.save(previewPath, "JPG", 95));
    QProcess exiftool;
    exiftool.start("exiftool", {"-q", "-overwrite_original", "-ThumbnailImage<=" + previewPath,
                                QStringLiteral("-Orientation#=%1").arg(orientation), photo});
    QVERIFY(exiftool.waitForFinished(30000) && exiftool.exitCode() == 0);

    const QImage tile = ThumbnailLoadWorker::readScaled(photo, QSize(90, 90));
    QCOMPARE(tile.size(), expected);
    const QColor centre = tile.pixelColor(tile.width() / 2, tile.height() / 2);
    if (markerAt.x() < 0) {
        QVERIFY2(centre.blue() > 200 && centre.green() < 60, qPrintable(centre.name()));
        return;
    }
    QVERIFY2(centre.green() > 200 && centre.blue() < 60, qPrintable(centre.name()));
    const QColor marker = tile.pixelColor(markerAt);
    QVERIFY2(marker.red() > 200 && marker.green() < 60, qPrintable(marker.name()));
}

void TestThumbnailTableView::failuresShowFailureLook_data()
{
    QTest::addColumn<QString>("localPath");
    QTest::addColumn<QString>("url");
    QTest::newRow("neither path nor url") << QString() << QString();
    QTest::newRow("undecodable local file") << "broken" << QString();
    QTest::newRow("missing local file") << "missing" << QString();
}

void TestThumbnailTableView::failuresShowFailureLook()
{
    QFETCH(QString, localPath);
    QFETCH(QString, url);
    if (localPath == "broken")
        localPath = broken;
    else if (localPath == "missing")
        localPath = dir.filePath("gone.jpg");
    ThumbnailTableView grid;
    grid.resize(500, 400);
    grid.show();
    grid.loadThumbnails({info(QStringLiteral("ok.png"), red), info(QStringLiteral("bad.jpg"), localPath, url)});
    QTRY_VERIFY(cardAt(grid, 1));
    QTRY_VERIFY(isFailed(cardAt(grid, 1)));
    QVERIFY(pixmapSize(cardAt(grid, 1)).isEmpty());
    QTRY_COMPARE(pixmapSize(cardAt(grid, 0)), QSize(90, 90));
    QVERIFY(!isFailed(cardAt(grid, 0)));
}

void TestThumbnailTableView::localPathPreferredOverUrl()
{
    ThumbnailTableView grid;
    grid.resize(500, 400);
    grid.show();
    grid.loadThumbnails({info(QStringLiteral("a.png"), blue, QStringLiteral("http://127.0.0.1:1/a.png"))});
    QTRY_VERIFY(cardAt(grid, 0));
    QTRY_COMPARE(pixmapCentre(cardAt(grid, 0)), QColor(Qt::blue));
}

void TestThumbnailTableView::downloads_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("failure");
    QTest::addColumn<bool>("loads");
    const int none = int(StandInService::Failure::None);
    QTest::newRow("picture") << "/img/ok.png" << none << true;
    QTest::newRow("not found") << "/img/missing.png" << none << false;
    QTest::newRow("server error") << "/img/ok.png" << int(StandInService::Failure::Http500) << false;
    QTest::newRow("not a picture") << "/img/page.jpg" << none << false;
    QTest::newRow("no answer times out") << "/img/ok.png" << int(StandInService::Failure::NoAnswer)
                                         << false;
}

void TestThumbnailTableView::downloads()
{
    QFETCH(QString, path);
    QFETCH(int, failure);
    QFETCH(bool, loads);
    StandInService service;
    QVERIFY(service.start());
    QImage picture(300, 150, QImage::Format_RGB32);
    picture.fill(Qt::green);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    service.serveFile(QStringLiteral("/img/ok.png"), png, "image/png");
    service.serveFile(QStringLiteral("/img/page.jpg"), "<html>moved</html>", "image/jpeg");
    if (failure != int(StandInService::Failure::None))
        service.setFileFailure(path, StandInService::Failure(failure));

    ThumbnailTableView grid;
    grid.loadWorker()->setTransferTimeout(500);
    grid.resize(500, 400);
    grid.show();
    grid.loadThumbnails({info(QStringLiteral("remote.png"), QString(), service.fileUrl(path))});
    QTRY_VERIFY(cardAt(grid, 0));
    if (loads) {
        QTRY_COMPARE_WITH_TIMEOUT(pixmapSize(cardAt(grid, 0)), QSize(90, 45), 10000);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(isFailed(cardAt(grid, 0)), 10000);
        QVERIFY(pixmapSize(cardAt(grid, 0)).isEmpty());
    }
    const QList<StandInService::Request> requests = service.requests();
    QVERIFY(!requests.isEmpty());
    QCOMPARE(requests.first().method, QByteArray("GET"));
}

void TestThumbnailTableView::selectAllSkipsUnselectable()
{
    ThumbnailTableView grid;
    grid.resize(600, 500);
    grid.show();
    QList<ThumbnailInfo> list;
    for (int i = 0; i < 10; ++i)
        list << info(QStringLiteral("P%1.jpg").arg(i), small, QString(), i != 2 && i != 5 && i != 9);
    grid.loadThumbnails(list);
    QTRY_COMPARE(shownCards(grid).size(), 10);

    QSignalSpy count(&grid, &ThumbnailTableView::selectedCountChanged);
    QSignalSpy changed(&grid, &ThumbnailTableView::selectionChanged);
    grid.selectAll();
    QCOMPARE(count.count(), 1);
    QCOMPARE(count.first().first().toInt(), 7);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(grid.getSelectedIndices(), (QList<int>{0, 1, 3, 4, 6, 7, 8}));
    QCOMPARE(grid.getSelectedNames().size(), 7);
    for (int i = 0; i < 10; ++i) {
        QPushButton *button = buttonOf(cardAt(grid, i));
        const bool selectable = i != 2 && i != 5 && i != 9;
        QCOMPARE(button->isVisible(), selectable);
        QCOMPARE(button->isChecked(), selectable);
        if (selectable) {
            QCOMPARE(button->text(), QStringLiteral("✓"));
            QCOMPARE(button->geometry(), QRect(3, 3, 14, 14));
        }
    }

    grid.clearAllSelections();
    QCOMPARE(count.last().first().toInt(), 0);
    QCOMPARE(changed.count(), 0);
    QVERIFY(grid.getSelectedIndices().isEmpty());
    QVERIFY(!buttonOf(cardAt(grid, 0))->isChecked());
    QVERIFY(buttonOf(cardAt(grid, 0))->text().isEmpty());
}

void TestThumbnailTableView::clickingCardTogglesSelection()
{
    ThumbnailTableView grid;
    grid.resize(600, 500);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.loadThumbnails({info("a.jpg", small), info("b.jpg", small), info("c.jpg", small, QString(), false)});
    QTRY_COMPARE(shownCards(grid).size(), 3);

    QSignalSpy changed(&grid, &ThumbnailTableView::selectionChanged);
    QSignalSpy count(&grid, &ThumbnailTableView::selectedCountChanged);
    QWidget *card = cardAt(grid, 1);
    QTest::mouseClick(card->findChild<QLabel *>("nameLabel"), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first(), (QList<QVariant>{1, true}));
    QCOMPARE(count.first().first().toInt(), 1);
    QVERIFY(buttonOf(card)->isChecked());
    QCOMPARE(buttonOf(card)->text(), QStringLiteral("✓"));

    // The check button itself toggles the same way.
    QTest::mouseClick(buttonOf(card), Qt::LeftButton);
    QCOMPARE(changed.last(), (QList<QVariant>{1, false}));
    QCOMPARE(count.last().first().toInt(), 0);
    QVERIFY(grid.getSelectedIndices().isEmpty());

    // Not selectable: nothing changes.
    QTest::mouseClick(photoOf(cardAt(grid, 2)), Qt::LeftButton);
    QCOMPARE(changed.count(), 2);

    // Selection switched off: the click does not count and the button stays as it was.
    grid.setUserEnable(false);
    QTest::mouseClick(photoOf(cardAt(grid, 0)), Qt::LeftButton);
    QCOMPARE(changed.count(), 2);
    QVERIFY(!buttonOf(cardAt(grid, 0))->isChecked());
    QVERIFY(grid.getSelectedIndices().isEmpty());
}

void TestThumbnailTableView::initialSelectionAndRecordsUnchanged()
{
    ThumbnailTableView grid;
    grid.resize(600, 500);
    grid.show();
    ThumbnailInfo chosen = info("chosen.jpg", small);
    chosen.selected = true;
    chosen.filePath = QStringLiteral("/share/order/chosen.jpg");
    chosen.extraPaths = QStringList{QStringLiteral("/share/order/chosen.CR2")};
    QSignalSpy count(&grid, &ThumbnailTableView::selectedCountChanged);
    grid.loadThumbnails({info("other.jpg", small), chosen});
    QCOMPARE(grid.getSelectedIndices(), QList<int>{1});
    QCOMPARE(grid.selectedTotal(), 1);
    QCOMPARE(count.last().at(0).toInt(), 1);
    QTRY_COMPARE(shownCards(grid).size(), 2);
    QVERIFY(buttonOf(cardAt(grid, 1))->isChecked());

    QTest::mouseClick(photoOf(cardAt(grid, 1)), Qt::LeftButton);
    QVERIFY(grid.getSelectedIndices().isEmpty());
    QCOMPARE(grid.selectedTotal(), 0);
    QCOMPARE(count.last().at(0).toInt(), 0);
    const ThumbnailInfo back = grid.getThumbnailInfo(1);
    QVERIFY(back.selected);
    QCOMPARE(back.filePath, chosen.filePath);
    QCOMPARE(back.extraPaths, chosen.extraPaths);
    const ThumbnailInfo none = grid.getThumbnailInfo(2);
    QVERIFY(none.name.isEmpty());
    QVERIFY(none.selectable);
    QVERIFY(!none.selected);
    QVERIFY(grid.getThumbnailInfo(-1).id.isEmpty());
}

void TestThumbnailTableView::recyclingOnNewLoad()
{
    ThumbnailTableView grid;
    grid.resize(600, 500);
    grid.show();
    QList<ThumbnailInfo> first;
    for (int i = 0; i < 60; ++i)
        first << info(QStringLiteral("A%1.jpg").arg(i), small);
    grid.loadThumbnails(first);
    QTRY_COMPARE_WITH_TIMEOUT(shownCards(grid).size(), 60, 10000);
    const QList<QWidget *> oldCards = shownCards(grid);

    QList<ThumbnailInfo> second;
    for (int i = 0; i < 10; ++i)
        second << info(QStringLiteral("B%1.jpg").arg(i), red, QString(), i % 2 == 0);
    grid.loadThumbnails(second);
    QTRY_COMPARE(shownCards(grid).size(), 10);
    for (int i = 0; i < 10; ++i) {
        QWidget *card = cardAt(grid, i);
        QVERIFY(oldCards.contains(card));
        QCOMPARE(card->findChild<QLabel *>("nameLabel")->text(), QStringLiteral("B%1.jpg").arg(i));
        QCOMPARE(buttonOf(card)->isVisible(), i % 2 == 0);
        QTRY_COMPARE(pixmapCentre(card), QColor(Qt::red));
    }
    // The pool keeps at most 50 cards; the rest are deleted.
    QTRY_COMPARE(grid.findChildren<QWidget *>(QStringLiteral("thumbnailCard")).size(), 50);

    // A reused card answers clicks for its new index only.
    QSignalSpy changed(&grid, &ThumbnailTableView::selectionChanged);
    QTest::mouseClick(photoOf(cardAt(grid, 4)), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().toInt(), 4);

    grid.loadThumbnails({});
    QTRY_COMPARE(shownCards(grid).size(), 0);
    QVERIFY(grid.getSelectedIndices().isEmpty());
}

void TestThumbnailTableView::staleLoadsNeverLandInNewList()
{
    // Two orders with the same file names: the first order's pictures are red,
    // the second's blue. The list changes while the red ones are in flight.
    ThumbnailTableView grid;
    grid.resize(600, 500);
    grid.show();
    QList<ThumbnailInfo> redOrder, blueOrder;
    for (int i = 0; i < 12; ++i) {
        redOrder << info(QStringLiteral("IMG_%1.JPG").arg(i), red);
        blueOrder << info(QStringLiteral("IMG_%1.JPG").arg(i), blue);
    }
    bool switched = false;
    connect(&grid, &ThumbnailTableView::loadPhotoRequest, this, [&] {
        if (!switched) {
            switched = true;
            grid.loadThumbnails(blueOrder);
        }
    });
    grid.loadThumbnails(redOrder);
    QTRY_VERIFY(switched);
    QTRY_COMPARE(shownCards(grid).size(), 12);
    for (int i = 0; i < 12; ++i)
        QTRY_COMPARE(pixmapCentre(cardAt(grid, i)), QColor(Qt::blue));
    QTest::qWait(300);
    for (int i = 0; i < 12; ++i)
        QCOMPARE(pixmapCentre(cardAt(grid, i)), QColor(Qt::blue));
}

void TestThumbnailTableView::staleResultSlotsAreIgnored()
{
    ThumbnailTableView grid;
    grid.resize(600, 500);
    grid.show();
    grid.loadThumbnails({info("a.jpg", broken), info("b.jpg", broken)});
    QTRY_VERIFY(cardAt(grid, 1) && isFailed(cardAt(grid, 1)));
    QImage green(90, 90, QImage::Format_RGB32);
    green.fill(Qt::green);
    const int now = grid.currentGeneration();
    grid.onPhotoLoaded(green, "b.jpg", 1, now - 1);
    grid.onPhotoLoaded(green, "other.jpg", 1, now);
    grid.onPhotoLoaded(green, "b.jpg", 7, now);
    QVERIFY(pixmapSize(cardAt(grid, 1)).isEmpty());
    QVERIFY(isFailed(cardAt(grid, 1)));
    grid.onPhotoLoaded(green, "b.jpg", 1, now);
    QCOMPARE(pixmapCentre(cardAt(grid, 1)), QColor(Qt::green));
    QVERIFY(!isFailed(cardAt(grid, 1)));
}

void TestThumbnailTableView::onlyVisibleCardsAreLoaded()
{
    ThumbnailTableView grid;
    grid.resize(460, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    const QList<ThumbnailInfo> list = smallPhotos(200);
    QSignalSpy requests(&grid, &ThumbnailTableView::loadPhotoRequest);
    grid.loadThumbnails(list);
    QTRY_COMPARE_WITH_TIMEOUT(shownCards(grid).size(), 200, 20000);
    QTRY_VERIFY(!pixmapSize(cardAt(grid, 0)).isEmpty());
    QTest::qWait(200);
    const int perRow = grid.photosPerRowCount();
    QVERIFY(requests.count() <= perRow * 3);
    QVERIFY(pixmapSize(cardAt(grid, 199)).isEmpty());

    QScrollBar *bar = grid.findChild<QScrollArea *>("scrollArea")->verticalScrollBar();
    bar->setValue(bar->maximum());
    QTRY_COMPARE(pixmapSize(cardAt(grid, 199)), QSize(60, 40));
    QVERIFY(requests.count() <= perRow * 6);
}

void TestThumbnailTableView::loadedWhileHiddenLoadsWhenShown()
{
    QWidget window;
    auto *grid = new ThumbnailTableView(&window);
    grid->resize(500, 400);
    grid->hide();
    window.show();
    grid->loadThumbnails({info("a.jpg", red), info("b.jpg", blue)});
    QTRY_COMPARE(grid->findChildren<QWidget *>(QStringLiteral("thumbnailCard")).size(), 2);
    QTest::qWait(300);
    grid->show();
    QTRY_COMPARE(pixmapCentre(cardAt(*grid, 1)), QColor(Qt::blue));
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

void TestThumbnailTableView::laterBatchesLeaveCardsInViewAlone()
{
    // Every batch grows the container; repainting all cards in view each time
    // kept the GUI thread busy for the whole of a long list.
    ThumbnailTableView grid;
    grid.resize(460, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    const QList<ThumbnailInfo> list = smallPhotos(120);
    grid.loadThumbnails(list);
    const int inView = grid.photosPerRowCount() * 2;
    QTRY_VERIFY(shownCards(grid).size() > inView);
    for (int i = 0; i < inView; ++i)
        QTRY_VERIFY(!pixmapSize(cardAt(grid, i)).isEmpty());
    QTest::qWait(50);
    PaintCounter counter;
    cardAt(grid, 0)->installEventFilter(&counter);
    const int shownBefore = shownCards(grid).size();
    QVERIFY(shownBefore < 120);
    QTRY_COMPARE_WITH_TIMEOUT(shownCards(grid).size(), 120, 20000);
    QCOMPARE(counter.paints, 0);
}

void TestThumbnailTableView::decodingYieldsToTheGuiThread()
{
#ifdef Q_OS_LINUX
    ThumbnailTableView grid;
    grid.resize(300, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    std::atomic<int> decoderNice{-100};
    connect(grid.loadWorker(), &ThumbnailLoadWorker::photoLoaded, grid.loadWorker(),
            [&decoderNice] { decoderNice = getpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid))); },
            Qt::DirectConnection);
    grid.loadThumbnails({info("a.jpg", red)});
    QTRY_VERIFY(decoderNice != -100);
    QVERIFY2(decoderNice > getpriority(PRIO_PROCESS, 0), qPrintable(QString::number(decoderNice)));
#else
    QSKIP("thread priorities are read the Linux way");
#endif
}

QTEST_MAIN(TestThumbnailTableView)
#include "tst_thumbnailtableview.moc"

#include "app/core/Config.h"
#include "support/EngineTestImages.h"
#include "transfer/engine/tfthumbnailthread.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace EngineTestImages;

class TestThumbnailThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void cleanup() { Config::k_importType = 0; }

    void intermediateSize_data();
    void intermediateSize();
    void previewsAreMadeOnceAndReused();
    void previewsAreUpright_data();
    void previewsAreUpright();
    void unreadableStoredPreviewIsReplacedWhole();
    void unreadableSourceGetsPlaceholder();
    void videosShowTheVideoIcon();
    void cancelSilencesPendingWork();

private:
    QTemporaryDir m_dir;
};

void TestThumbnailThread::intermediateSize_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("small kept") << QSize(900, 600) << QSize(900, 600);
    QTest::newRow("camera") << QSize(6000, 4000) << QSize(1600, 1066);
    QTest::newRow("22.5 MP") << QSize(5000, 4500) << QSize(2048, 1843);
    QTest::newRow("5001 drops to 1600") << QSize(5001, 3000) << QSize(1600, 959);
    QTest::newRow("portrait") << QSize(3000, 4000) << QSize(1500, 2000);
    QTest::newRow("very large") << QSize(20000, 10000) << QSize(800, 400);
    QTest::newRow("header claims millions a side") << QSize(4000000, 3000000) << QSize(800, 600);
    QTest::newRow("tall, millions a side") << QSize(3000000, 4000000) << QSize(600, 800);
}

void TestThumbnailThread::intermediateSize()
{
    QFETCH(QSize, source);
    QFETCH(QSize, expected);
    QCOMPARE(tfthumbnailthread::calculateThumbnailIntermediateSize(source), expected);
}

void TestThumbnailThread::previewsAreMadeOnceAndReused()
{
    const QString folder = m_dir.filePath(QStringLiteral("picked"));
    QDir().mkpath(folder);
    const QString a = folder + QStringLiteral("/a.jpg");
    const QString b = folder + QStringLiteral("/b.jpg");
    QVERIFY(writeJpeg(a, pattern(900, 600)));
    QVERIFY(writeJpeg(b, pattern(300, 600)));
    QList<PhotoInfo> entries = photoEntries(a) + photoEntries(b);

    tfthumbnailthread thread;
    QSignalSpy previews(&thread, &tfthumbnailthread::thumbnailGenerated);
    QSignalSpy done(&thread, &tfthumbnailthread::allTasksCompleted);
    thread.setTasks(entries);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
    QCOMPARE(previews.count(), 2);
    QCOMPARE(previews.at(0).at(0).toString(), QStringLiteral("a.jpg"));
    QCOMPARE(previews.at(0).at(1).toString(), a);
    QCOMPARE(previews.at(0).at(2).value<QImage>().size(), QSize(160, 106));
    QCOMPARE(previews.at(0).at(3).toInt(), 0);
    QCOMPARE(previews.at(1).at(2).value<QImage>().size(), QSize(60, 120));
    QCOMPARE(previews.at(1).at(3).toInt(), 4);
    const QString cached = folder + QStringLiteral("/DP_缩略图/a.jpg");
    QCOMPARE(QImage(cached).size(), QSize(160, 106));

    // A stored preview is shown as it is, whatever its size, and not made again.
    QVERIFY(writeJpeg(cached, pattern(20, 10)));
    const QDateTime stamp = QFileInfo(cached).lastModified();
    thread.setTasks(entries.mid(0, 4));
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 20000);
    QCOMPARE(previews.count(), 3);
    QCOMPARE(previews.at(2).at(2).value<QImage>().size(), QSize(20, 10));
    QCOMPARE(QFileInfo(cached).lastModified(), stamp);
}

void TestThumbnailThread::previewsAreUpright_data()
{
    QTest::addColumn<int>("exif");
    QTest::addColumn<bool>("staleSideways"); // an older version stored the preview unturned
    QTest::newRow("exif 3") << 3 << false;
    QTest::newRow("exif 6") << 6 << false;
    QTest::newRow("exif 8, stale stored preview") << 8 << true;
    QTest::newRow("exif 5 large") << 5 << false;
}

// A portrait photo shot sideways shows, and is stored, as a portrait.
void TestThumbnailThread::previewsAreUpright()
{
    QFETCH(int, exif);
    QFETCH(bool, staleSideways);
    const QString folder = m_dir.filePath(QStringLiteral("upright%1").arg(exif));
    QDir().mkpath(folder + QStringLiteral("/DP_缩略图"));
    const QString source = folder + QStringLiteral("/p.jpg");
    const QSize stored = exif == 5 ? QSize(6000, 4000) : QSize(900, 600);
    QVERIFY(writeJpeg(source, pattern(stored.width(), stored.height()), 80));
    QVERIFY(tagOrientation(source, exif));
    const QString cached = folder + QStringLiteral("/DP_缩略图/p.jpg");
    if (staleSideways)
        QVERIFY(writeJpeg(cached, pattern(160, 106)));

    const QImage expected = upright(source);
    const QImage preview = tfthumbnailthread::createThumbnail(source, false);
    // Fits 160 x 120 in the photo's upright shape.
    const bool portrait = exif >= 5;
    QCOMPARE(preview.height(), portrait ? 120 : 106);
    QVERIFY(qAbs(preview.width() - (portrait ? 80 : 160)) <= 1);
    QVERIFY(sameQuarters(preview, expected));
    QCOMPARE(QImage(cached).size(), preview.size());
    QVERIFY(sameQuarters(QImage(cached), expected));
}

void TestThumbnailThread::unreadableStoredPreviewIsReplacedWhole()
{
    const QString folder = m_dir.filePath(QStringLiteral("broken"));
    QDir().mkpath(folder + QStringLiteral("/DP_缩略图"));
    const QString source = folder + QStringLiteral("/p.jpg");
    QVERIFY(writeJpeg(source, pattern(900, 600)));

    // The stored preview is unreadable and shares its data with another name:
    // a new preview must arrive under a new file, never be written into the old one.
    const QString other = folder + QStringLiteral("/keep.bin");
    const QByteArray otherBytes("not a picture");
    {
        QFile file(other);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(otherBytes), qint64(otherBytes.size()));
    }
    const QString cached = folder + QStringLiteral("/DP_缩略图/p.jpg");
    QVERIFY(::link(QFile::encodeName(other).constData(), QFile::encodeName(cached).constData()) == 0);

    const QImage preview = tfthumbnailthread::createThumbnail(source, false);
    QCOMPARE(preview.size(), QSize(160, 106));
    QCOMPARE(QImage(cached).size(), QSize(160, 106));
    QFile kept(other);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), otherBytes);
    QCOMPARE(QDir(folder + QStringLiteral("/DP_缩略图")).entryList(QDir::Files), QStringList{"p.jpg"});
}

void TestThumbnailThread::unreadableSourceGetsPlaceholder()
{
    const QString missing = m_dir.filePath(QStringLiteral("none/missing.jpg"));
    const QImage preview = tfthumbnailthread::createThumbnail(missing, false);
    QCOMPARE(preview.size(), QSize(160, 120));
    QCOMPARE(preview, tfthumbnailthread::placeholder());
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("none/DP_缩略图/missing.jpg"))));
}

void TestThumbnailThread::videosShowTheVideoIcon()
{
    const QString folder = m_dir.filePath(QStringLiteral("videos"));
    QDir().mkpath(folder);
    const QString clip = folder + QStringLiteral("/clip.mp4");
    QVERIFY(writeJpeg(clip, pattern(100, 100)));
    const QString photo = folder + QStringLiteral("/still.jpg");
    QVERIFY(writeJpeg(photo, pattern(300, 200)));
    const QImage icon(QStringLiteral(":/transferphotos/image/transferphotos/home/video.png"));
    QVERIFY(!icon.isNull());

    // The kind comes from each entry's tag, whatever the import kind chosen now.
    PhotoInfo video;
    video.sizeTag = QStringLiteral("试拍视频");
    video.url = clip;
    QList<PhotoInfo> entries{video};
    entries += photoEntries(photo);
    Config::k_importType = 1;

    tfthumbnailthread thread;
    QSignalSpy previews(&thread, &tfthumbnailthread::thumbnailGenerated);
    QSignalSpy done(&thread, &tfthumbnailthread::allTasksCompleted);
    thread.setTasks(entries);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
    QCOMPARE(previews.count(), 2);
    QCOMPARE(previews.at(0).at(2).value<QImage>(), icon);
    QCOMPARE(previews.at(1).at(2).value<QImage>().size(), QSize(160, 106));
    // Only the photo gets a stored preview; nothing is written beside the video.
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("/DP_缩略图/still.jpg")));
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/DP_缩略图/clip.mp4")));
    const QStringList leftovers = QDir(folder + QStringLiteral("/DP_缩略图")).entryList(QDir::Files);
    QCOMPARE(leftovers, QStringList{QStringLiteral("still.jpg")});
}

void TestThumbnailThread::cancelSilencesPendingWork()
{
    const QString folder = m_dir.filePath(QStringLiteral("cancel"));
    QDir().mkpath(folder);
    QList<PhotoInfo> entries;
    for (int i = 0; i < 6; ++i) {
        const QString path = folder + QStringLiteral("/c%1.jpg").arg(i);
        QVERIFY(writeJpeg(path, pattern(1200, 800)));
        entries += photoEntries(path);
    }
    tfthumbnailthread thread;
    QSignalSpy previews(&thread, &tfthumbnailthread::thumbnailGenerated);
    QSignalSpy done(&thread, &tfthumbnailthread::allTasksCompleted);
    thread.setTasks(entries);
    thread.cancelTasks();
    // A new list after the cancel is served in full.
    thread.setTasks(entries.mid(0, 4));
    QTRY_VERIFY_WITH_TIMEOUT(done.count() >= 1, 20000);
    QVERIFY(previews.count() >= 1);
    QCOMPARE(previews.last().at(3).toInt(), 0);
    thread.stopThread();
    QVERIFY(thread.wait(20000));
}

QTEST_MAIN(TestThumbnailThread)
#include "tst_tfthumbnailthread.moc"

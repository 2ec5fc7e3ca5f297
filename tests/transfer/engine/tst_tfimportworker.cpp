#include "support/EngineTestImages.h"
#include "support/ScopedMountRoot.h"
#include "app/core/K.h"
#include "transfer/engine/FolderListing.h"
#include "transfer/engine/tfimportworker.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonObject>
#include <QProcess>
#include <QtEndian>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace EngineTestImages;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QSize fileSize(const QString &path)
{
    return QImageReader(path).size();
}

// Folder entries other than the given names: leftovers of a write.
QStringList strayFiles(const QString &folder, const QStringList &expected)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : expected)
        names.removeAll(name);
    return names;
}

// The four entries of one photo as the manager hands them over, into out/<tag>.
QList<PhotoImportTask> photoGroup(const QString &source, const QString &out)
{
    QList<PhotoImportTask> group;
    for (const PhotoInfo &info : photoEntries(source)) {
        PhotoImportTask task;
        task.photoInfo = info;
        task.targetDir = out + QLatin1Char('/') + info.sizeTag;
        task.taskId = 7;
        task.photoIndex = group.size();
        group.append(task);
    }
    return group;
}

} // namespace

class TestImportWorker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void orientation_data();
    void orientation();
    void sizeCopies_data();
    void sizeCopies();
    void targetSizeOutsideRange_data();
    void targetSizeOutsideRange();
    void qualityAndFormat();
    void uprightPhotoIsByteCopy();
    void damagedPhotoFailsEveryEntry_data();
    void damagedPhotoFailsEveryEntry();
    void cmykPhoto_data();
    void cmykPhoto();
    void formatFromContent_data();
    void formatFromContent();
    void largeQuarterTurnKeepsFullSize();
    void copyFileReplacesOrFails();
    void failedWriteLeavesNoTemporaryFile();
    void workerReportsEveryEntry();
    void uploadedEntryTouchesNothing();
    void targetFolderCannotBeCreated();
    void groupReportsInOrderOnceWritten();
    void stopFinishesHandedEntries();
    void rotateInPlace();
    void runEntryOnShare_data();
    void runEntryOnShare();
    void photoCutOffFromItsShareIsTakenBack_data();
    void photoCutOffFromItsShareIsTakenBack();
    void replacementWaitsForEveryCopy_data();
    void replacementWaitsForEveryCopy();

private:
    QString makePhoto(const QString &name, int w, int h, int orientation)
    {
        const QString path = m_dir.filePath(name);
        if (!writeJpeg(path, pattern(w, h)))
            return QString();
        if (orientation != 1 && !tagOrientation(path, orientation))
            return QString();
        return path;
    }

    // Runs the four entries of a photo through a worker; the results in entry order.
    QList<QList<QVariant>> importGroup(const QString &source, const QString &out)
    {
        tfimportworker worker(0);
        QSignalSpy results(&worker, &tfimportworker::photoImported);
        worker.start();
        worker.setTaskGroup(photoGroup(source, out));
        // Polled rather than woken: results sent from the worker thread wake a
        // wait() through queued calls, and one left over from an earlier result
        // ends the next wait() at once, before the rest have come.
        if (!QTest::qWaitFor([&results]() { return results.count() >= 4; }, 20000))
            qWarning("only %d of the four results came", int(results.count())); // the caller's checks fail on them
        return results;
    }

    QTemporaryDir m_dir;
};

void TestImportWorker::orientation_data()
{
    QTest::addColumn<int>("exif");
    for (int o = 1; o <= 8; ++o)
        QTest::newRow(qPrintable(QStringLiteral("exif %1").arg(o))) << o;
}

// Every copy of a tagged photo is upright exactly as the reader's auto-transform shows it.
void TestImportWorker::orientation()
{
    QFETCH(int, exif);
    // 400 x 300: the 300 side is not whole 16-pixel blocks, so some turns are lossless and some re-encoded.
    const QString source = makePhoto(QStringLiteral("o%1.jpg").arg(exif), 400, 300, 1);
    QVERIFY(!source.isEmpty());
    QVERIFY(tagCamera(source, exif));
    const QImage expected = upright(source);
    const bool quarter = exif >= 5;
    QCOMPARE(expected.size(), quarter ? QSize(300, 400) : QSize(400, 300));

    const QString out = m_dir.filePath(QStringLiteral("out%1").arg(exif));
    tfimportworker worker(0);
    QSignalSpy results(&worker, &tfimportworker::photoImported);
    worker.start();
    worker.setTaskGroup(photoGroup(source, out));
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 4, 20000);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(results.at(i).at(2).toInt(), i);
        QVERIFY2(results.at(i).at(3).toBool(), qPrintable(results.at(i).at(4).toString()));
    }

    const QString allPath = out + QStringLiteral("/all/o%1.jpg").arg(exif);
    const QImage all(allPath);
    QCOMPARE(all.size(), expected.size());
    QVERIFY(sameQuarters(all, expected));
    // The archive copy keeps the camera's metadata, with the orientation now upright.
    QJsonObject tags = cameraTags(source);
    QCOMPARE(tags.value(QStringLiteral("Orientation")).toInt(), exif);
    QCOMPARE(tags.size(), 9);
    tags.insert(QStringLiteral("Orientation"), 1);
    QCOMPARE(cameraTags(allPath), tags);
    if (exif == 1)
        QCOMPARE(readAll(allPath), readAll(source));
    const QList<QPair<QString, QSize>> sizes{{"90", QSize(89, 67)}, {"190", QSize(189, 142)},
                                             {"1920", QSize(1920, 1440)}};
    for (const auto &size : sizes) {
        const QImage copy(out + QStringLiteral("/%1/o%2.jpg").arg(size.first).arg(exif));
        QCOMPARE(copy.size(), quarter ? size.second.transposed() : size.second);
        QVERIFY2(sameQuarters(copy, expected), qPrintable(size.first));
    }
}

void TestImportWorker::sizeCopies_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<int>("target");
    QTest::addColumn<QSize>("expected"); // empty: the copy fails

    QTest::newRow("enlarged") << QSize(1000, 800) << 1920 << QSize(1920, 1536);
    QTest::newRow("within 9 px") << QSize(1925, 1080) << 1920 << QSize(1925, 1080);
    QTest::newRow("10 px off") << QSize(1930, 1080) << 1920 << QSize(1919, 1074);
    QTest::newRow("camera 3:2 at 190") << QSize(600, 400) << 190 << QSize(189, 126);
    QTest::newRow("square") << QSize(500, 500) << 190 << QSize(190, 190);
    QTest::newRow("portrait") << QSize(300, 400) << 90 << QSize(67, 90);
    QTest::newRow("aspect kept in truncated box") << QSize(601, 400) << 90 << QSize(88, 59);
    QTest::newRow("tiny kept") << QSize(8, 6) << 1 << QSize(8, 6);
    QTest::newRow("height becomes zero") << QSize(2000, 10) << 90 << QSize();
}

void TestImportWorker::sizeCopies()
{
    QFETCH(QSize, source);
    QFETCH(int, target);
    QFETCH(QSize, expected);
    const QString path = m_dir.filePath(QStringLiteral("s_%1x%2.jpg").arg(source.width()).arg(source.height()));
    QVERIFY(writeJpeg(path, pattern(source.width(), source.height())));
    const QString out = m_dir.filePath(QStringLiteral("sizes/%1_%2x%3.jpg").arg(target).arg(source.width()).arg(source.height()));
    QDir().mkpath(QFileInfo(out).path());
    QCOMPARE(tfimportworker::finalScaledSize(source, target), expected);
    QCOMPARE(tfimportworker::compressAndSavePhoto(path, out, target), !expected.isEmpty());
    QCOMPARE(QFileInfo::exists(out), !expected.isEmpty());
    if (!expected.isEmpty())
        QCOMPARE(fileSize(out), expected);
}

void TestImportWorker::targetSizeOutsideRange_data()
{
    QTest::addColumn<QString>("imagesize");
    QTest::newRow("zero") << "0";
    QTest::newRow("not a number") << "abc";
    QTest::newRow("negative") << "-90";
    QTest::newRow("above 10000") << "10001";
}

// A size from the service outside 1..10000 fails before anything is decoded.
void TestImportWorker::targetSizeOutsideRange()
{
    QFETCH(QString, imagesize);
    const QString source = makePhoto(QStringLiteral("range.jpg"), 40, 30, 1);
    tfimportworker worker(3);
    QSignalSpy results(&worker, &tfimportworker::photoImported);
    PhotoImportTask task;
    task.photoInfo = photoEntries(source).at(1);
    task.photoInfo.imagesize = imagesize;
    task.targetDir = m_dir.filePath(QStringLiteral("range_") + QString::number(qHash(imagesize)));
    worker.start();
    worker.setTask(task);
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 1, 10000);
    QCOMPARE(results.at(0).at(3).toBool(), false);
    bool ok = false;
    const int value = imagesize.toInt(&ok);
    QCOMPARE(results.at(0).at(4).toString(), QStringLiteral("图片压缩失败 (目标尺寸: %1)").arg(ok ? value : 0));
    QVERIFY(!QFileInfo::exists(task.targetDir + QStringLiteral("/range.jpg")));
}

void TestImportWorker::qualityAndFormat()
{
    // Upper-case suffix: still written as JPEG with the copy's own quality.
    const QString source = makePhoto(QStringLiteral("Q.JPG"), 400, 300, 6);
    const QString all = m_dir.filePath(QStringLiteral("q/all/Q.JPG"));
    const QString small = m_dir.filePath(QStringLiteral("q/190/Q.JPG"));
    QDir().mkpath(m_dir.filePath(QStringLiteral("q/all")));
    QDir().mkpath(m_dir.filePath(QStringLiteral("q/190")));
    QVERIFY(tfimportworker::copyOriginalPhoto(source, all));
    QVERIFY(tfimportworker::compressAndSavePhoto(source, small, 190));
    QCOMPARE(jpegQuality(all), 95);
    QCOMPARE(jpegQuality(small), 90);

    // A PNG source gives PNG copies.
    const QString png = m_dir.filePath(QStringLiteral("p.png"));
    QVERIFY(pattern(300, 200).save(png));
    const QString pngCopy = m_dir.filePath(QStringLiteral("q/190/p.png"));
    QVERIFY(tfimportworker::compressAndSavePhoto(png, pngCopy, 190));
    QImageReader reader(pngCopy);
    QCOMPARE(reader.format(), QByteArray("png"));
    QCOMPARE(reader.size(), QSize(189, 126));
}

void TestImportWorker::uprightPhotoIsByteCopy()
{
    const QString source = makePhoto(QStringLiteral("up.jpg"), 120, 80, 1);
    const QString target = m_dir.filePath(QStringLiteral("up_copy.jpg"));
    QVERIFY(QFile(target).open(QIODevice::WriteOnly)); // an old target is replaced
    QVERIFY(tfimportworker::copyOriginalPhoto(source, target));
    QCOMPARE(readAll(target), readAll(source));
}

void TestImportWorker::damagedPhotoFailsEveryEntry_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("exif");
    for (int exif : {1, 6}) {
        for (const char *damage : {"truncated", "empty", "text", "png"})
            QTest::newRow(qPrintable(QStringLiteral("%1 exif %2").arg(damage).arg(exif))) << damage << exif;
    }
}

// A source that cannot be read whole fails all its entries and leaves nothing in the folders.
void TestImportWorker::damagedPhotoFailsEveryEntry()
{
    QFETCH(QString, damage);
    QFETCH(int, exif);
    const QString name = QStringLiteral("bad_%1_%2.jpg").arg(damage).arg(exif);
    const QString source = makePhoto(name, 1600, 1200, exif);
    QByteArray bytes = readAll(source);
    if (damage == QLatin1String("truncated"))
        bytes.truncate(bytes.size() / 2);
    else if (damage == QLatin1String("empty"))
        bytes.clear();
    else if (damage == QLatin1String("text"))
        bytes = "not a picture at all";
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    if (damage == QLatin1String("png"))
        QVERIFY(pattern(160, 120).save(&file, "png"));
    else
        QCOMPARE(file.write(bytes), qint64(bytes.size()));
    file.close();

    const QString out = m_dir.filePath(QStringLiteral("bad_%1_%2").arg(damage).arg(exif));
    tfimportworker worker(0);
    QSignalSpy results(&worker, &tfimportworker::photoImported);
    worker.start();
    worker.setTaskGroup(photoGroup(source, out));
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 4, 20000);
    for (const QList<QVariant> &result : results) {
        QCOMPARE(result.at(3).toBool(), false);
        QCOMPARE(result.at(4).toString(), QStringLiteral("图片损坏或不完整"));
    }
    for (const char *tag : {"all", "90", "190", "1920"})
        QCOMPARE(strayFiles(out + QLatin1Char('/') + tag, {}), QStringList());
    QVERIFY(!tfimportworker::copyOriginalPhoto(source, out + QStringLiteral("/direct.jpg")));
    QVERIFY(!tfimportworker::copyOriginalPhoto(m_dir.filePath(QStringLiteral("missing.jpg")), out + "/m.jpg"));
    QVERIFY(!QFileInfo::exists(out + QStringLiteral("/direct.jpg")));
}

void TestImportWorker::cmykPhoto_data()
{
    QTest::addColumn<bool>("truncated");
    QTest::addColumn<int>("exif");
    for (int exif : {1, 6}) {
        QTest::newRow(qPrintable(QStringLiteral("whole exif %1").arg(exif))) << false << exif;
        QTest::newRow(qPrintable(QStringLiteral("truncated exif %1").arg(exif))) << true << exif;
    }
}

// A print-shop CMYK JPEG is imported like any photo; cut short, it fails like any damaged one.
void TestImportWorker::cmykPhoto()
{
    QFETCH(bool, truncated);
    QFETCH(int, exif);
    const QString rgb = makePhoto(QStringLiteral("rgb_%1_%2.jpg").arg(truncated).arg(exif), 401, 301, 1);
    const QString source = m_dir.filePath(QStringLiteral("cmyk_%1_%2.jpg").arg(truncated).arg(exif));
    if (QProcess::execute("convert", {rgb, "-colorspace", "CMYK", "-quality", "95", source}) != 0)
        QSKIP("needs ImageMagick");
    // A press profile: its colours mean nothing for RGB pixels.
    QByteArray profile(132, '\0');
    qToBigEndian<quint32>(132, profile.data());
    profile.replace(12, 12, "prtrCMYKLab ");
    profile.replace(36, 4, "acsp");
    const QString icc = source + ".icc";
    QFile iccFile(icc);
    QVERIFY(iccFile.open(QIODevice::WriteOnly) && iccFile.write(profile) == profile.size());
    iccFile.close();
    QCOMPARE(QProcess::execute("exiftool", {"-q", "-overwrite_original", "-ICC_Profile<=" + icc,
                                            QStringLiteral("-Orientation#=%1").arg(exif), source}),
             0);
    QVERIFY(readAll(source).contains("ICC_PROFILE"));
    const QImage expected = upright(source);
    if (truncated) {
        QByteArray bytes = readAll(source);
        bytes.truncate(bytes.size() * 2 / 3);
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

    const QString out = m_dir.filePath(QStringLiteral("cmyk_out_%1_%2").arg(truncated).arg(exif));
    const QList<QList<QVariant>> results = importGroup(source, out);
    QCOMPARE(results.size(), 4);
    const QString name = QFileInfo(source).fileName();
    for (const QList<QVariant> &result : results) {
        QCOMPARE(result.at(3).toBool(), !truncated);
        QCOMPARE(result.at(4).toString(), truncated ? QStringLiteral("图片损坏或不完整") : QString());
    }
    if (truncated) {
        for (const char *tag : {"all", "90", "190", "1920"})
            QCOMPARE(strayFiles(out + QLatin1Char('/') + tag, {}), QStringList());
        return;
    }
    const QImage all(out + "/all/" + name);
    QCOMPARE(all.size(), expected.size());
    QVERIFY(sameQuarters(all, expected));
    const QImage big(out + "/1920/" + name);
    const QSize bigSize = tfimportworker::finalScaledSize(QSize(401, 301), 1920);
    QCOMPARE(big.size(), exif == 1 ? bigSize : bigSize.transposed());
    QVERIFY(sameQuarters(big, expected));
    // Re-encoded to RGB, the copy drops the CMYK profile; a byte copy keeps the file as it is.
    const QByteArray copy = readAll(out + "/all/" + name);
    if (exif == 1)
        QCOMPARE(copy, readAll(source));
    else
        QVERIFY(!copy.contains("ICC_PROFILE"));
}

void TestImportWorker::formatFromContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("jpeg without suffix") << "IMG_0001" << QByteArray("jpeg");
    QTest::newRow("jpeg ending in a dot") << "IMG_0002." << QByteArray("jpeg");
    QTest::newRow("jpeg ending in a blank") << "IMG_0003.jpg " << QByteArray("jpeg");
    QTest::newRow("png without suffix") << "scan" << QByteArray("png");
}

// The copies are encoded in the format the photo's content has, under the photo's own name.
void TestImportWorker::formatFromContent()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    const QString dir = m_dir.filePath("content_" + QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
    QVERIFY(QDir().mkpath(dir));
    const QString source = dir + '/' + name;
    QVERIFY(format == "png" ? pattern(400, 300).save(source, "png") : writeJpeg(source, pattern(400, 300)));

    const QString out = dir + "/out";
    const QList<QList<QVariant>> results = importGroup(source, out);
    QCOMPARE(results.size(), 4);
    for (const QList<QVariant> &result : results)
        QVERIFY2(result.at(3).toBool(), qPrintable(result.at(4).toString()));
    QCOMPARE(readAll(out + "/all/" + name), readAll(source));
    for (const char *tag : {"90", "190", "1920"}) {
        const QString copy = out + '/' + tag + '/' + name;
        QImageReader reader(copy);
        reader.setDecideFormatFromContent(true);
        QCOMPARE(reader.format(), format);
        QCOMPARE(reader.size(), tfimportworker::finalScaledSize(QSize(400, 300), QString(tag).toInt()));
        QCOMPARE(strayFiles(out + '/' + tag, {name}), QStringList());
    }
}

// Above 50 million pixels the photo is read reduced and scaled back to its own, turned, size.
void TestImportWorker::largeQuarterTurnKeepsFullSize()
{
    const QString source = m_dir.filePath(QStringLiteral("large.jpg"));
    QVERIFY(writeJpeg(source, pattern(10000, 7500, QImage::Format_Grayscale8), 80));
    QVERIFY(tagOrientation(source, 6));
    const QString target = m_dir.filePath(QStringLiteral("large_all.jpg"));
    QVERIFY(tfimportworker::copyOriginalPhoto(source, target));
    QImageReader reader(target);
    QCOMPARE(reader.size(), QSize(7500, 10000));
    reader.setScaledSize(QSize(750, 1000));
    QImageReader expectedReader(source);
    expectedReader.setAutoTransform(true);
    expectedReader.setScaledSize(QSize(1000, 750));
    QVERIFY(sameQuarters(reader.read(), expectedReader.read()));
}

void TestImportWorker::copyFileReplacesOrFails()
{
    const QString source = m_dir.filePath(QStringLiteral("video.mp4"));
    {
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100000, 'v'));
    }
    const QString folder = m_dir.filePath(QStringLiteral("videos"));
    QDir().mkpath(folder);
    const QString target = folder + QStringLiteral("/video.mp4");
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    QVERIFY(tfimportworker::copyFile(source, target));
    QCOMPARE(readAll(target), readAll(source));

    QVERIFY(!tfimportworker::copyFile(m_dir.filePath(QStringLiteral("nothing.mp4")), target));

    // An old target that cannot be replaced (here a folder with content) is a failure.
    const QString blocked = folder + QStringLiteral("/blocked.mp4");
    QDir().mkpath(blocked + QStringLiteral("/inside"));
    QVERIFY(!tfimportworker::copyFile(source, blocked));
    QVERIFY(QFileInfo(blocked).isDir());
    QCOMPARE(strayFiles(folder, {QStringLiteral("video.mp4")}), QStringList());
}

void TestImportWorker::failedWriteLeavesNoTemporaryFile()
{
    // The target's name is taken by a folder with content: no copy can be put in its place.
    const QString source = m_dir.filePath(QStringLiteral("odd.jpg"));
    QVERIFY(writeJpeg(source, pattern(300, 200)));
    const QString folder = m_dir.filePath(QStringLiteral("nowriter"));
    const QString blocked = folder + QStringLiteral("/odd.jpg");
    QDir().mkpath(blocked + QStringLiteral("/inside"));
    QVERIFY(!tfimportworker::compressAndSavePhoto(source, blocked, 90));
    QCOMPARE(strayFiles(folder, {}), QStringList());

    // The turned full-size copy and its fall-back byte copy fail alike, and leave nothing.
    QVERIFY(tagOrientation(source, 3));
    QVERIFY(!tfimportworker::copyOriginalPhoto(source, blocked));
    QVERIFY(QFileInfo(blocked).isDir());
    QCOMPARE(strayFiles(folder, {}), QStringList());
}

void TestImportWorker::workerReportsEveryEntry()
{
    const QString photo = makePhoto(QStringLiteral("w1.jpg"), 200, 100, 1);
    const QString video = m_dir.filePath(QStringLiteral("clip.mov"));
    QVERIFY(QFile::copy(photo, video));
    tfimportworker worker(2);
    QSignalSpy results(&worker, &tfimportworker::photoImported);
    QSignalSpy finished(&worker, &tfimportworker::workerFinished);
    worker.start();

    const QString out = m_dir.filePath(QStringLiteral("every"));
    QList<PhotoInfo> infos = photoEntries(photo);
    PhotoInfo trial;
    trial.img_name = QStringLiteral("clip.mov");
    trial.url = video;
    trial.sizeTag = QStringLiteral("试拍视频");
    infos.append(trial);
    PhotoInfo missing = trial;
    missing.url = m_dir.filePath(QStringLiteral("gone.mov"));
    missing.img_name = QStringLiteral("gone.mov");
    missing.sizeTag = QStringLiteral("精修视频");
    infos.append(missing);
    for (int i = 0; i < infos.size(); ++i) {
        PhotoImportTask task;
        task.photoInfo = infos.at(i);
        task.targetDir = out + QLatin1Char('/') + infos.at(i).sizeTag;
        task.taskId = 11;
        task.photoIndex = i;
        QTRY_VERIFY_WITH_TIMEOUT(worker.isIdle(), 10000);
        worker.setTask(task);
        QTRY_COMPARE_WITH_TIMEOUT(results.count(), i + 1, 10000);
    }
    QCOMPARE(results.at(4).at(1).toString(), QStringLiteral("clip.mov"));
    QVERIFY(results.at(4).at(3).toBool());
    QCOMPARE(readAll(out + QStringLiteral("/试拍视频/clip.mov")), readAll(video));
    QCOMPARE(results.at(5).at(3).toBool(), false);
    QCOMPARE(results.at(5).at(4).toString(), QStringLiteral("精修视频拷贝失败"));
    QCOMPARE(fileSize(out + QStringLiteral("/1920/w1.jpg")), QSize(1920, 960));

    worker.stop();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QCOMPARE(finished.at(0).at(0).toInt(), 2);
}

void TestImportWorker::uploadedEntryTouchesNothing()
{
    const QString photo = makePhoto(QStringLiteral("done.jpg"), 60, 40, 1);
    tfimportworker worker(0);
    QSignalSpy results(&worker, &tfimportworker::photoImported);
    worker.start();
    PhotoImportTask task;
    task.photoInfo = photoEntries(photo).at(0);
    task.photoInfo.status = PhotoStatus::Uploaded;
    task.targetDir = m_dir.filePath(QStringLiteral("uploaded/all"));
    task.photoIndex = 5;
    worker.setTask(task);
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 1, 10000);
    QVERIFY(results.at(0).at(3).toBool());
    QCOMPARE(results.at(0).at(4).toString(), QString());
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("uploaded"))));
}

void TestImportWorker::targetFolderCannotBeCreated()
{
    const QString photo = makePhoto(QStringLiteral("nofolder.jpg"), 60, 40, 1);
    const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
    {
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    tfimportworker worker(0);
    QSignalSpy results(&worker, &tfimportworker::photoImported);
    worker.start();
    PhotoImportTask task;
    task.photoInfo = photoEntries(photo).at(0);
    task.targetDir = blocker + QStringLiteral("/all");
    worker.setTask(task);
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 1, 10000);
    QCOMPARE(results.at(0).at(3).toBool(), false);
    QCOMPARE(results.at(0).at(4).toString(), QStringLiteral("无法创建目标目录: %1").arg(blocker + QStringLiteral("/all")));
}

// Entries handed over before a stop are still written and reported, then the thread ends.
// The copies of a photo are written side by side; still each result comes in
// entry order, once its own file is in place, and one copy's failure is its own.
void TestImportWorker::groupReportsInOrderOnceWritten()
{
    const QString source = makePhoto(QStringLiteral("side.jpg"), 320, 240, 6);
    QVERIFY(!source.isEmpty());
    const QString out = m_dir.filePath(QStringLiteral("side"));
    QVERIFY(QDir().mkpath(out));
    {
        QFile blocker(out + QStringLiteral("/190")); // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    const QList<PhotoImportTask> group = photoGroup(source, out);
    tfimportworker worker(0);
    QList<int> order;
    QList<bool> onDisk;
    connect(&worker, &tfimportworker::photoImported, this,
            [&](int, const QString &, int index, bool, const QString &) {
                order.append(index);
                const QFileInfo target(tfimportworker::generateTargetPath(group.at(index)));
                onDisk.append(target.isFile() && QImageReader(target.filePath()).canRead());
            },
            Qt::DirectConnection);
    QSignalSpy results(&worker, &tfimportworker::photoImported);
    worker.start();
    worker.setTaskGroup(group);
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 4, 20000);
    QCOMPARE(order, QList<int>({0, 1, 2, 3}));
    QCOMPARE(onDisk, QList<bool>({true, true, false, true}));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(results.at(i).at(3).toBool(), i != 2);
    QCOMPARE(results.at(2).at(4).toString(), QStringLiteral("无法创建目标目录: %1").arg(out + QStringLiteral("/190")));
    QCOMPARE(fileSize(out + QStringLiteral("/all/side.jpg")), QSize(240, 320));
}

void TestImportWorker::stopFinishesHandedEntries()
{
    const QString photo = makePhoto(QStringLiteral("stop.jpg"), 800, 600, 6);
    tfimportworker worker(1);
    QSignalSpy results(&worker, &tfimportworker::photoImported);
    QSignalSpy finished(&worker, &tfimportworker::workerFinished);
    worker.start();
    worker.setTaskGroup(photoGroup(photo, m_dir.filePath(QStringLiteral("stop"))));
    worker.stop();
    QVERIFY(worker.wait(20000));
    QCOMPARE(results.count(), 4);
    QCOMPARE(finished.count(), 1);
    QVERIFY(worker.isStopping());
}

void TestImportWorker::rotateInPlace()
{
    const QString path = makePhoto(QStringLiteral("inplace.jpg"), 400, 300, 8);
    const QImage expected = upright(path);
    QVERIFY(tfimportworker::rotateImageIfNeeded(path));
    QImageReader reader(path);
    QCOMPARE(reader.size(), QSize(300, 400));
    QCOMPARE(tfimportworker::getImageOrientation(path), 1);
    QVERIFY(sameQuarters(reader.read(), expected));
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".tmp_rotate")));

    const QByteArray before = readAll(path);
    QVERIFY(tfimportworker::rotateImageIfNeeded(path)); // upright now: untouched
    QCOMPARE(readAll(path), before);
}

void TestImportWorker::runEntryOnShare_data()
{
    const QString name = QStringLiteral("Café.jpg");
    const QString decomposed = name.normalized(QString::NormalizationForm_D);
    QTest::addColumn<QString>("existing"); // a file already in the folder ("": none)
    QTest::addColumn<bool>("sameBytes");
    QTest::addColumn<bool>("confirmed");
    // 0 all stays, 1 order folder removed, 2 share replaced by an empty folder,
    // 3 the order's folder is a link pointed at another order after the start,
    // 4 the photo is given up at the owner's close (written, then not reported),
    // 5 the file there is removed after the run listed the folder
    QTest::addColumn<int>("fate");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("after"); // the folder's files afterwards
    QTest::newRow("new file") << "" << false << false << 0 << "" << QStringList{name};
    QTest::newRow("another file kept") << name << false << false << 0 << "refused" << QStringList{name};
    QTest::newRow("same bytes count as done") << name << true << false << 0 << "" << QStringList{name};
    QTest::newRow("confirmed file replaced") << name << false << true << 0 << "" << QStringList{name};
    QTest::newRow("decomposed look-alike kept") << decomposed << false << false << 0 << "refused"
                                                << QStringList{decomposed};
    QTest::newRow("look-alike in other case kept") << "CAFÉ.JPG" << false << false << 0 << "refused"
                                                   << QStringList{"CAFÉ.JPG"};
    // A yes replaces a file under its own name: another form is neither written over nor beside.
    QTest::newRow("confirmed look-alike kept") << decomposed << false << true << 0 << "refused"
                                               << QStringList{decomposed};
    QTest::newRow("look-alike with same bytes counts as done") << "CAFÉ.JPG" << true << false << 0 << ""
                                                              << QStringList{"CAFÉ.JPG"};
    QTest::newRow("look-alike gone since the listing") << "CAFÉ.JPG" << false << false << 5 << ""
                                                       << QStringList{name};
    QTest::newRow("order folder gone") << "" << false << false << 1 << "folder" << QStringList();
    QTest::newRow("order folder re-pointed") << "" << false << false << 3 << "moved" << QStringList();
    // Only a copy that took nobody's place goes: no name the service lists is emptied.
    QTest::newRow("given up: new copy removed") << "" << false << false << 4 << "" << QStringList();
    QTest::newRow("given up: copy already there kept") << name << true << false << 4 << "" << QStringList{name};
    // A file the photo would replace goes only once every copy is whole: given up, it stays as it was.
    QTest::newRow("given up: file to replace stays") << name << false << true << 4 << "" << QStringList{name};
    QTest::newRow("share gone") << "" << false << false << 2 << "missing share" << QStringList();
}

// A run's entry goes only where its share and the user allow.
void TestImportWorker::runEntryOnShare()
{
    QFETCH(QString, existing);
    QFETCH(bool, sameBytes);
    QFETCH(bool, confirmed);
    QFETCH(int, fate);
    QFETCH(QString, error);
    QFETCH(QStringList, after);
    ScopedMountRoot root;
    const QString share = root.mkpath(QStringLiteral("studio"));
    QVERIFY(QDir().mkpath(share + QStringLiteral("/.share"))); // content: an empty share folder is a mount point
    const QString order = share + QStringLiteral("/orders/A1");
    const QString other = share + QStringLiteral("/orders/B2");
    const QString folder = order + QStringLiteral("/all");
    QVERIFY(QDir().mkpath(folder));
    if (fate == 3)
        QVERIFY(QDir().mkpath(other + QStringLiteral("/all")));
    const QString source = makePhoto(QStringLiteral("Café.jpg"), 60, 40, 1);
    const QByteArray kept = sameBytes ? readAll(source) : QByteArray("another picture");
    if (!existing.isEmpty()) {
        QFile file(folder + '/' + existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kept);
    }
    PhotoImportTask task;
    task.photoInfo = photoEntries(source).at(0);
    task.photoInfo.replaceConfirmed = confirmed;
    QVERIFY(task.share.pin(order));
    if (fate != 1) // without it, the entry's own folder check is all that keeps the order's folder from being made again
        QVERIFY(task.folder.resolve(order, task.share));
    task.orderFolder = fate != 1 ? task.folder.resolved() : order;
    task.targetDir = task.orderFolder + QStringLiteral("/all");
    if (fate == 3) // moved aside, its name now a link to another order
        QVERIFY(QDir().rename(order, order + QStringLiteral(".real")) && QFile::link(other, order));
    if (fate == 5) {
        task.listing = QSharedPointer<FolderListing>::create();
        QCOMPARE(task.listing->lookAlikes(task.targetDir, task.photoInfo.img_name), QStringList{existing});
        QVERIFY(QFile::remove(folder + '/' + existing));
    }
    if (fate == 1)
        QVERIFY(QDir(order).removeRecursively());
    if (fate == 2)
        QVERIFY(QDir().rename(share, share + QStringLiteral(".old")) && QDir().mkdir(share));

    tfimportworker worker(0);
    QSignalSpy results(&worker, &tfimportworker::photoImported);
    QSignalSpy placed(&worker, &tfimportworker::copyPlaced);
    worker.setTask(task);
    if (fate == 4)
        worker.abandon(); // before the thread runs: the photo is written, then given up
    worker.start();
    if (fate == 4)
        QVERIFY(worker.wait(20000));
    else
        QTRY_COMPARE_WITH_TIMEOUT(results.count(), 1, 20000);
    QCOMPARE(results.count(), fate == 4 ? 0 : 1);
    QCOMPARE(results.value(0).value(3).toBool(), fate != 4 && error.isEmpty());
    QString expected;
    if (error == QStringLiteral("refused"))
        expected = QStringLiteral("目标位置已有同名的其他文件，未替换: ") + folder + '/' + existing;
    else if (error == QStringLiteral("missing share"))
        expected = K::missingShareMessage(share + '/');
    else if (error == QStringLiteral("moved"))
        expected = task.folder.problem();
    else if (error == QStringLiteral("folder"))
        expected = QStringLiteral("无法创建目标目录: ") + folder;
    QCOMPARE(results.value(0).value(4).toString(), expected);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), after);
    if (!after.isEmpty())
        QCOMPARE(readAll(folder + '/' + after.first()), error.isEmpty() && fate != 4 ? readAll(source) : kept);
    // The size reported is the one of the file in place, under whichever form it stands.
    if (fate != 4 && error.isEmpty())
        QCOMPARE(placed.value(0).value(2).toLongLong(), QFileInfo(folder + '/' + after.first()).size());
    // Never made again in the share's or the order's place, nor written where the link leads now.
    QCOMPARE(QFileInfo::exists(order), fate == 0 || fate >= 3);
    if (fate == 3)
        QVERIFY(QDir(order + QStringLiteral(".real/all")).isEmpty());
}

void TestImportWorker::photoCutOffFromItsShareIsTakenBack_data()
{
    QTest::addColumn<bool>("repointed"); // false: the share is gone, true: the order's folder is re-pointed
    QTest::newRow("share gone") << false;
    QTest::newRow("order folder re-pointed") << true;
}

// One copy of a photo finds its share gone, or the order's folder name
// leading elsewhere: the copies already written are taken back, and no entry
// of the photo counts as written.
void TestImportWorker::photoCutOffFromItsShareIsTakenBack()
{
    QFETCH(bool, repointed);
    ScopedMountRoot root;
    const QString order = root.mkpath(QStringLiteral("studio/orders/A1"));
    const QString gone = root.mkpath(QStringLiteral("gone/orders/A1"));
    QList<PhotoImportTask> group = photoGroup(makePhoto(QStringLiteral("cut.jpg"), 320, 240, 1), order);
    for (int i = 0; i < group.size(); ++i) {
        QVERIFY(group[i].share.pin(i == 3 && !repointed ? gone : order));
        group[i].orderFolder = order;
    }
    // The last copy alone sees the change, made before anything is written.
    const QString goneShare = root.path() + QStringLiteral("gone");
    const QString named = order + QStringLiteral(".named");
    if (repointed) {
        QVERIFY(QDir().mkpath(named) && group[3].folder.resolve(named, group[3].share));
        QVERIFY(QDir().rename(named, named + QStringLiteral(".old"))
                && QFile::link(root.mkpath(QStringLiteral("studio/orders/B2")), named));
    } else {
        QVERIFY(QDir().rename(goneShare, goneShare + QStringLiteral(".old")) && QDir().mkdir(goneShare));
    }
    tfimportworker worker(0);
    QSignalSpy results(&worker, &tfimportworker::photoImported);
    worker.setTaskGroup(group);
    worker.start();
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 4, 20000);
    for (const QList<QVariant> &result : qAsConst(results))
        QCOMPARE(result.at(3).toBool(), false);
    for (const QString &tag : {"all", "90", "190"})
        QCOMPARE(QDir(order + '/' + tag).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestImportWorker::replacementWaitsForEveryCopy_data()
{
    QTest::addColumn<QString>("blocked"); // the size folder that cannot be made ("": none)
    QTest::newRow("every copy whole") << QString();
    QTest::newRow("a size copy fails") << QStringLiteral("190");
}

// Confirmed replacements in two folders: the files there are replaced only
// when the photo's every copy is whole; otherwise they stay as they were.
void TestImportWorker::replacementWaitsForEveryCopy()
{
    QFETCH(QString, blocked);
    ScopedMountRoot root;
    const QString order = root.mkpath(QStringLiteral("studio/orders/A1"));
    const QString source = makePhoto(QStringLiteral("again.jpg"), 320, 240, 1);
    QList<PhotoImportTask> group = photoGroup(source, order);
    for (const QString &tag : {"all", "90"}) {
        QFile old(order + '/' + tag + QStringLiteral("/again.jpg"));
        QVERIFY(QDir().mkpath(order + '/' + tag) && old.open(QIODevice::WriteOnly));
        old.write("the picture before");
    }
    if (!blocked.isEmpty()) {
        QFile blocker(order + '/' + blocked); // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    for (PhotoImportTask &task : group) {
        QVERIFY(task.share.pin(order));
        task.orderFolder = order;
        task.photoInfo.replaceConfirmed = true;
    }
    tfimportworker worker(0);
    QSignalSpy results(&worker, &tfimportworker::photoImported);
    worker.setTaskGroup(group);
    worker.start();
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 4, 20000);
    for (int i = 0; i < 2; ++i) {
        const QString target = order + '/' + group.at(i).photoInfo.sizeTag + QStringLiteral("/again.jpg");
        QCOMPARE(results.at(i).at(3).toBool(), blocked.isEmpty());
        QCOMPARE(results.at(i).at(4).toString(),
                 blocked.isEmpty() ? QString() : QStringLiteral("同一照片的其他副本未能写入，原有文件未替换: ") + target);
        QCOMPARE(readAll(target) == QByteArray("the picture before"), !blocked.isEmpty());
        QCOMPARE(QDir(QFileInfo(target).path()).entryList(QDir::Files | QDir::Hidden), QStringList{"again.jpg"});
    }
    QCOMPARE(results.at(2).at(3).toBool(), blocked.isEmpty());
    // A photo with a failed copy leaves none: the new copy written of it is taken back.
    QCOMPARE(results.at(3).at(3).toBool(), blocked.isEmpty());
    QCOMPARE(QFileInfo::exists(order + QStringLiteral("/1920/again.jpg")), blocked.isEmpty());
    if (!blocked.isEmpty())
        QCOMPARE(results.at(3).at(4).toString(), results.at(2).at(4).toString());
}

QTEST_GUILESS_MAIN(TestImportWorker)
#include "tst_tfimportworker.moc"

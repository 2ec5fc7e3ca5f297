#include "app/core/Config.h"
#include "transfer/records/ImportTypes.h"
#include "transfer/ui/PickedEntries.h"
#include "tests/support/ScopedMountRoot.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

OrderInfo orderWithSizes(const QString &small, const QString &middle, const QString &big)
{
    OrderInfo order;
    order.order_photo_id = QStringLiteral("7001");
    order.orderpayforkey = QStringLiteral("DD20240517001");
    order.servicetimes = QStringLiteral("1");
    order.importPath = QStringLiteral("/Volumes/photo/2024/05/17/DD20240517001-1");
    order.imagesize_small = small;
    order.imagesize_middle = middle;
    order.imagesize_big = big;
    order.index = 0;
    return order;
}

QList<PhotoInfo> pickedPhotos(int count)
{
    QStringList files;
    for (int i = 0; i < count; ++i)
        files << QStringLiteral("/Users/studio/pick/IMG_%1.JPG").arg(i + 1);
    return PickedEntries::build(files, orderWithSizes(QString(), QString(), QString()), FinishedPhotos);
}

} // namespace

class tst_PickedEntries : public QObject
{
    Q_OBJECT

private slots:
    void photosGiveFourEntriesPerFile();
    void sizeFields_data();
    void sizeFields();
    void videosGiveOneEntryPerFile_data();
    void videosGiveOneEntryPerFile();
    void unknownKindGivesNothing();
    void emptyImportPathUsesGeneratedFolder();
    void groupStatus_data();
    void groupStatus();
    void videoStatusTakesTheState();
    void statusOutOfRangeIsIgnored();
    void countsFollowEachEntrysTag();
    void summaryLines_data();
    void summaryLines();
    void uploadedNamesInPickedOrder();
    void previewFiles_data();
    void previewFiles();
    void existingNames_data();
    void existingNames();
};

void tst_PickedEntries::photosGiveFourEntriesPerFile()
{
    const QList<PhotoInfo> entries = pickedPhotos(3);
    QCOMPARE(entries.size(), 12);
    const QStringList tags = {QStringLiteral("all"), QStringLiteral("90"), QStringLiteral("190"), QStringLiteral("1920")};
    for (int i = 0; i < entries.size(); ++i) {
        const PhotoInfo &entry = entries.at(i);
        QCOMPARE(entry.sizeTag, tags.at(i % 4));
        QCOMPARE(entry.img_name, QStringLiteral("IMG_%1.JPG").arg(i / 4 + 1));
        QCOMPARE(entry.url, QStringLiteral("/Users/studio/pick/IMG_%1.JPG").arg(i / 4 + 1));
        QCOMPARE(entry.importPath, QStringLiteral("/Volumes/photo/2024/05/17/DD20240517001-1"));
        QVERIFY(entry.id.isEmpty());
        QVERIFY(entry.localpath.isEmpty());
        QCOMPARE(entry.status, int(PhotoStatus::Waiting));
        QCOMPARE(entry.statusOrigin, int(PhotoStatus::Waiting));
        QCOMPARE(entry.status90, int(PhotoStatus::Waiting));
        QCOMPARE(entry.status190, int(PhotoStatus::Waiting));
        QCOMPARE(entry.status1920, int(PhotoStatus::Waiting));
    }
    QCOMPARE(PickedEntries::fileCount(entries), 3);
}

void tst_PickedEntries::sizeFields_data()
{
    QTest::addColumn<QString>("small");
    QTest::addColumn<QString>("middle");
    QTest::addColumn<QString>("big");
    QTest::addColumn<QStringList>("sizes");
    QTest::newRow("all empty use the defaults") << QString() << QString() << QString()
                                                << QStringList{"", "90", "190", "1920"};
    QTest::newRow("configured sizes") << "120" << "300" << "2400" << QStringList{"", "120", "300", "2400"};
    QTest::newRow("only middle empty") << "120" << "" << "2048" << QStringList{"", "120", "190", "2048"};
}

void tst_PickedEntries::sizeFields()
{
    QFETCH(QString, small);
    QFETCH(QString, middle);
    QFETCH(QString, big);
    QFETCH(QStringList, sizes);
    const QList<PhotoInfo> entries = PickedEntries::build({QStringLiteral("/tmp/a.jpg")},
                                                          orderWithSizes(small, middle, big), FinishedPhotos);
    QCOMPARE(entries.size(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(entries.at(i).imagesize, sizes.at(i));
    // The folder tag stays the fixed name whatever pixel size is configured.
    QCOMPARE(entries.at(1).sizeTag, QStringLiteral("90"));
}

void tst_PickedEntries::videosGiveOneEntryPerFile_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("tag");
    QTest::newRow("trial") << int(TrialVideo) << QStringLiteral("试拍视频");
    QTest::newRow("retouched") << int(RetouchedVideo) << QStringLiteral("精修视频");
}

void tst_PickedEntries::videosGiveOneEntryPerFile()
{
    QFETCH(int, kind);
    QFETCH(QString, tag);
    const QList<PhotoInfo> entries = PickedEntries::build(
        {QStringLiteral("/tmp/clip1.mp4"), QStringLiteral("/tmp/clip2.mov")}, orderWithSizes("90", "190", "1920"), kind);
    QCOMPARE(entries.size(), 2);
    for (const PhotoInfo &entry : entries) {
        QCOMPARE(entry.sizeTag, tag);
        QVERIFY(entry.imagesize.isEmpty());
    }
    QCOMPARE(entries.at(1).img_name, QStringLiteral("clip2.mov"));
    QCOMPARE(PickedEntries::fileCount(entries), 2);
    QCOMPARE(PickedEntries::tileIndexOf(entries, 1), 1);
}

void tst_PickedEntries::unknownKindGivesNothing()
{
    QVERIFY(PickedEntries::build({QStringLiteral("/tmp/a.jpg")}, orderWithSizes("", "", ""), 7).isEmpty());
    QVERIFY(PickedEntries::build({QStringLiteral("/tmp/a.jpg")}, orderWithSizes("", "", ""), -1).isEmpty());
}

void tst_PickedEntries::emptyImportPathUsesGeneratedFolder()
{
    ScopedMountRoot root;
    const QString publicFolder = root.mkpath(QStringLiteral("public"));
    OrderInfo order = orderWithSizes("", "", "");
    order.importPath.clear();
    order.importPublicPath = publicFolder;
    order.shotdate_year = QStringLiteral("2024");
    order.shotdate_month = QStringLiteral("05");
    order.shotdate_day = QStringLiteral("17");
    order.mname = QStringLiteral("张伟");
    order.wname = QStringLiteral("李娜");
    const QList<PhotoInfo> entries = PickedEntries::build({QStringLiteral("/tmp/a.jpg")}, order, FinishedPhotos);
    QCOMPARE(entries.first().importPath,
             publicFolder + QStringLiteral("/2024/05/17/DD20240517001-1_张伟_李娜"));
}

void tst_PickedEntries::groupStatus_data()
{
    QTest::addColumn<QList<int>>("reports"); // entry index, status, entry index, status, ...
    QTest::addColumn<int>("origin");
    QTest::newRow("copies ok, full size pending") << QList<int>{1, 0, 2, 0, 3, 0} << int(PhotoStatus::Waiting);
    QTest::newRow("all four ok, full size last") << QList<int>{1, 0, 2, 0, 3, 0, 0, 0} << int(PhotoStatus::Uploaded);
    QTest::newRow("90 last") << QList<int>{0, 0, 2, 0, 3, 0, 1, 0} << int(PhotoStatus::Uploaded);
    QTest::newRow("one failed copy wins") << QList<int>{0, 0, 1, 2} << int(PhotoStatus::Failed);
    QTest::newRow("failure stays after others succeed") << QList<int>{2, 2, 0, 0, 1, 0, 3, 0}
                                                        << int(PhotoStatus::Failed);
}

void tst_PickedEntries::groupStatus()
{
    QFETCH(QList<int>, reports);
    QFETCH(int, origin);
    QList<PhotoInfo> entries = pickedPhotos(2);
    // Reports go to the second photo (entries 4..7).
    for (int i = 0; i + 1 < reports.size(); i += 2)
        QCOMPARE(PickedEntries::applyStatus(entries, 4 + reports.at(i), reports.at(i + 1)), 4);
    QCOMPARE(entries.at(4).statusOrigin, origin);
    QCOMPARE(entries.at(0).statusOrigin, int(PhotoStatus::Waiting));
    // The size entries keep their photo-level fields at waiting.
    QCOMPARE(entries.at(5).statusOrigin, int(PhotoStatus::Waiting));
    QCOMPARE(PickedEntries::tileIndexOf(entries, 6), 1);
}

void tst_PickedEntries::videoStatusTakesTheState()
{
    QList<PhotoInfo> entries = PickedEntries::build({QStringLiteral("/tmp/a.mp4"), QStringLiteral("/tmp/b.mp4")},
                                                    orderWithSizes("", "", ""), TrialVideo);
    QCOMPARE(PickedEntries::applyStatus(entries, 1, PhotoStatus::Failed), 1);
    QCOMPARE(entries.at(1).status, int(PhotoStatus::Failed));
    QCOMPARE(entries.at(1).statusOrigin, int(PhotoStatus::Failed));
    QCOMPARE(entries.at(1).status1920, int(PhotoStatus::Failed));
    QCOMPARE(entries.at(0).status, int(PhotoStatus::Waiting));
    // A waiting report does not touch the file state.
    PickedEntries::applyStatus(entries, 0, PhotoStatus::Waiting);
    QCOMPARE(entries.at(0).statusOrigin, int(PhotoStatus::Waiting));
}

void tst_PickedEntries::statusOutOfRangeIsIgnored()
{
    QList<PhotoInfo> entries = pickedPhotos(1);
    const QList<PhotoInfo> before = entries;
    QCOMPARE(PickedEntries::applyStatus(entries, 4, PhotoStatus::Uploaded), -1);
    QCOMPARE(PickedEntries::applyStatus(entries, -1, PhotoStatus::Uploaded), -1);
    QCOMPARE(entries.at(0).status, before.at(0).status);
    QCOMPARE(PickedEntries::tileIndexOf(entries, 4), -1);
}

void tst_PickedEntries::countsFollowEachEntrysTag()
{
    // Counting never looks at the current import kind: an order picked as
    // photos keeps counting photos after the radio moved to videos.
    const int saved = Config::k_importType;
    Config::k_importType = TrialVideo;
    QList<PhotoInfo> entries = pickedPhotos(10);
    QCOMPARE(PickedEntries::fileCount(entries), 10);
    PickedEntries::applyStatus(entries, 0, PhotoStatus::Failed);
    PickedEntries::applyStatus(entries, 9, PhotoStatus::Failed);
    QCOMPARE(PickedEntries::failedFiles(entries), 2);
    QVERIFY(PickedEntries::hasFailedEntry(entries));
    Config::k_importType = saved;

    QList<PhotoInfo> videos = PickedEntries::build({"/t/1.mp4", "/t/2.mp4", "/t/3.mp4"}, orderWithSizes("", "", ""),
                                                   RetouchedVideo);
    PickedEntries::applyStatus(videos, 2, PhotoStatus::Failed);
    QCOMPARE(PickedEntries::fileCount(videos), 3);
    QCOMPARE(PickedEntries::failedFiles(videos), 1);
    QVERIFY(!PickedEntries::hasFailedEntry(pickedPhotos(2)));
}

void tst_PickedEntries::summaryLines_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("failed");
    QTest::addColumn<QString>("line");
    QTest::newRow("with failures") << 10 << 2 << QStringLiteral("\nDD20240517001-1  总数:10  成功:8  失败:2");
    QTest::newRow("without failures") << 4 << 0 << QStringLiteral("\nDD20240517001-1  总数:4  成功:4");
}

void tst_PickedEntries::summaryLines()
{
    QFETCH(int, total);
    QFETCH(int, failed);
    QFETCH(QString, line);
    QCOMPARE(PickedEntries::summaryLine(orderWithSizes("", "", ""), total, failed), line);
}

void tst_PickedEntries::uploadedNamesInPickedOrder()
{
    QList<PhotoInfo> entries = pickedPhotos(3);
    QCOMPARE(PickedEntries::uploaded(entries).count, 0);
    QVERIFY(PickedEntries::uploaded(entries).names.isEmpty());
    for (int copy = 0; copy < 4; ++copy) {
        PickedEntries::applyStatus(entries, 8 + copy, PhotoStatus::Uploaded);
        PickedEntries::applyStatus(entries, copy, PhotoStatus::Uploaded);
    }
    PickedEntries::applyStatus(entries, 4, PhotoStatus::Uploaded); // only one copy of photo 2
    const PickedEntries::Uploaded result = PickedEntries::uploaded(entries);
    QCOMPARE(result.count, 2);
    QCOMPARE(result.names, QStringLiteral("IMG_1.JPG|:|IMG_3.JPG"));

    QList<PhotoInfo> videos = PickedEntries::build({"/t/a.mp4", "/t/b.mp4"}, orderWithSizes("", "", ""), TrialVideo);
    PickedEntries::applyStatus(videos, 1, PhotoStatus::Uploaded);
    QCOMPARE(PickedEntries::uploaded(videos).names, QStringLiteral("b.mp4"));
}

void tst_PickedEntries::previewFiles_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("previews");
    QTest::newRow("photos only") << QStringList{"/p/IMG_1.JPG", "/p/DP_缩略图.JPG"} << QStringList{};
    QTest::newRow("the preview folder") << QStringList{"/p/IMG_1.JPG", "/p/DP_缩略图/IMG_1.JPG"}
                                        << QStringList{"/p/DP_缩略图/IMG_1.JPG"};
    QTest::newRow("below it") << QStringList{"/p/dp_缩略图/old/IMG_2.JPG"} << QStringList{"/p/dp_缩略图/old/IMG_2.JPG"};
}

void tst_PickedEntries::previewFiles()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, previews);
    QCOMPARE(PickedEntries::previewFiles(files), previews);
}

void tst_PickedEntries::existingNames_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("onShare"); // tag/name: "same" content copies the picked file
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("withoutFullCopy"); // what their names find in the size folders is left over
    const QString cafe = QString::fromUtf8("Caf\xc3\xa9.JPG");
    QTest::newRow("empty folder") << int(FinishedPhotos) << QStringList{} << QStringList{}
                                  << QStringList{"IMG_1.JPG", "IMG_2.JPG", cafe};
    QTest::newRow("other photo in all") << int(FinishedPhotos) << QStringList{"all/IMG_1.JPG"} << QStringList{"IMG_1.JPG"}
                                        << QStringList{"IMG_2.JPG", cafe};
    // A photo is on the share by its full-size copy: a size copy alone is a failed photo's leftover.
    QTest::newRow("only a size copy left") << int(FinishedPhotos) << QStringList{"1920/IMG_2.JPG"}
                                           << QStringList{} << QStringList{"IMG_1.JPG", "IMG_2.JPG", cafe};
    QTest::newRow("letter case") << int(FinishedPhotos) << QStringList{"all/img_1.jpg"} << QStringList{"IMG_1.JPG"}
                                 << QStringList{"IMG_2.JPG", cafe};
    // "e" with a combining accent on the share, the composed letter in the pick.
    QTest::newRow("unicode form") << int(FinishedPhotos) << QStringList{QString::fromUtf8("all/Cafe\xcc\x81.JPG")}
                                  << QStringList{cafe} << QStringList{"IMG_1.JPG", "IMG_2.JPG"};
    QTest::newRow("same bytes are done") << int(FinishedPhotos) << QStringList{"all/IMG_1.JPG=same", "90/IMG_1.JPG"}
                                         << QStringList{} << QStringList{"IMG_2.JPG", cafe};
    QTest::newRow("video folder") << int(TrialVideo) << QStringList{"试拍视频/IMG_2.JPG", "all/IMG_1.JPG"}
                                  << QStringList{"IMG_2.JPG"} << QStringList{};
}

void tst_PickedEntries::existingNames()
{
    QFETCH(int, kind);
    QFETCH(QStringList, onShare);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, withoutFullCopy);
    QTemporaryDir dir;
    const QString order = dir.filePath("order");
    const QStringList names{"IMG_1.JPG", "IMG_2.JPG", QString::fromUtf8("Caf\xc3\xa9.JPG")};
    QStringList picked;
    for (const QString &name : names) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("picked " + name.toUtf8());
        picked << file.fileName();
    }
    for (QString entry : onShare) {
        const bool same = entry.endsWith("=same");
        entry.remove("=same");
        const QString path = QDir(order).filePath(entry);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(same ? "picked " + QFileInfo(path).fileName().toUtf8() : QByteArray("an earlier card"));
    }
    QCOMPARE(PickedEntries::existingNames(picked, order, kind), expected);
    QStringList leftOver = PickedEntries::withoutFullCopy(picked, order, kind).values();
    leftOver.sort();
    withoutFullCopy.sort();
    QCOMPARE(leftOver, withoutFullCopy);
}

QTEST_GUILESS_MAIN(tst_PickedEntries)
#include "tst_PickedEntries.moc"

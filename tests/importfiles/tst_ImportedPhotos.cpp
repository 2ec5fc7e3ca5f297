#include "importfiles/ImportedPhotos.h"
#include "support/ImportFilesStudioData.h"
#include "support/ScopedMountRoot.h"

#include <QtTest>

namespace Data = ImportFilesStudioData;

class tst_ImportedPhotos : public QObject
{
    Q_OBJECT

private slots:
    void jpegsFollowedByTheirRaws();
    void gridOrder_data();
    void gridOrder();
    void reducedCopiesOnlyWhenGiven();
    void numericIsdownloadKeepsRawSelectable();
    void pathsOffTheShareKeptAsGiven_data();
    void pathsOffTheShareKeptAsGiven();
    void extraPathLabel_data();
    void extraPathLabel();

private:
    static QStringList names(const QList<ThumbnailInfo> &list);
};

QStringList tst_ImportedPhotos::names(const QList<ThumbnailInfo> &list)
{
    QStringList result;
    for (const ThumbnailInfo &info : list)
        result << info.name + (info.selectable ? QString() : QStringLiteral("(locked)"));
    return result;
}

void tst_ImportedPhotos::jpegsFollowedByTheirRaws()
{
    ScopedMountRoot root;
    const QString folder = QStringLiteral("photo/o1");
    const QJsonObject reply = Data::photosReply(
        folder, QJsonArray{Data::jpeg("1", "A.jpg", folder), Data::jpeg("2", "B.jpg", folder)},
        QJsonArray{Data::raw("10", "A.CR3", folder, "0"), Data::raw("11", "A.NEF", folder, "1")});
    const QList<ThumbnailInfo> list = ImportedPhotos::photoList(reply);
    QCOMPARE(names(list), (QStringList{"A.jpg(locked)", "A.CR3", "A.NEF(locked)", "B.jpg"}));
    QCOMPARE(list.at(0).filePath, root.path() + folder + QStringLiteral("/原片/A.jpg"));
    QCOMPARE(list.at(0).url, QStringLiteral("http://127.0.0.1:1/none/A.jpg"));
    QVERIFY(list.at(0).localPath.isEmpty());
    QCOMPARE(list.at(1).localPath, QStringLiteral(":/public/image/public/icon/raw.png"));
    QVERIFY(list.at(1).url.isEmpty());
    QCOMPARE(list.at(1).filePath, root.path() + folder + QStringLiteral("/原始档/A.CR3"));
    QVERIFY(!list.at(0).selected);
}

void tst_ImportedPhotos::gridOrder_data()
{
    QTest::addColumn<QStringList>("jpegs");
    QTest::addColumn<QStringList>("raws"); // id:name
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("unpaired raws by id text") << QStringList{"A.jpg"} << QStringList{"9:X.CR3", "100:Y.CR3", "10:Z.CR3"}
                                              << QStringList{"A.jpg", "Z.CR3", "Y.CR3", "X.CR3"};
    QTest::newRow("paired by the part before the first dot")
        << QStringList{"IMG_1.JPG"} << QStringList{"2:IMG_1.CR3", "3:IMG_1.edit.CR3", "4:img_1.cr3"}
        << QStringList{"IMG_1.JPG", "IMG_1.CR3", "IMG_1.edit.CR3", "img_1.cr3"};
    QTest::newRow("same base name repeats raws") << QStringList{"A.jpg", "A.jpeg"} << QStringList{"3:A.CR2"}
                                                 << QStringList{"A.jpg", "A.CR2", "A.jpeg", "A.CR2"};
    // Ids null and a fraction are unusable and sort as empty text; each raw keeps its own tile.
    QTest::newRow("raws without a usable id") << QStringList{"A.jpg"} << QStringList{"10:X.CR3", "null:Y.CR3", "9.5:Z.CR3", "null:A.CR3"}
                                              << QStringList{"A.jpg", "A.CR3", "Y.CR3", "Z.CR3", "X.CR3"};
}

void tst_ImportedPhotos::gridOrder()
{
    QFETCH(QStringList, jpegs);
    QFETCH(QStringList, raws);
    ScopedMountRoot root;
    QJsonArray jpegList, rawList;
    for (int i = 0; i < jpegs.size(); ++i)
        jpegList.append(Data::jpeg(QString::number(i + 1), jpegs.at(i), "photo"));
    for (const QString &raw : raws) {
        const QString id = raw.section(':', 0, 0);
        QJsonObject o = Data::raw(id, raw.section(':', 1), "photo");
        if (id == "null" || id.contains('.'))
            o.insert("id", id == "null" ? QJsonValue() : QJsonValue(id.toDouble()));
        rawList.append(o);
    }
    QTEST(names(ImportedPhotos::photoList(Data::photosReply(QString(), jpegList, rawList))), "expected");
}

void tst_ImportedPhotos::reducedCopiesOnlyWhenGiven()
{
    ScopedMountRoot root;
    QJsonObject half = Data::jpeg("2", "B.jpg", "photo/o");
    half.insert(QStringLiteral("localpath_90"), QString());
    const QJsonObject reply = Data::photosReply(
        QString(), QJsonArray{Data::jpeg("1", "A.jpg", "photo/o", false), half, Data::jpeg("3", "C.jpg", "photo/o")}, {});
    const QList<ThumbnailInfo> list = ImportedPhotos::photoList(reply);
    QVERIFY(list.at(0).extraPaths.isEmpty());
    QCOMPARE(list.at(1).extraPaths, QStringList{root.path() + QStringLiteral("photo/o/1920/B.jpg")});
    QCOMPARE(list.at(2).extraPaths, (QStringList{root.path() + QStringLiteral("photo/o/90/C.jpg"),
                                                 root.path() + QStringLiteral("photo/o/1920/C.jpg")}));
}

void tst_ImportedPhotos::numericIsdownloadKeepsRawSelectable()
{
    ScopedMountRoot root;
    QJsonObject numeric = Data::raw("5", "R.CR3", "photo");
    numeric.insert(QStringLiteral("isdownload"), 1);
    const QList<ThumbnailInfo> list = ImportedPhotos::photoList(Data::photosReply(QString(), {}, QJsonArray{numeric}));
    QCOMPARE(list.size(), 1);
    QVERIFY(list.at(0).selectable);
}

void tst_ImportedPhotos::pathsOffTheShareKeptAsGiven_data()
{
    QTest::addColumn<QString>("localpath");
    QTest::newRow("climbs out") << "\\\\NAS\\photo\\..\\..\\..\\etc\\passwd";
    QTest::newRow("absolute elsewhere") << "/etc/passwd";
    QTest::newRow("relative") << "photo/a.jpg";
    QTest::newRow("number") << "";
}

void tst_ImportedPhotos::pathsOffTheShareKeptAsGiven()
{
    QFETCH(QString, localpath);
    ScopedMountRoot root;
    QJsonObject photo = Data::jpeg("1", "A.jpg", "photo");
    photo.insert(QStringLiteral("localpath"), localpath);
    photo.insert(QStringLiteral("localpath_90"), localpath);
    const QList<ThumbnailInfo> list = ImportedPhotos::photoList(Data::photosReply(QString(), QJsonArray{photo}, {}));
    QCOMPARE(list.size(), 1);
    // Kept as the service wrote them, so the deletion can name what it refuses.
    QCOMPARE(list.at(0).filePath, localpath);
    QCOMPARE(list.at(0).extraPaths.size(), localpath.isEmpty() ? 1 : 2);
    QCOMPARE(list.at(0).extraPaths.first(), localpath.isEmpty() ? list.at(0).extraPaths.first() : localpath);
}

void tst_ImportedPhotos::extraPathLabel_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("label");
    QTest::newRow("slashes") << "/share/o/90/IMG_1.jpg" << "\\90\\IMG_1.jpg";
    QTest::newRow("backslashes") << "\\\\NAS\\o\\1920\\IMG_1.jpg" << "\\1920\\IMG_1.jpg";
    QTest::newRow("no separator") << "IMG_1.jpg" << "";
}

void tst_ImportedPhotos::extraPathLabel()
{
    QFETCH(QString, path);
    QTEST(ImportedPhotos::extraPathLabel(path), "label");
}

QTEST_GUILESS_MAIN(tst_ImportedPhotos)
#include "tst_ImportedPhotos.moc"

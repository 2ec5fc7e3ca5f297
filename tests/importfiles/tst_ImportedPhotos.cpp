#include "app/core/FormBody.h"
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
    void unpairedRawsByIdText();
    void pairingUsesPartBeforeFirstDot();
    void sameBaseNameRepeatsRaws();
    void reducedCopiesOnlyWhenGiven();
    void numericIsdownloadKeepsRawSelectable();
    void pathsOffTheShareKeptAsGiven_data();
    void pathsOffTheShareKeptAsGiven();
    void extraPathLabel_data();
    void extraPathLabel();
    void bodies();

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

void tst_ImportedPhotos::unpairedRawsByIdText()
{
    ScopedMountRoot root;
    const QJsonObject reply = Data::photosReply(
        QString(), QJsonArray{Data::jpeg("1", "A.jpg", "photo")},
        QJsonArray{Data::raw("9", "X.CR3", "photo"), Data::raw("100", "Y.CR3", "photo"), Data::raw("10", "Z.CR3", "photo")});
    QCOMPARE(names(ImportedPhotos::photoList(reply)), (QStringList{"A.jpg", "Z.CR3", "Y.CR3", "X.CR3"}));
}

void tst_ImportedPhotos::pairingUsesPartBeforeFirstDot()
{
    ScopedMountRoot root;
    const QJsonObject reply = Data::photosReply(
        QString(), QJsonArray{Data::jpeg("1", "IMG_1.JPG", "photo")},
        QJsonArray{Data::raw("2", "IMG_1.CR3", "photo"), Data::raw("3", "IMG_1.edit.CR3", "photo"),
                   Data::raw("4", "img_1.cr3", "photo")});
    QCOMPARE(names(ImportedPhotos::photoList(reply)), (QStringList{"IMG_1.JPG", "IMG_1.CR3", "IMG_1.edit.CR3", "img_1.cr3"}));
    QCOMPARE(ImportedPhotos::photoList(reply).last().id, QStringLiteral("4"));
}

void tst_ImportedPhotos::sameBaseNameRepeatsRaws()
{
    ScopedMountRoot root;
    const QJsonObject reply = Data::photosReply(
        QString(), QJsonArray{Data::jpeg("1", "A.jpg", "photo"), Data::jpeg("2", "A.jpeg", "photo")},
        QJsonArray{Data::raw("3", "A.CR2", "photo")});
    QCOMPARE(names(ImportedPhotos::photoList(reply)), (QStringList{"A.jpg", "A.CR2", "A.jpeg", "A.CR2"}));
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

void tst_ImportedPhotos::bodies()
{
    const QByteArray list = ImportedPhotos::photoListBody("11", "77&1", "1700000000000");
    const auto fields = FormBody::parse(list);
    QCOMPARE(fields.size(), 3);
    QCOMPARE(fields.at(1).second, QStringLiteral("77&1"));
    QCOMPARE(fields.at(2).first, QStringLiteral("timestamp"));
    const auto del = FormBody::parse(ImportedPhotos::deleteBody("11", "77", {"3", "1"}, "5"));
    QCOMPARE(del.at(2), qMakePair(QStringLiteral("ids"), QStringLiteral("3,1")));
    QCOMPARE(del.at(3), qMakePair(QStringLiteral("timestamp"), QStringLiteral("5")));
}

QTEST_GUILESS_MAIN(tst_ImportedPhotos)
#include "tst_ImportedPhotos.moc"

#include "app/core/K.h"
#include "platform/ShareGuard.h"
#include "support/ScopedMountRoot.h"
#include "transfer/engine/TFDelLocalPhotoImg.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>

namespace {

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
}

} // namespace

class TestDelLocalPhotoImg : public QObject
{
    Q_OBJECT

private slots:
    void copies_data();
    void copies();
    void leftReason_data();
    void leftReason();
    void removesTheFourCopies();
    void onlyBelowTheMountRoot();
    void folderLinksOnTheShareAreNotFollowed();
    void folderRefusal_data();
    void folderRefusal();
    void emptyListRemovesNothing();
    void removeOnShareKeepsOtherShares_data();
    void removeOnShareKeepsOtherShares();
};

void TestDelLocalPhotoImg::copies_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("all folder") << "/v/o/all/a.jpg"
                                << QStringList{"/v/o/all/a.jpg", "/v/o/90/a.jpg", "/v/o/190/a.jpg", "/v/o/1920/a.jpg"};
    QTest::newRow("backslashes kept") << "\\\\srv\\o\\all\\a.jpg"
                                      << QStringList{"\\\\srv\\o\\all\\a.jpg", "\\\\srv\\o\\90\\a.jpg",
                                                     "\\\\srv\\o\\190\\a.jpg", "\\\\srv\\o\\1920\\a.jpg"};
    QTest::newRow("only the holding folder") << "/v/all/o/all/a.jpg"
                                             << QStringList{"/v/all/o/all/a.jpg", "/v/all/o/90/a.jpg",
                                                            "/v/all/o/190/a.jpg", "/v/all/o/1920/a.jpg"};
    QTest::newRow("all higher up only") << "/v/all/o/a.jpg" << QStringList{"/v/all/o/a.jpg"};
    QTest::newRow("folder ending in all") << "/v/o/ball/a.jpg" << QStringList{"/v/o/ball/a.jpg"};
    QTest::newRow("file named all") << "/v/o/all" << QStringList{"/v/o/all"};
}

void TestDelLocalPhotoImg::copies()
{
    QFETCH(QString, path);
    QFETCH(QStringList, expected);
    QCOMPARE(TFDelLocalPhotoImg::copiesOf(path), expected);
}

void TestDelLocalPhotoImg::leftReason_data()
{
    using O = ShareRemoval::Outcome;
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("expected"); // "errno": the system's text for the error
    QTest::newRow("removed") << int(O::Removed) << 0 << "";
    QTest::newRow("missing in its folder") << int(O::Missing) << ENOENT << "";
    QTest::newRow("no such folder") << int(O::FolderFailed) << ENOENT << "";
    QTest::newRow("folder not readable") << int(O::FolderFailed) << EACCES << "errno";
    QTest::newRow("folder unreachable") << int(O::FolderFailed) << EIO << "errno";
    QTest::newRow("share gone") << int(O::ShareGone) << 0 << "共享目录已断开";
    QTest::newRow("off the share") << int(O::OffShare) << 0 << "路径不在共享目录内";
    QTest::newRow("removal refused") << int(O::Failed) << EACCES << "errno";
    QTest::newRow("removal failed") << int(O::Failed) << EROFS << "errno";
}

void TestDelLocalPhotoImg::leftReason()
{
    QFETCH(int, outcome);
    QFETCH(int, error);
    QFETCH(QString, expected);
    if (expected == QLatin1String("errno"))
        expected = QString::fromLocal8Bit(std::strerror(error));
    QCOMPARE(TFDelLocalPhotoImg::leftReason({ShareRemoval::Outcome(outcome), error}), expected);
}

void TestDelLocalPhotoImg::removesTheFourCopies()
{
    ScopedMountRoot root;
    const QString order = root.mkpath(QStringLiteral("studio/all/A1"));
    for (const QString &tag : {"all", "90", "190", "1920"})
        touch(order + QStringLiteral("/%1/a.jpg").arg(tag));
    touch(order + QStringLiteral("/all/b.jpg"));
    touch(order + QStringLiteral("/90/b.jpg"));
    touch(root.path() + QStringLiteral("studio/90/A1/all/a.jpg")); // "all" above the order stays as it is

    TFDelLocalPhotoImg deleter;
    deleter.setPrepareDelPaths({order + QStringLiteral("/all/a.jpg"), order + QStringLiteral("/all/missing.jpg")});
    for (const QString &tag : {"all", "90", "190", "1920"})
        QVERIFY2(!QFileInfo::exists(order + QStringLiteral("/%1/a.jpg").arg(tag)), qPrintable(tag));
    QVERIFY(QFileInfo::exists(order + QStringLiteral("/all/b.jpg")));
    QVERIFY(QFileInfo::exists(order + QStringLiteral("/90/b.jpg")));
    QVERIFY(QFileInfo::exists(root.path() + QStringLiteral("studio/90/A1/all/a.jpg")));
    QVERIFY(QFileInfo(order + QStringLiteral("/all")).isDir());
}

void TestDelLocalPhotoImg::onlyBelowTheMountRoot()
{
    QTemporaryDir outside;
    const QString file = outside.filePath(QStringLiteral("all/a.jpg"));
    touch(file);
    ScopedMountRoot root;
    const QString folder = root.mkpath(QStringLiteral("o/all/sub"));
    const QString escaping = root.path() + QStringLiteral("o/../../") ;
    TFDelLocalPhotoImg deleter;
    deleter.setPrepareDelPaths({file, root.path() + QStringLiteral("o/all/../all/x.jpg"), folder,
                                escaping + QFileInfo(file).fileName()});
    QVERIFY(QFileInfo::exists(file));
    QVERIFY(QFileInfo(folder).isDir());
}

void TestDelLocalPhotoImg::folderLinksOnTheShareAreNotFollowed()
{
    QTemporaryDir outside;
    for (const QString &tag : {"all", "90", "190", "1920"})
        touch(outside.filePath(QStringLiteral("%1/a.jpg").arg(tag)));
    ScopedMountRoot root;
    const QString order = root.mkpath(QStringLiteral("studio/A1"));
    QVERIFY(QFile::link(outside.path(), order + QStringLiteral("/linked")));
    touch(order + QStringLiteral("/all/a.jpg"));
    // A file on the share that is itself a link goes, the file it points at stays.
    QVERIFY(QFile::link(outside.filePath(QStringLiteral("all/a.jpg")), order + QStringLiteral("/all/b.jpg")));

    TFDelLocalPhotoImg deleter;
    deleter.setPrepareDelPaths({order + QStringLiteral("/linked/all/a.jpg"), order + QStringLiteral("/all/a.jpg"),
                                order + QStringLiteral("/all/b.jpg")});
    for (const QString &tag : {"all", "90", "190", "1920"})
        QVERIFY2(QFileInfo::exists(outside.filePath(QStringLiteral("%1/a.jpg").arg(tag))), qPrintable(tag));
    QVERIFY(!QFileInfo::exists(order + QStringLiteral("/all/a.jpg")));
    QVERIFY(!QFileInfo(order + QStringLiteral("/all/b.jpg")).isSymLink());
}

void TestDelLocalPhotoImg::folderRefusal_data()
{
    QTest::addColumn<QString>("absent"); // a size folder that is not there
    QTest::addColumn<QString>("linked"); // a size folder that is a link
    QTest::addColumn<QString>("target"); // "off": off the share, "other": another order's folder
    QTest::newRow("all size folders there") << "" << "" << "";
    QTest::newRow("no 90 folder") << "90" << "" << "";
    QTest::newRow("90 linked off the share") << "" << "90" << "off";
    QTest::newRow("no 90 folder, 190 linked off the share") << "90" << "190" << "off";
    QTest::newRow("no 90 folder, 1920 linked into another order") << "90" << "1920" << "other";
    QTest::newRow("no 190 folder, 1920 linked off the share") << "190" << "1920" << "off";
}

// Every size folder counts, even after one that is not there.
void TestDelLocalPhotoImg::folderRefusal()
{
    QFETCH(QString, absent);
    QFETCH(QString, linked);
    QFETCH(QString, target);
    QTemporaryDir outside;
    ScopedMountRoot root;
    const QString order = root.mkpath(QStringLiteral("studio/A1"));
    const QString other = root.mkpath(QStringLiteral("studio/A2/") + linked);
    for (const QString &tag : {"all", "90", "190", "1920"}) {
        if (tag == absent)
            continue;
        if (tag == linked)
            QVERIFY(QFile::link(target == QLatin1String("off") ? outside.path() : other, order + '/' + tag));
        else
            touch(order + QStringLiteral("/%1/a.jpg").arg(tag));
    }
    ShareGuard share;
    QVERIFY(share.pin(order));
    const QString folder = order + '/' + linked;
    const QString expected = target.isEmpty()               ? QString()
                             : target == QLatin1String("off") ? QStringLiteral("路径不在共享目录内: ") + folder
                                                              : K::outsideOrderMessage(folder);
    QCOMPARE(TFDelLocalPhotoImg::folderRefusal(order + QStringLiteral("/all/a.jpg"), share, ShareGuard::realPlace(order)),
             expected);
}

void TestDelLocalPhotoImg::emptyListRemovesNothing()
{
    ScopedMountRoot root;
    touch(root.path() + QStringLiteral("o/all/a.jpg"));
    TFDelLocalPhotoImg deleter;
    deleter.setPrepareDelPaths({});
    QVERIFY(QFileInfo::exists(root.path() + QStringLiteral("o/all/a.jpg")));
}

void TestDelLocalPhotoImg::removeOnShareKeepsOtherShares_data()
{
    QTest::addColumn<QString>("share"); // the share the photo's path names; "studio" is pinned
    QTest::addColumn<bool>("sizeCopies"); // its 90, 190 and 1920 copies are there
    QTest::newRow("pinned share") << "studio" << true;
    QTest::newRow("pinned share, size folders missing") << "studio" << false;
    QTest::newRow("another share") << "other" << true;
    // Missing there may only mean that share is not mounted: never counted removed.
    QTest::newRow("another share, size folders missing") << "other" << false;
}

void TestDelLocalPhotoImg::removeOnShareKeepsOtherShares()
{
    QFETCH(QString, share);
    QFETCH(bool, sizeCopies);
    ScopedMountRoot root;
    const QString order = root.mkpath(share + QStringLiteral("/A1"));
    root.mkpath(QStringLiteral("studio/A0"));
    for (const QString &tag : {"all", "90", "190", "1920"}) {
        if (sizeCopies || tag == QLatin1String("all"))
            touch(order + QStringLiteral("/%1/a.jpg").arg(tag));
    }
    ShareGuard pinned;
    QVERIFY(pinned.pin(root.path() + QStringLiteral("studio/A0")));
    const QList<TFDelLocalPhotoImg::Failure> left =
        TFDelLocalPhotoImg::removeOnShare({order + QStringLiteral("/all/a.jpg")}, pinned);
    const bool onPinned = share == QLatin1String("studio");
    QCOMPARE(left.size(), onPinned ? 0 : 4);
    for (const TFDelLocalPhotoImg::Failure &failure : left)
        QCOMPARE(failure.reason, K::pathOffShareText());
    QCOMPARE(QFileInfo::exists(order + QStringLiteral("/all/a.jpg")), !onPinned);
}

QTEST_GUILESS_MAIN(TestDelLocalPhotoImg)
#include "tst_tfdellocalphotoimg.moc"

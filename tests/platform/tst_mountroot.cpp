#include "platform/DisplaySleepAssertion.h"
#include "platform/MountRoot.h"
#include "platform/ShareGuard.h"
#include "platform/ShareRemoval.h"
#include "support/BindMount.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedMountRoot.h"
#include "support/SmallTmpfs.h"
#include "support/SmbShare.h"

#include <QtTest>
#include <QWidget>

#include <unistd.h>

// The mount root and the display-sleep assertion.
class MountRootTest : public QObject
{
    Q_OBJECT

private slots:
    void strictlyBelow_data();
    void strictlyBelow();
    void redirectAndReset();
    void belowMountedShare_data();
    void belowMountedShare();
    void shareMounted_data();
    void shareMounted();
    void shareGuard_data();
    void shareGuard();
    void shareGuardThroughLink_data();
    void shareGuardThroughLink();
    void shareGuardReaches_data();
    void smbShareKind_data();
    void smbShareKind();
    void shareGuardReaches();
    void shareGuardWithinOrder_data();
    void shareGuardWithinOrder();
    void linkOnTheWay_data();
    void linkOnTheWay();
    void shareRemoval_data();
    void shareRemoval();
    void assertionHeldUntilReleased();
    void assertionReleasedWithLastWindow();
};

void MountRootTest::strictlyBelow_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("below");
    QTest::newRow("child") << "/Volumes/studio" << true;
    QTest::newRow("deep") << "/Volumes/studio/a/b.jpg" << true;
    QTest::newRow("root itself") << "/Volumes/" << false;
    QTest::newRow("root without slash") << "/Volumes" << false;
    QTest::newRow("root with doubled slash") << "/Volumes//" << false;
    QTest::newRow("sibling prefix") << "/VolumesX/a" << false;
    QTest::newRow("dot-dot escape") << "/Volumes/studio/../../etc" << false;
    QTest::newRow("dot part") << "/Volumes/./studio" << false;
    QTest::newRow("relative") << "Volumes/studio" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("dots in a name are fine") << "/Volumes/studio/a..b/c.d" << true;
}

void MountRootTest::strictlyBelow()
{
    QFETCH(QString, path);
    QFETCH(bool, below);
    QCOMPARE(MountRoot::isStrictlyBelow(path, "/Volumes/"), below);
    QCOMPARE(MountRoot::isStrictlyBelow(path, "/Volumes"), below);
}

// How the mount root is reached: the test's own folder, a link to it, or the
// folder listing the SMB share (its shares lie in a FUSE file system).
enum class RootKind { Temporary, ThroughLink, SmbParent };
Q_DECLARE_METATYPE(RootKind)

void MountRootTest::belowMountedShare_data()
{
    QTest::addColumn<QString>("relative"); // below the mount root
    QTest::addColumn<bool>("declared"); // STUDIO_LOCAL_SHARES=1: plain folders with content stand for shares
    QTest::addColumn<RootKind>("rootKind");
    QTest::addColumn<bool>("below");
    const RootKind temporary = RootKind::Temporary;
    QTest::newRow("order folder of the share") << "studio/orders/A1" << true << temporary << true;
    QTest::newRow("folder that is not made yet") << "studio/new/A2" << true << temporary << true;
    QTest::newRow("doubled separator") << "studio//orders" << true << temporary << true;
    QTest::newRow("share named in other case") << "STUDIO/orders/A1" << true << temporary << false;
    QTest::newRow("share partly in other case") << "Studio/orders" << true << temporary << false;
    QTest::newRow("share that is not mounted") << "photos/orders/A1" << true << temporary << false;
    QTest::newRow("share itself") << "studio" << true << temporary << false;
    QTest::newRow("share itself with slash") << "studio/" << true << temporary << false;
    QTest::newRow("file in the root") << "note.txt/A1" << true << temporary << false;
    QTest::newRow("link in the root") << "boot/A1" << true << temporary << false;
    QTest::newRow("dot-dot out of the share") << "studio/../photos/A1" << true << temporary << false;
    QTest::newRow("prefix of a share") << "stud/A1" << true << temporary << false;
    QTest::newRow("empty mount point") << "gone/A1" << true << temporary << false;
    QTest::newRow("empty share on its own disk") << "ownfs/A1" << true << temporary << true;
    QTest::newRow("declared: plain folder holding a file") << "finder/A1" << true << temporary << true;
    // Nothing declared: only mounts count, whatever a plain folder holds.
    QTest::newRow("plain folder holding .DS_Store") << "finder/A1" << false << temporary << false;
    QTest::newRow("plain folder with leftover order folders") << "studio/orders/A1" << false << temporary << false;
    QTest::newRow("empty plain folder") << "gone/A1" << false << temporary << false;
    QTest::newRow("link in the root to a full folder") << "boot/A1" << false << temporary << false;
    QTest::newRow("empty tmpfs") << "ownfs/A1" << false << temporary << true;
    QTest::newRow("bind mount") << "bound/A1" << false << temporary << true;
    QTest::newRow("bind mount named with a space") << "bound share/A1" << false << temporary << true;
    QTest::newRow("bind mount unmounted lazily, .DS_Store left") << "unbound/A1" << false << temporary << false;
    QTest::newRow("root through a link, bind mount") << "bound/A1" << false << RootKind::ThroughLink << true;
    QTest::newRow("root through a link, plain folder") << "finder/A1" << false << RootKind::ThroughLink << false;
    QTest::newRow("SMB share") << "studio/orders/A1" << false << RootKind::SmbParent << true;
}

// A share counts only when the root holds a real folder of exactly that name,
// and that folder is mounted (or declared, holding something).
void MountRootTest::belowMountedShare()
{
    QFETCH(QString, relative);
    QFETCH(bool, declared);
    QFETCH(RootKind, rootKind);
    QFETCH(bool, below);
    ScopedMountRoot root;
    const ScopedEnvironment localShares("STUDIO_LOCAL_SHARES", declared ? QByteArray("1") : QByteArray());
    root.mkpath(QStringLiteral("studio/orders"));
    QTemporaryDir elsewhere;
    QFile content(elsewhere.path() + QStringLiteral("/A1"));
    QVERIFY(content.open(QIODevice::WriteOnly)); // a link is no share, however full
    QVERIFY(QFile::link(elsewhere.path(), root.path() + QStringLiteral("boot")));
    QFile note(root.path() + QStringLiteral("note.txt"));
    QVERIFY(note.open(QIODevice::WriteOnly));
    // An unmount leaves an empty folder on the root's disk behind.
    root.mkpath(QStringLiteral("gone"));
    QFile finder(root.mkpath(QStringLiteral("finder")) + QStringLiteral("/.DS_Store"));
    QVERIFY(finder.open(QIODevice::WriteOnly));
    const QString ownDisk = root.mkpath(QStringLiteral("ownfs"));
    const SmallTmpfs tmpfs(ownDisk);
    // Finder's note is written into the mount point before the mount: it shows again after the unmount.
    QFile left(root.mkpath(QStringLiteral("unbound")) + QStringLiteral("/.DS_Store"));
    QVERIFY(left.open(QIODevice::WriteOnly));
    const BindMount bound(elsewhere.path(), root.path() + QStringLiteral("bound"));
    const BindMount spaced(elsewhere.path(), root.path() + QStringLiteral("bound share")); // "\040" in the table
    BindMount unbound(elsewhere.path(), root.path() + QStringLiteral("unbound"));
    const bool mounted = tmpfs.isMounted() && bound.isMounted() && spaced.isMounted() && unbound.isMounted();
    unbound.unmount();
    const QStringList mountPoints{"ownfs", "bound", "bound share", "unbound"};
    if (mountPoints.contains(relative.section(QLatin1Char('/'), 0, 0)) && !mounted)
        QSKIP("needs root to mount");
    QTemporaryDir links;
    SmbShare smb(QStringLiteral("studio"));
    if (rootKind == RootKind::ThroughLink) {
        QVERIFY(QFile::link(root.path(), links.path() + QStringLiteral("/root")));
        MountRoot::setPath(links.path() + QStringLiteral("/root"));
    } else if (rootKind == RootKind::SmbParent) {
        SMBSHARE_START(smb);
        QVERIFY(QDir(smb.servedPath()).mkpath(QStringLiteral("orders")));
        MountRoot::setPath(QFileInfo(smb.sharePath()).path());
    }
    QCOMPARE(MountRoot::isBelowMountedShare(MountRoot::path() + relative), below);
    QVERIFY(!MountRoot::isBelowMountedShare(QStringLiteral("/tmp/studio/orders")));
}

void MountRootTest::shareMounted_data()
{
    QTest::addColumn<QString>("share"); // as named below the mount root
    QTest::addColumn<QByteArray>("localShares"); // STUDIO_LOCAL_SHARES, null: unset
    QTest::addColumn<bool>("mounted");
    QTest::newRow("bind mount named with a slash") << "bound/" << QByteArray() << true;
    QTest::newRow("link to a bind mount") << "link" << QByteArray() << false;
    QTest::newRow("link to a bind mount, named with a slash") << "link/" << QByteArray() << false;
    QTest::newRow("plain folder holding a file, declared") << "finder" << QByteArray("1") << true;
    QTest::newRow("plain folder holding a file, set to 0") << "finder" << QByteArray("0") << false;
}

// The share folder named directly: a link stands for no share, even one to a
// mount, and only "1" declares plain folders.
void MountRootTest::shareMounted()
{
    QFETCH(QString, share);
    QFETCH(QByteArray, localShares);
    QFETCH(bool, mounted);
    ScopedMountRoot root;
    const ScopedEnvironment environment("STUDIO_LOCAL_SHARES", localShares);
    QFile finder(root.mkpath(QStringLiteral("finder")) + QStringLiteral("/.DS_Store"));
    QVERIFY(finder.open(QIODevice::WriteOnly));
    QTemporaryDir elsewhere;
    const BindMount bound(elsewhere.path(), root.path() + QStringLiteral("bound"));
    QVERIFY(QFile::link(root.path() + QStringLiteral("bound"), root.path() + QStringLiteral("link")));
    if (!share.startsWith(QLatin1String("finder")) && !bound.isMounted())
        QSKIP("needs root to mount");
    QCOMPARE(MountRoot::isShareMounted(root.path() + share), mounted);
}

enum class ShareFate { Stays, UnmountedLazily, EmptyFolderInItsPlace, LinkInItsPlace };
Q_DECLARE_METATYPE(ShareFate)

void MountRootTest::shareGuard_data()
{
    QTest::addColumn<ShareFate>("fate");
    QTest::addColumn<bool>("there");
    QTest::newRow("stays") << ShareFate::Stays << true;
    QTest::newRow("unmounted lazily") << ShareFate::UnmountedLazily << false;
    QTest::newRow("empty folder in its place") << ShareFate::EmptyFolderInItsPlace << false;
    QTest::newRow("link in its place") << ShareFate::LinkInItsPlace << false;
}

// A share that went away is never replaced by folders on the local disk.
void MountRootTest::shareGuard()
{
    QFETCH(ShareFate, fate);
    QFETCH(bool, there);
    ScopedMountRoot root;
    const QString share = root.mkpath(QStringLiteral("studio"));
    const QString order = share + QStringLiteral("/photo/2024/A1");
    QTemporaryDir backing;
    // A share with content: an empty folder on the root's disk is no share.
    for (const QString &folder : {share, backing.path()}) {
        QFile marker(folder + QStringLiteral("/.share"));
        QVERIFY(marker.open(QIODevice::WriteOnly));
    }
    const bool bound = QProcess::execute("mount", {"--bind", backing.path(), share}) == 0;
    if (fate == ShareFate::UnmountedLazily && !bound)
        QSKIP("needs root to bind-mount");
    auto unmount = qScopeGuard([&] { if (bound) QProcess::execute("umount", {"-l", share}); });

    ShareGuard guard;
    QVERIFY(!guard.pin(root.path() + QStringLiteral("elsewhere/A1")));
    QVERIFY(!guard.makePath(order));
    QVERIFY(guard.pin(order));
    QCOMPARE(guard.shareFolder(), share + QLatin1Char('/'));
    QVERIFY(!guard.makePath(share));
    switch (fate) {
    case ShareFate::Stays:
        break;
    case ShareFate::UnmountedLazily:
        unmount.dismiss();
        QCOMPARE(QProcess::execute("umount", {"-l", share}), 0);
        break;
    case ShareFate::EmptyFolderInItsPlace:
    case ShareFate::LinkInItsPlace:
        unmount.dismiss();
        if (bound)
            QCOMPARE(QProcess::execute("umount", {"-l", share}), 0);
        QVERIFY(QDir().rename(share, share + QStringLiteral(".old")));
        if (fate == ShareFate::EmptyFolderInItsPlace)
            QVERIFY(QDir().mkdir(share));
        else
            QVERIFY(QFile::link(share + QStringLiteral(".old"), share));
        break;
    }
    QCOMPARE(guard.stillThere(), there);
    // What lies under a share that went, or where a link in its place leads, is never reached.
    QCOMPARE(guard.reaches(share + QStringLiteral("/.share")), there);
    QCOMPARE(guard.holds(order), there);
    QCOMPARE(guard.makePath(order), there);
    QCOMPARE(QFileInfo::exists(share + QStringLiteral("/photo")), there);
    QCOMPARE(QFileInfo::exists(backing.path() + QStringLiteral("/photo/2024/A1")), bound && there);
}

void MountRootTest::shareGuardThroughLink_data()
{
    QTest::addColumn<QString>("leadsTo"); // where the order folder's link leads
    QTest::addColumn<bool>("linkedRoot"); // the mount root is reached through a link
    QTest::addColumn<bool>("made");
    QTest::newRow("inside the share") << "inside" << false << true;
    QTest::newRow("inside the share, root through a link") << "inside" << true << true;
    QTest::newRow("off the share") << "outside" << false << false;
    QTest::newRow("off the share, root through a link") << "outside" << true << false;
    QTest::newRow("into another share") << "other" << false << false;
    QTest::newRow("into a sibling whose name extends the share's") << "sibling" << false << false;
}

// A link in the share is followed only while it leads into the share: nothing
// is made where it leads otherwise.
void MountRootTest::shareGuardThroughLink()
{
    QFETCH(QString, leadsTo);
    QFETCH(bool, linkedRoot);
    QFETCH(bool, made);
    ScopedMountRoot root;
    const QString share = root.mkpath(QStringLiteral("studio"));
    QTemporaryDir outside;
    const QMap<QString, QString> targets{{"inside", root.mkpath(QStringLiteral("studio/kept"))},
                                         {"outside", outside.path()},
                                         {"other", root.mkpath(QStringLiteral("other/kept"))},
                                         {"sibling", root.mkpath(QStringLiteral("studio-old/kept"))}};
    const QString target = targets.value(leadsTo);
    QVERIFY(QFile::link(target, share + QStringLiteral("/A1")));
    QTemporaryDir links;
    if (linkedRoot) {
        QVERIFY(QFile::link(root.path(), links.filePath(QStringLiteral("root"))));
        MountRoot::setPath(links.filePath(QStringLiteral("root")));
    }
    const QString folder = MountRoot::path() + QStringLiteral("studio/A1/all/L");
    ShareGuard guard;
    QVERIFY(guard.pin(folder));
    QCOMPARE(guard.makePath(folder), made);
    QCOMPARE(QFileInfo::exists(target + QStringLiteral("/all/L")), made);
    QCOMPARE(QDir(target).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), !made);
}

void MountRootTest::shareGuardReaches_data()
{
    QTest::addColumn<QString>("path"); // below the share, made by the test
    QTest::addColumn<bool>("reached");
    QTest::newRow("file in the share") << "A1/a.jpg" << true;
    QTest::newRow("folder in the share") << "A1" << true;
    QTest::newRow("link to a file in the share") << "A1/in.jpg" << true;
    QTest::newRow("link to a file off the share") << "A1/off.jpg" << false;
    QTest::newRow("link to a file of a sibling whose name extends the share's") << "A1/old.jpg" << false;
    QTest::newRow("file below a folder link off the share") << "year/a.jpg" << false;
    QTest::newRow("dangling link") << "A1/dangling.jpg" << false;
    QTest::newRow("missing file") << "A1/missing.jpg" << false;
    QTest::newRow("the share itself") << "" << false;
}

// What a tool reads or writes into must really lie in the pinned share.
void MountRootTest::shareGuardReaches()
{
    QFETCH(QString, path);
    QFETCH(bool, reached);
    ScopedMountRoot root;
    const QString share = root.mkpath(QStringLiteral("studio"));
    root.mkpath(QStringLiteral("studio/A1"));
    const QString old = root.mkpath(QStringLiteral("studio-old"));
    QTemporaryDir outside;
    for (const QString &file : {share + "/A1/a.jpg", old + "/a.jpg", outside.filePath("a.jpg")}) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
    }
    QVERIFY(QFile::link(share + "/A1/a.jpg", share + "/A1/in.jpg"));
    QVERIFY(QFile::link(outside.filePath("a.jpg"), share + "/A1/off.jpg"));
    QVERIFY(QFile::link(old + "/a.jpg", share + "/A1/old.jpg"));
    QVERIFY(QFile::link(outside.path(), share + "/year"));
    QVERIFY(QFile::link(share + "/A1/gone.jpg", share + "/A1/dangling.jpg"));
    ShareGuard guard;
    QVERIFY(guard.pin(share + "/A1"));
    QCOMPARE(guard.reaches(share + "/" + path), reached);
}

void MountRootTest::shareGuardWithinOrder_data()
{
    QTest::addColumn<QString>("path"); // below the share's "2024"; the order folder is A1
    QTest::addColumn<bool>("reached");
    QTest::addColumn<bool>("made"); // path + "/new" made with the order as within
    QTest::newRow("file in the order") << "A1/a.jpg" << true << false;
    QTest::newRow("the order folder itself") << "A1" << true << true;
    QTest::newRow("link to a file of the order") << "A1/in.jpg" << true << false;
    QTest::newRow("link to a file of another order") << "A1/b.jpg" << false << false;
    QTest::newRow("folder link to another order") << "A1/other" << false << false;
    QTest::newRow("file through a folder link to another order") << "A1/other/b.jpg" << false << false;
    QTest::newRow("folder link inside the order") << "A1/self" << true << true;
    QTest::newRow("another order's folder") << "B2" << false << false;
    QTest::newRow("a new folder beside the order") << "A3" << false << false;
}

// A link inside an order never takes a tool into another order's folder.
void MountRootTest::shareGuardWithinOrder()
{
    QFETCH(QString, path);
    QFETCH(bool, reached);
    QFETCH(bool, made);
    ScopedMountRoot root;
    // The orders lie a level down: the folders above them are on the way, not in another order.
    const QString share = root.mkpath(QStringLiteral("studio/2024"));
    root.mkpath(QStringLiteral("studio/2024/A1/sub"));
    root.mkpath(QStringLiteral("studio/2024/B2"));
    for (const QString &file : {share + "/A1/a.jpg", share + "/B2/b.jpg"}) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
    }
    QVERIFY(QFile::link(share + "/A1/a.jpg", share + "/A1/in.jpg"));
    QVERIFY(QFile::link(share + "/B2/b.jpg", share + "/A1/b.jpg"));
    QVERIFY(QFile::link(share + "/B2", share + "/A1/other"));
    QVERIFY(QFile::link(share + "/A1/sub", share + "/A1/self"));
    ShareGuard guard;
    QVERIFY(guard.pin(share + "/A1"));
    const QString within = ShareGuard::realPlace(share + "/A1");
    QCOMPARE(guard.reachesWithin(share + "/" + path, within), reached);
    QCOMPARE(guard.makePath(share + "/" + path + "/new", within), made);
    QCOMPARE(QDir(share + "/B2").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"b.jpg"});
    QVERIFY(!QFileInfo::exists(share + "/A3"));
    // An order folder not made yet: the folders on the way to it are made.
    QVERIFY(guard.makePath(share + "/2025/A5/all", ShareGuard::realPlace(share) + "/2025/A5"));
}

void MountRootTest::linkOnTheWay_data()
{
    QTest::addColumn<QString>("links"); // "name>target" made below the share, ";"-separated
    QTest::addColumn<QString>("path");  // below the share
    QTest::addColumn<bool>("linkedRoot");
    QTest::addColumn<QString>("found"); // below the share; empty for none
    QTest::newRow("real folders") << "" << "2024/A1" << false << "";
    QTest::newRow("real folders, root through a link") << "" << "2024/A1" << true << "";
    QTest::newRow("order folder a link to another order") << "2024/A9>2024/B2" << "2024/A9" << false << "2024/A9";
    QTest::newRow("order folder a link, root through a link") << "2024/A9>2024/B2" << "2024/A9" << true
                                                              << "2024/A9";
    QTest::newRow("year folder a link into another order") << "2025>2024/B2" << "2025/A1" << false << "2025";
    QTest::newRow("year folder a link, order not made") << "2025>2024/B2" << "2025/A7" << false << "2025";
    QTest::newRow("order folder not made yet") << "" << "2024/A7/all" << false << "";
    QTest::newRow("link inside the order is below it") << "2024/A1/L>2024/B2" << "2024/A1" << false << "";
    QTest::newRow("dangling link as the order folder") << "2024/A9>2024/gone" << "2024/A9" << false << "2024/A9";
    QTest::newRow("the share itself") << "" << "" << false << "";
}

// An order folder reached through a link may be another order's folder.
void MountRootTest::linkOnTheWay()
{
    QFETCH(QString, links);
    QFETCH(QString, path);
    QFETCH(bool, linkedRoot);
    QFETCH(QString, found);
    ScopedMountRoot root;
    const QString share = root.mkpath(QStringLiteral("studio"));
    root.mkpath(QStringLiteral("studio/2024/A1"));
    root.mkpath(QStringLiteral("studio/2024/B2"));
    for (const QString &link : links.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList sides = link.split(QLatin1Char('>'));
        QVERIFY(QFile::link(share + "/" + sides.at(1), share + "/" + sides.at(0)));
    }
    QTemporaryDir holder;
    if (linkedRoot) {
        QVERIFY(QFile::link(root.path(), holder.filePath(QStringLiteral("root"))));
        MountRoot::setPath(holder.filePath(QStringLiteral("root")));
    }
    const QString shareNamed = MountRoot::path() + QStringLiteral("studio");
    QCOMPARE(ShareGuard::linkOnTheWay(shareNamed + "/" + path),
             found.isEmpty() ? QString() : shareNamed + "/" + found);
}

// What happens to the share around a removal.
enum class RemovalEvent { None, UnmountedBefore, UnmountedBetween, FolderSwappedForLink, RootThroughLink };
Q_DECLARE_METATYPE(RemovalEvent)
Q_DECLARE_METATYPE(ShareRemoval::Outcome)

void MountRootTest::shareRemoval_data()
{
    QTest::addColumn<QString>("path"); // below the share
    QTest::addColumn<QString>("within"); // below the share; empty: not given
    QTest::addColumn<RemovalEvent>("event");
    QTest::addColumn<ShareRemoval::Outcome>("outcome");
    QTest::addColumn<QString>("removed"); // the one entry of the fixture gone afterwards
    using O = ShareRemoval::Outcome;
    const RemovalEvent none = RemovalEvent::None;
    QTest::newRow("file") << "A1/a.jpg" << "" << none << O::Removed << "A1/a.jpg";
    QTest::newRow("file within its order folder") << "A1/a.jpg" << "A1" << none << O::Removed << "A1/a.jpg";
    QTest::newRow("doubled separator") << "A1//a.jpg" << "" << none << O::Removed << "A1/a.jpg";
    QTest::newRow("missing file") << "A1/none.jpg" << "" << none << O::Missing << "";
    QTest::newRow("missing folder") << "Z9/a.jpg" << "" << none << O::FolderFailed << "";
    QTest::newRow("share unmounted between the checks and the removal")
        << "A1/a.jpg" << "" << RemovalEvent::UnmountedBetween << O::Removed << "A1/a.jpg";
    QTest::newRow("share unmounted before") << "A1/a.jpg" << "" << RemovalEvent::UnmountedBefore << O::ShareGone << "";
    QTest::newRow("folder an absolute link off the share") << "off/a.jpg" << "" << none << O::OffShare << "";
    QTest::newRow("folder a relative link off the share") << "offRelative/A1/a.jpg" << "" << none << O::OffShare << "";
    QTest::newRow("folder a link to a sibling whose name extends the share's")
        << "old/A1/a.jpg" << "" << none << O::OffShare << "";
    QTest::newRow("folder swapped for a link to another order after the scan")
        << "C3/a.jpg" << "C3" << RemovalEvent::FolderSwappedForLink << O::OffFolder << "";
    QTest::newRow("file a link off the share") << "A1/link.jpg" << "" << none << O::Removed << "A1/link.jpg";
    QTest::newRow("folder in place of the file") << "A1/dir.jpg" << "" << none << O::Failed << "";
    QTest::newRow("mount root reached through a link")
        << "A1/a.jpg" << "A1" << RemovalEvent::RootThroughLink << O::Removed << "A1/a.jpg";
}

// A file is removed through its folder held open on the share, only while the
// folder's real place is on the share (and within the order scanned); nothing
// else is ever removed, least of all what an unmount uncovers.
void MountRootTest::shareRemoval()
{
    QFETCH(QString, path);
    QFETCH(QString, within);
    QFETCH(RemovalEvent, event);
    QFETCH(ShareRemoval::Outcome, outcome);
    QFETCH(QString, removed);
    ScopedMountRoot root;
    const ScopedEnvironment mountsOnly("STUDIO_LOCAL_SHARES", QByteArray());
    const QString share = root.mkpath(QStringLiteral("studio"));
    QTemporaryDir backing;
    QTemporaryDir outside;
    // Every entry of the fixture by what the test calls it; below the share unless said.
    const QMap<QString, QString> fixture{{"A1/a.jpg", backing.filePath("A1/a.jpg")},
                                         {"A1/dir.jpg", backing.filePath("A1/dir.jpg")},
                                         {"A1/link.jpg", backing.filePath("A1/link.jpg")},
                                         {"B2/a.jpg", backing.filePath("B2/a.jpg")},
                                         {"copy under the mount point", share + "/A1/a.jpg"},
                                         {"outside", outside.filePath("a.jpg")},
                                         {"other share", root.path() + "other/A1/a.jpg"},
                                         {"sibling", root.path() + "studio-old/A1/a.jpg"}};
    for (const QString &file : fixture) {
        if (file.endsWith(QLatin1String("dir.jpg")) || file.endsWith(QLatin1String("link.jpg")))
            continue;
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
    }
    QVERIFY(QDir().mkpath(fixture["A1/dir.jpg"]));
    QVERIFY(QDir().mkpath(backing.filePath("C3")));
    QVERIFY(QFile::link(fixture["outside"], fixture["A1/link.jpg"]));
    QCOMPARE(::symlink(qPrintable(outside.path()), qPrintable(backing.filePath("off"))), 0);
    QCOMPARE(::symlink("../other", qPrintable(backing.filePath("offRelative"))), 0);
    QCOMPARE(::symlink("../studio-old", qPrintable(backing.filePath("old"))), 0);
    BindMount mount(backing.path(), share);
    if (!mount.isMounted())
        QSKIP("needs root to bind-mount");

    QString shareSeen = share; // the share as the tool names it
    QTemporaryDir linkHolder;
    if (event == RemovalEvent::RootThroughLink) {
        QVERIFY(QFile::link(root.path(), linkHolder.filePath("root")));
        MountRoot::setPath(linkHolder.filePath("root"));
        shareSeen = MountRoot::path() + "studio";
    }
    ShareGuard guard;
    QVERIFY(guard.pin(shareSeen + "/A1"));
    const QString withinPlace = within.isEmpty() ? QString() : QFileInfo(share + "/" + within).canonicalFilePath();
    std::function<void()> beforeRemoval;
    if (event == RemovalEvent::UnmountedBefore)
        mount.unmount();
    else if (event == RemovalEvent::UnmountedBetween)
        beforeRemoval = [&mount] { mount.unmount(); };
    else if (event == RemovalEvent::FolderSwappedForLink)
        QVERIFY(QDir(share).rmdir("C3") && QFile::link(share + "/B2", share + "/C3"));

    QCOMPARE(ShareRemoval::remove(guard, shareSeen + "/" + path, withinPlace, beforeRemoval).outcome, outcome);
    mount.unmount();
    for (auto entry = fixture.cbegin(); entry != fixture.cend(); ++entry) {
        const QFileInfo info(entry.value());
        QVERIFY2((info.exists() || info.isSymLink()) == (entry.key() != removed), qPrintable(entry.key()));
    }
}

void MountRootTest::smbShareKind_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<bool>("smb");
    QTest::newRow("folder on the SMB share") << "share" << true;
    QTest::newRow("SMB share bound over a tmpfs") << "bound over tmpfs" << true;
    QTest::newRow("tmpfs mounted over the SMB mount") << "tmpfs over smb" << false;
    QTest::newRow("beside the SMB mount, its point a prefix of the name") << "prefix" << false;
    QTest::newRow("plain local folder") << "local" << false;
}

// Of the mounts holding a path, the one mounted last on the deepest point
// decides; a mount point is a whole path part, not a text prefix.
void MountRootTest::smbShareKind()
{
    QFETCH(QString, place);
    QFETCH(bool, smb);
    SmbShare share(QStringLiteral("studio"));
    SMBSHARE_START(share);
    QVERIFY(QDir(share.servedPath()).mkpath(QStringLiteral("orders")));
    QTemporaryDir local;
    const QString tmpfsPoint = local.filePath(QStringLiteral("fs"));
    QString path = share.sharePath() + QStringLiteral("/orders");
    if (place == QLatin1String("bound over tmpfs")) {
        const SmallTmpfs tmpfs(tmpfsPoint);
        BindMount bound(share.sharePath(), tmpfsPoint);
        if (!tmpfs.isMounted() || !bound.isMounted())
            QSKIP("needs root to mount");
        QCOMPARE(MountRoot::isOnSmbShare(tmpfsPoint + QStringLiteral("/orders")), smb);
        bound.unmount();
        return;
    }
    if (place == QLatin1String("tmpfs over smb")) {
        const SmallTmpfs tmpfs(share.mountPath());
        if (!tmpfs.isMounted())
            QSKIP("needs root to mount");
        QVERIFY(QDir(share.mountPath()).mkpath(QStringLiteral("orders")));
        QCOMPARE(MountRoot::isOnSmbShare(share.mountPath() + QStringLiteral("/orders")), smb);
        return;
    }
    if (place == QLatin1String("prefix"))
        path = share.mountPath() + QStringLiteral("-local");
    else if (place == QLatin1String("local"))
        path = local.path();
    QVERIFY(QDir().mkpath(path));
    QCOMPARE(MountRoot::isOnSmbShare(path), smb);
}

void MountRootTest::redirectAndReset()
{
    qunsetenv("STUDIO_MOUNT_ROOT");
    MountRoot::reset();
    QCOMPARE(MountRoot::path(), QString("/Volumes/"));
    QVERIFY(MountRoot::isDefault());
    MountRoot::setPath("/tmp/share");
    QCOMPARE(MountRoot::path(), QString("/tmp/share/"));
    QVERIFY(!MountRoot::isDefault());
    QVERIFY(MountRoot::isOnShare("/tmp/share/x"));
    QVERIFY(!MountRoot::isOnShare("/Volumes/x"));
    qputenv("STUDIO_MOUNT_ROOT", "/srv/mnt");
    MountRoot::reset();
    QCOMPARE(MountRoot::path(), QString("/srv/mnt/"));
    qunsetenv("STUDIO_MOUNT_ROOT");
    MountRoot::reset();
}

void MountRootTest::assertionHeldUntilReleased()
{
    QVERIFY(!DisplaySleepAssertion::isHeld());
    const auto id = DisplaySleepAssertion::create("NoDisplaySleepAssertion", "MyApp - Preventing Display Sleep");
    QVERIFY(id != 0);
    QVERIFY(DisplaySleepAssertion::isHeld());
    QCOMPARE(DisplaySleepAssertion::heldType(), QString("NoDisplaySleepAssertion"));
    QCOMPARE(DisplaySleepAssertion::heldName(), QString("MyApp - Preventing Display Sleep"));
    DisplaySleepAssertion::release(id + 100); // unknown ids change nothing
    QVERIFY(DisplaySleepAssertion::isHeld());
    // Each assertion is released on its own.
    const auto second = DisplaySleepAssertion::create("NoDisplaySleepAssertion", "second");
    DisplaySleepAssertion::release(id);
    QVERIFY(DisplaySleepAssertion::isHeld());
    DisplaySleepAssertion::release(second);
    QVERIFY(!DisplaySleepAssertion::isHeld());
}

void MountRootTest::assertionReleasedWithLastWindow()
{
    DisplaySleepAssertion::holdUntilLastWindowClosed(*qApp);
    QVERIFY(DisplaySleepAssertion::isHeld());
    auto *window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(DisplaySleepAssertion::isHeld());
    // The signal only comes from a running event loop, as in the program.
    QTimer::singleShot(0, window, &QWidget::close);
    QTimer::singleShot(5000, qApp, &QCoreApplication::quit);
    qApp->exec();
    QVERIFY(!DisplaySleepAssertion::isHeld());
}

QTEST_MAIN(MountRootTest)
#include "tst_mountroot.moc"

#include "batchdelete/FileScanThread.h"
#include "batchdelete/FileScanWorker.h"
#include "support/BindMount.h"
#include "support/ScopedMountRoot.h"
#include "support/SmbShare.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {
bool writeFile(const QString &path, const QByteArray &bytes = QByteArray("jpeg"))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

FileScanResult scan(const QString &orderId, const QString &path, int depth = 2)
{
    FileScanThread scanner;
    scanner.setMaxDepth(depth);
    QSignalSpy finished(&scanner, &FileScanThread::scanFinished);
    scanner.startScan(orderId, path);
    if (!finished.wait(10000))
        return FileScanResult{{}, -1, QString(), QString(), 0, QString()};
    return finished.first().first().value<FileScanResult>();
}

QStringList relativePaths(const FileScanResult &result, const QString &folder)
{
    QStringList paths;
    for (const BatchDeleteFileInfo &file : result.files)
        paths << QDir(folder).relativeFilePath(file.filePath);
    return paths;
}
} // namespace

class tst_FileScanThread : public QObject
{
    Q_OBJECT

private slots:
    void realisticOrderFolder();
    void unlimitedDepthListsEverything();
    void failures_data();
    void failures();
    void unreadableFolder_data();
    void unreadableFolder();
    void folderLostMidScanFailsScan_data();
    void folderLostMidScanFailsScan();
    void entryGoneMidListing_data();
    void entryGoneMidListing();
    void progressEveryHundredFiles();
    void stoppedScanDeliversNothing();
    void secondScanReplacesFirst();

private:
    void unlistableAfterLookUp(const QString &below, const QString &cause);
};

void tst_FileScanThread::realisticOrderFolder()
{
    ScopedMountRoot root;
    const QString folder = root.mkpath(QStringLiteral("photo/2024/05/A123-2_张三_李四"));
    QVERIFY(writeFile(folder + "/b.jpg", QByteArray(2048, 'x')));
    QVERIFY(writeFile(folder + "/c.jpg"));
    QVERIFY(writeFile(folder + "/A/x.jpg"));
    QVERIFY(writeFile(folder + "/原片/IMG_0001.JPG"));
    QVERIFY(writeFile(folder + "/原片/深层/too-deep.jpg"));
    QVERIFY(writeFile(folder + "/原始档/IMG_0001.CR2"));
    QVERIFY(writeFile(folder + "/.DS_Store"));
    QVERIFY(writeFile(folder + "/原片/._IMG_0001.JPG"));
    QDir(folder).mkpath(QStringLiteral("精修片"));
    // Links are no photos of this order: their targets lie elsewhere.
    QTemporaryDir outside;
    QVERIFY(writeFile(outside.path() + "/other-order.jpg"));
    QVERIFY(QFile::link(outside.path(), folder + "/linked"));
    QVERIFY(QFile::link(outside.path() + "/other-order.jpg", folder + "/link.jpg"));

    const FileScanResult result = scan(QStringLiteral("OP1"), folder);
    QCOMPARE(result.code, 0);
    QVERIFY(result.errorMessage.isEmpty());
    QCOMPARE(result.orderId, QStringLiteral("OP1"));
    QCOMPARE(result.scanPath, folder);
    QCOMPARE(relativePaths(result, folder),
             QStringList({"A/x.jpg", "b.jpg", "c.jpg", "原始档/IMG_0001.CR2", "原片/IMG_0001.JPG"}));
    QCOMPARE(result.fileCount, 5);
    for (int i = 0; i < result.files.size(); ++i)
        QCOMPARE(result.files.at(i).index, i);
    QCOMPARE(result.files.at(0).dirName, QStringLiteral("A"));
    QCOMPARE(result.files.at(1).dirName, QStringLiteral("A123-2_张三_李四"));
    QCOMPARE(result.files.at(1).fileName, QStringLiteral("b.jpg"));
    QCOMPARE(result.files.at(1).size, qint64(2048));
    QCOMPARE(result.files.at(4).dirName, QStringLiteral("原片"));
}

void tst_FileScanThread::unlimitedDepthListsEverything()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.path() + "/a/b/c/d.jpg"));
    QCOMPARE(scan(QStringLiteral("X"), dir.path(), 0).fileCount, 1);
    QCOMPARE(scan(QStringLiteral("X"), dir.path(), 3).fileCount, 0);
    QCOMPARE(scan(QStringLiteral("X"), dir.path(), 4).fileCount, 1);
}

void tst_FileScanThread::failures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QString() << 1 << "扫描路径为空";
    QTest::newRow("missing") << "/nonexistent-share/orders/A1" << 2 << "目录不存在: /nonexistent-share/orders/A1";
    QTest::newRow("a file in the folder's path") << "/dev/null/A1" << 2 << "目录不存在: /dev/null/A1";
    QTest::newRow("unc") << "\\\\nas\\photo\\A1" << 3 << "共享目录连接失败: \\\\nas\\photo\\A1\n请检查网络连接或共享目录权限";
    QTest::newRow("double slash") << "//nas/photo/A1" << 3 << "共享目录连接失败: //nas/photo/A1\n请检查网络连接或共享目录权限";
}

void tst_FileScanThread::failures()
{
    QFETCH(QString, path);
    QFETCH(int, code);
    QFETCH(QString, message);
    const FileScanResult result = scan(QStringLiteral("OP7"), path);
    QCOMPARE(result.code, code);
    QCOMPARE(result.errorMessage, message);
    QVERIFY(result.files.isEmpty());
    QCOMPARE(result.orderId, QStringLiteral("OP7"));
    QCOMPARE(result.scanPath, path);
}

void tst_FileScanThread::unreadableFolder_data()
{
    QTest::addColumn<QString>("locked"); // below the scanned folder
    QTest::addColumn<QString>("cause");  // why it cannot be listed once looked up
    QTest::newRow("scanned folder") << QString() << "permission";
    QTest::newRow("subfolder: no partial list") << QStringLiteral("/原片") << "permission";
    QTest::newRow("scanned folder removed after its look-up") << QString() << "removed";
    QTest::newRow("scanned folder's server gone after its look-up") << QString() << "server gone";
    QTest::newRow("subfolder's server gone as it is entered") << QStringLiteral("/原片") << "server gone";
}

void tst_FileScanThread::unreadableFolder()
{
    QFETCH(QString, locked);
    QFETCH(QString, cause);
    if (cause != QLatin1String("permission")) {
        unlistableAfterLookUp(locked, cause);
        return;
    }
    QTemporaryDir dir;
    const QString scanned = dir.path() + "/A1";
    const QString folder = scanned + locked;
    QVERIFY(writeFile(scanned + "/a.jpg"));
    QVERIFY(QDir().mkpath(folder));
    for (const QString &open : {dir.path(), scanned}) {
        QVERIFY(QFile::setPermissions(open, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                                | QFileDevice::ReadOther | QFileDevice::ExeOther));
    }
    QVERIFY(QFile::setPermissions(folder, QFileDevice::WriteOwner));
    // Root lists any folder: the scan then runs as an ordinary user.
    const bool asRoot = ::geteuid() == 0;
    if (asRoot)
        QVERIFY(::seteuid(65534) == 0);
    const FileScanResult result = scan(QStringLiteral("OP1"), scanned);
    if (asRoot)
        QVERIFY(::seteuid(0) == 0);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(result.code, 4);
    QCOMPARE(result.errorMessage, QStringLiteral("没有权限访问目录: ") + folder);
    QVERIFY(result.files.isEmpty());
}

// A folder found by its look-up but not listed for another reason than
// permission (gone meanwhile, its server stopped) is never said refused.
void tst_FileScanThread::unlistableAfterLookUp(const QString &below, const QString &cause)
{
    QTemporaryDir dir;
    SmbShare share;
    QString scanned = dir.path() + "/A1";
    QString served = scanned;
    if (cause == QLatin1String("server gone")) {
        SMBSHARE_START(share);
        scanned = share.sharePath() + "/A1";
        served = share.servedPath() + "/A1";
    }
    QVERIFY(writeFile(served + "/a.jpg"));
    QVERIFY(writeFile(served + "/原片/b.jpg"));
    const QString folder = scanned + below;
    bool pulled = false;
    const auto pull = [&]() {
        pulled = cause == QLatin1String("removed") ? QDir(folder).removeRecursively() : share.stopServer();
    };
    FileScanWorker worker;
    if (below.isEmpty())
        worker.folderLookedUp = [&](const QString &) { pull(); };
    connect(&worker, &FileScanWorker::scanProgress, this, [&](int, const QString &entered) {
        if (!below.isEmpty() && entered == folder)
            pull();
    });
    QSignalSpy finished(&worker, &FileScanWorker::scanFinished);
    worker.startScan(QStringLiteral("OP1"), scanned);
    QVERIFY(pulled);
    const FileScanResult result = finished.first().first().value<FileScanResult>();
    const bool removed = cause == QLatin1String("removed");
    const QString why = removed ? QStringLiteral("目录不存在: %1")
                                : QStringLiteral("共享目录连接失败: %1\n请检查网络连接或共享目录权限");
    QCOMPARE(result.errorMessage, why.arg(folder));
    QCOMPARE(result.code, removed ? 2 : 3);
    QVERIFY(result.files.isEmpty());
}

void tst_FileScanThread::folderLostMidScanFailsScan_data()
{
    QTest::addColumn<QString>("when");   // a folder's name as it is entered, or "last" file counted
    QTest::addColumn<QString>("failed"); // the folder the message names, below the share
    QTest::addColumn<int>("code");
    QTest::newRow("share unmounted as a folder is entered") << "f20" << "A1/f20" << 2;
    QTest::newRow("share unmounted after the last folder was listed") << "last" << "A1" << 2;
    QTest::newRow("folder removed as the one before is entered") << "f20 f21" << "A1/f21" << 2;
    QTest::newRow("order folder replaced on its disk after the last folder was listed") << "replaced" << "A1" << 3;
}

// A share that drops, or a folder that goes, while the scanner works through
// the order's 40 folders: the scan fails with the folder, never a partial list.
void tst_FileScanThread::folderLostMidScanFailsScan()
{
    QFETCH(QString, when);
    QFETCH(QString, failed);
    QTemporaryDir dir;
    for (int i = 0; i < 400; ++i)
        QVERIFY(writeFile(dir.path() + QStringLiteral("/source/A1/f%1/%2.jpg").arg(i / 10, 2, 10, QLatin1Char('0')).arg(i)));
    const QString share = dir.path() + "/share";
    BindMount mount(dir.path() + "/source", share);
    if (!mount.isMounted())
        QSKIP("no bind mounts here");
    FileScanWorker worker;
    connect(&worker, &FileScanWorker::scanProgress, this, [&](int count, const QString &folder) {
        if (when == "f20 f21" && folder == share + "/A1/f20")
            QDir(share + "/A1/f21").removeRecursively();
        else if (when == "replaced" && count == 400)
            QVERIFY(QDir(share).rename("A1", "A1-old") && QDir(share).mkdir("A1"));
        else if (when == "last" ? count == 400 : folder == share + "/A1/" + when)
            mount.unmount();
    });
    QSignalSpy finished(&worker, &FileScanWorker::scanFinished);
    worker.startScan(QStringLiteral("OP1"), share + "/A1");
    const FileScanResult result = finished.first().first().value<FileScanResult>();
    QFETCH(int, code);
    QCOMPARE(result.code, code);
    const QString why = code == 2           ? QStringLiteral("目录不存在: %1")
                        : when == "replaced" ? QStringLiteral("订单目录在扫描时被替换: %1")
                                             : QStringLiteral("共享目录连接失败: %1\n请检查网络连接或共享目录权限");
    QCOMPARE(result.errorMessage, why.arg(share + "/" + failed));
    QVERIFY(result.files.isEmpty());
}

void tst_FileScanThread::entryGoneMidListing_data()
{
    QTest::addColumn<QString>("name");    // removed, with what holds it, as this name is read
    QTest::addColumn<QString>("removed"); // below the order folder
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<bool>("remade"); // an empty folder made in the removed one's place
    QTest::newRow("file removed") << "b.jpg" << "b.jpg" << 0 << QStringList({"A/x.jpg", "c.jpg"}) << false;
    QTest::newRow("folder removed") << "x.jpg" << "A" << 2 << QStringList() << false;
    QTest::newRow("folder replaced by a new one") << "x.jpg" << "A" << 2 << QStringList() << true;
}

// Something removed between reading its name and looking at it: a file is
// simply not listed; its folder gone fails the scan, naming that folder.
void tst_FileScanThread::entryGoneMidListing()
{
    QFETCH(QString, name);
    QFETCH(QString, removed);
    QFETCH(int, code);
    QFETCH(QStringList, listed);
    QFETCH(bool, remade);
    QTemporaryDir dir;
    for (const char *file : {"b.jpg", "c.jpg", "A/x.jpg"})
        QVERIFY(writeFile(dir.path() + "/" + file));
    FileScanWorker worker;
    worker.entryNameRead = [&](const QString &, const QString &read) {
        if (read == name)
            QVERIFY(QFile::remove(dir.path() + "/" + removed) || QDir(dir.path() + "/" + removed).removeRecursively());
        if (read == name && remade)
            QVERIFY(QDir(dir.path()).mkdir(removed));
    };
    QSignalSpy finished(&worker, &FileScanWorker::scanFinished);
    worker.startScan(QStringLiteral("OP1"), dir.path());
    const FileScanResult result = finished.first().first().value<FileScanResult>();
    QCOMPARE(result.code, code);
    QCOMPARE(result.errorMessage, code ? QStringLiteral("目录不存在: ") + dir.path() + "/" + removed : QString());
    QCOMPARE(relativePaths(result, dir.path()), listed);
}

void tst_FileScanThread::progressEveryHundredFiles()
{
    QTemporaryDir dir;
    for (int i = 0; i < 250; ++i)
        QVERIFY(writeFile(dir.path() + QStringLiteral("/%1.jpg").arg(i, 3, 10, QLatin1Char('0'))));
    FileScanThread scanner;
    QSignalSpy progress(&scanner, &FileScanThread::scanProgress);
    QSignalSpy finished(&scanner, &FileScanThread::scanFinished);
    scanner.startScan(QStringLiteral("OP1"), dir.path());
    QVERIFY(finished.wait(10000));
    QTRY_COMPARE(progress.count(), 3);
    QCOMPARE(progress.at(0).at(0).toInt(), 0);
    QCOMPARE(progress.at(1).at(0).toInt(), 100);
    QCOMPARE(progress.at(2).at(0).toInt(), 200);
    QCOMPARE(progress.at(2).at(1).toString(), dir.path());
    const FileScanResult result = finished.first().first().value<FileScanResult>();
    QCOMPARE(result.fileCount, 250);
    QCOMPARE(result.files.last().index, 249);
}

void tst_FileScanThread::stoppedScanDeliversNothing()
{
    QTemporaryDir dir;
    for (int i = 0; i < 50; ++i)
        QVERIFY(writeFile(dir.path() + QStringLiteral("/%1.jpg").arg(i)));
    FileScanThread scanner;
    QSignalSpy finished(&scanner, &FileScanThread::scanFinished);
    scanner.startScan(QStringLiteral("OP1"), dir.path());
    QVERIFY(scanner.isScanning());
    QVERIFY(scanner.stopAndWait(100));
    QTRY_VERIFY_WITH_TIMEOUT(!scanner.isScanning(), 10000);
    QCOMPARE(finished.count(), 0);
    scanner.startScan(QStringLiteral("OP1"), dir.path());
    QTRY_VERIFY_WITH_TIMEOUT(!scanner.isScanning(), 10000);
    QCOMPARE(finished.count(), 0); // later results of a stopped scanner are swallowed too
}

void tst_FileScanThread::secondScanReplacesFirst()
{
    QTemporaryDir first;
    QTemporaryDir second;
    QVERIFY(writeFile(second.path() + "/only.jpg"));
    FileScanThread scanner;
    QSignalSpy finished(&scanner, &FileScanThread::scanFinished);
    scanner.startScan(QStringLiteral("A"), first.path());
    scanner.startScan(QStringLiteral("B"), second.path());
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty()
                                 && finished.last().first().value<FileScanResult>().orderId == QLatin1String("B"),
                             10000);
    const FileScanResult last = finished.last().first().value<FileScanResult>();
    QCOMPARE(last.code, 0);
    QCOMPARE(last.fileCount, 1);
}

QTEST_GUILESS_MAIN(tst_FileScanThread)
#include "tst_FileScanThread.moc"

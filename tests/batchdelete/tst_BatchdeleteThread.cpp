#include "batchdelete/BatchdeleteThread.h"
#include "app/core/K.h"
#include "support/BindMount.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedMountRoot.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QMutex>
#include <QSet>
#include <QThreadPool>
#include <QtTest>

#include <atomic>

namespace {
bool writeFile(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("jpeg") == 4;
}
} // namespace

class tst_BatchdeleteThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void outcomes_data();
    void outcomes();
    void shareGoneBeforeMissingFileCounts_data();
    void shareGoneBeforeMissingFileCounts();
    void networkPaths_data();
    void networkPaths();
    void handOffManyFilesUnderLoad();
};

void tst_BatchdeleteThread::initTestCase()
{
    qRegisterMetaType<BatchDeleteOrderInfo>("BatchDeleteOrderInfo");
    qRegisterMetaType<BatchDeleteFileInfo>("BatchDeleteFileInfo");
}

void tst_BatchdeleteThread::outcomes_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("kept"); // below the root: what must still be there afterwards
    QTest::newRow("removed") << "plain" << int(Deleted) << QString();
    QTest::newRow("already gone, folder there") << "gone" << int(Deleted) << QString();
    QTest::newRow("folder renamed away") << "renamed" << int(NetworkUnreachable) << "share/A1-moved/原片/1.jpg";
    QTest::newRow("file of the sibling A10") << "sibling" << int(UnknownError) << "share/A10/原片/1.jpg";
    QTest::newRow("folder swapped for a link to A2") << "swapped" << int(UnknownError) << "share/A2/原片/1.jpg";
    QTest::newRow("replaced by a non-empty folder") << "folder" << int(FileOccupied) << "share/A1/原片/1.jpg/x.jpg";
}

void tst_BatchdeleteThread::outcomes()
{
    QFETCH(QString, situation);
    QFETCH(int, status);
    QFETCH(QString, kept);
    ScopedMountRoot root;
    const QString folder = root.mkpath(QStringLiteral("share/A1"));
    QString path = folder + "/原片/1.jpg";
    const QString scanned = QFileInfo(folder).canonicalFilePath();
    if (situation == "plain" || situation == "renamed" || situation == "swapped")
        QVERIFY(writeFile(path));
    if (situation == "gone")
        QVERIFY(QDir().mkpath(folder + "/原片"));
    if (situation == "renamed")
        QVERIFY(QDir().rename(folder, root.path() + "share/A1-moved"));
    if (situation == "sibling") {
        path = root.path() + "share/A10/原片/1.jpg";
        QVERIFY(writeFile(path));
    }
    if (situation == "swapped") {
        QVERIFY(writeFile(root.path() + "share/A2/原片/1.jpg"));
        QVERIFY(QDir().rename(folder, root.path() + "share/A1-moved"));
        QVERIFY(QFile::link(root.path() + "share/A2", folder));
    }
    if (situation == "folder")
        QVERIFY(writeFile(path + "/x.jpg"));

    auto *thread = new BatchdeleteThread();
    thread->order.order_photo_id = QStringLiteral("OP1");
    thread->file.filePath = path;
    thread->file.index = 3;
    thread->scannedFolder = scanned;
    QVERIFY(thread->share.pin(folder));
    QSignalSpy finished(thread, &BatchdeleteThread::deleteFileFinish);
    thread->start();
    QVERIFY(thread->wait(10000));
    QTRY_COMPARE(finished.count(), 1);
    delete thread;
    QCOMPARE(finished.first().at(0).value<BatchDeleteOrderInfo>().order_photo_id, QStringLiteral("OP1"));
    const BatchDeleteFileInfo file = finished.first().at(1).value<BatchDeleteFileInfo>();
    QCOMPARE(file.status, status);
    QCOMPARE(file.index, 3);
    QCOMPARE(file.errorMessage.isEmpty(), status == int(Deleted));
    if (status == int(NetworkUnreachable))
        QCOMPARE(file.errorMessage, QStringLiteral("网络路径无法访问"));
    if (kept.isEmpty())
        QVERIFY(!QFileInfo(path).exists());
    else
        QVERIFY2(QFile::exists(root.path() + kept), qPrintable(kept));
}

void tst_BatchdeleteThread::shareGoneBeforeMissingFileCounts_data()
{
    QTest::addColumn<bool>("removedFirst");
    QTest::newRow("file gone before the unmount") << true;
    QTest::newRow("file there: removed from the folder held open") << false;
}

// The file is gone from the share's folder held open, and the share is
// unmounted before that counts: the mount point's copy of the folder, without
// the file, says nothing about the share. Still there, the file goes from the
// share's folder, never from the copy the mount point hid.
void tst_BatchdeleteThread::shareGoneBeforeMissingFileCounts()
{
    QFETCH(bool, removedFirst);
    ScopedMountRoot root;
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    QTemporaryDir source;
    QVERIFY(writeFile(source.path() + "/A1/原片/1.jpg"));
    // An earlier copy of the order folder in the mount point, hidden by the mount.
    const QString folder = root.mkpath(QStringLiteral("share/A1/原片"));
    if (!removedFirst)
        QVERIFY(writeFile(folder + "/1.jpg"));
    BindMount mount(source.path(), root.path() + "share");
    if (!mount.isMounted())
        QSKIP("no bind mounts here");
    const QString path = folder + "/1.jpg";
    auto *thread = new BatchdeleteThread();
    thread->order.netpath = root.path() + "share/A1";
    thread->file.filePath = path;
    thread->scannedFolder = QFileInfo(root.path() + "share/A1").canonicalFilePath();
    QVERIFY(thread->share.pin(path));
    thread->aboutToRemove = [&](const QString &) {
        if (removedFirst)
            QFile::remove(source.path() + "/A1/原片/1.jpg");
        mount.unmount();
    };
    QSignalSpy finished(thread, &BatchdeleteThread::deleteFileFinish);
    thread->start();
    QVERIFY(thread->wait(10000));
    QTRY_COMPARE(finished.count(), 1);
    delete thread;
    const BatchDeleteFileInfo file = finished.first().at(1).value<BatchDeleteFileInfo>();
    if (!removedFirst) {
        QCOMPARE(file.status, int(Deleted));
        QVERIFY(!QFile::exists(source.path() + "/A1/原片/1.jpg"));
        QVERIFY(QFile::exists(path));
        return;
    }
    QCOMPARE(file.status, int(NetworkUnreachable));
    QCOMPARE(file.errorMessage, K::missingShareMessage(root.path() + "share/A1"));
}

void tst_BatchdeleteThread::networkPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("unreachable");
    QTest::newRow("unc, no share") << "\\\\nas-missing\\photo\\A1\\1.jpg" << true;
    QTest::newRow("slashes, no share") << "//nas-missing/photo/A1/1.jpg" << true;
    QTest::newRow("slashes, share there") << "//tmp/../tmp/1.jpg" << false;
    QTest::newRow("local path") << "/Volumes/photo/A1/1.jpg" << false;
}

void tst_BatchdeleteThread::networkPaths()
{
    QFETCH(QString, path);
    QFETCH(bool, unreachable);
    QCOMPARE(BatchdeleteThread::isNetworkPathUnreachable(path), unreachable);
}

// The window's hand-off: two pool threads, each result handing on the next file
// from the GUI thread while other threads keep the machine busy. Each task
// must be released once, after its work returned, and never crash a thread.
void tst_BatchdeleteThread::handOffManyFilesUnderLoad()
{
    const int count = qEnvironmentVariableIntValue("BATCHDELETE_HANDOFF_FILES") > 0
                          ? qEnvironmentVariableIntValue("BATCHDELETE_HANDOFF_FILES")
                          : 2000;
    ScopedMountRoot root;
    const QString folder = root.mkpath(QStringLiteral("share/A1"));
    QStringList pending;
    for (int i = 0; i < count; ++i) {
        pending << folder + QStringLiteral("/%1.jpg").arg(i);
        QVERIFY(writeFile(pending.last()));
    }
    std::atomic<bool> busy{true};
    QList<QThread *> load;
    for (int i = 0; i < 2; ++i) {
        load << QThread::create([&busy]() {
            volatile unsigned spin = 0;
            while (busy.load())
                ++spin;
        });
        load.last()->start();
    }
    QThreadPool pool;
    pool.setMaxThreadCount(2);
    QObject receiver;
    const QString scanned = QFileInfo(folder).canonicalFilePath();
    ShareGuard share;
    QVERIFY(share.pin(folder));
    int results = 0;
    int deleted = 0;
    int released = 0;
    std::atomic<int> emittedOnPool{0};
    // Tasks whose signal a receiver on the deletion thread is still handling.
    QMutex lock;
    QSet<const QObject *> emitting;
    int releasedMidEmission = 0;
    std::function<void()> handOn = [&]() {
        if (pending.isEmpty())
            return;
        auto *task = new BatchdeleteThread();
        task->file.filePath = pending.takeFirst();
        task->scannedFolder = scanned;
        task->share = share;
        connect(task, &BatchdeleteThread::deleteFileFinish, &receiver,
                [&](const BatchDeleteOrderInfo &, const BatchDeleteFileInfo &file) {
                    ++results;
                    deleted += file.status == Deleted ? 1 : 0;
                    handOn();
                });
        connect(task, &QObject::destroyed, &receiver, [&](QObject *gone) {
            ++released;
            QMutexLocker locked(&lock);
            releasedMidEmission += emitting.remove(gone) ? 1 : 0;
        });
        task->startIn(&pool);
        // A receiver on the deletion thread, last in line, keeps the emission busy
        // for a moment: the task must not be released meanwhile.
        connect(task, &BatchdeleteThread::deleteFileFinish, task, [&, task]() {
            emittedOnPool.fetch_add(1);
            {
                QMutexLocker locked(&lock);
                emitting.insert(task);
            }
            QElapsedTimer clock;
            clock.start();
            bool still = true;
            while (still && clock.nsecsElapsed() < 1000000) {
                QMutexLocker locked(&lock);
                still = emitting.contains(task);
            }
            QMutexLocker locked(&lock);
            emitting.remove(task);
        }, Qt::DirectConnection);
    };
    // A plain event loop, as the window's: it wakes for each posted event at once.
    QEventLoop loop;
    QTimer check;
    connect(&check, &QTimer::timeout, &loop, [&]() {
        if (results == count && released == count)
            loop.quit();
    });
    check.start(20);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    handOn();
    handOn();
    loop.exec();
    const bool finished = results == count && released == count;
    busy = false;
    for (QThread *thread : load) {
        thread->wait();
        delete thread;
    }
    QVERIFY2(finished, qPrintable(QStringLiteral("%1 results, %2 released").arg(results).arg(released)));
    QCOMPARE(releasedMidEmission, 0);
    QCOMPARE(deleted, count);
    // Now and then a removal outruns the receiver's connection; most are seen.
    QVERIFY(emittedOnPool.load() > count / 2);
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 0);
}

QTEST_GUILESS_MAIN(tst_BatchdeleteThread)
#include "tst_BatchdeleteThread.moc"

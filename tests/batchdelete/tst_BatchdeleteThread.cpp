#include "batchdelete/BatchdeleteThread.h"
#include "support/ScopedMountRoot.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
bool writeFile(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("jpeg") == 4;
}

BatchDeleteFileInfo runDeletion(const QString &folder, const QString &filePath)
{
    auto *thread = new BatchdeleteThread();
    thread->order.order_photo_id = QStringLiteral("OP1");
    thread->order.netpath = folder;
    thread->file.filePath = filePath;
    thread->file.fileName = QFileInfo(filePath).fileName();
    thread->file.index = 3;
    thread->file.status = Deleting;
    QSignalSpy finished(thread, &BatchdeleteThread::deleteFileFinish);
    thread->start();
    const bool delivered = thread->wait(10000);
    QCoreApplication::processEvents(); // the queued signal reaches the spy
    delete thread;
    if (!delivered || finished.count() != 1)
        return BatchDeleteFileInfo{QString(), QString(), QString(), 0, -1, QStringLiteral("no signal"), -1};
    const BatchDeleteOrderInfo order = finished.first().at(0).value<BatchDeleteOrderInfo>();
    BatchDeleteFileInfo file = finished.first().at(1).value<BatchDeleteFileInfo>();
    if (order.order_photo_id != QLatin1String("OP1"))
        file.status = -2;
    return file;
}
} // namespace

class tst_BatchdeleteThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void removesFile();
    void alreadyGoneCountsAsDeleted();
    void fileOutsideOrderFolderIsNotTouched();
    void fileThroughLinkedFolderIsNotTouched();
    void readOnlyFile();
    void networkPaths_data();
    void networkPaths();
    void networkPathWithReachableShare();
};

void tst_BatchdeleteThread::initTestCase()
{
    qRegisterMetaType<BatchDeleteOrderInfo>("BatchDeleteOrderInfo");
    qRegisterMetaType<BatchDeleteFileInfo>("BatchDeleteFileInfo");
}

void tst_BatchdeleteThread::removesFile()
{
    ScopedMountRoot root;
    const QString folder = root.mkpath(QStringLiteral("orders/A1"));
    const QString path = folder + "/原片/1.jpg";
    QVERIFY(writeFile(path));
    const BatchDeleteFileInfo file = runDeletion(folder, path);
    QCOMPARE(file.status, int(Deleted));
    QVERIFY(file.errorMessage.isEmpty());
    QCOMPARE(file.index, 3);
    QVERIFY(!QFile::exists(path));
}

void tst_BatchdeleteThread::alreadyGoneCountsAsDeleted()
{
    ScopedMountRoot root;
    const QString folder = root.mkpath(QStringLiteral("orders/A1"));
    const BatchDeleteFileInfo file = runDeletion(folder, folder + "/gone.jpg");
    QCOMPARE(file.status, int(Deleted));
    QVERIFY(file.errorMessage.isEmpty());
}

void tst_BatchdeleteThread::fileOutsideOrderFolderIsNotTouched()
{
    ScopedMountRoot root;
    const QString folder = root.mkpath(QStringLiteral("orders/A1"));
    const QString other = root.mkpath(QStringLiteral("orders/A2")) + "/keep.jpg";
    QVERIFY(writeFile(other));
    const BatchDeleteFileInfo file = runDeletion(folder, other);
    QCOMPARE(file.status, int(UnknownError));
    QVERIFY(QFile::exists(other));

    QTemporaryDir outside;
    QVERIFY(writeFile(outside.path() + "/keep.jpg"));
    QCOMPARE(runDeletion(outside.path(), outside.path() + "/keep.jpg").status, int(UnknownError));
    QVERIFY(QFile::exists(outside.path() + "/keep.jpg"));
}

void tst_BatchdeleteThread::fileThroughLinkedFolderIsNotTouched()
{
    ScopedMountRoot root;
    QTemporaryDir outside;
    QVERIFY(writeFile(outside.path() + "/keep.jpg"));
    const QString folder = root.mkpath(QStringLiteral("orders/A1"));
    QVERIFY(QFile::link(outside.path(), folder + "/原片"));
    const BatchDeleteFileInfo file = runDeletion(folder, folder + "/原片/keep.jpg");
    QVERIFY(file.status != int(Deleted));
    QVERIFY(QFile::exists(outside.path() + "/keep.jpg"));
}

void tst_BatchdeleteThread::readOnlyFile()
{
    ScopedMountRoot root;
    const QString folder = root.mkpath(QStringLiteral("orders/A1"));
    const QString sub = folder + "/原片";
    const QString path = sub + "/1.jpg";
    QVERIFY(writeFile(path));
    // A folder that may not be written keeps its files.
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
    QVERIFY(QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    if (QFileInfo(path).isWritable()) {
        QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QSKIP("running with rights that write any file");
    }
    const BatchDeleteFileInfo file = runDeletion(folder, path);
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(file.status, int(NoPermission));
    QCOMPARE(file.errorMessage, QStringLiteral("没有删除权限"));
    QVERIFY(QFile::exists(path));
}

void tst_BatchdeleteThread::networkPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("unreachable");
    QTest::newRow("unc, no share") << "\\\\nas-missing\\photo\\A1\\1.jpg" << true;
    QTest::newRow("slashes, no share") << "//nas-missing/photo/A1/1.jpg" << true;
    QTest::newRow("local path") << "/Volumes/photo/A1/1.jpg" << false;
}

void tst_BatchdeleteThread::networkPaths()
{
    QFETCH(QString, path);
    QFETCH(bool, unreachable);
    QCOMPARE(BatchdeleteThread::isNetworkPathUnreachable(path), unreachable);
}

void tst_BatchdeleteThread::networkPathWithReachableShare()
{
    // "//" + "/tmp/<dir>" names the existing folder as server and share.
    QTemporaryDir share(QStringLiteral("/tmp/share-XXXXXX"));
    QVERIFY(share.isValid());
    const QString path = QLatin1Char('/') + share.path() + QStringLiteral("/A1/1.jpg");
    QVERIFY(path.startsWith(QLatin1String("//tmp/")));
    QVERIFY(!BatchdeleteThread::isNetworkPathUnreachable(path));
}

QTEST_GUILESS_MAIN(tst_BatchdeleteThread)
#include "tst_BatchdeleteThread.moc"

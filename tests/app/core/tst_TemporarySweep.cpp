#include "app/core/TemporarySweep.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

// A run clears each folder it writes into once, at its first write there.
class tst_TemporarySweep : public QObject
{
    Q_OBJECT

private slots:
    void firstWriteIntoAFolderSweepsIt_data();
    void firstWriteIntoAFolderSweepsIt();
    void jobsOfOneRunSweepAFolderOnce();

private:
    // A temporary of a killed copy in folder, untouched for two hours.
    static bool leaveStale(const QString &folder, const QString &name);
};

bool tst_TemporarySweep::leaveStale(const QString &folder, const QString &name)
{
    const QString path = QDir(folder).filePath(name);
    if (!QFile(path).open(QIODevice::WriteOnly))
        return false;
    const struct timespec old[2] = {{std::time(nullptr) - 7200, 0}, {std::time(nullptr) - 7200, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), old, 0) == 0;
}

void tst_TemporarySweep::firstWriteIntoAFolderSweepsIt_data()
{
    QTest::addColumn<QString>("later"); // the same folder, as a later write names it
    QTest::addColumn<bool>("sweptAgain");
    QTest::newRow("same path") << "out" << false;
    QTest::newRow("other spelling") << "out/../out/" << false;
    QTest::newRow("through a file in it") << "out/IMG_1.jpg" << false;
    QTest::newRow("another folder") << "other" << true;
}

void tst_TemporarySweep::firstWriteIntoAFolderSweepsIt()
{
    QFETCH(QString, later);
    QFETCH(bool, sweptAgain);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("out") && QDir(dir.path()).mkpath("other"));
    QVERIFY(leaveStale(dir.filePath("out"), ".IMG_0.jpg.part-0a1b2c3d4e"));
    TemporarySweep sweep;
    QCOMPARE(sweep.beforeWriting(dir.filePath("out")), 1);
    QVERIFY(!QFileInfo::exists(dir.filePath("out/.IMG_0.jpg.part-0a1b2c3d4e")));
    // Left after the first write: the run passes it by.
    QVERIFY(leaveStale(dir.filePath("out"), ".IMG_1.jpg.part-0a1b2c3d4e"));
    QVERIFY(leaveStale(dir.filePath("other"), ".IMG_1.jpg.part-0a1b2c3d4e"));
    if (later.endsWith(".jpg"))
        QCOMPARE(sweep.beforeWritingTo(dir.filePath(later)), int(sweptAgain));
    else
        QCOMPARE(sweep.beforeWriting(dir.filePath(later)), int(sweptAgain));
    QVERIFY(QFileInfo::exists(dir.filePath("out/.IMG_1.jpg.part-0a1b2c3d4e")));
    // The next run clears it.
    QCOMPARE(TemporarySweep().beforeWriting(dir.filePath("out")), 1);
}

void tst_TemporarySweep::jobsOfOneRunSweepAFolderOnce()
{
    QTemporaryDir dir;
    constexpr int kLeft = 40;
    for (int i = 0; i < kLeft; ++i)
        QVERIFY(leaveStale(dir.path(), QStringLiteral(".IMG_%1.jpg.part-0a1b2c3d4e").arg(i)));
    TemporarySweep sweep;
    std::atomic<int> removed{0};
    std::atomic<int> sweepers{0};
    std::vector<std::thread> jobs;
    for (int i = 0; i < 8; ++i) {
        jobs.emplace_back([&] {
            const int count = sweep.beforeWriting(dir.path());
            removed += count;
            sweepers += count > 0 ? 1 : 0;
        });
    }
    for (std::thread &job : jobs)
        job.join();
    QCOMPARE(removed.load(), kLeft);
    QCOMPARE(sweepers.load(), 1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_GUILESS_MAIN(tst_TemporarySweep)
#include "tst_TemporarySweep.moc"

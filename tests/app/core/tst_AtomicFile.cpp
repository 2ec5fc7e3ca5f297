#include "app/core/AtomicFile.h"
#include "support/SmallTmpfs.h"
#include "support/SmbShare.h"

#include <QDir>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// Files appear whole or not at all, and a failure is never reported as written.
class tst_AtomicFile : public QObject
{
    Q_OBJECT

private slots:
    void copy_data();
    void copy();
    void writeImage();
    void plainFileMode();
    void fullShare_data();
    void fullShare();
    void removeWhileHeldOnSmb_data();
    void removeWhileHeldOnSmb();
    void staleTemporaries_data();
    void staleTemporaries();
    void staleTemporariesOnSmb_data();
    void staleTemporariesOnSmb();
    void killedWritersTemporaryGoesLater();
};

void tst_AtomicFile::copy_data()
{
    QTest::addColumn<QString>("source"); // relative to the folder, or absolute
    QTest::addColumn<bool>("written");
    QTest::newRow("whole file") << "a.jpg" << true;
    QTest::newRow("missing source") << "missing.jpg" << false;
    // Opens fine, fails on the first read: a damaged source.
    QTest::newRow("unreadable source") << "/proc/self/mem" << false;
    QTest::newRow("target folder is a file") << "a.jpg" << false;
    // Read to its end, the source is not the size it had: it changed while it was read.
    QTest::newRow("source grew while read") << "/proc/self/status" << false;         // sized 0
    QTest::newRow("source shrank while read") << "/sys/devices/system/cpu/online" << false; // sized 4096
}

void tst_AtomicFile::copy()
{
    QFETCH(QString, source);
    QFETCH(bool, written);
    QTemporaryDir dir;
    const QByteArray bytes = QByteArray(5 * 1024 * 1024 + 7, 'x') + "end";
    QFile file(dir.filePath("a.jpg"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    QString targetFolder = dir.filePath("out");
    if (QByteArray(QTest::currentDataTag()) == "target folder is a file") {
        QFile blocker(targetFolder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    } else {
        QVERIFY(QDir().mkpath(targetFolder));
    }
    const QString target = targetFolder + "/b.jpg";

    QString error;
    QCOMPARE(AtomicFile::copy(QDir(dir.path()).absoluteFilePath(source), target, &error), written);
    QCOMPARE(error.isEmpty(), written);
    QCOMPARE(QFileInfo::exists(target), written);
    if (written) {
        QFile copy(target);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), bytes);
    }
    if (QFileInfo(targetFolder).isDir()) // no temporary file left behind
        QCOMPARE(QDir(targetFolder).entryList(QDir::Files | QDir::Hidden).size(), int(written));
}

void tst_AtomicFile::writeImage()
{
    QTemporaryDir dir;
    QImage image(8, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(AtomicFile::writeImage(image, dir.filePath("a.png"), "png", -1));
    QCOMPARE(QImage(dir.filePath("a.png")).size(), QSize(8, 4));

    QString error;
    QVERIFY(!AtomicFile::writeImage(image, dir.filePath("b.x"), "no-such-format", 90, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath("b.x")));
}

void tst_AtomicFile::plainFileMode()
{
    QTemporaryDir dir;
    const mode_t old = ::umask(022);
    const auto restore = qScopeGuard([old] { ::umask(old); });
    QVERIFY(AtomicFile::write("x", dir.filePath("a.jpg")));
    struct stat info = {};
    QCOMPARE(::stat(QFile::encodeName(dir.filePath("a.jpg")).constData(), &info), 0);
    QCOMPARE(int(info.st_mode & 0777), 0644);
}

void tst_AtomicFile::fullShare_data()
{
    QTest::addColumn<bool>("copy");     // AtomicFile::copy, else AtomicFile::write
    QTest::addColumn<int>("size");      // bytes of the new file
    QTest::addColumn<bool>("existing"); // a good file is already there (a re-import)
    for (bool copy : {false, true}) {
        for (int size : {4000, 300 * 1024}) {
            for (bool existing : {false, true}) {
                const QByteArray name = QByteArray(copy ? "copy" : "write") + (size < 16384 ? " small" : " large")
                    + (existing ? " re-import" : " first import");
                QTest::newRow(name.constData()) << copy << size << existing;
            }
        }
    }
}

// A share with no room left: the write fails, and what was there stays as it was.
void tst_AtomicFile::fullShare()
{
    QFETCH(bool, copy);
    QFETCH(int, size);
    QFETCH(bool, existing);
    QTemporaryDir dir;
    const QString share = dir.filePath("share");
    const SmallTmpfs tmpfs(share);
    if (!tmpfs.isMounted())
        QSKIP("mounting a tmpfs needs root");

    const QString target = share + "/IMG_0001.JPG";
    const QByteArray good = QByteArray(6000, 'g');
    if (existing)
        QVERIFY(AtomicFile::write(good, target));
    QVERIFY(tmpfs.fill()); // to the last byte
    const QByteArray bytes(size, 'n');
    const QString source = dir.filePath("source.jpg");
    QFile sourceFile(source);
    QVERIFY(sourceFile.open(QIODevice::WriteOnly) && sourceFile.write(bytes) == size);
    sourceFile.close();

    QString error;
    const bool written = copy ? AtomicFile::copy(source, target, &error) : AtomicFile::write(bytes, target, &error);
    QVERIFY(!written);
    QVERIFY2(error.contains(target), qPrintable(error));
    QCOMPARE(QFileInfo::exists(target), existing);
    if (existing) {
        QFile kept(target);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), good);
    }
    QStringList left = QDir(share).entryList(QDir::Files | QDir::Hidden);
    left.removeAll("filler");
    left.removeAll("IMG_0001.JPG");
    QVERIFY2(left.isEmpty(), qPrintable(left.join(',')));
}

void tst_AtomicFile::removeWhileHeldOnSmb_data()
{
    QTest::addColumn<bool>("letGo"); // the other handle closes while the removal waits
    QTest::addColumn<bool>("removed");
    QTest::newRow("reader lets go") << true << true;
    QTest::newRow("reader holds on") << false << false;
}

// SMB refuses to remove a file another handle holds open.
void tst_AtomicFile::removeWhileHeldOnSmb()
{
    QFETCH(bool, letGo);
    QFETCH(bool, removed);
    SmbShare share;
    SMBSHARE_START(share);
    const QByteArray path = QFile::encodeName(share.sharePath() + QStringLiteral("/old.jpg"));
    QVERIFY(AtomicFile::write("old", QFile::decodeName(path)));
    int reader = ::open(path.constData(), O_RDONLY);
    QVERIFY(reader >= 0);
    QCOMPARE(::unlinkat(AT_FDCWD, path.constData(), 0) == 0 ? 0 : errno, EBUSY);
    bool result = !removed;
    std::thread remover([&] { result = AtomicFile::remove(AT_FDCWD, path, letGo ? 30000 : 300); });
    if (letGo) {
        QTest::qSleep(200); // the removal's first try meets the open handle
        ::close(reader);
        reader = -1;
    }
    remover.join();
    if (reader >= 0)
        ::close(reader);
    QCOMPARE(result, removed);
    QCOMPARE(QFileInfo::exists(share.servedPath() + QStringLiteral("/old.jpg")), !removed);
}

void tst_AtomicFile::staleTemporaries_data()
{
    QTest::addColumn<QByteArray>("name"); // empty: the writer's own temporary, still open
    QTest::addColumn<int>("ageSecs");
    QTest::addColumn<bool>("removed");
    const QByteArray temporary = ".a.jpg.part-0a1b2c3d4e";
    QTest::newRow("untouched for the limit") << temporary << 3600 << true;
    QTest::newRow("a second short of it") << temporary << 3599 << false;
    QTest::newRow("still written") << QByteArray() << 7200 << false;
    QTest::newRow("not a temporary") << QByteArray("a.jpg") << 7200 << false;
    QTest::newRow("hidden, another tail") << QByteArray(".a.jpg.part-0A1B2C3D4E") << 7200 << false;
    QTest::newRow("not hidden") << QByteArray("a.jpg.part-0a1b2c3d4e") << 7200 << false;
    QTest::newRow("the import copy's earlier form")
        << QByteArray(".~import-0123456789abcdef0123456789abcdef.tmp") << 7200 << true;
    QTest::newRow("the import copy's form, not hex")
        << QByteArray(".~import-0123456789abcdef0123456789abcdeg.tmp") << 7200 << false;
    QTest::newRow("the split tools' earlier form") << QByteArray(".part-0a1b2c3d4e") << 7200 << true;
    QTest::newRow("the split tools' earlier form, short tail") << QByteArray(".part-z9") << 7200 << true;
    QTest::newRow("the split tools' form, too long a tail") << QByteArray(".part-0a1b2c3d4e5") << 7200 << false;
    QTest::newRow("the split tools' form, upper case") << QByteArray(".part-0A1B2C3D4E") << 7200 << false;
    QTest::newRow("the mark alone") << QByteArray(".part-") << 7200 << false;
}

// A temporary untouched for the whole limit and held by no writer is old
// enough to go; nothing else is touched.
void tst_AtomicFile::staleTemporaries()
{
    QFETCH(QByteArray, name);
    QFETCH(int, ageSecs);
    QFETCH(bool, removed);
    QTemporaryDir dir;
    const int fd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    const auto closeFolder = qScopeGuard([fd] { ::close(fd); });
    const int writer = name.isEmpty() ? AtomicFile::createTemporary(fd, QStringLiteral("a.jpg"), &name) : -1;
    const auto letGo = qScopeGuard([writer] {
        if (writer >= 0)
            ::close(writer);
    });
    const QString path = dir.filePath(QFile::decodeName(name));
    // Ages are whole seconds of the clock: tried again if its second turned meanwhile.
    for (;;) {
        QFile file(path);
        QVERIFY(writer >= 0 || file.open(QIODevice::WriteOnly));
        file.close();
        const time_t start = std::time(nullptr);
        const struct timespec times[2] = {{start - ageSecs, 0}, {start - ageSecs, 0}};
        QCOMPARE(::utimensat(fd, name.constData(), times, 0), 0);
        const int count = AtomicFile::removeStaleTemporaries(fd, 3600);
        if (std::time(nullptr) != start)
            continue;
        QCOMPARE(count, int(removed));
        QCOMPARE(QFileInfo::exists(path), !removed);
        return;
    }
}

void tst_AtomicFile::staleTemporariesOnSmb_data()
{
    QTest::addColumn<bool>("held"); // still open and locked through the share
    QTest::addColumn<bool>("removed");
    QTest::newRow("left by a killed writer") << false << true;
    QTest::newRow("still written") << true << false;
}

// The share refuses to remove a file any handle holds open, the cleanup's own too.
void tst_AtomicFile::staleTemporariesOnSmb()
{
    QFETCH(bool, held);
    QFETCH(bool, removed);
    SmbShare share;
    SMBSHARE_START(share);
    // Made and aged on the server: the share sets a file's time itself when a handle closes.
    const QByteArray name = ".a.jpg.part-0a1b2c3d4e";
    const QString served = share.servedPath() + QLatin1Char('/') + QString::fromLatin1(name);
    QFile file(served);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("part") == 4);
    file.close();
    const struct timespec old[2] = {{std::time(nullptr) - 7200, 0}, {std::time(nullptr) - 7200, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(served).constData(), old, 0), 0);
    const int folder = ::open(QFile::encodeName(share.sharePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(folder >= 0);
    const auto closeFolder = qScopeGuard([folder] { ::close(folder); });
    const int writer = held ? ::openat(folder, name.constData(), O_WRONLY | O_CLOEXEC) : -1;
    const auto letGo = qScopeGuard([writer] {
        if (writer >= 0)
            ::close(writer);
    });
    if (held)
        QVERIFY(writer >= 0 && ::flock(writer, LOCK_EX | LOCK_NB) == 0);
    QCOMPARE(AtomicFile::removeStaleTemporaries(folder, 3600), int(removed));
    QCOMPARE(QFileInfo::exists(served), !removed);
}

// A writer killed mid-copy leaves its temporary; once it is old enough it goes.
void tst_AtomicFile::killedWritersTemporaryGoesLater()
{
    QTemporaryDir dir;
    const QByteArray source = QFile::encodeName(dir.filePath("source.fifo"));
    QVERIFY(::mkfifo(source.constData(), 0600) == 0);
    QVERIFY(QDir(dir.path()).mkdir("share"));
    const QString target = dir.filePath("share/a.jpg");
    const pid_t writer = ::fork();
    QVERIFY(writer >= 0);
    if (writer == 0) {
        AtomicFile::copy(QFile::decodeName(source), target);
        ::_exit(0);
    }
    const auto reap = qScopeGuard([writer] { ::kill(writer, SIGKILL); ::waitpid(writer, nullptr, 0); });
    const int feed = ::open(source.constData(), O_WRONLY | O_CLOEXEC);
    QVERIFY(feed >= 0);
    const auto closeFeed = qScopeGuard([feed] { ::close(feed); });
    const QByteArray part(4 << 20, 'p'); // one whole read of the writer
    QCOMPARE(::write(feed, part.constData(), part.size()), ssize_t(part.size()));
    QDir share(dir.filePath("share"));
    const auto partial = [&] {
        const QFileInfoList files = share.entryInfoList(QDir::Files | QDir::Hidden);
        return files.size() == 1 && AtomicFile::isTemporaryName(QFile::encodeName(files.first().fileName()))
               && files.first().size() == part.size();
    };
    QTRY_VERIFY(partial());
    QCOMPARE(::kill(writer, SIGKILL), 0);
    QCOMPARE(::waitpid(writer, nullptr, 0), writer);
    QVERIFY(partial());
    const int fd = ::open(QFile::encodeName(share.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    const auto closeFolder = qScopeGuard([fd] { ::close(fd); });
    QCOMPARE(AtomicFile::removeStaleTemporaries(fd, 3600), 0);
    const QByteArray left = QFile::encodeName(share.entryList(QDir::Files | QDir::Hidden).first());
    const struct timespec old[2] = {{std::time(nullptr) - 7200, 0}, {std::time(nullptr) - 7200, 0}};
    QCOMPARE(::utimensat(fd, left.constData(), old, 0), 0);
    QCOMPARE(AtomicFile::removeStaleTemporaries(fd, 3600), 1);
    QCOMPARE(share.entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_MAIN(tst_AtomicFile)
#include "tst_AtomicFile.moc"

#include "split/engine/FJJobFile.h"
#include "app/core/TemporarySweep.h"
#include "platform/NetworkErrors.h"
#include "support/SmallTmpfs.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// A copy in another process that has written the start of its temporary
// through the writer and waits there; kill() ends it as a crash would.
class CopyElsewhere
{
public:
    CopyElsewhere(const QString &folder, const QString &name)
    {
        int told[2];
        if (::pipe(told) != 0)
            return;
        const QByteArray part(1 << 20, 'p');
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(told[0]);
            QFile file;
            const QByteArray path = QFile::encodeName(FJJobFile::createTemporary(folder, file, name)) + '\n';
            if (file.write(part) == part.size() && file.flush()
                && ::write(told[1], path.constData(), size_t(path.size())) == ssize_t(path.size()))
                ::pause();
            ::_exit(1);
        }
        ::close(told[1]);
        QByteArray path;
        char c = 0;
        while (m_pid > 0 && ::read(told[0], &c, 1) == 1 && c != '\n')
            path += c;
        ::close(told[0]);
        m_temporary = QFile::decodeName(path);
    }
    ~CopyElsewhere() { kill(); }
    CopyElsewhere(const CopyElsewhere &) = delete;
    CopyElsewhere &operator=(const CopyElsewhere &) = delete;

    // The temporary's path; empty when the copy could not begin.
    QString temporary() const { return m_temporary; }
    void kill()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    QString m_temporary;
};

// What an earlier copy left in the folder the next copy goes to.
enum class Leftover {
    KilledCopy,     // a temporary of a copy that was killed
    CopyElsewhere,  // a temporary another live process still writes
    CopyHere,       // a temporary this process still writes
    NotATemporary,  // a hidden file of another program
    Link,           // a link named as a temporary
};

} // namespace

Q_DECLARE_METATYPE(Leftover)

class TestFJJobFile : public QObject
{
    Q_OBJECT

private slots:
    void childPathStaysOneLevelBelow_data();
    void childPathStaysOneLevelBelow();
    void copyNewKeepsTargetAndFailsWhole();
    void copyNewOntoAFullDiskLeavesNothing_data();
    void copyNewOntoAFullDiskLeavesNothing();
    void networkErrorsAreAShareOutOfReach_data();
    void networkErrorsAreAShareOutOfReach();
    void leftoversOfEarlierCopies_data();
    void leftoversOfEarlierCopies();
};

void TestFJJobFile::childPathStaysOneLevelBelow_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "/a/b/" << "c.jpg" << "/a/b/c.jpg";
    QTest::newRow("slashes become one name") << "/a/b" << "x/../y" << "/a/b/x_.._y";
    QTest::newRow("parent") << "/a/b" << ".." << "";
    QTest::newRow("itself") << "/a/b" << "." << "";
    QTest::newRow("empty name") << "/a/b" << "" << "";
    QTest::newRow("no folder") << "" << "c.jpg" << "";
}

void TestFJJobFile::childPathStaysOneLevelBelow()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(FJJobFile::childPath(folder, name), expected);
}

void TestFJJobFile::copyNewKeepsTargetAndFailsWhole()
{
    QTemporaryDir dir;
    const QString source = dir.filePath("source.jpg");
    const QString target = dir.filePath("target.jpg");
    for (const auto &[path, bytes] : {std::pair<QString, QByteArray>{source, "new"}, {target, "old"}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QString error;
    QCOMPARE(FJJobFile::copyNew(source, target, &error), FJJobFile::CopyResult::TargetExists);
    QCOMPARE(error, QStringLiteral("目标文件已存在且内容不同: ") + target);
    QFile kept(target);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("old"));
    // The same bytes already there count as done ("new" and "old" are of one size).
    QVERIFY(QFile::copy(target, dir.filePath("same.jpg")));
    QCOMPARE(FJJobFile::copyNew(target, dir.filePath("same.jpg")), FJJobFile::CopyResult::Identical);
    QCOMPARE(FJJobFile::copyNew(source, dir.filePath("same.jpg")), FJJobFile::CopyResult::TargetExists);

    // A source whose reading fails (even for root) leaves no file behind.
    const QString broken = dir.filePath("broken.jpg");
    QCOMPARE(FJJobFile::copyNew(QStringLiteral("/proc/self/mem"), broken), FJJobFile::CopyResult::Failed);
    QVERIFY(!QFile::exists(broken));
    // Nor does one that is not the size it said while it was read.
    QCOMPARE(FJJobFile::copyNew(QStringLiteral("/proc/self/status"), broken), FJJobFile::CopyResult::Failed);
    QVERIFY(!QFile::exists(broken));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    // A link is read as the file it leads to.
    QVERIFY(QFile::link(source, dir.filePath("linked.jpg")));
    QCOMPARE(FJJobFile::copyNew(dir.filePath("linked.jpg"), dir.filePath("through.jpg")), FJJobFile::CopyResult::Copied);
    QFile through(dir.filePath("through.jpg"));
    QVERIFY(through.open(QIODevice::ReadOnly));
    QCOMPARE(through.readAll(), QByteArray("new"));
    // A name taken after the look (a link to nothing is not seen) is kept, and the temporary copy goes.
    QVERIFY(QFile::link(dir.filePath("nowhere"), dir.filePath("taken.jpg")));
    QCOMPARE(FJJobFile::copyNew(source, dir.filePath("taken.jpg")), FJJobFile::CopyResult::TargetExists);
    QVERIFY(QFileInfo(dir.filePath("taken.jpg")).isSymLink());
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral(".*")}, QDir::AllEntries | QDir::Hidden | QDir::System
                                                                   | QDir::NoDotAndDotDot),
             QStringList());
}

void TestFJJobFile::copyNewOntoAFullDiskLeavesNothing_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<qint64>("room"); // left free on the output
    // A small file's bytes reach the disk only at the flush.
    QTest::newRow("small file, no room") << 3000 << qint64(0);
    QTest::newRow("large file, some room") << 3 * 1024 * 1024 << qint64(64 * 1024);
}

void TestFJJobFile::copyNewOntoAFullDiskLeavesNothing()
{
    QFETCH(int, bytes);
    QFETCH(qint64, room);
    QTemporaryDir dir;
    const SmallTmpfs output(dir.filePath("out"));
    if (!output.isMounted())
        QSKIP("needs root to mount a tmpfs");
    const QString source = dir.filePath("source.jpg");
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(bytes, 'p')) == bytes);
    file.close();
    QVERIFY(output.fill(room));
    const QString target = dir.filePath("out/IMG_1.jpg");
    QString error;
    QCOMPARE(FJJobFile::copyNew(source, target, &error), FJJobFile::CopyResult::Failed);
    QVERIFY(!error.isEmpty());
    QCOMPARE(QDir(dir.filePath("out")).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("filler")});
}

void TestFJJobFile::networkErrorsAreAShareOutOfReach_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("unreachable");
    for (const auto &[name, code] : std::initializer_list<std::pair<const char *, int>>{
             {"EIO", EIO}, {"ENOTCONN", ENOTCONN}, {"ETIMEDOUT", ETIMEDOUT}, {"EHOSTDOWN", EHOSTDOWN},
             {"EHOSTUNREACH", EHOSTUNREACH}, {"ENETDOWN", ENETDOWN}, {"ENETUNREACH", ENETUNREACH},
             {"ECONNABORTED", ECONNABORTED}, {"ECONNRESET", ECONNRESET}, {"ESTALE", ESTALE},
             {"ENETRESET", ENETRESET}, {"ECONNREFUSED", ECONNREFUSED}, {"ENXIO", ENXIO}, {"ENODEV", ENODEV}})
        QTest::newRow(name) << code << true;
    // A file that is not there, or not to be had, is no share gone.
    for (const auto &[name, code] : std::initializer_list<std::pair<const char *, int>>{
             {"ENOENT", ENOENT}, {"ENOTDIR", ENOTDIR}, {"EACCES", EACCES}, {"ELOOP", ELOOP}})
        QTest::newRow(name) << code << false;
}

void TestFJJobFile::networkErrorsAreAShareOutOfReach()
{
    QFETCH(int, code);
    QFETCH(bool, unreachable);
    QCOMPARE(NetworkErrors::isUnreachable(code), unreachable);
}

void TestFJJobFile::leftoversOfEarlierCopies_data()
{
    QTest::addColumn<Leftover>("leftover");
    QTest::addColumn<bool>("aged");      // untouched for two hours, else just written
    QTest::addColumn<bool>("withSweep"); // the next copy is a run's, with its sweep
    QTest::addColumn<bool>("removed");
    QTest::newRow("killed copy") << Leftover::KilledCopy << true << true << true;
    QTest::newRow("killed copy, a copy without a run") << Leftover::KilledCopy << true << false << false;
    QTest::newRow("killed copy, just written") << Leftover::KilledCopy << false << true << false;
    QTest::newRow("copy still writing in another process") << Leftover::CopyElsewhere << true << true << false;
    QTest::newRow("copy still writing in this process") << Leftover::CopyHere << true << true << false;
    QTest::newRow("not a temporary") << Leftover::NotATemporary << true << true << false;
    QTest::newRow("link named as a temporary") << Leftover::Link << true << true << false;
}

// The temporary a killed copy left in a delivery folder goes with the next
// copy a run makes into that folder; nothing that may still be written, or
// is not such a temporary, is touched.
void TestFJJobFile::leftoversOfEarlierCopies()
{
    QFETCH(Leftover, leftover);
    QFETCH(bool, aged);
    QFETCH(bool, withSweep);
    QFETCH(bool, removed);
    QTemporaryDir dir;
    const QString folder = dir.filePath("out");
    QVERIFY(QDir().mkpath(folder));
    const QString old = dir.filePath("old.jpg");
    QVERIFY(QFile(old).open(QIODevice::WriteOnly));
    std::unique_ptr<CopyElsewhere> elsewhere;
    QFile here;
    QString left;
    switch (leftover) {
    case Leftover::KilledCopy:
    case Leftover::CopyElsewhere:
        elsewhere = std::make_unique<CopyElsewhere>(folder, QStringLiteral("IMG_9.jpg"));
        left = elsewhere->temporary();
        QCOMPARE(QFileInfo(left).size(), qint64(1 << 20));
        if (leftover == Leftover::KilledCopy)
            elsewhere->kill();
        break;
    case Leftover::CopyHere:
        left = FJJobFile::createTemporary(folder, here, QStringLiteral("IMG_8.jpg"));
        QVERIFY(!left.isEmpty() && here.write("part") == 4 && here.flush());
        break;
    case Leftover::NotATemporary:
        left = folder + QStringLiteral("/.IMG_7.jpg.part");
        QVERIFY(QFile(left).open(QIODevice::WriteOnly));
        break;
    case Leftover::Link:
        left = folder + QStringLiteral("/.IMG_6.jpg.part-0a1b2c3d4e");
        QVERIFY(QFile::link(old, left));
        break;
    }
    const time_t then = aged ? std::time(nullptr) - 7200 : std::time(nullptr);
    const struct timespec times[2] = {{then, 0}, {then, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(left).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(old).constData(), times, 0), 0);

    QFile source(dir.filePath("source.jpg"));
    QVERIFY(source.open(QIODevice::WriteOnly) && source.write("new") == 3);
    source.close();
    TemporarySweep sweep;
    QString error;
    QCOMPARE(FJJobFile::copyNew(source.fileName(), folder + QStringLiteral("/IMG_1.jpg"), &error,
                                withSweep ? &sweep : nullptr),
             FJJobFile::CopyResult::Copied);
    QCOMPARE(QFileInfo(left).exists() || QFileInfo(left).isSymLink(), !removed);
    QVERIFY(QFileInfo::exists(old));
}

QTEST_GUILESS_MAIN(TestFJJobFile)
#include "tst_FJJobFile.moc"

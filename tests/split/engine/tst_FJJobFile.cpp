#include "split/engine/FJJobFile.h"
#include "platform/NetworkErrors.h"
#include "support/SmallTmpfs.h"

#include <cerrno>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

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
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral(".part-*")}, QDir::AllEntries | QDir::Hidden | QDir::System),
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

QTEST_GUILESS_MAIN(TestFJJobFile)
#include "tst_FJJobFile.moc"

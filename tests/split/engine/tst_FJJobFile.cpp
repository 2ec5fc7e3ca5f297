#include "split/engine/FJJobFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestFJJobFile : public QObject
{
    Q_OBJECT

private slots:
    void childPathStaysOneLevelBelow_data();
    void childPathStaysOneLevelBelow();
    void copyNewKeepsTargetAndFailsWhole();
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
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

QTEST_GUILESS_MAIN(TestFJJobFile)
#include "tst_FJJobFile.moc"

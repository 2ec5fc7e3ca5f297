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
    QCOMPARE(FJJobFile::copyNew(source, target), FJJobFile::CopyResult::TargetExists);
    QFile kept(target);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("old"));

    // A source whose reading fails (even for root) leaves no file behind.
    const QString broken = dir.filePath("broken.jpg");
    QCOMPARE(FJJobFile::copyNew(QStringLiteral("/proc/self/mem"), broken), FJJobFile::CopyResult::Failed);
    QVERIFY(!QFile::exists(broken));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

QTEST_GUILESS_MAIN(TestFJJobFile)
#include "tst_FJJobFile.moc"

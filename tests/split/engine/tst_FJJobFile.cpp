#include "split/engine/FJJobFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using FJJobFile::CopyResult;
Q_DECLARE_METATYPE(FJJobFile::CopyResult)

// The file helpers of the design-file jobs: one name below the folder, and
// copies that are whole, new and never replace anything.
class tst_FJJobFile : public QObject
{
    Q_OBJECT

private slots:
    void childPath_data();
    void childPath();
    void copyNew_data();
    void copyNew();
};

void tst_FJJobFile::childPath_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected"); // below /out; empty when refused
    QTest::newRow("plain") << "a.jpg" << "/out/a.jpg";
    QTest::newRow("slash kept in one folder") << "a/b" << "/out/a_b";
    QTest::newRow("parent") << ".." << "";
    QTest::newRow("itself") << "." << "";
    QTest::newRow("nothing") << "" << "";
}

void tst_FJJobFile::childPath()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(FJJobFile::childPath(QStringLiteral("/out/"), name), expected);
    QCOMPARE(FJJobFile::childPath(QStringLiteral("/out"), name), expected);
}

void tst_FJJobFile::copyNew_data()
{
    QTest::addColumn<QString>("source"); // in the folder, or absolute
    QTest::addColumn<bool>("targetExists");
    QTest::addColumn<CopyResult>("result");
    QTest::newRow("copied") << "a.jpg" << false << CopyResult::Copied;
    QTest::newRow("existing target kept") << "a.jpg" << true << CopyResult::TargetExists;
    QTest::newRow("missing source") << "none.jpg" << false << CopyResult::SourceMissing;
    // Opens, then fails on the first read: a damaged source.
    QTest::newRow("unreadable source") << "/proc/self/mem" << false << CopyResult::Failed;
}

void tst_FJJobFile::copyNew()
{
    QFETCH(QString, source);
    QFETCH(bool, targetExists);
    QFETCH(CopyResult, result);
    QTemporaryDir dir;
    const QByteArray bytes(3 * 1024 * 1024 + 5, 'p');
    QFile file(dir.filePath("a.jpg"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    QVERIFY(QDir().mkpath(dir.filePath("out")));
    const QString target = dir.filePath("out/b.jpg");
    if (targetExists) {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }

    QCOMPARE(FJJobFile::copyNew(QDir(dir.path()).absoluteFilePath(source), target), result);
    QFile copy(target);
    QCOMPARE(copy.exists(), result == CopyResult::Copied || targetExists);
    if (copy.exists()) {
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), targetExists ? QByteArray("old") : bytes);
    }
    // No temporary file stays behind.
    QCOMPARE(QDir(dir.filePath("out")).entryList(QDir::Files | QDir::Hidden).size(), int(copy.exists()));
}

QTEST_GUILESS_MAIN(tst_FJJobFile)
#include "tst_FJJobFile.moc"

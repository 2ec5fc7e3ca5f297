#include "platform/FolderRead.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

// A listing is good only when it reads the whole folder.
class FolderReadTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { FolderRead::failListingForTests(0, 0); }
    void listingError_data();
    void listingError();
};

void FolderReadTest::listingError_data()
{
    QTest::addColumn<QString>("made"); // "folder", "file" or "" (nothing)
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("failError"); // a read after failAfter entries fails with it
    QTest::addColumn<int>("failAfter");
    QTest::addColumn<int>("error");
    QTest::newRow("empty folder") << "folder" << 0 << 0 << 0 << 0;
    QTest::newRow("folder with entries") << "folder" << 3 << 0 << 0 << 0;
    QTest::newRow("missing folder") << "" << 0 << 0 << 0 << ENOENT;
    QTest::newRow("a file, not a folder") << "file" << 0 << 0 << 0 << ENOTDIR;
    QTest::newRow("server gone part way") << "folder" << 3 << EIO << 3 << EIO;
    QTest::newRow("folder removed as it is read") << "folder" << 0 << ENOENT << 0 << ENOENT;
}

void FolderReadTest::listingError()
{
    QFETCH(QString, made);
    QFETCH(int, files);
    QFETCH(int, failError);
    QFETCH(int, failAfter);
    QFETCH(int, error);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("order"));
    QVERIFY(made != "folder" || QDir().mkdir(folder));
    QVERIFY(made != "file" || QFile(folder).open(QIODevice::WriteOnly));
    for (int i = 0; i < files; ++i)
        QVERIFY(QFile(folder + QStringLiteral("/%1.jpg").arg(i)).open(QIODevice::WriteOnly));
    FolderRead::failListingForTests(failError, failAfter);
    errno = EIO; // left by an earlier failure
    QCOMPARE(FolderRead::listingError(folder), error);
}

QTEST_GUILESS_MAIN(FolderReadTest)
#include "tst_FolderRead.moc"

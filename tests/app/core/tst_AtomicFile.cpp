#include "app/core/AtomicFile.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

// Files appear whole or not at all, and a failure is never reported as written.
class tst_AtomicFile : public QObject
{
    Q_OBJECT

private slots:
    void copy_data();
    void copy();
    void writeImage();
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

QTEST_MAIN(tst_AtomicFile)
#include "tst_AtomicFile.moc"

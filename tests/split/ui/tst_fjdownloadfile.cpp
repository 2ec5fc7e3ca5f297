#include "split/ui/FJDownloadFile.h"
#include "app/core/TemporarySweep.h"
#include "support/EngineTestImages.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// A retoucher's file as the service sends it: PNG, or a JPEG of quality 80
// with a comment segment standing for the EXIF and colour profile a
// re-encode drops.
QByteArray sentPicture(const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EngineTestImages::pattern(64, 48).save(&buffer, format, 80);
    if (qstrcmp(format, "PNG") != 0)
        bytes.insert(2, QByteArray("\xFF\xFE\x00\x15retouched by studio", 23));
    return bytes;
}

} // namespace

class tst_FJDownloadFile : public QObject
{
    Q_OBJECT

private slots:
    void picturesAreKeptOrConverted_data();
    void picturesAreKeptOrConverted();
};

void tst_FJDownloadFile::picturesAreKeptOrConverted_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format"); // empty: nothing may be written
    QTest::addColumn<bool>("asSent");
    QTest::addColumn<bool>("afterAKilledCopy"); // a run's save, into a folder where a copy was killed
    QTest::newRow("jpeg named .jpg") << sentPicture("JPEG") << "J1.jpg" << QByteArray("jpeg") << true << false;
    QTest::newRow("jpeg named .JPEG") << sentPicture("JPEG") << "J1.JPEG" << QByteArray("jpeg") << true << false;
    QTest::newRow("png named .png") << sentPicture("PNG") << "P.png" << QByteArray("png") << true << false;
    QTest::newRow("png named .jpg") << sentPicture("PNG") << "P.jpg" << QByteArray("jpeg") << false << false;
    QTest::newRow("jpeg named .png") << sentPicture("JPEG") << "J.png" << QByteArray("png") << false << false;
    QTest::newRow("no picture") << QByteArray("not an image") << "x.jpg" << QByteArray() << false << false;
    QTest::newRow("cut short") << sentPicture("JPEG").left(60) << "x.jpg" << QByteArray() << false << false;
    QTest::newRow("jpeg named .jpg, after a killed copy") << sentPicture("JPEG") << "J1.jpg" << QByteArray("jpeg")
                                                          << true << true;
    QTest::newRow("png named .jpg, after a killed copy") << sentPicture("PNG") << "P.jpg" << QByteArray("jpeg")
                                                         << false << true;
}

void tst_FJDownloadFile::picturesAreKeptOrConverted()
{
    QFETCH(QByteArray, sent);
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(bool, asSent);
    QFETCH(bool, afterAKilledCopy);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    TemporarySweep sweep;
    if (afterAKilledCopy) {
        const QString left = dir.filePath(QStringLiteral(".") + name + QStringLiteral(".part-0a1b2c3d4e"));
        const struct timespec old[2] = {{std::time(nullptr) - 7200, 0}, {std::time(nullptr) - 7200, 0}};
        QVERIFY(QFile(left).open(QIODevice::WriteOnly));
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(left).constData(), old, 0), 0);
    }
    const QString mime = sent.startsWith("\x89PNG") ? QStringLiteral("image/png") : QStringLiteral("image/jpeg");
    const QString error = FJDownloadFile::save(sent, mime, path, false, afterAKilledCopy ? &sweep : nullptr);
    if (format.isEmpty()) {
        QVERIFY(error.startsWith(QStringLiteral("Failed to read image")));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        return;
    }
    QCOMPARE(error, QString());
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll() == sent, asSent);
    QCOMPARE(QImageReader::imageFormat(path), format);
    QCOMPARE(QImageReader(path).size(), QSize(64, 48));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
}

QTEST_GUILESS_MAIN(tst_FJDownloadFile)
#include "tst_fjdownloadfile.moc"

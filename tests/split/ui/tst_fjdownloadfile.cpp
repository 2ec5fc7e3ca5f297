#include "split/ui/FJDownloadFile.h"
#include "support/EngineTestImages.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray encoded(const char *format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EngineTestImages::pattern(64, 48).save(&buffer, format, quality);
    return bytes;
}

// A retoucher's JPEG as it comes from the service: quality 80 and a comment
// segment standing for its EXIF and colour profile, which a re-encode drops.
QByteArray retouchedJpeg()
{
    QByteArray bytes = encoded("JPEG", 80);
    const QByteArray text("retouched by studio");
    QByteArray segment("\xFF\xFE", 2);
    segment.append(char((text.size() + 2) >> 8)).append(char((text.size() + 2) & 0xFF)).append(text);
    return bytes.insert(2, segment);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_FJDownloadFile : public QObject
{
    Q_OBJECT

private slots:
    void picturesAreKeptOrConverted_data();
    void picturesAreKeptOrConverted();
    void unreadablePictureWritesNothing();
};

void tst_FJDownloadFile::picturesAreKeptOrConverted_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("mime");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("asSent");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("jpeg named .jpg") << retouchedJpeg() << "image/jpeg" << "J1.jpg" << true << QByteArray("jpeg");
    QTest::newRow("jpeg named .JPEG") << retouchedJpeg() << "image/jpeg" << "J1.JPEG" << true << QByteArray("jpeg");
    QTest::newRow("png named .png") << encoded("PNG") << "image/png" << "P.png" << true << QByteArray("png");
    QTest::newRow("png named .jpg") << encoded("PNG") << "image/png" << "P.jpg" << false << QByteArray("jpeg");
    QTest::newRow("jpeg named .png") << retouchedJpeg() << "image/jpeg" << "J.png" << false << QByteArray("png");
}

void tst_FJDownloadFile::picturesAreKeptOrConverted()
{
    QFETCH(QByteArray, sent);
    QFETCH(QString, mime);
    QFETCH(QString, name);
    QFETCH(bool, asSent);
    QFETCH(QByteArray, format);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
    }
    QCOMPARE(FJDownloadFile::save(sent, mime, path, false), QString());
    const QByteArray written = readAll(path);
    QCOMPARE(written == sent, asSent);
    QCOMPARE(QImageReader::imageFormat(path), format);
    QCOMPARE(QImage(path).size(), QSize(64, 48));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
}

void tst_FJDownloadFile::unreadablePictureWritesNothing()
{
    QTemporaryDir dir;
    const QByteArray cut = retouchedJpeg().left(60);
    for (const QByteArray &sent : {QByteArray("not an image"), cut}) {
        const QString error = FJDownloadFile::save(sent, QStringLiteral("image/jpeg"), dir.filePath("x.jpg"), false);
        QVERIFY(error.startsWith(QStringLiteral("Failed to read image")));
    }
    QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

QTEST_GUILESS_MAIN(tst_FJDownloadFile)
#include "tst_fjdownloadfile.moc"

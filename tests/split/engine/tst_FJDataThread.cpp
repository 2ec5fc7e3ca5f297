#include "support/FJJobReports.h"
#include "support/EngineTestImages.h"
#include "support/ScopedMountRoot.h"
#include "split/engine/FJDataThread.h"
#include "app/core/K.h"
#include "app/core/TemporarySweep.h"
#include "platform/ShareGuard.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace {

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every file below folder, relative to it, sorted; leftover temporary files show up here.
QStringList filesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

QString notesOfMissingRaw(const QString &name, const QStringList &extensions)
{
    QString text;
    for (const QString &ext : extensions)
        text += name + QStringLiteral("没有") + ext;
    return text;
}

} // namespace

class TestFJDataThread : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rawDownloadFailures_data();
    void rawDownloadFailures();

    void copyPicByCategory_data();
    void copyPicByCategory();
    void copyPicSecondRunKeepsFirst_data();
    void copyPicSecondRunKeepsFirst();

    void deliveryPhotoUprightAndPlain_data();
    void deliveryPhotoUprightAndPlain();
    void deliveryPhotoFailureKeepsEarlierCopy();

    void dataUrl_data();
    void dataUrl();

    void copiesArePlainFilesUnderTheUmask_data();
    void copiesArePlainFilesUnderTheUmask();

private:
    QString sharePhoto(const QString &relative, const QByteArray &bytes);

    ScopedMountRoot *m_root = nullptr;
    QTemporaryDir *m_out = nullptr;
    FJJobReceiver *m_receiver = nullptr;
};

void TestFJDataThread::init()
{
    m_root = new ScopedMountRoot;
    m_out = new QTemporaryDir;
    m_receiver = new FJJobReceiver;
    QVERIFY(m_root->isValid());
    QVERIFY(m_out->isValid());
}

void TestFJDataThread::cleanup()
{
    delete m_receiver;
    delete m_out;
    delete m_root;
}

QString TestFJDataThread::sharePhoto(const QString &relative, const QByteArray &bytes)
{
    const QString path = m_root->path() + relative;
    writeBytes(path, bytes);
    return path;
}

void TestFJDataThread::rawDownloadFailures_data()
{
    QTest::addColumn<QString>("source");     // relative to the mount root, or absolute
    QTest::addColumn<QString>("imageName");
    QTest::addColumn<bool>("blockedOutput"); // a file stands where the folder must go
    QTest::addColumn<QString>("message");   // "@" stands for the destination
    QTest::addColumn<QStringList>("files"); // below the output folder afterwards
    QTest::addColumn<bool>("shareReplaced"); // pinned, then an empty folder with a look-alike file stands in its place

    QTest::newRow("missing source") << "o/原始档/nothing.CR2" << "nothing.CR2" << false
                                    << "nothing.CR2 拷贝失败" << QStringList() << false;
    QTest::newRow("folder cannot be made") << "o/原始档/a.CR2" << "a.CR2" << true
                                           << "@ 路径创建失败/连接不上服务端" << QStringList() << false;
    QTest::newRow("parent name") << "o/原始档/a.CR2" << ".." << false << ".. 拷贝失败" << QStringList() << false;
    QTest::newRow("source off the share") << "/etc/passwd" << "passwd" << false << "passwd 拷贝失败"
                                          << QStringList() << false;
    QTest::newRow("slash in name stays one file") << "o/原始档/a.CR2" << "../up/a.CR2" << false << ""
                                                  << QStringList{"dl/.._up_a.CR2"} << false;
    QTest::newRow("share gone after the pin") << "o/原始档/a.CR2" << "a.CR2" << false << "#" << QStringList() << true;
}

void TestFJDataThread::rawDownloadFailures()
{
    QFETCH(QString, source);
    QFETCH(QString, imageName);
    QFETCH(bool, blockedOutput);
    QFETCH(QString, message);
    QFETCH(QStringList, files);
    QFETCH(bool, shareReplaced);
    sharePhoto(QStringLiteral("o/原始档/a.CR2"), "raw");
    const QString sourcePath = source.startsWith(QLatin1Char('/')) ? source : m_root->path() + source;
    ShareGuard share;
    if (shareReplaced) {
        QVERIFY(share.pin(sourcePath));
        QVERIFY(QDir(m_root->path()).rename(QStringLiteral("o"), QStringLiteral("o.gone")));
        sharePhoto(QStringLiteral("o/原始档/a.CR2"), "look-alike");
        message.replace(QLatin1Char('#'), K::missingShareMessage(m_root->path() + QStringLiteral("o/")));
    }
    const QString dest = m_out->path() + (blockedOutput ? QStringLiteral("/blocker/dl") : QStringLiteral("/dl"));
    if (blockedOutput) {
        writeBytes(m_out->path() + QStringLiteral("/blocker"), "file");
        files << QStringLiteral("blocker");
    }
    auto *job = new FJDataThread(QStringLiteral("下载原始档"), QStringLiteral("CR2"), sourcePath, imageName,
                                 dest, m_receiver);
    job->photoId = QStringLiteral("3");
    job->share = share;
    const FJJobReceiver::Report report = m_receiver->runOne(job);
    QCOMPARE(report.ok, message.isEmpty());
    QCOMPARE(report.message, QString(message).replace(QLatin1Char('@'), dest));
    QCOMPARE(report.third, message.isEmpty() ? QStringLiteral("3") : QString());
    QCOMPARE(filesBelow(m_out->path()), files);
}

void TestFJDataThread::copyPicByCategory_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("source"); // relative to the mount root
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("files"); // below "其他/"
    QTest::addColumn<QStringList>("folders"); // folders below "其他/" that must not exist

    const QString missingButCr2 = notesOfMissingRaw("IMG_1.jpg", {".RAW", ".NEF", ".ARW", ".CR3", ".RAF"});
    QTest::newRow("成品") << "成品" << "o/all/IMG_1.jpg" << true << missingButCr2
                        << QStringList{"原始档/IMG_1.CR2", "成品/IMG_1.jpg", "缩略图/IMG_1.jpg"}
                        << QStringList{"汰片", "入底"};
    QTest::newRow("只要成品") << "只要成品" << "o/all/IMG_1.jpg" << true << ""
                          << QStringList{"成品/IMG_1.jpg", "缩略图/IMG_1.jpg"} << QStringList{"原始档"};
    QTest::newRow("精修成品") << "精修成品" << "o/all/IMG_1.jpg" << true << missingButCr2
                          << QStringList{"原始档/IMG_1.CR2", "成品/IMG_1.jpg"} << QStringList{"缩略图"};
    // Retouched pictures take the raw file of the name up to the first dot, finished ones up to the last.
    QTest::newRow("精修成品, two dots") << "精修成品" << "o/all/P1.edit.jpg" << true << missingButCr2
                                    << QStringList{"原始档/P1.CR2", "成品/IMG_1.jpg"} << QStringList{"缩略图"};
    QTest::newRow("成品, two dots") << "成品" << "o/all/P1.edit.jpg" << true
                                  << notesOfMissingRaw("IMG_1.jpg", {".CR2", ".RAW", ".ARW", ".CR3", ".RAF"})
                                  << QStringList{"原始档/P1.edit.NEF", "成品/IMG_1.jpg", "缩略图/IMG_1.jpg"}
                                  << QStringList{"汰片", "入底"};
    // A raw file reached through a link off the share is refused, not taken as absent.
    QTest::newRow("精修成品, raw file linked off the share")
        << "精修成品" << "o/all/L1.jpg" << true << "\nL1.CR2 不在共享目录内\n" + missingButCr2
        << QStringList{"成品/IMG_1.jpg"} << QStringList{"缩略图"};
    QTest::newRow("精修成品, lower-case raw file linked off the share") << "精修成品" << "o/all/L2.jpg" << true
        << "\nL2.cr2 不在共享目录内\n" + missingButCr2 << QStringList{"成品/IMG_1.jpg"} << QStringList{"缩略图"};
    QTest::newRow("入底, thumbnail linked off the share") << "入底" << "o/all/T1.jpg" << true
        << "\nIMG_1.jpg 缩略图 不在共享目录内\n" << QStringList{"入底/IMG_1.jpg"} << QStringList{"成品"};
    QTest::newRow("成品, a folder in the photo's place") << "成品" << "o/all/D1.jpg" << false << "IMG_1.jpg照片不存在"
                                                       << QStringList() << QStringList{"原始档"};
    QTest::newRow("入底") << "入底" << "o/all/IMG_1.jpg" << true << ""
                        << QStringList{"入底/IMG_1.jpg", "缩略图/IMG_1.jpg"} << QStringList{"原始档", "成品"};
    QTest::newRow("汰片") << "汰片" << "o/all/IMG_1.jpg" << true << "" << QStringList{"汰片/IMG_1.jpg"}
                        << QStringList{"原始档", "缩略图"};
    QTest::newRow("成品缩略图, its own thumbnail") << "成品缩略图" << "o/90/IMG_1.jpg" << true << ""
                                              << QStringList{"缩略图/IMG_1.jpg"} << QStringList{"成品"};
    QTest::newRow("成品缩略图 missing") << "成品缩略图" << "o/90/none.jpg" << false << "IMG_1.jpg缩略图不存在"
                                    << QStringList() << QStringList{"成品"};
    QTest::newRow("成品缩略图 linked off the share") << "成品缩略图" << "o/90/T1.jpg" << false
        << "IMG_1.jpg 缩略图 不在共享目录内" << QStringList() << QStringList{"成品"};
}

void TestFJDataThread::copyPicByCategory()
{
    QFETCH(QString, category);
    QFETCH(QString, source);
    QFETCH(bool, ok);
    QFETCH(QString, message);
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);

    const QByteArray photo = QByteArray(200000, 'p') + "photo";
    const QByteArray thumb = "thumb90";
    sharePhoto(QStringLiteral("o/all/IMG_1.jpg"), photo);
    sharePhoto(QStringLiteral("o/90/IMG_1.jpg"), thumb);
    sharePhoto(QStringLiteral("o/原始档/IMG_1.CR2"), "raw");
    sharePhoto(QStringLiteral("o/all/P1.edit.jpg"), photo);
    sharePhoto(QStringLiteral("o/90/P1.edit.jpg"), thumb);
    sharePhoto(QStringLiteral("o/原始档/P1.CR2"), "raw");
    sharePhoto(QStringLiteral("o/原始档/P1.edit.NEF"), "raw");
    sharePhoto(QStringLiteral("o/all/L1.jpg"), photo);
    QVERIFY(QDir(m_root->path()).mkpath(QStringLiteral("o/all/D1.jpg")));
    writeBytes(m_out->path() + QStringLiteral("/away.CR2"), "raw");
    sharePhoto(QStringLiteral("o/all/L2.jpg"), photo);
    sharePhoto(QStringLiteral("o/all/T1.jpg"), photo);
    for (const char *link : {"o/原始档/L1.CR2", "o/原始档/L2.cr2", "o/90/T1.jpg"})
        QVERIFY(QFile::link(m_out->path() + QStringLiteral("/away.CR2"), m_root->path() + QString::fromUtf8(link)));
    const QString other = m_out->path() + QStringLiteral("/order/其他/");

    const FJJobReceiver::Report report = m_receiver->runOne(
        new FJDataThread(QStringLiteral("拷贝照片"), category, m_root->path() + source, QStringLiteral("IMG_1.jpg"),
                         other, m_receiver));
    QCOMPARE(report.ok, ok);
    QCOMPARE(report.message, message);
    QCOMPARE(report.third, QString());
    QCOMPARE(report.srcPath, m_root->path() + source);
    QStringList sortedFiles = files;
    sortedFiles.sort();
    QCOMPARE(filesBelow(other), sortedFiles);
    for (const QString &file : files) {
        const QByteArray expected = file.startsWith(QStringLiteral("缩略图")) ? thumb
            : file.startsWith(QStringLiteral("原始档"))                      ? QByteArray("raw")
                                                                           : photo;
        QCOMPARE(readBytes(other + file), expected);
    }
    for (const QString &folder : folders)
        QVERIFY2(!QFileInfo::exists(other + folder), qPrintable(folder));
}

void TestFJDataThread::copyPicSecondRunKeepsFirst_data()
{
    QTest::addColumn<QByteArray>("again");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("message");
    QTest::newRow("same bytes count as copied") << QByteArray("first") << true << QString();
    QTest::newRow("other bytes are kept and said so")
        << QByteArray("second") << false << QStringLiteral("IMG_4.jpg目标文件已存在且内容不同");
}

void TestFJDataThread::copyPicSecondRunKeepsFirst()
{
    QFETCH(QByteArray, again);
    QFETCH(bool, ok);
    QFETCH(QString, message);
    const QString source = sharePhoto(QStringLiteral("o/all/IMG_4.jpg"), "first");
    sharePhoto(QStringLiteral("o/90/IMG_4.jpg"), "thumb");
    const QString other = m_out->path() + QStringLiteral("/其他/");
    auto job = [&] {
        return new FJDataThread(QStringLiteral("拷贝照片"), QStringLiteral("只要成品"), source,
                                QStringLiteral("IMG_4.jpg"), other, m_receiver);
    };
    QVERIFY(m_receiver->runOne(job()).ok);
    writeBytes(source, again);
    const FJJobReceiver::Report report = m_receiver->runOne(job());
    QCOMPARE(report.ok, ok);
    QCOMPARE(report.message, message);
    QCOMPARE(readBytes(other + QStringLiteral("成品/IMG_4.jpg")), QByteArray("first"));
    QCOMPARE(filesBelow(other), (QStringList{"成品/IMG_4.jpg", "缩略图/IMG_4.jpg"}));
}

void TestFJDataThread::deliveryPhotoUprightAndPlain_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("orientation"); // 0: no tag
    QTest::addColumn<bool>("byteCopy");
    QTest::newRow("no orientation tag") << "a.jpg" << 0 << true;
    QTest::newRow("upright tag") << "b.jpg" << 1 << true;
    QTest::newRow("turned 90 degrees") << "c.jpg" << 6 << false;
    QTest::newRow("turned, upper-case suffix") << "d.JPG" << 6 << false;
    QTest::newRow("turned, suffix the writer lacks") << "e.jpgx" << 6 << true;
}

void TestFJDataThread::deliveryPhotoUprightAndPlain()
{
    QFETCH(QString, name);
    QFETCH(int, orientation);
    QFETCH(bool, byteCopy);
    const QString source = m_root->path() + QStringLiteral("o/原片/") + name;
    QDir().mkpath(QFileInfo(source).path());
    // Written and tagged under a JPEG name, then given its own.
    const QString written = source + QStringLiteral(".jpg");
    QVERIFY(EngineTestImages::writeJpeg(written, EngineTestImages::pattern(64, 32)));
    if (orientation > 0)
        QVERIFY(EngineTestImages::tagOrientation(written, orientation));
    QVERIFY(QFile::rename(written, source));
    const QString target = m_out->path() + QStringLiteral("/原片/") + name;
    QDir().mkpath(QFileInfo(target).path());

    const FJJobReceiver::Report report = m_receiver->runOne(
        new FJDataThread(QStringLiteral("下载照片交付-拷贝原片"), QStringLiteral("原片"), source, name, target,
                         m_receiver));
    QVERIFY(report.ok);
    QCOMPARE(report.message, QString());
    QCOMPARE(report.srcPath, source);
    if (byteCopy) {
        QCOMPARE(readBytes(target), readBytes(source));
    } else {
        QImageReader reader(target);
        reader.setAutoTransform(false);
        const QImage written = reader.read();
        QCOMPARE(written.size(), QSize(32, 64));
        QVERIFY(EngineTestImages::sameQuarters(written, EngineTestImages::upright(source)));
        QCOMPARE(EngineTestImages::jpegQuality(target), 100);
    }
    QCOMPARE(filesBelow(m_out->path()), QStringList{QStringLiteral("原片/") + name});
}

void TestFJDataThread::deliveryPhotoFailureKeepsEarlierCopy()
{
    const QString target = m_out->path() + QStringLiteral("/ro/r.jpg");
    writeBytes(target, "earlier");
    // Gone from the share: the earlier copy stays.
    FJJobReceiver::Report report = m_receiver->runOne(
        new FJDataThread(QStringLiteral("下载照片交付-拷贝原片"), QStringLiteral("原片"),
                         m_root->path() + QStringLiteral("o/原片/gone.jpg"), QStringLiteral("r.jpg"), target, m_receiver));
    QVERIFY(!report.ok);
    QCOMPARE(report.message, QStringLiteral("r.jpg 源文件不存在"));
    QCOMPARE(readBytes(target), QByteArray("earlier"));

    // A target that cannot be replaced (a folder of that name): it stays as it was.
    const QString source = m_root->path() + QStringLiteral("o/原片/r.jpg");
    QDir().mkpath(QFileInfo(source).path());
    QVERIFY(EngineTestImages::writeJpeg(source, EngineTestImages::pattern(40, 20)));
    const QString blocked = m_out->path() + QStringLiteral("/blocked.jpg");
    writeBytes(blocked + QStringLiteral("/inside.txt"), "kept");
    report = m_receiver->runOne(new FJDataThread(QStringLiteral("下载照片交付-拷贝原片"), QStringLiteral("原片"),
                                                 source, QStringLiteral("blocked.jpg"), blocked, m_receiver));
    QVERIFY(!report.ok);
    QCOMPARE(report.message, QStringLiteral("blocked.jpg 拷贝失败"));
    QCOMPARE(filesBelow(m_out->path()), (QStringList{"blocked.jpg/inside.txt", "ro/r.jpg"}));
}

void TestFJDataThread::dataUrl_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("format"); // how the file is written
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<QSize>("box");
    QTest::addColumn<QString>("mime");
    QTest::addColumn<bool>("asStored"); // payload is the file's bytes

    QTest::newRow("jpeg in box") << "a.jpg" << "JPEG" << QSize(400, 200) << QSize(100, 100) << "image/jpeg" << false;
    QTest::newRow("zero width is no box") << "g.png" << "PNG" << QSize(10, 10) << QSize(0, 100) << "image/png"
                                          << true;
}

void TestFJDataThread::dataUrl()
{
    QFETCH(QString, name);
    QFETCH(QString, format);
    QFETCH(QSize, stored);
    QFETCH(QSize, box);
    QFETCH(QString, mime);
    QFETCH(bool, asStored);
    const QString path = m_out->path() + QLatin1Char('/') + name;
    QImage image(stored, QImage::Format_RGB32);
    image.fill(Qt::black);
    QVERIFY(image.save(path, format.toLatin1().constData()));

    const QString url = FJDataThread::convertImageToBase64DataUrl(path, box.width(), box.height());
    const QString prefix = QStringLiteral("data:%1;base64,").arg(mime);
    QVERIFY2(url.startsWith(prefix), qPrintable(url.left(40)));
    const QByteArray payload = QByteArray::fromBase64(url.mid(prefix.size()).toLatin1());
    if (asStored) {
        QCOMPARE(payload, readBytes(path));
        return;
    }
    const QImage decoded = QImage::fromData(payload);
    QCOMPARE(decoded.size(), box);
    if (stored == QSize(400, 200)) {
        // Scaled to 100 x 50 at (0, 25): white bars above and below.
        QVERIFY(qGray(decoded.pixel(50, 5)) > 240);
        QVERIFY(qGray(decoded.pixel(50, 94)) > 240);
        QVERIFY(qGray(decoded.pixel(50, 50)) < 15);
    }
}

void TestFJDataThread::copiesArePlainFilesUnderTheUmask_data()
{
    QTest::addColumn<QString>("jobType");
    QTest::addColumn<int>("nameBytes");
    QTest::addColumn<bool>("afterAKilledCopy"); // a run's job, into a folder where a copy was killed
    QTest::newRow("picture copy") << "拷贝照片" << 12 << false;
    QTest::newRow("raw download") << "下载原始档" << 12 << false;
    QTest::newRow("raw delivery") << "下载照片交付-拷贝原始档" << 12 << false;
    QTest::newRow("photo delivery") << "下载照片交付-拷贝原片" << 12 << false;
    // The longest name the share allows still gets a temporary name.
    QTest::newRow("picture copy, 255-byte name") << "拷贝照片" << 255 << false;
    QTest::newRow("raw download, 255-byte name") << "下载原始档" << 255 << false;
    QTest::newRow("photo delivery, 255-byte name") << "下载照片交付-拷贝原片" << 255 << false;
    // The killed copy's temporary goes with the run's first write there.
    QTest::newRow("picture copy, after a killed copy") << "拷贝照片" << 12 << true;
    QTest::newRow("raw download, after a killed copy") << "下载原始档" << 12 << true;
    QTest::newRow("raw delivery, after a killed copy") << "下载照片交付-拷贝原始档" << 12 << true;
    QTest::newRow("photo delivery, after a killed copy") << "下载照片交付-拷贝原片" << 12 << true;
}

void TestFJDataThread::copiesArePlainFilesUnderTheUmask()
{
    QFETCH(QString, jobType);
    QFETCH(int, nameBytes);
    QFETCH(bool, afterAKilledCopy);
    const QString name = QString(nameBytes - 4, QLatin1Char('n')) + QStringLiteral(".jpg");
    const QString source = sharePhoto(QStringLiteral("o/all/") + name, "photo");
    const QString dest = m_out->path() + QStringLiteral("/d");
    QString target = dest + QLatin1Char('/') + name;
    FJDataThread *job = nullptr;
    if (jobType == QStringLiteral("拷贝照片")) {
        target = dest + QStringLiteral("/汰片/") + name;
        job = new FJDataThread(jobType, QStringLiteral("汰片"), source, name, dest, m_receiver);
    } else if (jobType == QStringLiteral("下载原始档")) {
        // The raw download makes its folder and hands back the photo id.
        job = new FJDataThread(jobType, QStringLiteral("CR2"), source, name, dest, m_receiver);
        job->photoId = QStringLiteral("501");
    } else {
        QDir().mkpath(dest);
        job = new FJDataThread(jobType, QStringLiteral("原始档"), source, name, target, m_receiver);
    }
    if (afterAKilledCopy) {
        const QString left = QFileInfo(target).path() + QStringLiteral("/.IMG_0.jpg.part-0a1b2c3d4e");
        const struct timespec old[2] = {{std::time(nullptr) - 7200, 0}, {std::time(nullptr) - 7200, 0}};
        QVERIFY(writeBytes(left, "part"));
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(left).constData(), old, 0), 0);
        job->sweep = std::make_shared<TemporarySweep>();
    }
    const mode_t previous = ::umask(027);
    const FJJobReceiver::Report report = m_receiver->runOne(job);
    ::umask(previous);
    QVERIFY2(report.ok, qPrintable(report.message));
    QCOMPARE(report.third, jobType == QStringLiteral("下载原始档") ? QStringLiteral("501") : QString());
    QCOMPARE(readBytes(target), QByteArray("photo"));
    QCOMPARE(int(QFileInfo(target).permissions() & 0x0777), 0x0640);
    QCOMPARE(filesBelow(m_out->path()), QStringList{QDir(m_out->path()).relativeFilePath(target)});
}

QTEST_MAIN(TestFJDataThread)
#include "tst_FJDataThread.moc"

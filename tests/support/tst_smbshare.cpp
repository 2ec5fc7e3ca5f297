#include "SmbShare.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStorageInfo>
#include <QtTest>

#include <cstdio>

// The share behaves as the application needs: folders, files written under a
// temporary name and renamed into place, overwrites, removal, Chinese names,
// and everything written through the mount lands byte for byte in the served
// folder.
class SmbShareTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void saveFileRenamesIntoPlace_data();
    void saveFileRenamesIntoPlace();
    void overwriteByRename_data();
    void overwriteByRename();
    void readsWhatAnotherWriterPut();
    void writeIntoMissingFolderFails();
    void removeFile();
    void reportsFreeSpace();
    void failedStartLeavesNothingMounted_data();
    void failedStartLeavesNothingMounted();

private:
    static QByteArray payload(int size);
    static bool writeFile(const QString &path, const QByteArray &bytes);
    static QByteArray readFile(const QString &path);
    QString onShare(const QString &relative) const { return m_share.sharePath() + '/' + relative; }
    QString served(const QString &relative) const { return m_share.servedPath() + '/' + relative; }
    // Names in a served folder, sorted; temporary files left behind show up here.
    QStringList servedEntries(const QString &relativeFolder) const;

    SmbShare m_share;
};

QByteArray SmbShareTest::payload(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(quint32(size) * 2654435761u + 7);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(generator.generate() & 0xff);
    return bytes;
}

bool SmbShareTest::writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

QByteArray SmbShareTest::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

QStringList SmbShareTest::servedEntries(const QString &relativeFolder) const
{
    return QDir(served(relativeFolder))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

void SmbShareTest::initTestCase()
{
    SMBSHARE_START(m_share);
    QVERIFY(m_share.sharePath().startsWith(m_share.mountPath() + '/'));
    QVERIFY(QFileInfo(m_share.servedPath()).isDir());
    QCOMPARE(QDir(QFileInfo(m_share.sharePath()).path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
             QStringList{m_share.shareName()});
}

void SmbShareTest::cleanupTestCase()
{
    const QString mount = m_share.mountPath();
    const QString sharePath = m_share.sharePath();
    m_share.stop();
    QVERIFY2(m_share.errorString().isEmpty(), qPrintable(m_share.errorString()));
    QVERIFY(!m_share.isRunning());
    // Unmounted: the share's folder is gone from the mount, the served files stay.
    QVERIFY(!QFileInfo::exists(sharePath));
    QVERIFY(QDir(mount).isEmpty());
    QVERIFY(!QDir(m_share.servedPath()).isEmpty());
}

void SmbShareTest::saveFileRenamesIntoPlace_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("size");
    QTest::newRow("empty") << "empty.jpg" << 0;
    QTest::newRow("chinese name") << "原始档_0001.JPG" << 70000;
    // Not a multiple of any transfer block, larger than one.
    QTest::newRow("several blocks") << "big.jpg" << 3 * 1024 * 1024 + 4097;
}

void SmbShareTest::saveFileRenamesIntoPlace()
{
    QFETCH(QString, fileName);
    QFETCH(int, size);
    const QString folder = QStringLiteral("导片/save-%1").arg(QTest::currentDataTag());
    QVERIFY(QDir(m_share.sharePath()).mkpath(folder));
    const QByteArray bytes = payload(size);

    QSaveFile file(onShare(folder + '/' + fileName));
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
    QCOMPARE(file.write(bytes), qint64(size));
    QVERIFY2(file.commit(), qPrintable(file.errorString()));

    QCOMPARE(servedEntries(folder), QStringList{fileName});
    QCOMPARE(readFile(served(folder + '/' + fileName)), bytes);
    QCOMPARE(readFile(onShare(folder + '/' + fileName)), bytes);
}

void SmbShareTest::overwriteByRename_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("rename(2) over the old file") << "posix";
    QTest::newRow("QSaveFile over the old file") << "savefile";
    QTest::newRow("remove, then QFile::rename") << "remove";
}

void SmbShareTest::overwriteByRename()
{
    QFETCH(QString, how);
    const QString folder = QStringLiteral("原始档/overwrite-") + how;
    QVERIFY(QDir(m_share.sharePath()).mkpath(folder));
    const QString target = onShare(folder + QStringLiteral("/修片.jpg"));
    const QString temporary = onShare(folder + QStringLiteral("/修片.jpg.tmp"));
    const QByteArray oldBytes = payload(200000);
    const QByteArray newBytes = payload(150001);
    QVERIFY(writeFile(target, oldBytes));
    QCOMPARE(readFile(target), oldBytes);

    if (how == "savefile") {
        QSaveFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(newBytes);
        QVERIFY2(file.commit(), qPrintable(file.errorString()));
    } else {
        QVERIFY(writeFile(temporary, newBytes));
        if (how == "posix") {
            QCOMPARE(std::rename(QFile::encodeName(temporary).constData(),
                                 QFile::encodeName(target).constData()),
                     0);
        } else {
            // QFile::rename never replaces an existing file.
            QVERIFY(!QFile::rename(temporary, target));
            QCOMPARE(readFile(target), oldBytes);
            // Under load the share may refuse a remove for a moment right after the refused rename.
            QTRY_VERIFY_WITH_TIMEOUT(QFile::remove(target) || !QFileInfo::exists(target), 30000);
            QVERIFY(QFile::rename(temporary, target));
        }
    }

    QCOMPARE(servedEntries(folder), QStringList{QStringLiteral("修片.jpg")});
    QCOMPARE(readFile(served(folder + QStringLiteral("/修片.jpg"))), newBytes);
    QCOMPARE(readFile(target), newBytes);
}

void SmbShareTest::readsWhatAnotherWriterPut()
{
    // Someone else (the Mac, another machine) writes straight into the share.
    const QString folder = QStringLiteral("导片/from-elsewhere");
    QVERIFY(QDir().mkpath(served(folder)));
    const QByteArray bytes = payload(2 * 1024 * 1024 + 11);
    QVERIFY(writeFile(served(folder + QStringLiteral("/样片.jpg")), bytes));

    const QString onMount = onShare(folder + QStringLiteral("/样片.jpg"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(onMount), 30000);
    QCOMPARE(QCryptographicHash::hash(readFile(onMount), QCryptographicHash::Sha256),
             QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));

    // A change made elsewhere shows through once attribute caches expire.
    const QByteArray replaced = payload(1000);
    QVERIFY(writeFile(served(folder + QStringLiteral("/样片.jpg.new")), replaced));
    QVERIFY(QFile::remove(served(folder + QStringLiteral("/样片.jpg"))));
    QVERIFY(QFile::rename(served(folder + QStringLiteral("/样片.jpg.new")),
                          served(folder + QStringLiteral("/样片.jpg"))));
    QTRY_COMPARE_WITH_TIMEOUT(readFile(onMount), replaced, 30000);
}

void SmbShareTest::writeIntoMissingFolderFails()
{
    const QString target = onShare(QStringLiteral("没有这个文件夹/a.jpg"));
    QFile file(target);
    QVERIFY(!file.open(QIODevice::WriteOnly));
    QSaveFile saveFile(target);
    QVERIFY(!saveFile.open(QIODevice::WriteOnly));
    QVERIFY(!QFileInfo::exists(served(QStringLiteral("没有这个文件夹"))));

    // A folder another machine creates right after a miss is seen: misses are not cached for long.
    const QString missing = QStringLiteral("导片/不存在的订单");
    QVERIFY(!QDir(onShare(missing)).exists());
    QVERIFY(QDir().mkpath(served(missing)));
    QTRY_VERIFY_WITH_TIMEOUT(QDir(onShare(missing)).exists(), 30000);
}

void SmbShareTest::removeFile()
{
    const QString folder = QStringLiteral("导片/remove");
    QVERIFY(QDir(m_share.sharePath()).mkpath(folder));
    QVERIFY(writeFile(onShare(folder + QStringLiteral("/删除.jpg")), payload(4096)));
    QVERIFY(writeFile(onShare(folder + QStringLiteral("/保留.jpg")), payload(10)));
    QCOMPARE(servedEntries(folder).size(), 2);

    QVERIFY(QFile::remove(onShare(folder + QStringLiteral("/删除.jpg"))));
    QVERIFY(!QFileInfo::exists(onShare(folder + QStringLiteral("/删除.jpg"))));
    QCOMPARE(servedEntries(folder), QStringList{QStringLiteral("保留.jpg")});
}

void SmbShareTest::reportsFreeSpace()
{
    // Free-space checks before a copy must not see an empty disk.
    QStorageInfo share(m_share.sharePath());
    QVERIFY(share.isValid());
    QVERIFY(share.bytesAvailable() > 0);
    QVERIFY(share.bytesAvailable() <= QStorageInfo(m_share.servedPath()).bytesTotal());

    // A nearly full share, for tests of what happens when photos do not fit.
    qputenv("SMB_SHARE_FREE_BYTES", "1048576");
    SmbShare nearlyFull;
    const bool started = nearlyFull.start();
    qunsetenv("SMB_SHARE_FREE_BYTES");
    QVERIFY2(started, qPrintable(nearlyFull.errorString()));
    QCOMPARE(QStorageInfo(nearlyFull.sharePath()).bytesAvailable(), qint64(1048576));
}

void SmbShareTest::failedStartLeavesNothingMounted_data()
{
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("reason");
    QTest::newRow("share never answers") << QByteArray("SMB_SHARE_TIMEOUT") << QByteArray("0")
                                         << "within 0s";
    QTest::newRow("unusable share name") << QByteArray("SMB_SHARE_NAME") << QByteArray("a/b")
                                         << "not usable";
    QTest::newRow("script missing") << QByteArray("SMB_SHARE_SCRIPT")
                                    << QByteArray("/nonexistent/smb-share") << "/nonexistent/smb-share";
}

void SmbShareTest::failedStartLeavesNothingMounted()
{
    QFETCH(QByteArray, variable);
    QFETCH(QByteArray, value);
    QFETCH(QString, reason);
    SmbShare failing(QString::fromUtf8(variable == "SMB_SHARE_NAME" ? value : QByteArray("studio")));
    if (variable != "SMB_SHARE_NAME")
        qputenv(variable.constData(), value);
    const bool started = failing.start();
    qunsetenv(variable.constData());

    QVERIFY(!started);
    QVERIFY(!failing.isRunning());
    QVERIFY(failing.sharePath().isEmpty());
    QVERIFY2(failing.errorString().contains(reason), qPrintable(failing.errorString()));
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    QVERIFY(mounts.open(QIODevice::ReadOnly));
    QVERIFY(!mounts.readAll().contains(QFile::encodeName(failing.mountPath())));
    QVERIFY(QDir(failing.mountPath()).isEmpty());
}

QTEST_GUILESS_MAIN(SmbShareTest)
#include "tst_smbshare.moc"

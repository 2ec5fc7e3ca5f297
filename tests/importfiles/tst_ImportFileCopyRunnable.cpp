#include "importfiles/ImportFileCopyRunnable.h"
#include "support/SmallTmpfs.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>


class tst_ImportFileCopyRunnable : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void copiesByteIdenticalUnderItsName();
    void refusedSources_data();
    void refusedSources();
    void existingTarget_data();
    void existingTarget();
    void unwritableFolderKeepsExistingTarget();
    void staleTemporariesRemoved();
    void cancelledBeforeStartTouchesNothing();
    void fullShareSaysSo();

private:
    ImportFile fileFor(const QString &source, const QString &folder) const;
    QByteArray write(const QString &name, const QByteArray &bytes);
    static QByteArray read(const QString &path);
    static QStringList leftovers(const QString &folder);

    QScopedPointer<QTemporaryDir> m_dir;
    QString m_target;
};

void tst_ImportFileCopyRunnable::init()
{
    qRegisterMetaType<ImportFile>("ImportFile");
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_target = m_dir->filePath(QStringLiteral("order/原片"));
    QVERIFY(QDir().mkpath(m_target));
}

ImportFile tst_ImportFileCopyRunnable::fileFor(const QString &source, const QString &folder) const
{
    const QFileInfo info(source);
    ImportFile file;
    file.sourcePath = source;
    file.baseName = info.completeBaseName();
    file.suffix = info.suffix();
    file.targetFolder = folder;
    file.orderRow = 2;
    file.fileRow = 5;
    file.size = info.size();
    return file;
}

QByteArray tst_ImportFileCopyRunnable::write(const QString &name, const QByteArray &bytes)
{
    QFile file(m_dir->filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return QByteArray();
    file.write(bytes);
    return bytes;
}

QByteArray tst_ImportFileCopyRunnable::read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList tst_ImportFileCopyRunnable::leftovers(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

void tst_ImportFileCopyRunnable::copiesByteIdenticalUnderItsName()
{
    QByteArray bytes(300000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + i / 251);
    write(QStringLiteral("IMG_0001.JPG"), bytes);
    ImportFileCopyRunnable task(fileFor(m_dir->filePath(QStringLiteral("IMG_0001.JPG")), m_target));
    QSignalSpy finished(&task, &ImportFileCopyRunnable::copyFinished);
    QSignalSpy progress(&task, &ImportFileCopyRunnable::copyProgress);
    task.run();
    QCOMPARE(finished.count(), 1);
    const ImportFile result = finished.at(0).at(0).value<ImportFile>();
    QCOMPARE(result.status, ImportStatus::Success);
    QCOMPARE(result.message, QStringLiteral("拷贝成功"));
    QCOMPARE(result.orderRow, 2);
    QCOMPARE(result.fileRow, 5);
    QCOMPARE(read(m_target + QStringLiteral("/IMG_0001.JPG")), bytes);
    QCOMPARE(leftovers(m_target), QStringList{QStringLiteral("IMG_0001.JPG")});
    QCOMPARE(progress.count(), 0);
    // Without a suffix the name stays as it is.
    write(QStringLiteral("RAWFILE"), "raw");
    ImportFileCopyRunnable(fileFor(m_dir->filePath(QStringLiteral("RAWFILE")), m_target)).run();
    QCOMPARE(read(m_target + QStringLiteral("/RAWFILE")), QByteArray("raw"));
}

void tst_ImportFileCopyRunnable::refusedSources_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "nothing.jpg" << "原文件不存在: %1";
    QTest::newRow("folder") << "afolder.jpg" << "路径不是文件: %1";
    QTest::newRow("empty") << "empty.jpg" << "文件大小为0KB，无法导入";
    // Sized 4096, a few bytes read: the copy comes up short.
    QTest::newRow("short copy") << "/sys/devices/system/cpu/online" << "文件大小不一致，拷贝可能不完整";
}

void tst_ImportFileCopyRunnable::refusedSources()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    QDir(m_dir->path()).mkdir(QStringLiteral("afolder.jpg"));
    write(QStringLiteral("empty.jpg"), QByteArray());
    write(QStringLiteral("a.jpg"), "abc");
    QVERIFY(QDir(m_target).removeRecursively());
    const QString source = QDir(m_dir->path()).filePath(name); // an absolute name stays as it is
    ImportFileCopyRunnable task(fileFor(source, m_target));
    QSignalSpy finished(&task, &ImportFileCopyRunnable::copyFinished);
    task.run();
    QCOMPARE(finished.count(), 1);
    const ImportFile result = finished.at(0).at(0).value<ImportFile>();
    QCOMPARE(result.status, ImportStatus::Failed);
    QCOMPARE(result.message, message.contains(QLatin1String("%1")) ? message.arg(source) : message);
    // Refused before the copy, not even the folder is made; after it, nothing is left in it.
    if (QFileInfo(source).isFile() && QFileInfo(source).size() > 0)
        QCOMPARE(leftovers(m_target), QStringList());
    else
        QVERIFY(!QFileInfo::exists(m_target));
}

void tst_ImportFileCopyRunnable::existingTarget_data()
{
    QTest::addColumn<QByteArray>("onShare");
    QTest::addColumn<bool>("replaceAllowed");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("after");
    const int ok = int(ImportStatus::Success), failed = int(ImportStatus::Failed);
    QTest::newRow("another photo kept") << QByteArray("old") << false << failed
                                        << "目标位置已有同名的其他文件，未替换: %1" << QByteArray("old");
    QTest::newRow("same length, other bytes") << QByteArray("new contentZ") << false << failed
                                              << "目标位置已有同名的其他文件，未替换: %1" << QByteArray("new contentZ");
    QTest::newRow("replaced when agreed") << QByteArray("old") << true << ok << "拷贝成功" << QByteArray("new contents");
    QTest::newRow("same bytes count as copied") << QByteArray("new contents") << false << ok << "已存在相同文件"
                                                << QByteArray("new contents");
}

void tst_ImportFileCopyRunnable::existingTarget()
{
    QFETCH(QByteArray, onShare);
    QFETCH(bool, replaceAllowed);
    QFETCH(QString, message);
    write(QStringLiteral("a.jpg"), "new contents");
    const QString target = m_target + QStringLiteral("/a.jpg");
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(onShare);
    old.close();
    ImportFile file = fileFor(m_dir->filePath(QStringLiteral("a.jpg")), m_target);
    file.replaceAllowed = replaceAllowed;
    ImportFileCopyRunnable task(file);
    QSignalSpy finished(&task, &ImportFileCopyRunnable::copyFinished);
    task.run();
    const ImportFile result = finished.at(0).at(0).value<ImportFile>();
    QTEST(int(result.status), "status");
    QCOMPARE(result.message, message.contains(QLatin1String("%1")) ? message.arg(target) : message);
    QTEST(read(target), "after");
    QCOMPARE(leftovers(m_target).size(), 1);
}

void tst_ImportFileCopyRunnable::unwritableFolderKeepsExistingTarget()
{
    // A folder in the target's place cannot be replaced by the copy.
    write(QStringLiteral("a.jpg"), "new contents");
    QVERIFY(QDir(m_target).mkpath(QStringLiteral("a.jpg")));
    QFile inside(m_target + QStringLiteral("/a.jpg/keep.txt"));
    QVERIFY(inside.open(QIODevice::WriteOnly));
    inside.write("keep");
    inside.close();
    ImportFile file = fileFor(m_dir->filePath(QStringLiteral("a.jpg")), m_target);
    file.replaceAllowed = true;
    ImportFileCopyRunnable task(file);
    QSignalSpy finished(&task, &ImportFileCopyRunnable::copyFinished);
    task.run();
    const ImportFile result = finished.at(0).at(0).value<ImportFile>();
    QCOMPARE(result.status, ImportStatus::Failed);
    // The system's own reason follows the name.
    QCOMPARE(result.message, QStringLiteral("无法覆盖已存在的文件: %1: %2")
                                 .arg(m_target + QStringLiteral("/a.jpg"), qt_error_string(EISDIR)));
    QCOMPARE(read(m_target + QStringLiteral("/a.jpg/keep.txt")), QByteArray("keep"));
    QVERIFY(leftovers(m_target).isEmpty());
}

void tst_ImportFileCopyRunnable::staleTemporariesRemoved()
{
    const QString hex(32, QLatin1Char('a'));
    const auto make = [this](const QString &name, int ageSeconds) {
        const QString path = m_target + QLatin1Char('/') + name;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write("partial");
        file.flush();
        file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
        return path;
    };
    const QString stale = make(QStringLiteral(".~import-%1.tmp").arg(hex), 3600);
    const QString fresh = make(QStringLiteral(".~import-%1.tmp").arg(QString(32, QLatin1Char('b'))), 0);
    // Untouched for half an hour: may belong to a copy on a share that keeps no locks.
    const QString recent = make(QStringLiteral(".~import-%1.tmp").arg(QString(32, QLatin1Char('d'))), 1800);
    const QString held = make(QStringLiteral(".~import-%1.tmp").arg(QString(32, QLatin1Char('c'))), 3600);
    const QStringList foreign{make(QStringLiteral(".~import-x.tmp"), 3600), make(QStringLiteral("IMG_1.tmp"), 3600),
                              make(QStringLiteral(".~import-%1.tmp.jpg").arg(hex), 3600),
                              make(QStringLiteral("~import-%1.tmp").arg(hex), 3600)};
    // A running copy holds its temporary locked, however old its data.
    const int lock = ::open(QFile::encodeName(held).constData(), O_RDONLY);
    QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0);
    const auto unlock = qScopeGuard([lock] { ::close(lock); });

    QCOMPARE(ImportFileCopyRunnable::removeStaleTemporaries(m_target), 1);
    QVERIFY(!QFile::exists(stale));
    QVERIFY(QFile::exists(fresh));
    QVERIFY(QFile::exists(recent));
    QVERIFY(QFile::exists(held));
    for (const QString &path : foreign)
        QVERIFY2(QFile::exists(path), qPrintable(path));
}

void tst_ImportFileCopyRunnable::cancelledBeforeStartTouchesNothing()
{
    write(QStringLiteral("a.jpg"), "abc");
    ImportFileCopyRunnable task(fileFor(m_dir->filePath(QStringLiteral("a.jpg")), m_target));
    QSignalSpy finished(&task, &ImportFileCopyRunnable::copyFinished);
    QSignalSpy cancelled(&task, &ImportFileCopyRunnable::copyCancelled);
    task.cancel();
    QVERIFY(task.isCancelled());
    task.run();
    QCOMPARE(finished.count(), 0);
    QCOMPARE(cancelled.count(), 1);
    QCOMPARE(cancelled.at(0).at(0).value<ImportFile>().message, QStringLiteral("任务已取消"));
    QVERIFY(leftovers(m_target).isEmpty());
}

void tst_ImportFileCopyRunnable::fullShareSaysSo()
{
    // A small tmpfs stands for a nearly full share; mounting it needs root.
    const QString share = m_dir->filePath(QStringLiteral("full"));
    const SmallTmpfs tmpfs(share);
    if (!tmpfs.isMounted())
        QSKIP("mounting a tmpfs needs root");
    write(QStringLiteral("big.CR3"), QByteArray(3 << 20, 'r'));
    ImportFileCopyRunnable task(fileFor(m_dir->filePath(QStringLiteral("big.CR3")), share));
    QSignalSpy finished(&task, &ImportFileCopyRunnable::copyFinished);
    task.run();
    const ImportFile result = finished.at(0).at(0).value<ImportFile>();
    QCOMPARE(result.status, ImportStatus::Failed);
    QVERIFY2(result.message.contains(QStringLiteral("共享空间不足")), qPrintable(result.message));
    QVERIFY(leftovers(share).isEmpty());
}

QTEST_GUILESS_MAIN(tst_ImportFileCopyRunnable)
#include "tst_ImportFileCopyRunnable.moc"

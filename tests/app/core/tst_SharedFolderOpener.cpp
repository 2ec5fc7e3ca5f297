#include "app/core/SharedFolderOpener.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Opening and probing run small scripts in place of the file manager and
// ping, so no test ever starts a real one.
class tst_SharedFolderOpener : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void normalizePath_data();
    void normalizePath();
    void cancelEmitsNormalisedPath();
    void openHandsExistingFolderToFileManager();
    void openRefusesMissingFolder_data();
    void openRefusesMissingFolder();
    void openReportsFileManagerThatCannotStart();
    void openWithTimeoutArgument_data();
    void openWithTimeoutArgument();
    void openWithTimeoutFailures();
    void reachableWithoutHost_data();
    void reachableWithoutHost();
    void pingArguments_data();
    void pingArguments();
    void pingOutcome();

private:
    QString script(const QString &name, const QString &body);
    QString readRecorded();

    QTemporaryDir m_dir;
    QString m_record;
};

QString tst_SharedFolderOpener::script(const QString &name, const QString &body)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write("#!/bin/sh\n" + body.toUtf8() + "\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QString tst_SharedFolderOpener::readRecorded()
{
    QFile file(m_record);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll()).trimmed();
}

void tst_SharedFolderOpener::init()
{
    QVERIFY(m_dir.isValid());
    m_record = m_dir.filePath(QStringLiteral("record.txt"));
    QFile::remove(m_record);
    const QString recorder = script(QStringLiteral("recorder"),
                                    QStringLiteral("printf '%s\\n' \"$@\" > '%1'").arg(m_record));
    SharedFolderOpener::setFileManagerProgram(recorder);
    SharedFolderOpener::setPingProgram(recorder);
}

void tst_SharedFolderOpener::cleanup()
{
    SharedFolderOpener::setFileManagerProgram(m_dir.filePath(QStringLiteral("missing")));
    SharedFolderOpener::setPingProgram(m_dir.filePath(QStringLiteral("missing")));
}

void tst_SharedFolderOpener::normalizePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unc") << QStringLiteral("\\\\nas01\\photos\\2024\\A001")
                         << QStringLiteral("smb://nas01/photos/2024/A001");
    QTest::newRow("file prefix") << QStringLiteral("file:///Volumes/photos/A")
                                 << QStringLiteral("/Volumes/photos/A");
    QTest::newRow("file prefix capitals") << QStringLiteral("FILE:///Volumes/photos/A")
                                          << QStringLiteral("/Volumes/photos/A");
    QTest::newRow("local backslashes") << QStringLiteral("/Volumes/photos\\A\\B")
                                       << QStringLiteral("/Volumes/photos/A/B");
    QTest::newRow("slashes share") << QStringLiteral("//nas01/photos") << QStringLiteral("smb://nas01/photos");
    QTest::newRow("already smb") << QStringLiteral("smb://nas01/photos") << QStringLiteral("smb://nas01/photos");
    QTest::newRow("empty") << QString() << QString();
}

void tst_SharedFolderOpener::normalizePath()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(SharedFolderOpener::normalizePath(path), expected);
}

void tst_SharedFolderOpener::cancelEmitsNormalisedPath()
{
    SharedFolderOpener opener;
    QSignalSpy spy(&opener, &SharedFolderOpener::stateChanged);
    opener.cancel(QStringLiteral("\\\\nas01\\photos\\A"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("smb://nas01/photos/A"));
    QCOMPARE(spy.at(0).at(1).toBool(), false);
    QVERIFY(!opener.isProcessing(QStringLiteral("\\\\nas01\\photos\\A")));
}

void tst_SharedFolderOpener::openHandsExistingFolderToFileManager()
{
    SharedFolderOpener opener;
    const QString folder = m_dir.filePath(QStringLiteral("订单 A001"));
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(opener.open(folder), QString());
    QTRY_COMPARE_WITH_TIMEOUT(readRecorded(), QUrl::fromLocalFile(folder).toString(), 10000);
}

void tst_SharedFolderOpener::openRefusesMissingFolder_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("missing folder") << QStringLiteral("nope/A001");
    QTest::newRow("a file, not a folder") << QStringLiteral("record-file");
    QTest::newRow("empty path") << QString();
}

void tst_SharedFolderOpener::openRefusesMissingFolder()
{
    QFETCH(QString, relative);
    QString path;
    if (!relative.isEmpty()) {
        path = m_dir.filePath(relative);
        if (relative == QLatin1String("record-file")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }
    SharedFolderOpener opener;
    QCOMPARE(opener.open(path), QStringLiteral("文件夹不存在或无法打开：") + path);
    QTest::qWait(100);
    QVERIFY(!QFile::exists(m_record));
}

void tst_SharedFolderOpener::openReportsFileManagerThatCannotStart()
{
    SharedFolderOpener::setFileManagerProgram(m_dir.filePath(QStringLiteral("no-such-program")));
    SharedFolderOpener opener;
    const QString folder = m_dir.path();
    QCOMPARE(opener.open(folder), QStringLiteral("文件夹不存在或无法打开：") + folder);
}

void tst_SharedFolderOpener::openWithTimeoutArgument_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("argument");
    QTest::newRow("share") << QStringLiteral("//nas01/photos/A") << QStringLiteral("smb://nas01/photos/A");
    QTest::newRow("smb any case") << QStringLiteral("SMB://nas01/photos") << QStringLiteral("SMB://nas01/photos");
    QTest::newRow("local") << QStringLiteral("/Volumes/photos/A B")
                           << QStringLiteral("file:///Volumes/photos/A B");
}

void tst_SharedFolderOpener::openWithTimeoutArgument()
{
    QFETCH(QString, path);
    QFETCH(QString, argument);
    const SharedFolderOpener::OpenResult result = SharedFolderOpener::openWithTimeout(path, 10000);
    QVERIFY(result.success);
    QCOMPARE(result.errorMsg, QString());
    QCOMPARE(readRecorded(), argument);
}

void tst_SharedFolderOpener::openWithTimeoutFailures()
{
    SharedFolderOpener::setFileManagerProgram(m_dir.filePath(QStringLiteral("no-such-program")));
    SharedFolderOpener::OpenResult result = SharedFolderOpener::openWithTimeout(QStringLiteral("/tmp"), 1000);
    QVERIFY(!result.success);
    QCOMPARE(result.errorMsg, QStringLiteral("无法启动系统文件管理器"));

    SharedFolderOpener::setFileManagerProgram(
        script(QStringLiteral("failing"), QStringLiteral("echo '共享不可用' >&2; exit 3")));
    result = SharedFolderOpener::openWithTimeout(QStringLiteral("/tmp"), 10000);
    QVERIFY(!result.success);
    QCOMPARE(result.errorMsg.trimmed(), QStringLiteral("共享不可用"));

    SharedFolderOpener::setFileManagerProgram(script(QStringLiteral("hanging"), QStringLiteral("exec sleep 30")));
    result = SharedFolderOpener::openWithTimeout(QStringLiteral("/tmp"), 300);
    QVERIFY(!result.success);
    QCOMPARE(result.errorMsg, QStringLiteral("操作超时：请检查网络或服务器状态"));
}

void tst_SharedFolderOpener::reachableWithoutHost_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("reachable");
    QTest::newRow("local mount path") << QStringLiteral("/Volumes/photos/A001") << true;
    QTest::newRow("unc backslashes") << QStringLiteral("\\\\nas01\\photos") << true;
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("option-like host") << QStringLiteral("//-f/photos") << false;
    QTest::newRow("smb url with invalid host") << QStringLiteral("smb://-c5/photos") << true;
}

void tst_SharedFolderOpener::reachableWithoutHost()
{
    QFETCH(QString, path);
    QFETCH(bool, reachable);
    QCOMPARE(SharedFolderOpener::isNetworkPathReachable(path, 1000), reachable);
    QVERIFY(!QFile::exists(m_record)); // ping never ran
}

void tst_SharedFolderOpener::pingArguments_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("arguments");
    QTest::newRow("below a second") << QStringLiteral("smb://nas01/photos") << 500
                                    << QStringLiteral("-c 1 -W 1 nas01");
    QTest::newRow("rounded up") << QStringLiteral("//nas02/photos/A") << 2500 << QStringLiteral("-c 1 -W 3 nas02");
    QTest::newRow("whole seconds") << QStringLiteral("//10.0.0.5") << 3000 << QStringLiteral("-c 1 -W 3 10.0.0.5");
}

void tst_SharedFolderOpener::pingArguments()
{
    QFETCH(QString, path);
    QFETCH(int, timeoutMs);
    QFETCH(QString, arguments);
    // The recorder exits at once, so the probe succeeds within any limit.
    QVERIFY(SharedFolderOpener::isNetworkPathReachable(path, timeoutMs));
    QCOMPARE(readRecorded().split(QLatin1Char('\n')).join(QLatin1Char(' ')), arguments);
}

void tst_SharedFolderOpener::pingOutcome()
{
    SharedFolderOpener::setPingProgram(script(QStringLiteral("ok"), QStringLiteral("exit 0")));
    QVERIFY(SharedFolderOpener::isNetworkPathReachable(QStringLiteral("//nas01/photos"), 5000));

    SharedFolderOpener::setPingProgram(script(QStringLiteral("down"), QStringLiteral("exit 1")));
    QVERIFY(!SharedFolderOpener::isNetworkPathReachable(QStringLiteral("//nas01/photos"), 5000));

    SharedFolderOpener::setPingProgram(script(QStringLiteral("slow"), QStringLiteral("exec sleep 30")));
    QVERIFY(!SharedFolderOpener::isNetworkPathReachable(QStringLiteral("//nas01/photos"), 300));

    SharedFolderOpener::setPingProgram(m_dir.filePath(QStringLiteral("no-ping-here")));
    QVERIFY(!SharedFolderOpener::isNetworkPathReachable(QStringLiteral("//nas01/photos"), 1000));
}

QTEST_MAIN(tst_SharedFolderOpener)
#include "tst_SharedFolderOpener.moc"

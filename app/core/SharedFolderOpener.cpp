#include "app/core/SharedFolderOpener.h"

#include "app/core/Logging.h"

#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace {

constexpr int kStartTimeoutMs = 3000;
constexpr int kTerminateWaitMs = 1000;

QString &fileManager()
{
    static QString program = QStringLiteral("xdg-open");
    return program;
}

QString &ping()
{
    static QString program = QStringLiteral("ping");
    return program;
}

// Standard error up to the first zero byte, as UTF-8.
QString errorOutput(QProcess &process)
{
    QByteArray bytes = process.readAllStandardError();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return QString::fromUtf8(bytes);
}

} // namespace

SharedFolderOpener::SharedFolderOpener(QObject *parent)
    : QObject(parent)
{
    threadPool.setMaxThreadCount(5);
    threadPool.setExpiryTimeout(60000);
}

SharedFolderOpener::~SharedFolderOpener() = default;

QString SharedFolderOpener::open(const QString &path)
{
    const QString failure = QStringLiteral("文件夹不存在或无法打开：") + path;
    if (path.isEmpty() || !QFileInfo(path).isDir()) {
        qCDebug(lcApp) << "文件夹不存在:" << path;
        return failure;
    }
    if (!QProcess::startDetached(fileManager(), {QUrl::fromLocalFile(path).toString()})) {
        qCWarning(lcApp) << "无法启动文件管理器:" << fileManager() << path;
        return failure;
    }
    return QString();
}

void SharedFolderOpener::cancel(const QString &path)
{
    const QString key = normalizePath(path);
    processingPaths.remove(key);
    emit stateChanged(key, false);
}

bool SharedFolderOpener::isProcessing(const QString &path) const
{
    return processingPaths.contains(normalizePath(path));
}

QString SharedFolderOpener::normalizePath(const QString &path)
{
    QString result = path;
    if (result.startsWith(QLatin1String("file://"), Qt::CaseInsensitive))
        result.remove(0, 7);
    result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (result.startsWith(QLatin1String("//")))
        result.prepend(QLatin1String("smb:"));
    return result;
}

SharedFolderOpener::OpenResult SharedFolderOpener::openWithTimeout(const QString &path, int timeoutMs)
{
    QString argument;
    if (path.startsWith(QLatin1String("//")))
        argument = QStringLiteral("smb:") + path;
    else if (path.startsWith(QLatin1String("smb://"), Qt::CaseInsensitive))
        argument = path;
    else
        argument = QUrl::fromLocalFile(path).toString();

    OpenResult result;
    QProcess process;
    process.start(fileManager(), {argument}, QIODevice::ReadWrite);
    if (!process.waitForStarted(kStartTimeoutMs)) {
        result.errorMsg = QStringLiteral("无法启动系统文件管理器");
        return result;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.terminate();
        if (!process.waitForFinished(kTerminateWaitMs)) {
            process.kill();
            process.waitForFinished(kTerminateWaitMs);
        }
        result.errorMsg = QStringLiteral("操作超时：请检查网络或服务器状态");
        return result;
    }
    result.success = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!result.success)
        result.errorMsg = errorOutput(process);
    return result;
}

bool SharedFolderOpener::isNetworkPathReachable(const QString &path, int timeoutMs)
{
    QString host = QUrl(path, QUrl::TolerantMode).host(QUrl::FullyDecoded);
    if (host.isEmpty() && path.startsWith(QLatin1String("//"))) {
        const int slash = path.indexOf(QLatin1Char('/'), 2);
        host = slash < 0 ? path.mid(2) : path.mid(2, slash - 2);
    }
    if (host.isEmpty())
        return true;
    // A host looking like an option would be read as one by ping.
    if (host.startsWith(QLatin1Char('-')))
        return false;

    const int seconds = qMax(1, (timeoutMs + 999) / 1000);
    QProcess process;
    process.start(ping(), {QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-W"),
                           QString::number(seconds), host});
    if (!process.waitForStarted(qMax(timeoutMs, 1))) {
        qCDebug(lcApp) << "无法运行 ping:" << ping();
        return false;
    }
    if (!process.waitForFinished(qMax(timeoutMs, 1))) {
        process.kill();
        process.waitForFinished(kTerminateWaitMs);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString SharedFolderOpener::fileManagerProgram()
{
    return fileManager();
}

void SharedFolderOpener::setFileManagerProgram(const QString &program)
{
    fileManager() = program;
}

QString SharedFolderOpener::pingProgram()
{
    return ping();
}

void SharedFolderOpener::setPingProgram(const QString &program)
{
    ping() = program;
}

#include "SmbShare.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

// The script's own time-out is 20 s; this only guards against a hung script.
constexpr int kScriptTimeoutMs = 60000;

struct ScriptResult
{
    bool ok = false;
    QString out;
    QString error;
};

ScriptResult runScript(const QStringList &arguments, const QString &shareName = QString())
{
    ScriptResult result;
    const QString script = SmbShare::scriptPath();
    if (!QFileInfo(script).isFile()) {
        result.error = QStringLiteral("script %1 not found").arg(script);
        return result;
    }
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SMB_SHARE_OWNER_PID"),
               QString::number(QCoreApplication::applicationPid()));
    if (!shareName.isEmpty())
        env.insert(QStringLiteral("SMB_SHARE_NAME"), shareName);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("bash"), QStringList{script} + arguments);
    if (!process.waitForStarted()) {
        result.error = QStringLiteral("cannot run bash: %1").arg(process.errorString());
        return result;
    }
    if (!process.waitForFinished(kScriptTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.error = QStringLiteral("%1 %2 did not finish in %3 s")
                           .arg(script, arguments.value(0))
                           .arg(kScriptTimeoutMs / 1000);
        return result;
    }
    result.out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    const QString err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    result.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!result.ok)
        result.error = QStringLiteral("%1 %2 exited with %3: %4")
                           .arg(script, arguments.value(0))
                           .arg(process.exitCode())
                           .arg(err);
    return result;
}

} // namespace

SmbShare::SmbShare(const QString &shareName)
    : m_dir(QDir::tempPath() + QStringLiteral("/smbshare-XXXXXX"))
    , m_shareName(shareName)
{
}

SmbShare::~SmbShare()
{
    stop();
}

QString SmbShare::servedPath() const
{
    return m_dir.isValid() ? m_dir.filePath(QStringLiteral("served")) : QString();
}

QString SmbShare::mountPath() const
{
    return m_dir.isValid() ? m_dir.filePath(QStringLiteral("mount")) : QString();
}

QString SmbShare::scriptPath()
{
    const QString overridden = qEnvironmentVariable("SMB_SHARE_SCRIPT");
    if (!overridden.isEmpty())
        return overridden;
    // From the source root the build passes in: __FILE__ may be relative under a compiler cache.
    return QDir::cleanPath(QStringLiteral(STUDIO_SOURCE_DIR "/scripts/smb-share"));
}

QString SmbShare::whyMachineCannotMount()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
        return QStringLiteral("no /dev/fuse on this machine: FUSE mounts are impossible");
    return QString();
}

bool SmbShare::start()
{
    if (isRunning())
        return true;
    m_error.clear();
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("cannot create a temporary folder: %1").arg(m_dir.errorString());
        return false;
    }
    if (!QDir().mkpath(servedPath()) || !QDir().mkpath(mountPath())) {
        m_error = QStringLiteral("cannot create folders in %1").arg(m_dir.path());
        return false;
    }
    const ScriptResult result = runScript({QStringLiteral("start"), servedPath(), mountPath()}, m_shareName);
    if (!result.ok) {
        m_error = result.error;
        return false;
    }
    const QString path = result.out.section(QLatin1Char('\n'), -1);
    if (!QFileInfo(path).isDir()) {
        m_error = QStringLiteral("share path \"%1\" is not a folder").arg(path);
        runScript({QStringLiteral("stop"), mountPath()});
        return false;
    }
    m_sharePath = path;
    return true;
}

bool SmbShare::stopServer()
{
    if (!isRunning())
        return false;
    const ScriptResult result = runScript({QStringLiteral("stop-server"), mountPath()});
    if (!result.ok)
        m_error = result.error;
    return result.ok;
}

void SmbShare::stop()
{
    if (!isRunning())
        return;
    const ScriptResult result = runScript({QStringLiteral("stop"), mountPath()});
    if (!result.ok)
        m_error = result.error;
    m_sharePath.clear();
}

#pragma once

#include <QString>
#include <QTemporaryDir>

// A real SMB share on this machine for end-to-end tests: a private smbd on a
// loopback port serves a temporary folder, smbnetfs mounts it through FUSE
// (scripts/smb-share does both). Every instance has its own share, so tests
// may run side by side. stop() or the destructor takes it down again; should
// the test process die, the script stops the share by itself.
class SmbShare
{
public:
    explicit SmbShare(const QString &shareName = QStringLiteral("studio"));
    ~SmbShare();
    SmbShare(const SmbShare &) = delete;
    SmbShare &operator=(const SmbShare &) = delete;

    // Serves a new empty folder and mounts it; false with errorString() set
    // when the share does not answer (the script gives up after about 20 s).
    bool start();
    void stop();
    // Stops only the server; the mount stays, as after a server that went away.
    bool stopServer();
    bool isRunning() const { return !m_sharePath.isEmpty(); }

    // The share's root as the application sees it: <mountPath>/127.0.0.1:<port>/<shareName>.
    // Its parent folder lists the share like a mount root lists mounted shares.
    QString sharePath() const { return m_sharePath; }
    QString shareName() const { return m_shareName; }
    // The folder smbd serves: what really landed on the share.
    QString servedPath() const;
    // Where smbnetfs is mounted.
    QString mountPath() const;
    QString errorString() const { return m_error; }

    // Empty when this machine can mount FUSE file systems, else why it cannot.
    // Only then may a test skip; any other failure to start is a failure.
    static QString whyMachineCannotMount();
    static QString scriptPath();

private:
    QTemporaryDir m_dir;
    QString m_shareName;
    QString m_sharePath;
    QString m_error;
};

// Starts the share or ends the test: skipped where FUSE is impossible, failed otherwise.
#define SMBSHARE_START(share)                                                         \
    do {                                                                              \
        if (!(share).start()) {                                                       \
            const QString smbShareWhy = SmbShare::whyMachineCannotMount();           \
            if (!smbShareWhy.isEmpty())                                               \
                QSKIP(qPrintable(smbShareWhy));                                       \
            QFAIL(qPrintable(QStringLiteral("SMB share did not start: ") + (share).errorString())); \
        }                                                                             \
    } while (false)

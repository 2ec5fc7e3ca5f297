#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

// Shows a folder of the share in the system file manager.
class SharedFolderOpener : public QObject
{
    Q_OBJECT

public:
    struct OpenResult {
        bool success = false;
        QString errorMsg;
    };

    explicit SharedFolderOpener(QObject *parent = nullptr);
    ~SharedFolderOpener() override;

    // Empty on success, else the text to show the user.
    QString open(const QString &path);
    void cancel(const QString &path);
    bool isProcessing(const QString &path) const;

    // "file://" prefix dropped, backslashes turned, "//" shares given "smb:".
    static QString normalizePath(const QString &path);
    // Runs the file manager for the path and waits for it (blocks the caller).
    static OpenResult openWithTimeout(const QString &path, int timeoutMs);
    // Pings the path's host; a path without a host counts as reachable.
    static bool isNetworkPathReachable(const QString &path, int timeoutMs);

    // The programs run for opening and probing; tests point them elsewhere.
    static QString fileManagerProgram();
    static void setFileManagerProgram(const QString &program);
    static QString pingProgram();
    static void setPingProgram(const QString &program);

signals:
    void stateChanged(QString path, bool isProcessing);
    void finished(QString path, bool success, QString errorMsg);

private:
    QSet<QString> processingPaths;
    QThreadPool threadPool;
};

#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

// A small tmpfs mounted on a folder while in scope: a share that runs out of
// space for real. Mounting needs root; isMounted() tells whether it worked.
class SmallTmpfs
{
public:
    explicit SmallTmpfs(const QString &folder, const QString &size = QStringLiteral("1m"))
        : m_folder(folder)
    {
        QDir().mkpath(folder);
        m_mounted = QProcess::execute(QStringLiteral("mount"),
                                      {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                       QStringLiteral("size=") + size, QStringLiteral("tmpfs"), folder})
                    == 0;
    }
    ~SmallTmpfs()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_folder});
    }
    SmallTmpfs(const SmallTmpfs &) = delete;
    SmallTmpfs &operator=(const SmallTmpfs &) = delete;

    bool isMounted() const { return m_mounted; }

    // Fills the space with a file "filler", leaving about `leave` bytes free.
    bool fill(qint64 leave = 0) const
    {
        QFile filler(m_folder + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray page(4096, 'f');
        while (filler.write(page) == page.size()) {
        }
        return filler.resize(qMax<qint64>(0, filler.size() - leave));
    }

private:
    QString m_folder;
    bool m_mounted = false;
};

#pragma once

#include <QDir>
#include <QFile>

#include <sys/mount.h>

// A folder mounted on another while in scope, as a share on its mount point
// (needs root). unmount() is lazy and works from any thread: the mount point
// is left behind empty, as an unmounted share leaves it.
class BindMount
{
public:
    BindMount(const QString &source, const QString &target)
        : m_target(QFile::encodeName(target))
    {
        QDir().mkpath(target);
        m_mounted = ::mount(QFile::encodeName(source).constData(), m_target.constData(), nullptr, MS_BIND, nullptr) == 0;
    }
    ~BindMount() { unmount(); }
    bool isMounted() const { return m_mounted; }
    // Writes through the mount then fail with EROFS, even for root.
    bool makeReadOnly()
    {
        return m_mounted && ::mount(nullptr, m_target.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }
    void unmount()
    {
        if (m_mounted)
            ::umount2(m_target.constData(), MNT_DETACH);
        m_mounted = false;
    }

private:
    QByteArray m_target;
    bool m_mounted = false;
};

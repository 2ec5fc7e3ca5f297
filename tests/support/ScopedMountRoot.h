#pragma once

#include "platform/MountRoot.h"
#include "support/ScopedEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

// A temporary folder that stands for the share's mount root while in scope.
// Its shares are plain local folders, so STUDIO_LOCAL_SHARES=1 is set as long
// (tests of real mounts unset it again inside, with a ScopedEnvironment).
class ScopedMountRoot
{
public:
    ScopedMountRoot() { MountRoot::setPath(m_dir.path()); }
    ~ScopedMountRoot() { MountRoot::reset(); }
    ScopedMountRoot(const ScopedMountRoot &) = delete;
    ScopedMountRoot &operator=(const ScopedMountRoot &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    // The root, ending with "/".
    QString path() const { return MountRoot::path(); }
    // A folder below the root, created with its parents.
    QString mkpath(const QString &relative) const
    {
        QDir(m_dir.path()).mkpath(relative);
        return m_dir.path() + QLatin1Char('/') + relative;
    }

private:
    ScopedEnvironment m_localShares{"STUDIO_LOCAL_SHARES", QByteArrayLiteral("1")};
    QTemporaryDir m_dir;
};

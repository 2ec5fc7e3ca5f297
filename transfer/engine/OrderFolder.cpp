#include "transfer/engine/OrderFolder.h"

#include "app/core/K.h"
#include "platform/MountRoot.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString withoutSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

} // namespace

bool OrderFolder::resolve(const QString &named, const ShareGuard &share, bool make)
{
    m_named = named;
    m_real.clear();
    m_resolved.clear();
    m_link = ShareGuard::linkOnTheWay(named);
    if (isLinked())
        return false;
    if (!share.holds(named))
        return false;
    // Made only below the share pinned for the run, never in an empty mount point.
    if (make && !QFileInfo(named).isDir())
        share.makePath(named);
    const QFileInfo folder(named);
    const QString real = ShareGuard::realPlace(named);
    const QString shareReal = QFileInfo(share.shareFolder()).canonicalFilePath();
    if (!folder.isDir() || real.isEmpty() || shareReal.isEmpty() || !MountRoot::isStrictlyBelow(real, shareReal))
        return false;
    m_real = real;
    m_resolved = withoutSlash(share.shareFolder() + real.mid(shareReal.size() + 1));
    return true;
}

bool OrderFolder::stillResolves() const
{
    return isResolved() && QFileInfo(m_named).canonicalFilePath() == m_real;
}

QString OrderFolder::problem() const
{
    if (isLinked())
        return K::orderFolderLinkMessage(m_link);
    if (!isResolved())
        return QStringLiteral("无法访问订单目录: %1").arg(m_named);
    return QStringLiteral("订单目录已变更，不再指向开始导片时的目录: %1").arg(m_named);
}

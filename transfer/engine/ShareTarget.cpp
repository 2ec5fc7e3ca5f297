#include "transfer/engine/ShareTarget.h"

#include "app/core/AtomicFile.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/SameFileContent.h"
#include "transfer/engine/FolderListing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool fileHolds(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.size() == bytes.size() && file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
}

// The folder of a write, held open: after a lazy unmount its path leads to the
// empty mount point, while this handle still reaches the share itself.
class HeldFolder
{
public:
    explicit HeldFolder(const QString &folder)
        : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
    }
    ~HeldFolder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    HeldFolder(const HeldFolder &) = delete;
    HeldFolder &operator=(const HeldFolder &) = delete;

    // Removes the temporaries a failed write of name left behind (the atomic
    // writer names them "." + name + ".part-" + a random tail).
    void removeTemporariesOf(const QString &name) const
    {
        if (m_fd < 0)
            return;
        const QByteArray prefix = QFile::encodeName(QStringLiteral(".") + name.left(64) + QStringLiteral(".part-"));
        const int listing = ::dup(m_fd);
        DIR *dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
        if (!dir) {
            if (listing >= 0)
                ::close(listing);
            return;
        }
        ::rewinddir(dir);
        while (const dirent *entry = ::readdir(dir)) {
            if (::strncmp(entry->d_name, prefix.constData(), size_t(prefix.size())) == 0)
                ::unlinkat(m_fd, entry->d_name, 0);
        }
        ::closedir(dir);
    }

private:
    int m_fd = -1;
};

} // namespace

ShareTarget::ShareTarget(const QString &path) : m_path(path) {}

ShareTarget::ShareTarget(const QString &path, const ShareGuard &share, bool replaceConfirmed,
                         FolderListing *listing)
    : m_path(path), m_share(share), m_guarded(true), m_replaceConfirmed(replaceConfirmed), m_listing(listing)
{
}

QString ShareTarget::problem() const
{
    switch (m_outcome) {
    case Refused:
        return QStringLiteral("目标位置已有同名的其他文件，未替换: %1").arg(m_existing);
    case ShareGone:
        return K::missingShareMessage(m_share.isPinned() ? m_share.shareFolder() : QFileInfo(m_path).path());
    default:
        return QString();
    }
}

bool ShareTarget::write(const QByteArray &bytes, QString *error)
{
    return place([&](QString *why) { return AtomicFile::write(bytes, m_path, why); },
                 [&](const QString &existing) { return fileHolds(existing, bytes); }, error);
}

bool ShareTarget::copy(const QString &source, QString *error)
{
    return place([&](QString *why) { return AtomicFile::copy(source, m_path, why); },
                 [&](const QString &existing) { return sameFileContent(source, existing); }, error);
}

bool ShareTarget::fail(Outcome outcome, QString *error)
{
    m_outcome = outcome;
    if (error && (outcome == Refused || outcome == ShareGone))
        *error = problem();
    return false;
}

bool ShareTarget::place(const Writer &writeIt, const SameBytes &sameBytes, QString *error)
{
    if (!m_guarded) {
        m_outcome = writeIt(error) ? Written : Failed;
        return m_outcome == Written;
    }
    // Looked at right before each write: the share may have gone since the last file.
    if (!m_share.holds(m_path))
        return fail(ShareGone, error);
    const QFileInfo target(m_path);
    const QString folder = target.path();
    // The name itself as it is now, and its look-alikes from the run's listing that are still there.
    QStringList existing;
    if (target.exists())
        existing.append(target.fileName());
    const QStringList listed = m_listing ? m_listing->lookAlikes(folder, target.fileName())
                                         : FolderListing::lookAlikesNow(folder, target.fileName());
    for (const QString &name : listed) {
        if (name != target.fileName() && QFileInfo::exists(QDir(folder).filePath(name)))
            existing.append(name);
    }
    const auto alreadyThere = [&](const QString &name) { return sameBytes(QDir(folder).filePath(name)); };
    if (existing.contains(target.fileName()) && alreadyThere(target.fileName())) {
        m_outcome = AlreadyThere;
        if (m_replaceConfirmed)
            removeOtherForms(existing);
        return true;
    }
    if (!existing.isEmpty() && !m_replaceConfirmed) {
        // Without a yes only a file with the copy's own bytes may stand there.
        if (std::any_of(existing.cbegin(), existing.cend(), alreadyThere)) {
            m_outcome = AlreadyThere;
            return true;
        }
        m_existing = QDir(folder).filePath(existing.first());
        qCWarning(lcTransfer) << "目标位置已有同名的其他文件，未替换:" << m_existing;
        return fail(Refused, error);
    }
    const HeldFolder held(folder);
    if (!m_share.holds(m_path))
        return fail(ShareGone, error);
    if (!writeIt(error)) {
        held.removeTemporariesOf(target.fileName());
        return fail(m_share.stillThere() ? Failed : ShareGone, error);
    }
    m_outcome = Written;
    if (!existing.isEmpty())
        removeOtherForms(existing);
    return true;
}

void ShareTarget::removeOtherForms(const QStringList &forms) const
{
    // The new file takes the place of its look-alikes once it is whole. A share
    // that folds names itself shows the new file under both forms: only a form
    // with other bytes than the new file is another file.
    const QFileInfo target(m_path);
    for (const QString &name : forms) {
        const QString other = QDir(target.path()).filePath(name);
        if (name == target.fileName() || !QFileInfo::exists(other) || !target.exists()
            || sameFileContent(m_path, other))
            continue;
        if (!m_share.holds(other) || !AtomicFile::remove(AT_FDCWD, QFile::encodeName(other)))
            qCWarning(lcTransfer) << "无法删除被替换的同名文件:" << other;
    }
}

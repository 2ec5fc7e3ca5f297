#include "transfer/engine/ShareTarget.h"

#include "app/core/AtomicFile.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/SameFileContent.h"
#include "transfer/engine/FolderListing.h"
#include "transfer/engine/ReplaceGate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool fileHolds(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.size() == bytes.size() && file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
}

} // namespace

// The folder of a write, held open: after a lazy unmount its path leads to the
// empty mount point, while this handle still reaches the share itself.
class ShareTarget::HeldFolder
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

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    bool rename(const QString &from, const QString &to) const
    {
        return m_fd >= 0
            && ::renameat(m_fd, QFile::encodeName(from).constData(), m_fd, QFile::encodeName(to).constData()) == 0;
    }

    qint64 sizeOf(const QString &name) const
    {
        struct stat info;
        if (m_fd < 0 || ::fstatat(m_fd, QFile::encodeName(name).constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            return -1;
        return qint64(info.st_size);
    }

    bool remove(const QString &name) const
    {
        return m_fd >= 0 && AtomicFile::remove(m_fd, QFile::encodeName(name));
    }

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
    case NotReplaced:
        return QStringLiteral("同一照片的其他副本未能写入，原有文件未替换: %1").arg(m_path);
    case Failed:
        return m_failure;
    default:
        return QString();
    }
}

void ShareTarget::setReplaceGate(std::shared_ptr<ReplaceGate> gate, int copy)
{
    m_gate = std::move(gate);
    m_copy = copy;
}

bool ShareTarget::write(const QByteArray &bytes, QString *error)
{
    return place([&](const QString &to, int folderFd, QString *why) {
                     return AtomicFile::write(bytes, to, why, folderFd);
                 },
                 [&](const QString &existing) { return fileHolds(existing, bytes); }, error);
}

bool ShareTarget::copy(const QString &source, QString *error)
{
    return place([&](const QString &to, int folderFd, QString *why) {
                     return AtomicFile::copy(source, to, why, folderFd);
                 },
                 [&](const QString &existing) { return sameFileContent(source, existing); }, error);
}

bool ShareTarget::fail(Outcome outcome, QString *error)
{
    m_outcome = outcome;
    // The write's own words: the user sees why it failed, not only that it did.
    if (outcome == Failed && error)
        m_failure = *error;
    if (error && (outcome == Refused || outcome == ShareGone || outcome == NotReplaced))
        *error = problem();
    return false;
}

bool ShareTarget::place(const Writer &writeIt, const SameBytes &sameBytes, QString *error)
{
    QString own; // kept for problem() when the caller wants no text
    if (!error)
        error = &own;
    if (!m_guarded) {
        m_outcome = writeIt(m_path, -1, error) ? Written : Failed;
        return m_outcome == Written;
    }
    // Looked at right before each write: the share may have gone since the last file.
    if (!m_share.holds(m_path))
        return fail(ShareGone, error);
    const QFileInfo target(m_path);
    const QString folder = target.path();
    const QString name = target.fileName();
    // Held from here on: after a lazy unmount this handle still reaches the share.
    auto held = std::make_shared<HeldFolder>(folder);
    // A killed run's cut copies go with the next run into the folder; one
    // touched within the hour may still be another client's write.
    if (m_listing && held->isOpen() && m_listing->firstVisit(folder))
        AtomicFile::removeStaleTemporaries(held->fd(), AtomicFile::kStaleTemporarySecs);
    // The listing says which form of the name stands in the folder: a share
    // that folds names answers for the name under any of its forms.
    const QStringList listed = m_listing ? m_listing->lookAlikes(folder, name)
                                         : FolderListing::lookAlikesNow(folder, name);
    QStringList others;
    for (const QString &form : listed) {
        if (form != name && QFileInfo::exists(QDir(folder).filePath(form)))
            others.append(form);
    }
    const bool there = target.exists() && others.isEmpty();
    const auto alreadyThere = [&](const QString &form) { return sameBytes(QDir(folder).filePath(form)); };
    const auto found = [&](const QString &form) {
        m_outcome = AlreadyThere;
        m_size = QFileInfo(QDir(folder).filePath(form)).size();
        m_held = held;
        return true;
    };
    if (there && alreadyThere(name))
        return found(name);
    if (!others.isEmpty() || (there && !m_replaceConfirmed)) {
        // Only a file with the copy's own bytes may stand there; a yes replaces a
        // file under its own name only, never another form beside or over it.
        const auto same = std::find_if(others.cbegin(), others.cend(), alreadyThere);
        if (same != others.cend())
            return found(*same);
        m_existing = QDir(folder).filePath(others.isEmpty() ? name : others.first());
        qCWarning(lcTransfer) << "目标位置已有同名的其他文件，未替换:" << m_existing;
        return fail(Refused, error);
    }
    if (!m_share.holds(m_path))
        return fail(ShareGone, error);
    if (!held->isOpen()) {
        if (error)
            *error = QStringLiteral("无法打开目标目录: %1").arg(folder);
        return fail(Failed, error);
    }
    if (there && m_gate) {
        if (!replaceAtGate(writeIt, *held, error))
            return false;
    } else if (!writeIt(m_path, held->fd(), error)) {
        held->removeTemporariesOf(name);
        return fail(m_share.stillThere() ? Failed : ShareGone, error);
    }
    m_outcome = Written;
    m_tookPlace = there;
    m_size = held->sizeOf(name);
    m_held = std::move(held);
    return true;
}

bool ShareTarget::replaceAtGate(const Writer &writeIt, const HeldFolder &held, QString *error)
{
    const QString name = QFileInfo(m_path).fileName();
    // Named as a failed write's leftovers are, so a cleanup finds it too.
    const QString staged = QStringLiteral(".") + name.left(64) + QStringLiteral(".part-r")
        + QString::number(QRandomGenerator::global()->generate64(), 36).left(10).rightJustified(10, QLatin1Char('0'));
    if (!writeIt(QFileInfo(m_path).dir().filePath(staged), held.fd(), error)) {
        held.removeTemporariesOf(name);
        return fail(m_share.stillThere() ? Failed : ShareGone, error);
    }
    if (!m_gate->waitForAll(m_copy)) {
        held.remove(staged);
        return fail(NotReplaced, error);
    }
    if (!held.rename(staged, name)) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        held.remove(staged);
        if (error)
            *error = QStringLiteral("无法写入 %1: %2").arg(m_path, why);
        return fail(Failed, error);
    }
    return true;
}

bool ShareTarget::takeBack()
{
    if (m_outcome != Written || m_tookPlace || !m_held)
        return false;
    const bool removed = m_held->remove(QFileInfo(m_path).fileName());
    if (!removed)
        qCWarning(lcTransfer) << "无法删除未上报的照片:" << m_path;
    m_outcome = Failed;
    m_held.reset();
    return removed;
}

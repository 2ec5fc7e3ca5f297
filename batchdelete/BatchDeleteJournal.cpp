#include "batchdelete/BatchDeleteJournal.h"

#include "app/core/Logging.h"
#include "app/core/ServiceReply.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kAction = QStringLiteral("a");
const QString kRecord = QStringLiteral("+");
const QString kClear = QStringLiteral("-");
// Compacting rewrites every live line: only worth it once most lines are cleared.
constexpr int kCompactAfter = 4096;

// 0 once the folder is there, made as needed; else the errno that kept it from being made.
int makeFolder(const QString &folder)
{
    const QByteArray encoded = QFile::encodeName(folder);
    struct stat info;
    if (::stat(encoded.constData(), &info) == 0)
        return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT)
        return errno;
    const QString parent = QFileInfo(folder).path();
    if (parent != folder) {
        if (const int error = makeFolder(parent))
            return error;
    }
    if (::mkdir(encoded.constData(), 0777) != 0 && errno != EEXIST)
        return errno;
    return 0;
}
} // namespace

BatchDeleteJournal::BatchDeleteJournal(const QString &path)
    : m_path(path)
    , m_lock(path + QStringLiteral(".lock"))
{
    // Held for as long as the window is open, however long that is.
    m_lock.setStaleLockTime(0);
}

BatchDeleteJournal::~BatchDeleteJournal()
{
    m_file.close();
    m_mainFile.close();
    // A file of this window's own with nothing owed in it is of no use to anyone.
    if (!m_sidePath.isEmpty() && m_live.size() == m_inJournal.size())
        QFile::remove(m_sidePath);
}

QString BatchDeleteJournal::defaultPath()
{
    // The user's data folder, not the runtime one: on Linux that is emptied at
    // logout, and the journal must outlive the session that wrote it.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/pindleyun_tools/batchdelete-journal");
}

QByteArray BatchDeleteJournal::recordLine(const Entry &entry)
{
    const QJsonObject object{{kAction, kRecord},
                             {QStringLiteral("shopid"), entry.ids.shopId},
                             {QStringLiteral("eid"), entry.ids.managerId},
                             {QStringLiteral("superid"), entry.ids.superId},
                             {QStringLiteral("order_photo_id"), entry.orderPhotoId},
                             {QStringLiteral("picpath"), entry.filePath},
                             {QStringLiteral("picname"), entry.fileName}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray BatchDeleteJournal::clearLine(const QString &filePath)
{
    const QJsonObject object{{kAction, kClear}, {QStringLiteral("picpath"), filePath}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QList<BatchDeleteJournal::Entry> BatchDeleteJournal::read(const QString &path)
{
    QHash<QString, Entry> live;
    QList<QString> order;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.exists())
            qCWarning(lcBatchDelete) << "删除记录无法读取:" << path << file.errorString();
        return {};
    }
    while (!file.atEnd()) {
        const QJsonObject object = QJsonDocument::fromJson(file.readLine()).object();
        const QString filePath = object.value(QStringLiteral("picpath")).toString();
        if (filePath.isEmpty())
            continue;
        const QString action = object.value(kAction).toString();
        if (action == kClear) {
            live.remove(filePath);
        } else if (action == kRecord) {
            Entry entry;
            // Written as text; read as every id of the service is, so a number is its digits.
            entry.ids.shopId = ServiceReply::idText(object.value(QStringLiteral("shopid")));
            entry.ids.managerId = ServiceReply::idText(object.value(QStringLiteral("eid")));
            entry.ids.superId = ServiceReply::idText(object.value(QStringLiteral("superid")));
            entry.orderPhotoId = ServiceReply::idText(object.value(QStringLiteral("order_photo_id")));
            entry.filePath = filePath;
            entry.fileName = object.value(QStringLiteral("picname")).toString();
            if (!live.contains(filePath))
                order.append(filePath);
            live.insert(filePath, entry);
        }
    }
    QList<Entry> entries;
    for (const QString &filePath : qAsConst(order)) {
        const auto found = live.constFind(filePath);
        if (found != live.constEnd())
            entries.append(*found);
    }
    return entries;
}

QList<BatchDeleteJournal::Entry> BatchDeleteJournal::load()
{
    m_loaded = true;
    if (!m_holdsLock)
        takeLockAndReadLeftovers();
    if (m_holdsLock)
        takeInFilesOfWindowsGone();
    return entries();
}

void BatchDeleteJournal::takeLockAndReadLeftovers()
{
    makeFolder(QFileInfo(m_path).absolutePath());
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() != QLockFile::LockFailedError)
            qCWarning(lcBatchDelete) << "删除记录无法加锁:" << m_path << m_lock.error();
        return;
    }
    m_holdsLock = true;
    const bool ownIsJournal = m_sidePath.isEmpty();
    for (const Entry &entry : read(m_path)) {
        if (m_live.contains(entry.filePath))
            continue;
        insertLive(entry);
        if (!ownIsJournal)
            m_inJournal.insert(entry.filePath);
    }
    QString error;
    if (!compact(&error))
        qCWarning(lcBatchDelete) << "删除记录无法整理:" << error;
}

void BatchDeleteJournal::takeInFilesOfWindowsGone()
{
    const QFileInfo journal(m_path);
    const QRegularExpression ownFile(QStringLiteral("^%1-\\d+-\\d+$")
                                         .arg(QRegularExpression::escape(journal.fileName())));
    const QDir folder = journal.absoluteDir();
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        const QString path = folder.filePath(name);
        if (!ownFile.match(name).hasMatch() || path == m_sidePath)
            continue;
        QLockFile lock(path + QStringLiteral(".lock"));
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0))
            continue; // its window is still open
        QByteArray lines;
        const QList<Entry> left = read(path);
        for (const Entry &entry : left) {
            if (!m_live.contains(entry.filePath))
                lines += recordLine(entry);
        }
        QString error;
        const bool ownIsJournal = m_sidePath.isEmpty();
        if (!lines.isEmpty() && !append(ownIsJournal ? m_file : m_mainFile, m_path, lines, true, &error)) {
            qCWarning(lcBatchDelete) << "删除记录无法合并:" << path << error;
            continue; // its file stays for a later look
        }
        for (const Entry &entry : left) {
            if (m_live.contains(entry.filePath))
                continue;
            insertLive(entry);
            if (!ownIsJournal)
                m_inJournal.insert(entry.filePath);
        }
        QFile::remove(path);
    }
}

int BatchDeleteJournal::lockError(const QString &path)
{
    // The lock file says only that it could not be made: a file like it, made
    // and written beside it, says why (a full disk lets the name be made and
    // refuses its content).
    const QByteArray probe = QFile::encodeName(path + QStringLiteral(".probe"));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    const QByteArray content(256, 'x');
    int error = 0;
    for (qint64 done = 0; done < content.size() && error == 0;) {
        const ssize_t written = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (written > 0)
            done += written;
        else if (written == 0)
            error = ENOSPC;
        else if (errno != EINTR)
            error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    ::close(fd);
    ::unlink(probe.constData());
    return error != 0 ? error : EBUSY;
}

QList<BatchDeleteJournal::Entry> BatchDeleteJournal::entries() const
{
    QList<Entry> list;
    for (const QString &path : m_order) {
        const auto found = m_live.constFind(path);
        if (found != m_live.constEnd())
            list.append(*found);
    }
    return list;
}

QString BatchDeleteJournal::ownPath() const
{
    return m_sidePath.isEmpty() ? m_path : m_sidePath;
}

void BatchDeleteJournal::insertLive(const Entry &entry)
{
    if (!m_live.contains(entry.filePath))
        m_order.append(entry.filePath);
    m_live.insert(entry.filePath, entry);
}

QString BatchDeleteJournal::failure(const QString &path, int error)
{
    return QStringLiteral("%1：%2").arg(path, BatchDeleteLogic::writeErrorText(error));
}

QString BatchDeleteJournal::folderFailure(const QString &path, int error)
{
    return QStringLiteral("%1：无法创建所在目录，%2").arg(path, BatchDeleteLogic::writeErrorText(error));
}

bool BatchDeleteJournal::append(QFile &file, const QString &path, const QByteArray &lines, bool sync, QString *error)
{
    // Plain calls, so that what went wrong is known by its errno, not a number or an English text.
    if (!file.isOpen()) {
        if (const int made = makeFolder(QFileInfo(path).absolutePath())) {
            *error = folderFailure(path, made);
            return false;
        }
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            *error = failure(path, errno);
            return false;
        }
        file.setFileName(path);
        if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                       QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            *error = QStringLiteral("%1：%2").arg(path, file.errorString());
            return false;
        }
    }
    const int fd = file.handle();
    struct stat info;
    const off_t before = ::fstat(fd, &info) == 0 ? info.st_size : 0;
    int problem = 0;
    for (qint64 done = 0; done < lines.size() && problem == 0;) {
        const ssize_t written = ::write(fd, lines.constData() + done, size_t(lines.size() - done));
        if (written >= 0)
            done += written;
        else if (errno != EINTR)
            problem = errno;
    }
    if (problem == 0 && sync && ::fsync(fd) != 0)
        problem = errno;
    if (problem == 0)
        return true;
    *error = failure(path, problem);
    // A cut line would swallow the next line written after it: back to the last whole one.
    if (::ftruncate(fd, before) != 0)
        qCWarning(lcBatchDelete) << "删除记录无法截回:" << path << BatchDeleteLogic::writeErrorText(errno);
    file.close();
    return false;
}

bool BatchDeleteJournal::record(const QList<Entry> &entries, QString *error)
{
    if (!m_loaded)
        load();
    // Without its folder no lock can be had either: say why the folder is missing.
    if (const int made = makeFolder(QFileInfo(m_path).absolutePath())) {
        *error = folderFailure(m_path, made);
        return false;
    }
    if (!m_holdsLock && m_sidePath.isEmpty()) {
        // Another window owns the journal: this one's entries go to a file of its own.
        static std::atomic<int> windows{0};
        QString side;
        do {
            side = m_path + QStringLiteral("-%1-%2").arg(QCoreApplication::applicationPid()).arg(++windows);
        } while (QFile::exists(side));
        auto lock = std::make_unique<QLockFile>(side + QStringLiteral(".lock"));
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0)) {
            *error = failure(m_path, lockError(side));
            return false;
        }
        m_sidePath = side;
        m_sideLock = std::move(lock);
    }
    QByteArray lines;
    for (const Entry &entry : entries)
        lines += recordLine(entry);
    // Whole on disk before any of these files is touched.
    if (!append(m_file, ownPath(), lines, true, error))
        return false;
    for (const Entry &entry : entries)
        insertLive(entry);
    return true;
}

void BatchDeleteJournal::clear(const QString &filePath)
{
    if (!m_live.remove(filePath))
        return;
    QString error;
    // A lost clear line only repeats an accepted report later: no sync needed.
    const bool inJournal = m_inJournal.remove(filePath);
    if (!append(inJournal ? m_mainFile : m_file, inJournal ? m_path : ownPath(), clearLine(filePath), false, &error))
        qCWarning(lcBatchDelete) << "删除记录无法写入:" << error;
    if (m_holdsLock && m_sidePath.isEmpty() && ++m_clearedSinceCompact >= kCompactAfter
        && m_clearedSinceCompact > 2 * m_live.size()) {
        if (!compact(&error))
            qCWarning(lcBatchDelete) << "删除记录无法整理:" << error;
    }
}

bool BatchDeleteJournal::compact(QString *error)
{
    // Only the journal's owner rewrites it; nobody else has it open meanwhile.
    if (!m_holdsLock)
        return true;
    const bool ownIsJournal = m_sidePath.isEmpty();
    (ownIsJournal ? m_file : m_mainFile).close();
    m_clearedSinceCompact = 0;
    const QList<Entry> all = entries();
    QList<Entry> live;
    m_order.clear();
    for (const Entry &entry : all) {
        m_order.append(entry.filePath);
        if (ownIsJournal || m_inJournal.contains(entry.filePath))
            live.append(entry);
    }
    if (live.isEmpty()) {
        if (QFile::exists(m_path) && !QFile::remove(m_path)) {
            *error = m_path;
            return false;
        }
        return true;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1：%2").arg(m_path, file.errorString());
        return false;
    }
    for (const Entry &entry : live)
        file.write(recordLine(entry));
    if (!file.commit()) {
        *error = QStringLiteral("%1：%2").arg(m_path, file.errorString());
        return false;
    }
    return true;
}

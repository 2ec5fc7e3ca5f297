#include "batchdelete/BatchDeleteJournal.h"

#include "app/core/Logging.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {
const QString kAction = QStringLiteral("a");
const QString kRecord = QStringLiteral("+");
const QString kClear = QStringLiteral("-");
// Compacting rewrites every live line: only worth it once most lines are cleared.
constexpr int kCompactAfter = 4096;
} // namespace

BatchDeleteJournal::BatchDeleteJournal(const QString &path)
    : m_path(path)
{
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

QList<BatchDeleteJournal::Entry> BatchDeleteJournal::load()
{
    m_file.close();
    m_live.clear();
    m_order.clear();
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.atEnd()) {
            const QJsonObject object = QJsonDocument::fromJson(file.readLine()).object();
            const QString path = object.value(QStringLiteral("picpath")).toString();
            if (path.isEmpty())
                continue;
            const QString action = object.value(kAction).toString();
            if (action == kClear) {
                m_live.remove(path);
            } else if (action == kRecord) {
                Entry entry;
                entry.ids.shopId = object.value(QStringLiteral("shopid")).toString();
                entry.ids.managerId = object.value(QStringLiteral("eid")).toString();
                entry.ids.superId = object.value(QStringLiteral("superid")).toString();
                entry.orderPhotoId = object.value(QStringLiteral("order_photo_id")).toString();
                entry.filePath = path;
                entry.fileName = object.value(QStringLiteral("picname")).toString();
                if (!m_live.contains(path))
                    m_order.append(path);
                m_live.insert(path, entry);
            }
        }
    } else if (file.exists()) {
        qCWarning(lcBatchDelete) << "删除记录无法读取:" << m_path << file.errorString();
    }
    QString error;
    if (!compact(&error))
        qCWarning(lcBatchDelete) << "删除记录无法整理:" << error;
    return entries();
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

bool BatchDeleteJournal::openForAppend(QString *error)
{
    if (m_file.isOpen())
        return true;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = QStringLiteral("%1：%2").arg(m_path, m_file.errorString());
        return false;
    }
    return true;
}

bool BatchDeleteJournal::record(const QList<Entry> &entries, QString *error)
{
    if (!openForAppend(error))
        return false;
    QByteArray lines;
    for (const Entry &entry : entries)
        lines += recordLine(entry);
    // Whole on disk before any of these files is touched.
    if (m_file.write(lines) != lines.size() || !m_file.flush() || ::fsync(m_file.handle()) != 0) {
        *error = QStringLiteral("%1：%2").arg(m_path, m_file.errorString());
        m_file.close();
        return false;
    }
    for (const Entry &entry : entries) {
        if (!m_live.contains(entry.filePath))
            m_order.append(entry.filePath);
        m_live.insert(entry.filePath, entry);
    }
    return true;
}

void BatchDeleteJournal::clear(const QString &filePath)
{
    if (!m_live.remove(filePath))
        return;
    QString error;
    // A lost clear line only repeats an accepted report later: no sync needed.
    const QByteArray line = clearLine(filePath);
    if (!openForAppend(&error) || m_file.write(line) != line.size() || !m_file.flush())
        qCWarning(lcBatchDelete) << "删除记录无法写入:" << error << m_file.errorString();
    if (++m_clearedSinceCompact >= kCompactAfter && m_clearedSinceCompact > 2 * m_live.size()) {
        if (!compact(&error))
            qCWarning(lcBatchDelete) << "删除记录无法整理:" << error;
    }
}

bool BatchDeleteJournal::compact(QString *error)
{
    m_file.close();
    m_clearedSinceCompact = 0;
    const QList<Entry> live = entries();
    m_order.clear();
    for (const Entry &entry : live)
        m_order.append(entry.filePath);
    if (live.isEmpty()) {
        if (QFile::exists(m_path) && !QFile::remove(m_path)) {
            *error = m_path;
            return false;
        }
        return true;
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
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

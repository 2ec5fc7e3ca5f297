#pragma once

#include "batchdelete/BatchDeleteLogic.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QString>

// Files the tool removes from the share whose removal the service has not yet
// accepted. An entry is on disk before its file is removed and is cleared when
// the report is accepted (or the file was not removed), so a run that is
// killed, closed or given up leaves exactly the reports still owed.
// Append-only lines, compacted when read and when mostly cleared.
class BatchDeleteJournal
{
public:
    struct Entry
    {
        BatchDeleteLogic::Ids ids;
        QString orderPhotoId;
        QString filePath;
        QString fileName;
    };

    explicit BatchDeleteJournal(const QString &path);
    // In the user's data folder.
    static QString defaultPath();

    QString path() const { return m_path; }
    // Reads what earlier runs left and rewrites the file with only that.
    QList<Entry> load();
    // Writes the entries and syncs them to disk; false with the reason when
    // they are not safely there, and then no file of them may be removed.
    bool record(const QList<Entry> &entries, QString *error);
    bool contains(const QString &filePath) const { return m_live.contains(filePath); }
    // The report was accepted, or the file was never removed.
    void clear(const QString &filePath);
    QList<Entry> entries() const;
    int size() const { return m_live.size(); }

    // Reading and writing of one line; a torn or foreign line gives no entry.
    static QByteArray recordLine(const Entry &entry);
    static QByteArray clearLine(const QString &filePath);

private:
    bool openForAppend(QString *error);
    bool compact(QString *error);

    QString m_path;
    QFile m_file;
    QHash<QString, Entry> m_live;
    // Order in which live entries were recorded, with cleared ones left as holes.
    QList<QString> m_order;
    int m_clearedSinceCompact = 0;
};

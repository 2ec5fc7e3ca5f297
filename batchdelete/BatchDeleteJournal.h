#pragma once

#include "batchdelete/BatchDeleteLogic.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QLockFile>
#include <QSet>
#include <QString>

#include <memory>

// Files the tool removes from the share whose removal the service has not yet
// accepted. An entry is on disk before its file is removed and is cleared when
// the report is accepted (or the file was not removed), so a run that is
// killed, closed or given up leaves exactly the reports still owed.
// Append-only lines, compacted when read and when mostly cleared.
//
// Several windows (of one program or of several) may be open: the one that
// holds the lock beside the journal owns it and the reports left by windows
// that are gone. Any other writes its own entries to a file of its own beside
// the journal, under a lock of its own, and never rewrites or clears what it
// does not own; once the journal's lock is free it takes it over.
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
    ~BatchDeleteJournal();
    // In the user's data folder.
    static QString defaultPath();

    QString path() const { return m_path; }
    // Takes the journal's lock when it is free and then reads what windows
    // now gone left, in the journal and in their own files (which are taken
    // into the journal); rewrites the journal with only what is live. Safe to
    // call again: each call tries the lock and looks for windows gone since.
    // Returns every live entry; while another window holds the lock that is
    // only this window's own.
    QList<Entry> load();
    bool holdsLock() const { return m_holdsLock; }
    // Writes the entries and syncs them to disk; false with the reason when
    // they are not safely there, and then no file of them may be removed.
    bool record(const QList<Entry> &entries, QString *error);
    bool contains(const QString &filePath) const { return m_live.contains(filePath); }
    // The report was accepted, or the file was never removed.
    void clear(const QString &filePath);
    QList<Entry> entries() const;
    int size() const { return m_live.size(); }

    // The live entries of one journal file as written, without any lock.
    static QList<Entry> read(const QString &path);
    // Reading and writing of one line; a torn or foreign line gives no entry.
    static QByteArray recordLine(const Entry &entry);
    static QByteArray clearLine(const QString &filePath);

private:
    void takeLockAndReadLeftovers();
    void takeInFilesOfWindowsGone();
    QString ownPath() const;
    bool append(QFile &file, const QString &path, const QByteArray &lines, bool sync, QString *error);
    static QString failure(const QString &path, int error);
    // The journal's folder could not be made.
    static QString folderFailure(const QString &path, int error);
    // The errno that kept a lock file beside path from being made.
    static int lockError(const QString &path);
    bool compact(QString *error);
    void insertLive(const Entry &entry);

    QString m_path;
    QLockFile m_lock;
    bool m_holdsLock = false;
    bool m_loaded = false;
    // This window's own file and its lock while another window held the journal's.
    QString m_sidePath;
    std::unique_ptr<QLockFile> m_sideLock;
    QFile m_file;     // appends to ownPath()
    QFile m_mainFile; // appends to the journal when the own file is another
    QHash<QString, Entry> m_live;
    // Live entries on the journal itself while the own file is another.
    QSet<QString> m_inJournal;
    // Order in which live entries were recorded, with cleared ones left as holes.
    QList<QString> m_order;
    int m_clearedSinceCompact = 0;
};

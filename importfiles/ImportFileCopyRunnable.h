#pragma once

#include "importfiles/ImportFile.h"
#include "importfiles/ImportRules.h"
#include "platform/ShareGuard.h"

#include <QObject>
#include <QRunnable>

#include <atomic>
#include <memory>

// Copies one chosen file into its target folder on a pool thread and
// reports the outcome with its own copy of the record. The new file is
// written under a locked temporary name beside the target and renamed into
// place only when complete, so the folder never holds a partial photo under
// its real name. Another file of the same name is replaced only when the
// record allows it, under the name it has on the share; one with the same
// bytes counts as copied. With the run's
// share guard, nothing is made or written once the share has gone: the
// mount point it leaves behind is the local disk.
class ImportFileCopyRunnable : public QObject, public QRunnable
{
    Q_OBJECT

public:
    ImportFileCopyRunnable(const ImportFile &file, QObject *parent = nullptr);
    ~ImportFileCopyRunnable() override;

    // Shared with the window, which may cancel after the pool has taken the task.
    using CancelFlag = std::shared_ptr<std::atomic<int>>;

    void cancel();
    bool isCancelled() const;
    // The share the run pinned: the folder is made and the file written only
    // while it is still there. Without one nothing is checked.
    void setShareGuard(const ShareGuard &share) { m_share = share; }
    CancelFlag cancelFlag() const { return m_cancelled; }
    // The order folder as named and its place resolved when the order
    // started: the file is written there, and only while the name still
    // leads there. Without one the target folder is used as it is.
    void setOrderFolder(const QString &named, const ImportRules::OrderPlace &place)
    {
        m_orderFolder = named;
        m_place = place;
    }

    void run() override;

    // Copies source to target in large kernel-side chunks; false with a
    // reason (possibly empty) on failure, "共享空间不足" when the share is full.
    // A set cancel flag stops it between chunks.
    static bool copyFile(const QString &source, const QString &target, QString &error,
                         const std::atomic<int> *cancel = nullptr);
    // Makes the folder and its missing parents; the error names the
    // system's reason when it cannot. With a share, only below it and each
    // folder only while it is still there.
    static bool createDirectory(const QString &path, QString &error, const ShareGuard *share = nullptr);

    enum class TargetState {
        Absent,    // nothing of the name in the target folder
        Same,      // a file with the source's bytes
        Different, // anything else: replacing it loses it
    };

    // The temporaries killed runs left in folder, removed by the atomic
    // writer's rule (untouched for an hour, held by no copy); returns how
    // many went.
    static int removeStaleTemporaries(const QString &folder);
    // A name of the atomic writer's temporaries, this tool's earlier form included.
    static bool isTemporaryName(const QString &name);

    ImportFile file() const { return m_file; }

signals:
    void copyFinished(const ImportFile &file);
    void copyProgress(const ImportFile &file, qint64 copied, qint64 total);
    void copyCancelled(const ImportFile &file);

private:
    void fail(const QString &message);
    void succeed(const QString &message);
    void cancelled();
    // Outcome when another file took the target's name first.
    void nameTaken(const QString &placed, const QString &target);
    bool folderMoved() const;

    ImportFile m_file;
    ShareGuard m_share;
    QString m_orderFolder;
    ImportRules::OrderPlace m_place;
    CancelFlag m_cancelled = std::make_shared<std::atomic<int>>(0);
};

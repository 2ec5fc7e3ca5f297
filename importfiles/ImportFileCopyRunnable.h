#pragma once

#include "importfiles/ImportFile.h"

#include <QObject>
#include <QRunnable>

#include <atomic>

// Copies one chosen file into its target folder on a pool thread and
// reports the outcome with its own copy of the record. The new file is
// written under a temporary name beside the target and renamed into place
// only when complete, so the folder never holds a partial photo under its
// real name and an existing file is replaced only by a verified copy.
class ImportFileCopyRunnable : public QObject, public QRunnable
{
    Q_OBJECT

public:
    ImportFileCopyRunnable(const ImportFile &file, QObject *parent = nullptr);
    ~ImportFileCopyRunnable() override;

    void cancel();
    bool isCancelled() const;
    // True once run() has emitted its result.
    bool isDone() const;

    void run() override;

    // Copies source to target; false with a reason (possibly empty) on failure.
    static bool copyFile(const QString &source, const QString &target, QString &error);
    static bool createDirectory(const QString &path, QString &error);

    ImportFile file() const { return m_file; }

signals:
    void copyFinished(const ImportFile &file);
    void copyProgress(const ImportFile &file, qint64 copied, qint64 total);
    void copyCancelled(const ImportFile &file);

private:
    void fail(const QString &message);
    void cancelled();

    ImportFile m_file;
    std::atomic<int> m_cancelled{0};
    std::atomic<bool> m_done{false};
};

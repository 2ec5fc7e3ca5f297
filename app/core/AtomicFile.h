#pragma once

#include <QByteArray>
#include <QString>

class QImage;

// Writes files so that a reader never sees a partial one: the data goes to a
// temporary file in the target's folder, which is renamed over the target
// only when it is whole on disk (flushed, synced, its size checked). A failed
// write leaves the target as it was and no temporary file behind. New files
// get the mode of any plain new file (0666 less the umask).
namespace AtomicFile {

// Byte copy of source to target, replacing an existing target. folderFd: the
// target's folder, already open (-1: opened from the target's path); every
// step of the write goes through that one folder.
bool copy(const QString &source, const QString &target, QString *error = nullptr, int folderFd = -1);

// Writes data to target, replacing an existing target (folderFd as for copy).
bool write(const QByteArray &data, const QString &target, QString *error = nullptr, int folderFd = -1);

// The image encoded in memory (quality < 0: the writer's default); empty on failure.
QByteArray encodeImage(const QImage &image, const QByteArray &format, int quality,
                       QString *error = nullptr);

// Encodes image in format (quality < 0: the writer's default) to target.
bool writeImage(const QImage &image, const QString &target, const QByteArray &format,
                int quality, QString *error = nullptr);

// Removes name, a path or a name relative to the open folder dirFd
// (AT_FDCWD for a path). An SMB share refuses to remove a file another handle
// holds open (EBUSY): a reader such as a preview loader lets go within
// moments, so the removal is tried again for up to busyMs. Blocks: never call
// it on the GUI thread.
bool remove(int dirFd, const QByteArray &name, int busyMs = 5000);

// True for the name of a temporary this writer makes: "." + the target's
// name + ".part-" + a random tail (and a temporary of a temporary, likewise).
bool isTemporaryName(const QByteArray &name);

// Removes, through the open folder dirFd, the temporaries left there (by a
// killed writer) that were last modified at least maxAgeSecs ago; other files
// stay. Returns the number removed. Blocks: never call it on the GUI thread.
int removeStaleTemporaries(int dirFd, qint64 maxAgeSecs);

} // namespace AtomicFile

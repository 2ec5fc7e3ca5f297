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

// How long a temporary lies untouched before a cleanup may take it for one a
// killed writer left: a lock held on another machine may not show here.
constexpr qint64 kStaleTemporarySecs = 60 * 60;

// Creates and opens for writing, in the open folder dirFd, a new temporary for
// the file name, with the mode of any plain new file, and locks it (flock) for
// as long as it stays open, so a cleanup can tell it is being written. Returns
// its descriptor and puts its name in *temporary; -1 with errno on failure.
int createTemporary(int dirFd, const QString &name, QByteArray *temporary);

// True for the name of a temporary this writer makes: "." + the target's
// name + ".part-" + a random tail (and a temporary of a temporary, likewise);
// also for the earlier forms killed copies may have left: the import copy's
// ".~import-" + 32 hex digits + ".tmp" and the split tools' ".part-" + up to
// ten base-36 digits.
bool isTemporaryName(const QByteArray &name);

// Removes, through the open folder dirFd, the temporaries killed writers left
// there: plain files (a link is never followed) named as temporaries, untouched
// for at least maxAgeSecs and held open by no one (their lock can be taken).
// Other files stay. Returns the number removed. Blocks: never call it on the
// GUI thread.
int removeStaleTemporaries(int dirFd, qint64 maxAgeSecs);

} // namespace AtomicFile

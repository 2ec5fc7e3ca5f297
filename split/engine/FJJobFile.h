#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

class QFile;
class TemporarySweep;

// File and value helpers of the design-file jobs. Pure functions, safe on
// any pool thread.
namespace FJJobFile {

// A reply value as text: anything but a JSON string reads as empty.
QString text(const QJsonObject &object, const QString &key);
// A reply value as an array (anything else: empty) or object (anything else: empty).
QJsonArray array(const QJsonObject &object, const QString &key);
QJsonObject object(const QJsonValue &value);

// folder + "/" + name, when name is one component that stays strictly below
// folder; empty text otherwise. folder may end with "/" or not.
QString childPath(const QString &folder, const QString &name);

enum class CopyResult {
    Copied,        // the target is complete and in place
    Identical,     // the target was already there with the same bytes
    TargetExists,  // an existing target with other bytes was left untouched
    SourceMissing, // nothing to copy
    Unreachable,   // the source's share answered with an I/O error; nothing left behind
    Failed,        // read, write or rename failed; nothing left behind
};

// What a look at a source on the share finds.
enum class SourceState {
    File,        // a plain file (links followed)
    Missing,     // not there, or not a file
    Unreachable, // the share answers with an I/O error: its server is gone
};
SourceState sourceState(const QString &path);

// How an existing folder of the share reads: Missing when it is not there,
// Unreachable when opening or listing it fails with an I/O error.
SourceState folderState(const QString &folder);

// Copied or already there with the same bytes: the target holds the source.
bool holdsSource(CopyResult result);

// Copies source to target through a temporary file in the target's folder
// that is renamed into place only when whole on disk: every write, the flush
// to disk, the written size and the close are checked, so an output that
// fills leaves no cut file. Never replaces an existing target (one with the
// same bytes counts as done). The copy
// gets the permissions of a plain new file under the process umask, and the
// temporary name holds at most 64 characters of the target's, so any name
// the share allows can be copied. With a run's sweep, the run's first write
// into the folder removes the temporaries killed copies left there.
CopyResult copyNew(const QString &source, const QString &target, QString *error = nullptr,
                   TemporarySweep *sweep = nullptr);

// Creates in folder a new empty temporary for the file name (the atomic
// writer's, locked while open), with the permissions of a plain new file
// under the process umask, and opens it for writing; sweep as for copyNew.
// Empty text when it cannot be made.
QString createTemporary(const QString &folder, QFile &file, const QString &name = QString(),
                        TemporarySweep *sweep = nullptr);

// Creates folder with its parents; true when it exists afterwards.
bool ensureFolder(const QString &folder);

} // namespace FJJobFile

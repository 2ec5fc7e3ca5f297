#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

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
    TargetExists,  // an existing target was left untouched
    SourceMissing, // nothing to copy
    Failed,        // read, write or rename failed; nothing left behind
};

// Copies source to target through a temporary file in the target's folder
// that is renamed into place; never replaces an existing target.
CopyResult copyNew(const QString &source, const QString &target, QString *error = nullptr);

// Creates folder with its parents; true when it exists afterwards.
bool ensureFolder(const QString &folder);

} // namespace FJJobFile
